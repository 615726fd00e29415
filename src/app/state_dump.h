#pragma once
// The state dump "tavrel.dmp": the whole simulation and what the window shows of it, written
// when the window closes and read at the next start, so that the program comes back with the
// same crystal, reflections and picture without generating again.
//
// Layout (QDataStream, big-endian, floats in 4 bytes): the magic word "TVRD", the format
// version, then the document values, the reflection list, the point table, the view toggles
// and scale, the colours, and the texts of every input field. Version 2 adds tagged sections
// after that: a count, then per section a tag text and its bytes. A reader takes the sections it
// knows and skips the others, so what later versions add never makes a dump unreadable, and a
// dump of version 1 (no sections) is still read. Texts are a 32-bit length and UTF-8 bytes,
// arrays a 32-bit count and their elements. A dump that fails any check is refused whole: a
// half-restored state would show a picture that belongs to no document.

#include "common/result.h"
#include "crystal/document.h"
#include "crystal/reflections.h"
#include "orientation/point_table.h"
#include "render/colour_table.h"
#include "render/view_state.h"
#include "session/pattern_underlay.h"
#include "session/simulation.h"
#include "structure/atom_site.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel {
struct PatternView;
} // namespace tavrel

namespace tavrel::app {

inline constexpr const char* kStateDumpName = "tavrel.dmp";
inline constexpr std::uint32_t kStateDumpMagic = 0x54565244; // "TVRD"
inline constexpr std::uint32_t kStateDumpVersion = 2;

// Everything a dump holds.
struct StateRecord {
    DocumentFields fields;
    PatternDocument document;
    ReflectionList reflections;
    PointTable points;
    ViewState view;
    ColourTable colours;
    std::vector<AtomSite> atoms;
    // The recorded pattern under the lines (its file is read again at the start); no path when
    // none is shown.
    UnderlaySettings underlay;
    // The detector: pattern centre, tilts, pixel, the convention and the Euler frame chosen.
    DetectorSetup detector;
};

StateRecord stateRecordOf(const Simulation& sim, const PatternView& pattern);

QByteArray encodeStateDump(const StateRecord& record);
// No value when the bytes are not a complete, consistent dump of this version: wrong magic
// word or version, too short or too long, counts or sizes out of range, NaN anywhere, a point
// naming no reflection.
std::optional<StateRecord> decodeStateDump(const QByteArray& bytes);

// Writes through the program's atomic writer, which checks every write and the flush before the
// dump is replaced, so a crash or a full disk keeps the previous dump. A problem names the file
// and the reason.
Outcome writeStateDump(const QString& path, const StateRecord& record);
// No value when the file is missing, empty, not a regular file (a FIFO would block the start
// for ever), unreadable or refused by decodeStateDump.
std::optional<StateRecord> readStateDump(const QString& path);

} // namespace tavrel::app
