#include "render/colour_table.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

TEST(ColourTable, StripClicksPickTheNearestBandHalvesToEven) {
    const std::pair<double, int> cases[] = {{15, 1}, {14, 1}, {4, 0}, {10, 0},
                                            {20, 2}, {30, 2}, {75, 7}};
    for (auto [y, scheme] : cases) EXPECT_EQ(schemeFromStripClick(y), scheme) << y;
}

TEST(ColourTable, TheStripShowsEachSchemeInItsBand) {
    for (int n = 0; n < kSchemeCount; ++n) {
        ColourTable t;
        selectColourScheme(t, n);
        EXPECT_EQ(t.schemeIndex, n);
        for (int i = 0; i < 256; ++i)
            for (int row = n * 10; row < n * 10 + 10; ++row)
                ASSERT_EQ(schemeStripColour(i, row), t.colourLUT[static_cast<std::size_t>(i)])
                    << "scheme " << n << " entry " << i << " row " << row;
    }
    EXPECT_EQ(schemeStripColour(10, 70), kBlack); // below the last band
}

TEST(ColourTable, SchemeEntriesKeepTheirSamplesAndInterpolate) {
    const std::tuple<int, std::size_t, Rgb> cases[] = {
        {0, 128, {128, 128, 128}}, {0, 256, {0, 0, 0}},       {1, 0, {7, 3, 40}},
        {1, 32, {30, 1, 129}},     {1, 224, {255, 230, 49}},  {1, 255, {255, 254, 255}},
        {1, 16, {18, 2, 84}}, // 18.5 and 84.5 halves to even
        {3, 64, {0, 42, 253}},     {3, 192, {214, 255, 1}},   {6, 96, {253, 1, 0}},
        {6, 255, {255, 254, 249}}, {7, 200, {200, 200, 200}}, // no band: the grey ramp
    };
    for (const auto& [scheme, entry, colour] : cases) {
        ColourTable t;
        selectColourScheme(t, 4);
        selectColourScheme(t, scheme);
        EXPECT_EQ(t.colourLUT[entry], colour) << scheme << " " << entry;
    }
    EXPECT_EQ(ColourTable{}.colourLUT, greyRamp()); // a fresh table is scheme 0
}

TEST(ColourTable, ColourIndexSpans25To255AndMirrorsOnALightBackground) {
    // d, dMin, dMax and the entry on a dark background; a zero-width range and spacings outside
    // the range stay in the table.
    const std::tuple<float, float, float, int> cases[] = {{1, 1, 3, 25},  {3, 1, 3, 255},
                                                          {2, 1, 3, 140}, {2, 2, 2, 255},
                                                          {9, 1, 3, 255}, {-9, 1, 3, 0}};
    for (auto [d, dMin, dMax, entry] : cases) {
        EXPECT_EQ(colourIndex(d, dMin, dMax, false), entry) << d << " " << dMin << " " << dMax;
        EXPECT_EQ(colourIndex(d, dMin, dMax, true), 255 - entry) << d << " " << dMin << " " << dMax;
    }
}

} // namespace
} // namespace tavrel
