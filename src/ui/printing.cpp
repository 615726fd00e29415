#include "ui/printing.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "output/painter_surface.h"
#include "render/renderer.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRect>
#include <QRegion>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace tavrel::ui {

namespace {

// Printer pixels per inch. A pattern line is one pixel wide, which at 300 per inch is a fine
// line that every printer still shows (at 1200 it would be a hair); and every side of the
// largest paper stays within the 16-bit coordinates of the drawing surface.
constexpr int kPrintDpi = 300;

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Arial" where it is installed, else the platform's sans-serif face of the same size.
QFont annotationFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.0);
    font.setBold(false);
    return font;
}

// What the pattern is drawn with on paper: the colours of the light background on white. The
// dark background's colours would put white lines (the black-and-white scheme) on white paper,
// and a page filled black would be all toner.
PatternView paperView(const PatternView& pattern) {
    PatternView paper = pattern;
    paper.view.lightBackground = true;
    paper.colours.baseColours[1] = Rgb{255, 255, 255};
    return paper;
}

} // namespace

QString drawingKindText(const PatternView& pattern) {
    if (!pattern.view.showLines) return QStringLiteral("Reciprocal Lattice Points");
    return pattern.view.viewStereographic ? QStringLiteral("Stereographic Projection")
                                          : QStringLiteral("Gnomonic Projection");
}

QString stampText(const QDateTime& now, const QLocale& locale) {
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QStringLiteral("yyyy")))
        dateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    // Hours and minutes: some short formats (the C locale's) carry the seconds as well.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("[^hHmaApP ]?s+")));
    return QStringLiteral("Quorvex (") + locale.toString(now.date(), dateFormat) +
           QStringLiteral(", ") + locale.toString(now.time(), timeFormat) + QStringLiteral(")");
}

QString cellText(const PatternDocument& document) {
    QString text = QStringLiteral("Cell: ");
    for (std::size_t i = 0; i < document.cell.values.size(); ++i) {
        const float v = document.cell.values[i];
        if (i > 0) text += QLatin1Char(' ');
        // A blank where a minus sign would stand keeps the numbers of a cell in step.
        if (!(v < 0)) text += QLatin1Char(' ');
        text += fromUtf8(shortestText(v));
    }
    text += QStringLiteral("   (") + fromUtf8(document.spaceGroupText) + QStringLiteral(")");
    for (std::size_t i = 0; i < document.wavelength.size(); ++i) {
        if (!(document.wavelength[i] > 0)) continue;
        text += QStringLiteral(",   WL(%1) = ").arg(i + 1) +
                fromUtf8(formatNumber(document.wavelength[i], "0.0###"));
    }
    return text;
}

PageTexts pageTexts(const Simulation& sim, const PatternView& pattern, const QDateTime& now,
                    const QLocale& locale) {
    return PageTexts{drawingKindText(pattern), stampText(now, locale), cellText(sim.document),
                     fromUtf8(sim.document.title)};
}

namespace {

// Where the four notes stand on a page: each note's text and the box it takes.
struct PlacedNote {
    QString text;
    QRect box;
};

std::array<PlacedNote, 4> placeNotes(const QFontMetrics& metrics, const QPaintDevice& device,
                                     const PageTexts& texts) {
    const int width = device.width();
    const int margin = device.logicalDpiX() / 10;
    const int bottom = device.height() - metrics.height();
    auto at = [&](int x, int top, const QString& text) {
        return PlacedNote{text, QRect(x, top, metrics.horizontalAdvance(text), metrics.height())};
    };
    auto rightAligned = [&](const QString& text) {
        return width - margin - metrics.horizontalAdvance(text);
    };
    // A long title starts after the cell line rather than over it, and loses its end rather
    // than running off the page.
    const int cellEnd = margin + metrics.horizontalAdvance(texts.cell + QLatin1Char(' '));
    const int titleLeft = std::max(rightAligned(texts.title), cellEnd);
    const QString title =
        metrics.elidedText(texts.title, Qt::ElideRight, std::max(0, width - margin - titleLeft));
    return {at(margin, 0, texts.kind), at(rightAligned(texts.stamp), 0, texts.stamp),
            at(margin, bottom, texts.cell), at(titleLeft, bottom, title)};
}

} // namespace

