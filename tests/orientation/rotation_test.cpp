#include "orientation/rotation.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// A positive angle turns y towards +z about the viewing axis, x towards +z about the horizontal
// one and y towards +x about the vertical one; other axes turn nothing. The reflection index
// never changes.
TEST(RotatePoints, TurnsAboutTheViewAxes) {
    const std::tuple<int, float, Vec3f, Vec3f> cases[] = {{2, -90, {0, 0, 1}, {1, 0, 0}},
                                                          {3, 90, {1, 0, 0}, {0, -1, 0}},
                                                          {1, 90, {0, 1, 0}, {0, 0, 1}},
                                                          {4, 90, {0, 1, 0}, {0, 1, 0}}};
    for (const auto& [axis, angle, from, to] : cases) {
        PointTable t;
        t.rows = {{from[0], from[1], from[2], 7}};
        rotatePoints(t, static_cast<ViewAxis>(axis), angle);
        const RotatedPoint& p = t.rows[0];
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NEAR((std::array{p.x, p.y, p.z}[i]), to[i], 1e-6) << axis;
        EXPECT_EQ(p.reflection, 7);
    }
}

// The text is three blank-separated numbers or else exactly three characters, one digit each (a
// lone minus sign reads as 0); anything else gives no vector.
TEST(OrientationText, ThreeNumbersOrThreeCharacters) {
    const std::pair<const char*, Vec3f> cases[] = {
        {" 1 0 -1 ", {1, 0, -1}},     {"101", {1, 0, 1}},
        {"1-1", {1, 0, 1}},           {"a b c", {0, 0, 0}},
        {"2.5 x 1e1", {2.5f, 0, 10}}, {"3e38 -3e38 0", {3e38f, -3e38f, 0}}};
    for (const auto& [text, v] : cases) EXPECT_EQ(parseOrientationText(text), v) << text;
    // Numbers beyond the range of a 4-byte float make the text invalid too.
    for (const char* invalid : {"10 1", "1 0 0 1", "", "12", "1 -1e39 0", "4e38 1 1"})
        EXPECT_FALSE(parseOrientationText(invalid)) << invalid;
}

} // namespace
} // namespace tavrel
