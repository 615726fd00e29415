#include "output/image_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>

namespace tavrel {
namespace {

constexpr Rgb kOrange{255, 128, 0};

class ImageSurfaceTest : public testing::Test {
protected:
    ImageSurfaceTest() : s(80, 60) { s.clear(Rgb{10, 20, 30}); }
    void draw(PenStyle style, std::initializer_list<Segment> segments) {
        s.setPen(kOrange, 1, style);
        s.drawSegments(std::span(segments.begin(), segments.size()));
    }
    // Columns x1..x2 of row y: '#' where drawn, '.' where background.
    std::string row(int y, int x1, int x2) const {
        std::string out;
        for (int x = x1; x <= x2; ++x) out += s.image().pixel(x, y) == qRgb(10, 20, 30) ? '.' : '#';
        return out;
    }
    ImageSurface s;
};

TEST_F(ImageSurfaceTest, ThinSegmentsCoverExactlyTheNamedPixelsInThePenColour) {
    draw(PenStyle::Solid, {{2, 5, 8, 5}, {20, 10, 20, 14}, {30, 30, 34, 34}});
    EXPECT_EQ(s.image().pixel(2, 5), qRgb(255, 128, 0));
    EXPECT_EQ(row(4, 0, 10) + row(5, 0, 10) + row(6, 0, 10),
              "..........." + std::string("..#######..") + "...........");
    for (int y = 9; y <= 15; ++y) EXPECT_EQ(row(y, 19, 21), y >= 10 && y <= 14 ? ".#." : "...");
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(row(30 + i, 29, 35), std::string(1 + i, '.') + "#" + std::string(5 - i, '.'));
}

TEST_F(ImageSurfaceTest, PenStylesDifferAndRestartOnEverySegment) {
    draw(PenStyle::Solid, {{0, 1, 39, 1}});
    draw(PenStyle::Dot, {{0, 3, 39, 3}, {5, 5, 44, 5}});
    draw(PenStyle::DashDot, {{0, 7, 39, 7}});
    const std::string solid = row(1, 0, 39), dot = row(3, 0, 39), dashDot = row(7, 0, 39);
    EXPECT_EQ(solid, std::string(40, '#'));
    EXPECT_EQ(std::set({solid, dot, dashDot}).size(), 3u);
    EXPECT_EQ(std::string() + dot[0] + dashDot[0], "##");
    EXPECT_EQ(row(5, 5, 44), dot); // the second segment of the batch starts its own pattern
}

TEST_F(ImageSurfaceTest, CirclesAndRectanglesSpanTheirCorners) {
    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawCircle(20, 20, 5, false);
    s.drawCircle(50, 20, 5, true);
    s.drawCircle(70, 50, 0, true);                                 // a dot
    EXPECT_EQ(row(14, 14, 26) + row(15, 14, 26) + row(20, 14, 26), //
              std::string(13, '.') + "....#####...." + ".#.........#.");
    EXPECT_EQ(row(14, 44, 56) + row(15, 44, 56) + row(20, 44, 56),
              std::string(13, '.') + "....#####...." + ".###########.");
    EXPECT_EQ(s.image().pixel(50, 20), qRgb(255, 128, 0)); // filled in the pen colour
    EXPECT_EQ(row(49, 68, 72) + row(50, 68, 72) + row(51, 68, 72), ".......#.......");

    s.drawRectangle(30, 40, 10, 30); // corners in any order
    const std::string edge = "." + std::string(21, '#') + ".", none(23, '.');
    EXPECT_EQ(row(29, 9, 31) + row(30, 9, 31) + row(40, 9, 31) + row(41, 9, 31),
              none + edge + edge + none);
    EXPECT_EQ(row(35, 9, 31), ".#" + std::string(19, '.') + "#.");
}

TEST_F(ImageSurfaceTest, TextStartsAtItsTopLeftCornerAndKeepsThePen) {
    s.setTextSize(7);
    const int height = s.textHeight();
    s.setPen(kOrange, 1, PenStyle::Solid);
    s.drawText(10, 10, "HKL", Rgb{255, 255, 255});
    std::string box, around;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            (x >= 9 && y >= 10 && y < 10 + height ? box : around) += row(y, x, x);
    EXPECT_EQ(around.find('#'), std::string::npos);
    EXPECT_GT(std::count(box.begin(), box.end(), '#'), 10);
    s.drawSegments(std::array<Segment, 1>{Segment{0, 55, 5, 55}});
    EXPECT_EQ(s.image().pixel(3, 55), qRgb(255, 128, 0)); // in the pen set before the text
}

} // namespace
} // namespace tavrel
