#pragma once
// The colours of the pattern: a 256-step table chosen from a few colour schemes that colours
// poles and cone lines by their d-spacing, and three user colours (the two backgrounds and the
// highlight of selected lines). The scheme strip that the colour pane shows is computed here as
// data, so that the pane's picture and the table can never disagree.

#include "render/surface.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrel {

// Entries 0..255 hold the scheme; entry 256 stays black.
inline constexpr std::size_t kLutSize = 257;
// The scheme strip: seven bands of ten rows, band j showing scheme j from entry 0 (left) to
// entry 255 (right).
inline constexpr int kSchemeStripWidth = 256;
inline constexpr int kSchemeStripHeight = 70;
inline constexpr int kSchemeCount = 7;
// Drawn black or white by the renderer; the table is not used for it.
inline constexpr int kMonochromeScheme = 7;

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kHighlightRed{255, 0, 0};

constexpr std::array<Rgb, kLutSize> greyRamp() {
    std::array<Rgb, kLutSize> lut{};
    for (std::size_t i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        lut[i] = Rgb{v, v, v};
    }
    return lut;
}

struct ColourTable {
    // A fresh table is already scheme 0, as the program starts with.
    std::array<Rgb, kLutSize> colourLUT = greyRamp();
    std::int16_t schemeIndex = 0;
    // [0] dark background, [1] light background, [2] highlight of selected lines.
    std::array<Rgb, 3> baseColours{kBlack, kWhite, kHighlightRed};
};

// Makes `scheme` the current scheme: 0 is the grey ramp, 1..6 the strip's bands. Any other
// number (the monochrome scheme 7, larger numbers from a damaged dump, negatives) is kept as
// the scheme index, saturated to 16 bits, and fills the table with the grey ramp, so that the
// table is always a dark-to-light ramp whatever the history.
void selectColourScheme(ColourTable& table, int scheme);

// Colour of the strip at (column, row); black outside the 256 x 70 strip.
Rgb schemeStripColour(int column, int row);

// The scheme under a click at height y of the strip: the nearest band centre, halves to even.
// May lie outside 0..6 for clicks below or above the strip (7 is the monochrome scheme).
int schemeFromStripClick(double y);

Rgb backgroundColour(const ColourTable& table, bool lightBackground);

// Table entry for a reflection of spacing d: 25 for dMin up to 255 for dMax, mirrored to
// 230..0 on a light background so that the largest spacings contrast most on either background.
// The arithmetic is in 4-byte floats like the stored spacings. A d range of zero width (a
// reflection file with one reflection) gives the entry of dMax, and the result is clamped into
// 0..255 for a d outside the range.
int colourIndex(float d, float dMin, float dMax, bool lightBackground);

} // namespace tavrel
