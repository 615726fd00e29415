#include "output/image_surface.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

namespace tavrel {
namespace {

constexpr Rgb kBackground{10, 20, 30};
constexpr Rgb kOrange{255, 128, 0};

Rgb pixelAt(const ImageSurface& s, int x, int y) {
    const QRgb p = s.image().pixel(x, y);
    return Rgb{static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
               static_cast<std::uint8_t>(qBlue(p))};
}

// The columns of row y that are not background, as a string of '#' and '.'.
std::string rowPattern(const ImageSurface& s, int y, int x1, int x2) {
    std::string out;
    for (int x = x1; x <= x2; ++x) out += pixelAt(s, x, y) == kBackground ? '.' : '#';
    return out;
}

class ImageSurfaceTest : public testing::Test {
protected:
    ImageSurfaceTest() : s(80, 60) { s.clear(kBackground); }
    void draw(std::initializer_list<Segment> segments) {
        s.drawSegments(std::span(segments.begin(), segments.size()));
    }
    ImageSurface s;
};

TEST_F(ImageSurfaceTest, ThinSegmentsCoverExactlyTheNamedPixelsInThePenColour) {
    const QImage before = s.image(); // what the clipboard would hold
    s.setPen(kOrange, 1, PenStyle::Solid);
    draw({{2, 5, 8, 5}, {20, 10, 20, 14}, {30, 30, 34, 34}});
    EXPECT_EQ(before.pixel(2, 5), qRgb(10, 20, 30));
    EXPECT_EQ(rowPattern(s, 5, 0, 10), "..#######..");
    EXPECT_EQ(rowPattern(s, 4, 0, 10), "...........");
    EXPECT_EQ(rowPattern(s, 6, 0, 10), "...........");
    EXPECT_EQ(pixelAt(s, 2, 5), kOrange);
    EXPECT_EQ(pixelAt(s, 8, 5), kOrange);
    for (int y = 9; y <= 15; ++y) EXPECT_EQ(pixelAt(s, 20, y) == kOrange, y >= 10 && y <= 14) << y;
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(pixelAt(s, 30 + i, 30 + i), kOrange);
    EXPECT_EQ(pixelAt(s, 35, 35), kBackground);
    EXPECT_EQ(pixelAt(s, 31, 30), kBackground);
}

TEST_F(ImageSurfaceTest, PenStylesDifferAndRestartOnEverySegment) {
    s.setPen(kOrange, 1, PenStyle::Solid);
    draw({{0, 1, 39, 1}});
    s.setPen(kOrange, 1, PenStyle::Dot);
    draw({{0, 3, 39, 3}, {5, 5, 44, 5}});
    s.setPen(kOrange, 1, PenStyle::DashDot);
    draw({{0, 7, 39, 7}});
    const std::string solid = rowPattern(s, 1, 0, 39);
    const std::string dot = rowPattern(s, 3, 0, 39);
    const std::string dashDot = rowPattern(s, 7, 0, 39);
    EXPECT_EQ(solid, std::string(40, '#'));
    EXPECT_NE(dot, solid);
    EXPECT_NE(dashDot, solid);
    EXPECT_NE(dot, dashDot);
    EXPECT_EQ(dot.front(), '#');
    EXPECT_EQ(dashDot.front(), '#');
    // The second segment of the batch starts its own pattern.
    EXPECT_EQ(rowPattern(s, 5, 5, 44), dot);

    // The wide highlight pen too: a batch draws like its segments one by one.
    ImageSurface one(80, 60);
    one.clear(kBackground);
    s.clear(kBackground);
    const std::array<Segment, 3> cone{Segment{3, 20, 40, 22}, Segment{40, 22, 41, 30},
                                      Segment{41, 30, 10, 50}};
    s.setPen(kOrange, 2, PenStyle::DashDot);
    s.drawSegments(cone);
    one.setPen(kOrange, 2, PenStyle::DashDot);
    for (const Segment& seg : cone) one.drawSegments(std::span(&seg, 1));
    EXPECT_EQ(s.image(), one.image());
    EXPECT_NE(rowPattern(s, 20, 0, 79), std::string(80, '.'));
}

TEST_F(ImageSurfaceTest, CirclesSpanTheirRadiusAndFillOnlyWhenAsked) {
    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawCircle(20, 20, 5, false);
    s.drawCircle(50, 20, 5, true);
    s.drawCircle(70, 50, 0, true);
    for (int cx : {20, 50}) {
        EXPECT_EQ(pixelAt(s, cx - 5, 20), kOrange);
        EXPECT_EQ(pixelAt(s, cx + 5, 20), kOrange);
        EXPECT_EQ(pixelAt(s, cx, 15), kOrange);
        EXPECT_EQ(pixelAt(s, cx, 25), kOrange);
        EXPECT_EQ(pixelAt(s, cx - 6, 20), kBackground);
        EXPECT_EQ(pixelAt(s, cx + 6, 20), kBackground);
        EXPECT_EQ(pixelAt(s, cx, 26), kBackground);
    }
    EXPECT_EQ(pixelAt(s, 20, 20), kBackground);
    EXPECT_EQ(pixelAt(s, 50, 20), kOrange);
    EXPECT_EQ(pixelAt(s, 52, 22), kOrange);
    EXPECT_EQ(rowPattern(s, 50, 68, 72), "..#..");
    EXPECT_EQ(rowPattern(s, 49, 68, 72), ".....");
}

TEST_F(ImageSurfaceTest, RectangleOutlineIncludesBothCorners) {
    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawRectangle(30, 40, 10, 30); // corners in any order
    EXPECT_EQ(rowPattern(s, 30, 9, 31), "." + std::string(21, '#') + ".");
    EXPECT_EQ(rowPattern(s, 35, 9, 31), ".#" + std::string(19, '.') + "#.");
    EXPECT_EQ(rowPattern(s, 40, 9, 31), "." + std::string(21, '#') + ".");
    EXPECT_EQ(pixelAt(s, 20, 29), kBackground);
    EXPECT_EQ(pixelAt(s, 20, 41), kBackground);
}

TEST_F(ImageSurfaceTest, TextStartsAtItsTopLeftCornerAndKeepsThePen) {
    s.setTextSize(8);
    const int h8 = s.textHeight();
    s.setTextSize(7);
    EXPECT_LT(s.textHeight(), h8);
    EXPECT_GT(s.textHeight(), 5);
    s.setTextSize(0); // ignored
    s.setTextSize(-3);
    EXPECT_LT(s.textHeight(), h8);

    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawText(10, 10, "HKL", Rgb{255, 255, 255});
    int changed = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            if (pixelAt(s, x, y) != kBackground) {
                ++changed;
                EXPECT_GE(x, 9);
                EXPECT_GE(y, 10);
                EXPECT_LT(y, 10 + s.textHeight());
            }
    EXPECT_GT(changed, 10);
    draw({{0, 55, 5, 55}});
    EXPECT_EQ(pixelAt(s, 3, 55), kOrange);
}

TEST(ImageSurface, BadInputDrawsNothingAndNeverCrashes) {
    ImageSurface tiny(0, -5);
    EXPECT_EQ(tiny.width(), 1);
    EXPECT_EQ(tiny.height(), 1);
    tiny.setPen(kOrange, -4, PenStyle::Dot);
    tiny.drawSegments(std::array<Segment, 1>{Segment{-32768, -32768, 32767, 32767}});
    tiny.drawCircle(0, 0, -1, true);
    tiny.drawCircle(INT_MIN, 0, INT_MAX, false);
    tiny.drawRectangle(INT_MIN, 0, INT_MAX, 0);
    tiny.drawText(-1000, INT_MAX, "\xff\xfe broken UTF-8", kOrange);
    tiny.drawSegments({});
    EXPECT_EQ(tiny.image().size(), QSize(1, 1));
}

} // namespace
} // namespace tavrel