QRegion cornerNotesArea(const QPaintDevice& device, const PageTexts& texts) {
    const QFontMetrics metrics(annotationFont(), &device);
    // As wide a gap around each note as the margin beside it.
    const int gap = device.logicalDpiX() / 10;
    QRegion area;
    for (const PlacedNote& note : placeNotes(metrics, device, texts))
        if (!note.text.isEmpty()) area += note.box.adjusted(-gap, -gap, gap, gap);
    return area & QRect(0, 0, device.width(), device.height());
}

void paintPage(QPainter& painter, const QPaintDevice& device, const Simulation& sim,
               const PatternView& pattern, const PageTexts& texts) {
    const int width = device.width();
    const int height = device.height();
    // The pattern leaves the notes and a gap around them free: its labels and lines never run
    // into them.
    painter.setClipRegion(QRegion(0, 0, width, height) - cornerNotesArea(device, texts));

    // Scaled so that the picture covers the page both ways; what lies beyond it is clipped.
    PrintContext print;
    print.printFactor = std::max(static_cast<float>(width) / static_cast<float>(pattern.width),
                                 static_cast<float>(height) / static_cast<float>(pattern.height));
    {
        const PatternView paper = paperView(pattern);
        PainterSurface surface(painter, width, height);
        Renderer renderer;
        renderer.draw(patternInput(sim, paper), surface, &print);
    }

    painter.setClipRect(0, 0, width, height);
    const QFont font = annotationFont();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QFontMetrics metrics(font, &device);
    for (const PlacedNote& note : placeNotes(metrics, device, texts))
        painter.drawText(note.box.left(), note.box.top() + metrics.ascent(), note.text);
    painter.setClipping(false);
}

namespace {

// Printing into a PDF file: the page is made in memory and written as every output file is, so
// that a failed write leaves a previous file of that name as it was.
Outcome printToPdfFile(QPrinter& printer, const Simulation& sim, const PatternView& pattern,
                       const PageTexts& texts) {
    const QString name = printer.outputFileName();
    const std::string path = QFile::encodeName(name).toStdString();
    const auto refused = [&](const std::string& reason) {
        return Problem{inQuotes(name.toStdString()) + " cannot be written: " + reason};
    };
    if (name.isEmpty()) return refused("no file name was given");
    AtomicFileWriter file;
    if (const Outcome opened = file.open(path); !opened) return refused(opened.problem());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(printer.pageLayout());
    writer.setResolution(printer.resolution());
    writer.setCreator(printer.creator());
    writer.setTitle(printer.docName());
    QPainter painter;
    if (!painter.begin(&writer)) return refused("the page could not be started");
    paintPage(painter, writer, sim, pattern, texts);
    if (!painter.end()) return refused("the page could not be finished");
    const QByteArray& bytes = buffer.data();
    Outcome written =
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (written) written = file.commit();
    if (!written) return refused(written.problem());
    return {};
}

} // namespace

Outcome printPage(QPrinter& printer, const Simulation& sim, const PatternView& pattern,
                  const PageTexts& texts) {
    printer.setResolution(kPrintDpi);
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printToPdfFile(printer, sim, pattern, texts);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (printer.printerName().isEmpty())
            return Problem{"The picture cannot be printed: no printer is set up."};
        return Problem{"The picture cannot be printed on \"" + printer.printerName().toStdString() +
                       "\"."};
    }
    paintPage(painter, printer, sim, pattern, texts);
    if (!painter.end()) return Problem{"The printed page could not be finished."};
    return {};
}

} // namespace tavrel::ui
