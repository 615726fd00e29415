#include "orientation/rotation.h"
#include "session/orient.h"
#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

using test::kCubic4;
using test::setFields;
using test::TestSession;

// The view-frame vector of the reflection (h k l), found through column 3 of its row.
Vec3f viewVector(const Session& s, int h, int k, int l) {
    for (const PointRow& row : s.points.rows) {
        const auto i = static_cast<std::size_t>(PointTable::reflectionIndex(row));
        if (s.reflections.h[i] == h && s.reflections.k[i] == k && s.reflections.l[i] == l)
            return {row[0], row[1], row[2]};
    }
    ADD_FAILURE() << "no reflection " << h << " " << k << " " << l;
    return {};
}

void expectAlongViewAxis(const Vec3f& v) {
    EXPECT_GT(v[0], 0.0f);
    EXPECT_NEAR(v[1] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
    EXPECT_NEAR(v[2] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
}

// A positive angle turns y towards +z about axis 1, x towards +z about 2 and y towards +x about
// 3; other axes turn nothing. Column 3 never moves.
TEST(Rotate, TurnsAboutTheViewAxes) {
    const std::tuple<int, float, Vec3f, Vec3f> cases[] = {{2, -90, {0, 0, 1}, {1, 0, 0}},
                                                          {3, 90, {1, 0, 0}, {0, -1, 0}},
                                                          {1, 90, {0, 1, 0}, {0, 0, 1}},
                                                          {4, 90, {0, 1, 0}, {0, 1, 0}}};
    for (const auto& [axis, angle, from, to] : cases) {
        PointTable t;
        t.rows = {{from[0], from[1], from[2], 7}};
        Rotate(t, axis, angle);
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(t.rows[0][i], to[i], 1e-6) << axis;
        EXPECT_EQ(t.rows[0][3], 7.0f);
    }
}

class OrientationTest : public ::testing::Test {
protected:
    void SetUp() override {
        setFields(t.s, 221, kCubic4);
        generateReflections(t.s);
    }
    void apply(const std::string& text) {
        t.s.fields.orientation = text;
        applyOrientationText(t.s, false);
    }
    TestSession t;
};

// The text is three blank-separated numbers or else exactly three characters, one digit each (a
// lone minus sign reads as 0). Only the direction matters; the null vector gives the view of a*
// without a message; any other text changes nothing.
TEST_F(OrientationTest, EachVectorEndsOnTheViewAxis) {
    expectAlongViewAxis(viewVector(t.s, 0, 0, 1)); // generation applies the "0 0 1" field
    const std::pair<const char*, std::array<int, 3>> cases[] = {
        {"0 1 0", {0, 1, 0}},   {"0 -1 0", {0, -1, 0}},   {"1 1 1", {1, 1, 1}},
        {"1 0 -1", {1, 0, -1}}, {"-1 2 -2", {-1, 2, -2}}, {"101", {1, 0, 1}},
        {"1-1", {1, 0, 1}},     {" 1 0 0 ", {1, 0, 0}}};
    for (const auto& [text, hkl] : cases) {
        apply(text);
        expectAlongViewAxis(viewVector(t.s, hkl[0], hkl[1], hkl[2]));
    }
    const auto rows = t.s.points.rows;
    for (const char* same : {"2 0 0", "0 0 0", "a b c"}) {
        apply(same);
        EXPECT_EQ(t.s.points.rows, rows) << same;
    }
    EXPECT_TRUE(t.notifier.events.empty());
    const int redraws = t.redraws;
    for (const char* invalid : {"10 1", "1 0 0 1", ""}) {
        apply(invalid);
        EXPECT_EQ(t.s.fields.orientation, "invalid");
    }
    EXPECT_EQ(t.s.points.rows, rows);
    EXPECT_EQ(t.redraws, redraws);
}

// Arrow keys turn by 5 degrees and sort the rows along the viewing axis; applying the orientation
// again starts from the unrotated vectors and gives exactly the first picture.
TEST_F(OrientationTest, TurnsAndApplyingAgain) {
    const auto first = t.s.points.rows;
    const Vec3f before = viewVector(t.s, 1, 0, 0);
    for (int i = 0; i < 4; ++i) turnByArrowKey(t.s, ArrowKey::Right);
    const Vec3f after = viewVector(t.s, 1, 0, 0);
    const double turned = std::atan2(after[1], after[0]) - std::atan2(before[1], before[0]);
    EXPECT_NEAR(std::fabs(turned) / kDegToRad, 20.0, 1e-3);
    for (std::size_t i = 1; i < t.s.points.rows.size(); ++i)
        EXPECT_GE(t.s.points.rows[i - 1][0], t.s.points.rows[i][0]);
    turnByArrowKey(t.s, ArrowKey::Up);
    Do_Rotate(t.s, 1, 33.0f);
    apply("0 0 1");
    EXPECT_EQ(t.s.points.rows, first);
}

TEST_F(OrientationTest, Presets) {
    applyPresetOrientation(t.s, 5);
    EXPECT_EQ(t.s.fields.orientationType, 1);
    expectAlongViewAxis(viewVector(t.s, 1, 0, 0));
    applyPresetOrientation(t.s, 3);
    EXPECT_EQ(t.s.fields.orientationType, 0);
    expectAlongViewAxis(viewVector(t.s, 1, 1, 1));
    const auto rows = t.s.points.rows;
    applyPresetOrientation(t.s, 4); // the separator
    EXPECT_EQ(t.s.points.rows, rows);
}

TEST(Orientation, DirectVectorsOfAMonoclinicCellAndNoTurnsWithoutReflections) {
    TestSession t;
    // With a = 5, c = 10 and beta = 120 the direct axis a = 25 a* - 25 c* is parallel to the
    // normal of (1 0 -1), not to that of (1 0 0).
    setFields(t.s, 1, {"5", "6", "10", "90", "120", "90"});
    generateReflections(t.s);
    t.s.fields.orientation = "1 0 0";
    applyOrientationText(t.s, true);
    expectAlongViewAxis(viewVector(t.s, 1, 0, -1));
    applyOrientationText(t.s, false);
    expectAlongViewAxis(viewVector(t.s, 1, 0, 0));
    readDocument(t.s); // no reflections any more: arrow keys do nothing
    const int redraws = t.redraws;
    turnByArrowKey(t.s, ArrowKey::Left);
    EXPECT_EQ(t.redraws, redraws);
}

} // namespace
} // namespace tavrel
