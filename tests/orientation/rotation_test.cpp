#include "orientation/rotation.h"
#include "session/orient.h"
#include "session/simulation.h"
#include "session/test_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

using test::setFields;
using test::TestSession;

// The view-frame vector of the reflection (h k l), found through column 3.
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
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    EXPECT_GT(v[0], 0.0f);
    EXPECT_NEAR(v[1] / len, 0.0, 1e-6);
    EXPECT_NEAR(v[2] / len, 0.0, 1e-6);
}

TEST(OrientationMatrix, CarriesEveryDirectionOntoZ) {
    for (const Vec3f& v : {Vec3f{1, 0, 0}, Vec3f{-1, 0, 0}, Vec3f{0, 1, 0}, Vec3f{0, -1, 0},
                           Vec3f{1, 1, 1}, Vec3f{1, 0, -1}, Vec3f{0, 0, -1}, Vec3f{-2, 3, -5}}) {
        const Mat3f m = orientationMatrix(v);
        const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (std::size_t r = 0; r < 3; ++r) {
            const double c = (m[r][0] * v[0] + m[r][1] * v[1] + m[r][2] * v[2]) / len;
            EXPECT_NEAR(c, r == 2 ? 1.0 : 0.0, 1e-6) << v[0] << " " << v[1] << " " << v[2];
        }
    }
}

TEST(Rotate, TurnsAboutTheViewAxes) {
    auto turned = [](int axis, float angle, Vec3f v) {
        PointTable t;
        t.rows = {{v[0], v[1], v[2], 7}};
        Rotate(t, axis, angle);
        EXPECT_EQ(t.rows[0][3], 7.0f);
        return Vec3f{t.rows[0][0], t.rows[0][1], t.rows[0][2]};
    };
    auto near = [](const Vec3f& a, const Vec3f& b) {
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-6);
    };
    near(turned(2, -90, {0, 0, 1}), {1, 0, 0});
    near(turned(3, 90, {1, 0, 0}), {0, -1, 0});
    near(turned(1, 90, {0, 1, 0}), {0, 0, 1});
    near(turned(4, 90, {0, 1, 0}), {0, 1, 0});
}

TEST(ParseOrientationText, TokensOrThreeCharacters) {
    EXPECT_EQ(parseOrientationText(" 1 -1 2 "), (Vec3f{1, -1, 2}));
    EXPECT_EQ(parseOrientationText("001"), (Vec3f{0, 0, 1}));
    EXPECT_EQ(parseOrientationText("1-1"), (Vec3f{1, 0, 1}));
    EXPECT_EQ(parseOrientationText("a b c"), (Vec3f{0, 0, 0}));
    EXPECT_FALSE(parseOrientationText("10 1"));
    EXPECT_FALSE(parseOrientationText("1 0 0 1"));
    EXPECT_FALSE(parseOrientationText(""));
}

class OrientationTest : public ::testing::Test {
protected:
    void SetUp() override {
        setFields(t.s, 221, {"4", "", "", "", "", ""});
        generateReflections(t.s);
    }
    void apply(const std::string& text, int type = 0) {
        t.s.fields.orientation = text;
        applyOrientationText(t.s, type == 1);
    }
    TestSession t;
};

TEST_F(OrientationTest, GenerationShowsTheOrientationVectorAlongTheViewAxis) {
    expectAlongViewAxis(viewVector(t.s, 0, 0, 1));
}

TEST_F(OrientationTest, EachVectorEndsOnTheViewAxis) {
    for (const auto& [text, hkl] :
         std::vector<std::pair<std::string, std::array<int, 3>>>{{"1 0 0", {1, 0, 0}},
                                                                 {"0 1 0", {0, 1, 0}},
                                                                 {"1 1 1", {1, 1, 1}},
                                                                 {"1 0 -1", {1, 0, -1}},
                                                                 {"101", {1, 0, 1}}}) {
        apply(text);
        expectAlongViewAxis(viewVector(t.s, hkl[0], hkl[1], hkl[2]));
    }
}

TEST_F(OrientationTest, OnlyTheDirectionMatters) {
    apply("1 0 0");
    const auto once = t.s.points.rows;
    apply("2 0 0");
    EXPECT_EQ(t.s.points.rows, once);
    // The null vector gives the view of a*, without a message.
    apply("0 0 0");
    EXPECT_EQ(t.s.points.rows, once);
    EXPECT_TRUE(t.notifier.events.empty());
}

TEST_F(OrientationTest, InvalidTextChangesNothing) {
    apply("1 1 0");
    const auto before = t.s.points.rows;
    const int redraws = t.redraws;
    apply("10 1");
    EXPECT_EQ(t.s.fields.orientation, "invalid");
    EXPECT_EQ(t.s.points.rows, before);
    EXPECT_EQ(t.redraws, redraws);
}

TEST_F(OrientationTest, ApplyingAfterTurnsGivesTheSamePicture) {
    apply("1 1 1");
    const auto once = t.s.points.rows;
    turnByArrowKey(t.s, ArrowKey::Left);
    turnByArrowKey(t.s, ArrowKey::Up);
    Do_Rotate(t.s, 1, 33.0f);
    ASSERT_NE(t.s.points.rows, once);
    apply("1 1 1");
    EXPECT_EQ(t.s.points.rows, once);
}

TEST_F(OrientationTest, ArrowKeysTurnInFiveDegreeStepsAndSortTheRows) {
    apply("0 0 1");
    const Vec3f before = viewVector(t.s, 1, 0, 0);
    for (int i = 0; i < 4; ++i) turnByArrowKey(t.s, ArrowKey::Right);
    const Vec3f after = viewVector(t.s, 1, 0, 0);
    const double angle = std::atan2(after[1], after[0]) - std::atan2(before[1], before[0]);
    EXPECT_NEAR(std::fabs(angle) / kDegToRad, 20.0, 1e-3);
    for (std::size_t i = 1; i < t.s.points.rows.size(); ++i)
        EXPECT_GE(t.s.points.rows[i - 1][0], t.s.points.rows[i][0]);
    // Left then Right returns to the same vectors up to 4-byte rounding.
    turnByArrowKey(t.s, ArrowKey::Left);
    turnByArrowKey(t.s, ArrowKey::Right);
    const Vec3f back = viewVector(t.s, 1, 0, 0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(back[i], after[i], 1e-6);
}

TEST(Orientation, DirectVectorsOfAMonoclinicCell) {
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
}

TEST(Orientation, PresetsAndNothingBeforeReflections) {
    TestSession t;
    turnByArrowKey(t.s, ArrowKey::Left);
    EXPECT_EQ(t.redraws, 0);
    EXPECT_EQ(kPresetOrientations[3].caption, "d*  (111)");
    EXPECT_EQ(kPresetOrientations[8].caption, "d   [111]");

    setFields(t.s, 221, {"4", "", "", "", "", ""});
    generateReflections(t.s);
    applyPresetOrientation(t.s, 5);
    EXPECT_EQ(t.s.fields.orientationType, 1);
    EXPECT_EQ(t.s.fields.orientation, "1 0 0");
    expectAlongViewAxis(viewVector(t.s, 1, 0, 0));
    applyPresetOrientation(t.s, 3);
    EXPECT_EQ(t.s.fields.orientationType, 0);
    expectAlongViewAxis(viewVector(t.s, 1, 1, 1));
    const auto rows = t.s.points.rows;
    applyPresetOrientation(t.s, 4); // the separator
    EXPECT_EQ(t.s.points.rows, rows);
}

} // namespace
} // namespace tavrel
