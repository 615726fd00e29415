#include "output/image_surface.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrel {
namespace {

class ImageSurfaceTest : public testing::Test {
protected:
    ImageSurfaceTest() : s(80, 60) {
        s.clear(Rgb{10, 20, 30});
        s.setPen(Rgb{255, 128, 0}, 1, PenStyle::Solid);
    }
    // Columns x1..x2 of row y: '#' where drawn, '.' where background.
    std::string row(int y, int x1, int x2) const {
        std::string out;
        for (int x = x1; x <= x2; ++x) out += s.image().pixel(x, y) == qRgb(10, 20, 30) ? '.' : '#';
        return out;
    }
    ImageSurface s;
};

TEST_F(ImageSurfaceTest, CirclesAndRectanglesSpanTheirCorners) {
    s.drawCircle(20, 20, 5, false);
    s.drawCircle(50, 20, 5, true);
    s.drawCircle(70, 50, 0, true); // a dot
    EXPECT_EQ(row(14, 14, 26) + row(15, 14, 26) + row(20, 14, 26),
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

} // namespace
} // namespace tavrel
