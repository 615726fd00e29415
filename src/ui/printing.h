#pragma once
// One printed page: the pattern drawn again on the printer, scaled so that it covers the page,
// with four lines of annotation in the corners (the kind of drawing, a stamp with the maker and
// the time, the cell with group and wavelengths, the title).

#include "common/result.h"

#include <QString>

class QDateTime;
class QPainter;
class QPaintDevice;
class QRegion;
class QLocale;
class QPrinter;

namespace tavrel {
struct PatternDocument;
struct PatternView;
struct Simulation;
} // namespace tavrel

namespace tavrel::ui {

struct PageTexts {
    QString kind;  // top left
    QString stamp; // top right
    QString cell;  // bottom left
    QString title; // bottom right
};

// "Gnomonic Projection", "Stereographic Projection" or "Reciprocal Lattice Points".
QString drawingKindText(const PatternView& pattern);
// "Quorvex (" + date + ", " + time + ")" in the locale's short formats, the year with four
// digits.
QString stampText(const QDateTime& now, const QLocale& locale);
// "Cell:  a  b  c  alpha  beta  gamma   (group)" and the wavelengths that are in use.
QString cellText(const PatternDocument& document);
PageTexts pageTexts(const Simulation& sim, const PatternView& pattern, const QDateTime& now,
                    const QLocale& locale);

// The page on any paged device (or a picture of it): the pattern scaled to cover it, then the
// four notes in the corners.
void paintPage(QPainter& painter, const QPaintDevice& device, const Simulation& sim,
               const PatternView& pattern, const PageTexts& texts);
// What the notes take of such a page, with a gap around each that the pattern leaves free.
QRegion cornerNotesArea(const QPaintDevice& device, const PageTexts& texts);

// Prints the page and ends the document. A printer set to print into a PDF file writes it as
// every output file is written: a failed write keeps a previous file of that name. A problem
// gives the reason (naming the printer or the file) when nothing could be printed.
Outcome printPage(QPrinter& printer, const Simulation& sim, const PatternView& pattern,
                  const PageTexts& texts);

} // namespace tavrel::ui
