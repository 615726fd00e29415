#include "orientation/euler_angles.h"

#include "orientation/direction_names.h"
#include "orientation/orientation_fit.h"
#include "orientation/rotation.h"
#include "render/cone_tracer.h"
#include "session/generation.h"
#include "support/orientation_cells.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace tavrel {
namespace {

using test::matricesOf;

// The 24 rotations of the cube are the signed permutation matrices of determinant +1: each has
// its own angles, multiples of 90 degrees that rebuild it.
TEST(EulerAngles, OfTheTwentyFourCubicRotations) {
    std::set<std::string> texts;
    std::array<std::size_t, 3> permutation{0, 1, 2};
    do {
        for (int signs = 0; signs < 8; ++signs) {
            Mat3d s{};
            for (std::size_t i = 0; i < 3; ++i)
                s[i][permutation[i]] = (signs >> i & 1) != 0 ? -1 : 1;
            if (determinant(s) < 0) continue;
            const EulerAngles e = eulerAnglesFromMatrix(s);
            for (double angle : {e.phi1, e.phi, e.phi2})
                EXPECT_NEAR(std::remainder(angle, 90.0), 0.0, 1e-9) << angle;
            EXPECT_LT(maxDifference(eulerMatrix(e), s), 1e-12);
            texts.insert(eulerAnglesText(e));
        }
    } while (std::next_permutation(permutation.begin(), permutation.end()));
    EXPECT_EQ(texts.size(), 24u);
}

// Reported angles lie in their ranges after rounding; Phi = -20 is the same rotation as
// (phi1 + 180, 20, phi2 + 180); texts are read with "." or a decimal comma.
TEST(EulerAngles, ReportedTextsAndTypedTexts) {
    const std::pair<EulerAngles, const char*> reported[] = {
        {{359.9996, 10, 20}, "0.000 10.000 20.000"}, {{-0.0001, 10, -0.0004}, "0.000 10.000 0.000"},
        {{30, 0.0002, 40}, "70.000 0.000 0.000"},    {{30, 179.9999, 40}, "350.000 180.000 0.000"},
        {{10, -20, 30}, "190.000 20.000 210.000"},   {{725.5, 45, -90}, "5.500 45.000 270.000"}};
    for (const auto& [angles, text] : reported) EXPECT_EQ(eulerAnglesText(angles), text) << text;

    for (const char* text : {" 12,5\t30 -0.5 ", "12.5, +30, -5e-1"}) {
        const Result<EulerAngles> r = parseEulerAnglesText(text);
        ASSERT_TRUE(r) << text << r.problem();
        EXPECT_EQ(std::tuple(r->phi1, r->phi, r->phi2), std::tuple(12.5, 30.0, -0.5));
    }
    for (const char* bad : {"10 20", "10 20 x", "1e6 0 0", "nan 0 0", "10 20 30 40", "12,5,30"})
        EXPECT_FALSE(parseEulerAnglesText(bad).problem().empty()) << bad;
}

// Published ideal texture components of cubic metals, {hkl} along Z (ND) and <uvw> along X
// (RD), e.g. Brass (35.26, 45, 0) = (0 1 1)[2 -1 1], S (58.98, 36.70, 63.43) = (2 1 3)[-3 -6 4].
TEST(EulerAngles, PublishedTextureComponentsOfACubicCrystal) {
    const LatticeMatrices cubic = matricesOf(test::kCubicCell);
    const std::tuple<EulerAngles, const char*, const char*> components[] = {
        {{0, 0, 0}, "(0 0 1)", "[1 0 0]"},
        {{0, 45, 0}, "(0 1 1)", "[1 0 0]"},
        {{35.26, 45, 0}, "(0 1 1)", "[2 -1 1]"},
        {{90, 35.26, 45}, "(1 1 2)", "[-1 -1 1]"},
        {{58.98, 36.70, 63.43}, "(2 1 3)", "[-3 -6 4]"}};
    for (const auto& [angles, normal, direction] : components) {
        const auto names = sampleFrameNames(orientationFromEulerAngles(angles, cubic), cubic);
        ASSERT_TRUE(names);
        EXPECT_EQ(directionNameText(names->z.plane), normal);
        EXPECT_EQ(directionNameText(names->x.direction), direction);
    }
    const auto cube = *sampleFrameNames(orientationFromEulerAngles({}, cubic), cubic);
    EXPECT_EQ(directionNameText(cube.y.direction), "[0 1 0]");

    // In cells without three right angles the crystal frame has x along a and z along c*.
    for (const UnitCell& cell :
         {test::kMagnesiumCell, test::kMonoclinicCell, test::kTriclinicCell}) {
        const LatticeMatrices matrices = matricesOf(cell);
        const auto names = *sampleFrameNames(orientationFromEulerAngles({}, matrices), matrices);
        EXPECT_EQ(directionNameText(names.x.direction), "[1 0 0]");
        EXPECT_EQ(directionNameText(names.z.plane), "(0 0 1)");
        EXPECT_LT(std::max(names.x.direction.angleDegrees, names.z.plane.angleDegrees), 1e-4);
    }
}

// Independently of the frames' matrices, on the drawn picture: with Euler angles (0, 0, 0) the
// line of (1 0 0) lies right of the centre and the line of (0 1 0) above it.
TEST(EulerAngles, SampleFrameIsTheConePicturesRightAndUp) {
    const LatticeMatrices cubic = matricesOf(test::kCubicCell);
    ReflectionList reflections;
    reflections.append(1, 0, 0, 4, {0.25f, 0, 0});
    reflections.append(0, 1, 0, 4, {0, 0.25f, 0});
    PointTable points;
    orientPoints(toMat3f(orientationFromEulerAngles({}, cubic)), reflections, points);
    for (bool stereographic : {false, true}) {
        TraceSettings s{.wavelength = {1.5418f, 0}, .patternScale = 200, .stereoRadius = 300};
        s.stereographic = stereographic;
        s.cx = s.cy = 400;
        s.width = s.height = 800;
        for (const RotatedPoint& p : points.rows) {
            TracedCone cone;
            ConeTracer(s, reflections).sample({p.x, p.y, p.z, 4.0f}, 360, false, cone);
            ASSERT_FALSE(cone.first.empty());
            for (const Point& q : cone.first.points)
                EXPECT_TRUE(p.reflection == 0 ? q.x > 400 : q.y < 400);
        }
    }
}

// Euler angles -> M -> 4-byte points -> turned by the arrow keys' rotations, with M kept in step
// -> fitted M -> Euler angles, within 0.001 degree, for cells of low symmetry.
TEST(EulerAngles, RoundTripThroughTurnedPointTables) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> azimuth(0, 360), tilt(5, 175);
    for (const UnitCell& cell :
         {test::kTriclinicCell, test::kMonoclinicCell, test::kMagnesiumCell}) {
        const LatticeMatrices matrices = matricesOf(cell);
        const ReflectionList reflections = test::reflectionsOf(matrices, 2);
        for (int trial = 0; trial < 20; ++trial) {
            const EulerAngles e{azimuth(random), tilt(random), azimuth(random)};
            Mat3d m = orientationFromEulerAngles(e, matrices);
            PointTable points;
            orientPoints(toMat3f(m), reflections, points);
            const auto fitted = fitOrientation(points, reflections);
            ASSERT_TRUE(fitted);
            const EulerAngles back = eulerAnglesOfOrientation(*fitted, matrices);
            for (auto [a, b] :
                 {std::pair(e.phi1, back.phi1), {e.phi, back.phi}, {e.phi2, back.phi2}})
                EXPECT_NEAR(std::remainder(a - b, 360.0), 0.0, 1e-3);

            for (const auto& [axis, degrees] : {std::pair(ViewAxis::Vertical, 5.0f),
                                                {ViewAxis::Horizontal, -5.0f},
                                                {ViewAxis::Viewing, 33.3f}}) {
                rotatePoints(points, axis, degrees);
                m = viewAxisRotation(axis, degrees) * m;
            }
            sortAlongViewingAxis(points);
            EXPECT_LT(maxDifference(*fitOrientation(points, reflections), m), 1e-6);
        }
    }
}

