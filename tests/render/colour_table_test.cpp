#include "render/colour_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>

namespace tavrel {
namespace {

TEST(SchemeStrip, ClicksPickTheNearestBandHalvesToEven) {
    EXPECT_EQ(schemeFromStripClick(15), 1);
    EXPECT_EQ(schemeFromStripClick(14), 1);
    EXPECT_EQ(schemeFromStripClick(4), 0);
    EXPECT_EQ(schemeFromStripClick(10), 0); // 0.5 goes to the even 0
    EXPECT_EQ(schemeFromStripClick(20), 2); // 1.5 goes to the even 2
    EXPECT_EQ(schemeFromStripClick(30), 2);
    EXPECT_EQ(schemeFromStripClick(75), 7);
    EXPECT_EQ(schemeFromStripClick(-100), -10);
    EXPECT_EQ(schemeFromStripClick(std::nan("")), 0);
}

TEST(SchemeStrip, BandsAreConstantDownEachColumnAndBlackOutside) {
    for (int band = 0; band < kSchemeCount; ++band)
        for (int row = band * 10; row < band * 10 + 10; ++row)
            EXPECT_EQ(schemeStripColour(17, row), schemeStripColour(17, band * 10));
    EXPECT_EQ(schemeStripColour(77, 3), (Rgb{77, 77, 77}));
    for (auto [column, row] : {std::pair{-1, 15}, {256, 15}, {10, 70}, {10, -1}})
        EXPECT_EQ(schemeStripColour(column, row), kBlack);
}

TEST(ColourLut, SchemeZeroIsTheGreyRamp) {
    ColourTable t;
    INIT_LUT(t, 3);
    INIT_LUT(t, 0);
    EXPECT_EQ(t.schemeIndex, 0);
    EXPECT_EQ(t.colourLUT[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(t.colourLUT[128], (Rgb{128, 128, 128}));
    EXPECT_EQ(t.colourLUT[255], (Rgb{255, 255, 255}));
    EXPECT_EQ(t.colourLUT[256], kBlack);
    EXPECT_EQ(ColourTable{}.colourLUT, t.colourLUT);
}

TEST(ColourLut, SchemesFollowTheStripAndKeepTheirSamplesExactly) {
    for (int n = 1; n <= 6; ++n) {
        ColourTable t;
        INIT_LUT(t, n);
        EXPECT_EQ(t.schemeIndex, n);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(t.colourLUT[static_cast<std::size_t>(i)], schemeStripColour(i, n * 10 + 5))
                << "scheme " << n << " entry " << i;
        EXPECT_EQ(t.colourLUT[256], kBlack);
    }
    ColourTable t;
    INIT_LUT(t, 1);
    EXPECT_EQ(t.colourLUT[0], (Rgb{7, 3, 40}));
    EXPECT_EQ(t.colourLUT[32], (Rgb{30, 1, 129}));
    EXPECT_EQ(t.colourLUT[224], (Rgb{255, 230, 49}));
    EXPECT_EQ(t.colourLUT[255], (Rgb{255, 254, 255}));
    // Halfway between (7,3,40) and (30,1,129): 18.5 and 84.5 round to the even neighbours.
    EXPECT_EQ(t.colourLUT[16], (Rgb{18, 2, 84}));
    INIT_LUT(t, 3);
    EXPECT_EQ(t.colourLUT[64], (Rgb{0, 42, 253}));
    EXPECT_EQ(t.colourLUT[192], (Rgb{214, 255, 1}));
    INIT_LUT(t, 6);
    EXPECT_EQ(t.colourLUT[96], (Rgb{253, 1, 0}));
    EXPECT_EQ(t.colourLUT[255], (Rgb{255, 254, 249}));
}

TEST(ColourLut, SchemesWithoutABandFallBackToTheGreyRamp) {
    for (int n : {7, 8, 100, -1, INT_MIN}) {
        ColourTable t;
        INIT_LUT(t, 4);
        INIT_LUT(t, n);
        EXPECT_EQ(t.colourLUT, greyRamp()) << n;
    }
    ColourTable t;
    INIT_LUT(t, 7);
    EXPECT_EQ(t.schemeIndex, kMonochromeScheme);
    INIT_LUT(t, -3);
    EXPECT_EQ(t.schemeIndex, -3);
    INIT_LUT(t, 70000);
    EXPECT_EQ(t.schemeIndex, 32767);
}

TEST(ColourLut, ResetRestoresBaseColoursAndSchemeZero) {
    ColourTable t;
    t.baseColours = {Rgb{1, 2, 3}, Rgb{4, 5, 6}, Rgb{7, 8, 9}};
    INIT_LUT(t, 5);
    EXPECT_EQ(backgroundColour(t, false), (Rgb{1, 2, 3}));
    EXPECT_EQ(backgroundColour(t, true), (Rgb{4, 5, 6}));
    resetColours(t);
    EXPECT_EQ(t.schemeIndex, 0);
    EXPECT_EQ(t.colourLUT, greyRamp());
    EXPECT_EQ(backgroundColour(t, false), kBlack);
    EXPECT_EQ(backgroundColour(t, true), kWhite);
    EXPECT_EQ(t.baseColours[2], (Rgb{255, 0, 0}));
}

TEST(ColourIndex, SpansEntries25To255AndMirrorsOnALightBackground) {
    EXPECT_EQ(colourIndex(1.0f, 1.0f, 3.0f, false), 25);
    EXPECT_EQ(colourIndex(3.0f, 1.0f, 3.0f, false), 255);
    EXPECT_EQ(colourIndex(2.0f, 1.0f, 3.0f, false), 140);
    EXPECT_EQ(colourIndex(3.0f, 1.0f, 3.0f, true), 0);
    EXPECT_EQ(colourIndex(1.0f, 1.0f, 3.0f, true), 230);
    EXPECT_EQ(colourIndex(2.0f, 1.0f, 3.0f, true), 115);
}

TEST(ColourIndex, ZeroWidthRangeAndOutsideSpacingsStayInTheTable) {
    EXPECT_EQ(colourIndex(2.0f, 2.0f, 2.0f, false), 255);
    EXPECT_EQ(colourIndex(2.0f, 2.0f, 2.0f, true), 0);
    EXPECT_EQ(colourIndex(9.0f, 1.0f, 3.0f, false), 255);
    EXPECT_EQ(colourIndex(9.0f, 1.0f, 3.0f, true), 0);
    EXPECT_EQ(colourIndex(-50.0f, 1.0f, 3.0f, false), 0);
    EXPECT_EQ(colourIndex(-50.0f, 1.0f, 3.0f, true), 255);
    for (float d : {std::nanf(""), INFINITY, -INFINITY}) {
        const int c = colourIndex(d, 1.0f, 3.0f, false);
        EXPECT_GE(c, 0);
        EXPECT_LE(c, 255);
    }
    // A range so narrow that the quotient overflows.
    EXPECT_EQ(colourIndex(1.0f, 0.0f, 1e-45f, false), 255);
}

} // namespace
} // namespace tavrel
