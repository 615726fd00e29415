#include "common/numeric.h"
#include "session/generation.h"
#include "session/orient.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavrel {
namespace {

using test::kCubic4;
using test::setFields;
using test::TestSimulation;

// The view-frame vector of the reflection (h k l), found through the point's reflection index.
Vec3f viewVector(const Simulation& s, int h, int k, int l) {
    for (const RotatedPoint& p : s.points.rows) {
        const auto i = static_cast<std::size_t>(p.reflection);
        if (s.reflections.h[i] == h && s.reflections.k[i] == k && s.reflections.l[i] == l)
            return {p.x, p.y, p.z};
    }
    ADD_FAILURE() << "no reflection " << h << " " << k << " " << l;
    return {};
}

void expectAlongViewAxis(const Vec3f& v) {
    EXPECT_GT(v[0], 0.0f);
    EXPECT_NEAR(v[1] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
    EXPECT_NEAR(v[2] / std::hypot(v[0], v[1], v[2]), 0.0, 1e-6);
}

long turns(const TestSimulation& t) {
    return std::count(t.changes.begin(), t.changes.end(), SimulationChange::Turned);
}

class OrientationTest : public ::testing::Test {
protected:
    void SetUp() override {
        setFields(t.sim, 221, kCubic4);
        generateReflections(t.sim);
    }
    bool apply(const std::string& text) {
        t.sim.fields.orientation = text;
        return applyOrientationText(t.sim, false);
    }
    TestSimulation t;
};

// The text is three blank-separated numbers or else exactly three characters, one digit each (a
// lone minus sign reads as 0). Only the direction matters; the null vector gives the view of a*
// without a message; any other text changes nothing.
TEST_F(OrientationTest, EachVectorEndsOnTheViewAxis) {
    expectAlongViewAxis(viewVector(t.sim, 0, 0, 1)); // generation applies the "0 0 1" field
    const std::pair<const char*, std::array<int, 3>> cases[] = {
        {"0 1 0", {0, 1, 0}},   {"0 -1 0", {0, -1, 0}},   {"1 1 1", {1, 1, 1}},
        {"1 0 -1", {1, 0, -1}}, {"-1 2 -2", {-1, 2, -2}}, {"101", {1, 0, 1}},
        {"1-1", {1, 0, 1}},     {" 1 0 0 ", {1, 0, 0}}};
    for (const auto& [text, hkl] : cases) {
        apply(text);
        expectAlongViewAxis(viewVector(t.sim, hkl[0], hkl[1], hkl[2]));
    }
    const auto rows = t.sim.points.rows;
    for (const char* same : {"2 0 0", "0 0 0", "a b c"}) {
        apply(same);
        EXPECT_EQ(t.sim.points.rows, rows) << same;
    }
    EXPECT_TRUE(t.notifier.events.empty());
    const long turned = turns(t);
    // Numbers that overflow a 4-byte float, as typed or once carried into the Cartesian frame,
    // are as invalid as text that is no vector.
    for (const char* invalid : {"10 1", "1 0 0 1", "", "1e300 0 0", "1 1e39 1"}) {
        EXPECT_FALSE(apply(invalid)) << invalid;
        EXPECT_EQ(t.sim.fields.orientation, "invalid");
    }
    t.sim.fields.orientation = "3e38 3e38 3e38";
    EXPECT_FALSE(applyOrientationText(t.sim, true)); // 4 x 3e38 angstrom
    EXPECT_EQ(t.sim.fields.orientation, "invalid");
    EXPECT_EQ(t.sim.points.rows, rows);
    EXPECT_EQ(turns(t), turned);
}

// Arrow keys turn by 5 degrees and sort the rows along the viewing axis; applying the orientation
// again starts from the unrotated vectors and gives exactly the first picture.
TEST_F(OrientationTest, TurnsAndApplyingAgain) {
    const auto first = t.sim.points.rows;
    const Vec3f before = viewVector(t.sim, 1, 0, 0);
    for (int i = 0; i < 4; ++i) turnByArrowKey(t.sim, ArrowKey::Right);
    const Vec3f after = viewVector(t.sim, 1, 0, 0);
    const double turned = std::atan2(after[1], after[0]) - std::atan2(before[1], before[0]);
    EXPECT_NEAR(std::fabs(turned) / kDegToRad, 20.0, 1e-3);
    for (std::size_t i = 1; i < t.sim.points.rows.size(); ++i)
        EXPECT_GE(t.sim.points.rows[i - 1].x, t.sim.points.rows[i].x);
    turnByArrowKey(t.sim, ArrowKey::Up);
    rotateAboutViewAxis(t.sim, ViewAxis::Viewing, 33.0f);
    apply("0 0 1");
    EXPECT_EQ(t.sim.points.rows, first);
}

TEST_F(OrientationTest, Presets) {
    applyPresetOrientation(t.sim, 5);
    EXPECT_EQ(t.sim.fields.orientationType, OrientationType::Direct);
    expectAlongViewAxis(viewVector(t.sim, 1, 0, 0));
    applyPresetOrientation(t.sim, 3);
    EXPECT_EQ(t.sim.fields.orientationType, OrientationType::Reciprocal);
    expectAlongViewAxis(viewVector(t.sim, 1, 1, 1));
    const auto rows = t.sim.points.rows;
    applyPresetOrientation(t.sim, 4); // the separator
    EXPECT_EQ(t.sim.points.rows, rows);
}

TEST(Orientation, DirectVectorsOfAMonoclinicCellAndNoTurnsWithoutReflections) {
    TestSimulation t;
    // With a = 5, c = 10 and beta = 120 the direct axis a = 25 a* - 25 c* is parallel to the
    // normal of (1 0 -1), not to that of (1 0 0).
    setFields(t.sim, 1, {"5", "6", "10", "90", "120", "90"});
    generateReflections(t.sim);
    t.sim.fields.orientation = "1 0 0";
    applyOrientationText(t.sim, true);
    expectAlongViewAxis(viewVector(t.sim, 1, 0, -1));
    applyOrientationText(t.sim, false);
    expectAlongViewAxis(viewVector(t.sim, 1, 0, 0));
    readDocument(t.sim); // no reflections any more: arrow keys do nothing
    const long turned = turns(t);
    turnByArrowKey(t.sim, ArrowKey::Left);
    EXPECT_EQ(turns(t), turned);
}

} // namespace
} // namespace tavrel
