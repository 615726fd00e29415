#include "render/colour_table.h"

#include "common/numeric.h"

#include <algorithm>
#include <limits>

namespace tavrel {

namespace {

// Every 32nd entry of schemes 1..6, the last sample at entry 255; entries in between are
// interpolated linearly.
constexpr int kSampleCount = 9;
constexpr std::array<int, kSampleCount> kSampleEntries{0, 32, 64, 96, 128, 160, 192, 224, 255};

using Samples = std::array<Rgb, kSampleCount>;
constexpr std::array<Samples, 6> kSchemeSamples{{
    // Scheme 1, entries 0, 32, ..., 224, 255.
    {{{7, 3, 40},
      {30, 1, 129},
      {124, 0, 156},
      {193, 8, 145},
      {228, 65, 32},
      {242, 122, 0},
      {255, 182, 0},
      {255, 230, 49},
      {255, 254, 255}}},
    // Scheme 2.
    {{{0, 2, 0},
      {0, 3, 227},
      {191, 0, 251},
      {251, 0, 219},
      {251, 0, 95},
      {249, 76, 0},
      {251, 141, 0},
      {252, 204, 0},
      {251, 254, 245}}},
    // Scheme 3.
    {{{23, 0, 26},
      {125, 0, 254},
      {0, 42, 253},
      {0, 212, 254},
      {0, 255, 127},
      {44, 255, 2},
      {214, 255, 1},
      {255, 122, 1},
      {255, 255, 255}}},
    // Scheme 4.
    {{{10, 6, 43},
      {249, 0, 247},
      {24, 0, 184},
      {0, 213, 241},
      {2, 146, 61},
      {165, 202, 0},
      {226, 120, 2},
      {217, 89, 88},
      {255, 254, 255}}},
    // Scheme 5.
    {{{1, 0, 0},
      {65, 32, 1},
      {128, 64, 0},
      {145, 97, 0},
      {159, 129, 0},
      {176, 161, 0},
      {192, 193, 4},
      {224, 225, 132},
      {254, 255, 250}}},
    // Scheme 6.
    {{{3, 0, 0},
      {86, 0, 0},
      {173, 1, 1},
      {253, 1, 0},
      {255, 85, 0},
      {254, 172, 2},
      {255, 255, 1},
      {255, 255, 128},
      {255, 254, 249}}},
}};

std::uint8_t interpolate(std::uint8_t a, std::uint8_t b, int offset, int span) {
    // The integer numerator keeps the only possible halves (span 32) exact, so they round to
    // even, and the sample entries themselves come out unchanged.
    const double v = static_cast<double>(a * (span - offset) + b * offset) / span;
    return static_cast<std::uint8_t>(roundHalfEven(v));
}

// Scheme 1..6 at table entry 0..255.
Rgb schemeColour(int scheme, int entry) {
    const Samples& s = kSchemeSamples[static_cast<std::size_t>(scheme - 1)];
    std::size_t k = 0;
    while (k + 2 < kSampleCount && entry >= kSampleEntries[k + 1]) ++k;
    const int offset = entry - kSampleEntries[k];
    const int span = kSampleEntries[k + 1] - kSampleEntries[k];
    const Rgb& a = s[k];
    const Rgb& b = s[k + 1];
    return Rgb{interpolate(a.r, b.r, offset, span), interpolate(a.g, b.g, offset, span),
               interpolate(a.b, b.b, offset, span)};
}

} // namespace

Rgb schemeStripColour(int column, int row) {
    if (column < 0 || column >= kSchemeStripWidth || row < 0 || row >= kSchemeStripHeight)
        return kBlack;
    const int band = row / 10;
    if (band == 0) {
        const auto v = static_cast<std::uint8_t>(column);
        return Rgb{v, v, v};
    }
    return schemeColour(band, column);
}

void selectColourScheme(ColourTable& table, int scheme) {
    table.schemeIndex =
        static_cast<std::int16_t>(std::clamp<int>(scheme, std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max()));
    if (scheme < 1 || scheme >= kSchemeCount) {
        table.colourLUT = greyRamp();
        return;
    }
    for (int i = 0; i < 256; ++i)
        table.colourLUT[static_cast<std::size_t>(i)] = schemeStripColour(i, scheme * 10 + 5);
    table.colourLUT[256] = kBlack;
}

int schemeFromStripClick(double y) {
    return roundToInt32((y - 5.0) / 10.0);
}

Rgb backgroundColour(const ColourTable& table, bool lightBackground) {
    return table.baseColours[lightBackground ? 1 : 0];
}

int colourIndex(float d, float dMin, float dMax, bool lightBackground) {
    int c = 255;
    const float range = dMax - dMin;
    if (range != 0.0f) {
        const float scaled = (d - dMin) / range * 230.0f + 25.0f;
        c = std::clamp(roundToInt32(scaled), 0, 255);
    }
    return lightBackground ? 255 - c : c;
}

} // namespace tavrel
