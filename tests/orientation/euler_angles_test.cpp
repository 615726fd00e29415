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

// The 24 rotations of the cube are the signed permutation matrices of determinant +1. Each has
// angles in multiples of 90 degrees that rebuild it, and with Phi at 0 or 180 the whole turn in
// phi1; the quarter turn about z and the half turns about x and y by hand.
TEST(EulerAngles, OfTheTwentyFourCubicRotations) {
    EXPECT_EQ(eulerAnglesText(eulerAnglesFromMatrix(kIdentity3d)), "0.000 0.000 0.000");
    const std::pair<Mat3d, const char*> byHand[] = {
        {{{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, "90.000 0.000 0.000"},
        {{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, "0.000 180.000 0.000"},
        {{{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, "180.000 180.000 0.000"}};
    for (const auto& [g, text] : byHand) EXPECT_EQ(eulerAnglesText(eulerAnglesFromMatrix(g)), text);

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
            if (e.phi == 0 || e.phi == 180) {
                EXPECT_EQ(e.phi2, 0);
            }
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

    const std::pair<const char*, EulerAngles> typed[] = {{"10 20 30", {10, 20, 30}},
                                                         {" 12,5\t30 -0.5 ", {12.5, 30, -0.5}},
                                                         {"12.5, +30, 1e2", {12.5, 30, 100}}};
    for (const auto& [text, angles] : typed) {
        const Result<EulerAngles> r = parseEulerAnglesText(text);
        ASSERT_TRUE(r) << text << r.problem();
        EXPECT_EQ(std::tuple(r->phi1, r->phi, r->phi2),
                  std::tuple(angles.phi1, angles.phi, angles.phi2));
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
        if (&cell == &test::kMagnesiumCell) {
            EXPECT_EQ(directionNameText(names.y.direction), "[1 2 0]");
        }
    }
}

// Independently of the frames' matrices, on the drawn picture: with Euler angles (0, 0, 0) the
// line of (1 0 0) lies right of the centre and the line of (0 1 0) above it.
TEST(EulerAngles, SampleFrameIsTheConePicturesRightAndUp) {
    const LatticeMatrices cubic = matricesOf(test::kCubicCell);
    const Mat3f m = toMat3f(orientationFromEulerAngles({}, cubic));
    const ReflectionList reflections = test::reflectionsOf(cubic, 1);
    PointTable points;
    orientPoints(m, reflections, points);
    for (bool stereographic : {false, true}) {
        TraceSettings s{.wavelength = {1.5418f, 0}, .patternScale = 200, .stereoRadius = 300};
        s.stereographic = stereographic;
        s.cx = s.cy = 400;
        s.width = s.height = 800;
        for (const RotatedPoint& p : points.rows) {
            const auto i = static_cast<std::size_t>(p.reflection);
            const bool right =
                reflections.h[i] == 1 && reflections.k[i] == 0 && reflections.l[i] == 0;
            const bool up = reflections.h[i] == 0 && reflections.k[i] == 1 && reflections.l[i] == 0;
            if (!right && !up) continue;
            TracedCone cone;
            ConeTracer(s, reflections).sample({p.x, p.y, p.z, 4.0f}, 360, false, cone);
            ASSERT_FALSE(cone.first.empty());
            for (const Point& q : cone.first.points) EXPECT_TRUE(right ? q.x > 400 : q.y < 400);
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

// Points that span no 3-D space, mirrored points and a table without reflections give no M.
TEST(EulerAngles, FitRefusesFlatMirroredOrEmptyTables) {
    const LatticeMatrices cubic = matricesOf(test::kCubicCell);
    const ReflectionList all = test::reflectionsOf(cubic, 1);
    PointTable mirrored, flat;
    orientPoints(toMat3f({{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}), all, mirrored);
    orientPoints(Mat3f{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, all, flat);
    std::erase_if(flat.rows, [&](const RotatedPoint& p) {
        return all.l[static_cast<std::size_t>(p.reflection)] != 0; // the (h k 0) only
    });
    EXPECT_FALSE(fitOrientation(mirrored, all));
    EXPECT_FALSE(fitOrientation(flat, all));
    EXPECT_FALSE(fitOrientation(flat, ReflectionList{}));
}

// A typed orientation puts the typed direction or plane normal along Z, as the simulation makes
// its points, for cells of every shape.
TEST(EulerAngles, TypedOrientationPutsItsIndicesAlongZ) {
    const std::tuple<UnitCell, Vec3f, IndexKind, const char*> typed[] = {
        {test::kCubicCell, {1, 1, 0}, IndexKind::Direction, "[1 1 0]"},
        {test::kMagnesiumCell, {1, 0, 1}, IndexKind::Plane, "(1 0 1)"},
        {test::kMagnesiumCell, {2, 1, 0}, IndexKind::Direction, "[2 1 0]"},
        {test::kTriclinicCell, {1, -2, 3}, IndexKind::Plane, "(1 -2 3)"},
        {test::kTriclinicCell, {0, 0, 1}, IndexKind::Direction, "[0 0 1]"}};
    for (const auto& [cell, indices, kind, text] : typed) {
        const LatticeMatrices matrices = matricesOf(cell);
        Vec3f cartesian = indices;
        toCartesian(matrices, cartesian, kind == IndexKind::Direction);
        const auto names = sampleFrameNames(orientationAlongViewingAxis(cartesian), matrices);
        const DirectionName& z = kind == IndexKind::Direction ? names->z.direction : names->z.plane;
        EXPECT_EQ(directionNameText(z), text);
        EXPECT_LT(z.angleDegrees, 1e-4) << text;
    }

    test::TestSimulation t;
    test::setFields(t.sim, 2, {"5.1", "6.3", "7.4", "81.2", "102.5", "97.3"});
    t.sim.fields.orientation = "1 -2 3";
    t.sim.fields.orientationType = OrientationType::Direct;
    generateReflections(t.sim);
    Vec3f cartesian{1, -2, 3};
    toCartesian(t.sim.document.matrices, cartesian, true);
    EXPECT_LT(maxDifference(*fitOrientation(t.sim.points, t.sim.reflections),
                            orientationAlongViewingAxis(cartesian)),
              1e-6);
}

} // namespace
} // namespace tavrel