// Mirrored points, points of the (h k 0) only and a table without reflections give no M.
TEST(EulerAngles, FitRefusesMirroredFlatOrEmptyTables) {
    const ReflectionList all = test::reflectionsOf(matricesOf(test::kCubicCell), 1);
    PointTable mirrored, flat;
    orientPoints({{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, all, mirrored);
    orientPoints({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, all, flat);
    std::erase_if(flat.rows, [](const RotatedPoint& p) { return p.z != 0; });
    EXPECT_FALSE(fitOrientation(mirrored, all));
    EXPECT_FALSE(fitOrientation(flat, all));
    EXPECT_FALSE(fitOrientation(flat, ReflectionList{}));
}

// A typed orientation puts the typed direction or plane normal along Z: the simulation's points
// fit the M of orientationAlongViewingAxis, whose Z is named by the typed indices.
TEST(EulerAngles, TypedOrientationPutsItsIndicesAlongZ) {
    const std::tuple<OrientationType, const char*, const char*> typed[] = {
        {OrientationType::Direct, "1 -2 3", "[1 -2 3]"},
        {OrientationType::Reciprocal, "1 0 1", "(1 0 1)"}};
    for (const auto& [type, text, name] : typed) {
        test::TestSimulation t;
        test::setFields(t.sim, 2, {"5.1", "6.3", "7.4", "81.2", "102.5", "97.3"});
        t.sim.fields.orientation = text;
        t.sim.fields.orientationType = type;
        ASSERT_TRUE(t.generate());
        const bool direct = type == OrientationType::Direct;
        Vec3f cartesian = *parseOrientationText(text);
        toCartesian(t.sim.document.matrices, cartesian, direct);
        const Mat3d m = orientationAlongViewingAxis(cartesian);
        EXPECT_LT(maxDifference(*fitOrientation(t.sim.points, t.sim.reflections), m), 1e-6);
        const auto z = sampleFrameNames(m, t.sim.document.matrices)->z;
        EXPECT_EQ(directionNameText(direct ? z.direction : z.plane), name);
        EXPECT_LT((direct ? z.direction : z.plane).angleDegrees, 1e-4);
    }
}

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
