#include "common/numeric.h"
#include "fit/film_mapping.h"
#include "fit/rotation_math.h"
#include "fit/synthetic_pattern.h"
#include "render/cone_tracer.h"
#include "session/document_reading.h"
#include "session/generation.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel::fit {
namespace {

// The image lies exactly under the drawn lines: every point the renderer's cone tracer draws
// of a cone, taken through the image's place in the picture to an image pixel and through the
// film mapping to a view direction, lies on that cone (r . n = sin theta), for a centred and
// for an off-centre pattern centre. The image's top left corner sees +y and -z, since the
// picture shows +y to the left and +z downwards.
TEST(FilmMapping, ImagePixelsSeeTheDirectionsTheRendererDrawsThere) {
    // A cone of half-opening 25.8 degrees about an axis off the viewing axis: the whole
    // ellipse lies in the picture.
    const Vec3d axis = normalized({0.9, 0.3, -0.25});
    const float lambda = 1.8f, d = 1.0f; // sin theta = 0.9
    TraceSettings s{.wavelength = {lambda, 0}, .patternScale = 300};
    s.width = s.height = 800;
    s.cx = s.cy = 400;
    const ReflectionList one = [] {
        ReflectionList r;
        r.append(1, 1, 1, 1, {0, 0, 0});
        return r;
    }();
    TracedCone cone;
    ConeTracer(s, one).sample(
        {static_cast<float>(axis[0]), static_cast<float>(axis[1]), static_cast<float>(axis[2]), d},
        360, false, cone);
    ASSERT_GT(cone.first.points.size(), 100u);

    for (const PatternCentre centre : {PatternCentre{0.5, 0.5}, PatternCentre{0.3, 0.65}}) {
        const Detector detector{40, 30, 20, centre};
        const int w = 200, h = 150;
        const FilmMapping mapping(detector, w, h);
        const PictureRect rect = imagePlacement(detector, s.cx, s.cy, s.patternScale);
        for (const Point& p : cone.first.points) {
            const double x = (p.x - rect.left) * w / rect.width;
            const double y = (p.y - rect.top) * h / rect.height;
            const Vec3d r = mapping.directionAt(x, y);
            // Drawn points are whole picture units: half a unit is 1/600 of the gnomonic plane.
            EXPECT_NEAR(dot(r, axis), 0.9, 2e-3) << p.x << " " << p.y;
            const auto back = mapping.pixelOf(r);
            ASSERT_TRUE(back);
            EXPECT_NEAR((*back)[0], x, 1e-9);
            EXPECT_NEAR((*back)[1], y, 1e-9);
        }
        const Vec3d corner = mapping.directionAt(0, 0);
        EXPECT_NEAR(corner[1] / corner[0], centre.x * 40 / 20, 1e-12);
        EXPECT_NEAR(corner[2] / corner[0], -centre.y * 30 / 20, 1e-12);
    }
    // With the centre in the middle the image fills the drawn film outline.
    const PictureRect rect = imagePlacement({40, 30, 20, {}}, 400, 400, 300);
    EXPECT_DOUBLE_EQ(rect.left, 400 - 40 / 2.0 / 20 * 300);
    EXPECT_DOUBLE_EQ(rect.height, 30.0 / 20 * 300);
}

// The symmetry that indexing identifies orientations by: the proper rotations of the Laue
// class, as many as the point group's order (halved for a centric group), each carrying the
// crystal's reflection vectors onto reflection vectors of the list.
TEST(CrystalRotations, LaueClassRotationsMapTheReflectionsOntoThemselves) {
    const std::tuple<int, std::array<std::string, 6>, std::size_t> cases[] = {
        {225, {"4.05", "", "", "", "", ""}, 24},                // m-3m
        {216, {"5.43", "", "", "", "", ""}, 24},                // -43m: Laue class m-3m
        {194, {"3.21", "", "5.21", "", "", ""}, 12},            // 6/mmm
        {167, {"4.99", "4.99", "17.06", "90", "90", "120"}, 6}, // -3m, hexagonal axes
        {14, {"5.15", "5.21", "5.31", "90", "99.2", "90"}, 2},
        {1, {"5", "6", "7", "80", "85", "95"}, 1}};
    for (const auto& [group, cell, count] : cases) {
        tavrel::test::TestSimulation t;
        // Limits wide enough that the d range alone bounds the list in the hk plane.
        tavrel::test::setFields(t.sim, group, cell, "1.5418", "0", "1.0", "20", "9");
        ASSERT_TRUE(t.generate());
        const ReflectionList& r = t.sim.reflections;
        const auto rotations = crystalRotations(t.sim.group.operations(), t.sim.document.matrices);
        EXPECT_EQ(rotations.size(), count) << group;
        for (const Mat3d& s : rotations) {
            EXPECT_LT(rotationAngle(s * transpose(s)), 1e-5) << group;
            for (std::size_t i = 0; i < r.d.size(); ++i) {
                const Vec3d g = s * Vec3d{r.gx[i], r.gy[i], r.gz[i]};
                double nearest = 1e9;
                for (std::size_t j = 0; j < r.d.size(); ++j)
                    nearest =
                        std::min(nearest, norm({g[0] - r.gx[j], g[1] - r.gy[j], g[2] - r.gz[j]}));
                EXPECT_LT(nearest, 1e-4) << group << " reflection " << i;
            }
        }
    }
}

// Orientations equal up to symmetry are one; no two cubic orientations lie farther apart than
// 62.8 degrees, no two hexagonal ones farther than 93.8 (the largest disorientations of the
// two Laue classes).
TEST(Misorientation, EquivalentOrientationsAreOneAndTheLargestAnglesAreTheKnownOnes) {
    const auto rotationsOf = [](int group, std::array<std::string, 6> cell) {
        tavrel::test::TestSimulation t;
        tavrel::test::setFields(t.sim, group, cell);
        const DocumentReading reading = readDocument(t.sim.fields, t.sim.document);
        return crystalRotations(reading.group.operations(), reading.document.matrices);
    };
    const auto cubic = rotationsOf(225, {"4", "", "", "", "", ""});
    const auto hexagonal = rotationsOf(194, {"3.2", "", "5.2", "", "", ""});
    const Mat3d m = randomOrientation(5);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 2}), cubic), 0, 1e-4);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 3}), hexagonal), 0,
                1e-4);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 4}), cubic), 45, 1e-4);
    double cubicLargest = 0, hexagonalLargest = 0;
    for (std::uint32_t seed = 1; seed < 400; ++seed) {
        const Mat3d a = randomOrientation(seed), b = randomOrientation(seed + 1000);
        cubicLargest = std::max(cubicLargest, misorientationDegrees(a, b, cubic));
        hexagonalLargest = std::max(hexagonalLargest, misorientationDegrees(a, b, hexagonal));
    }
    EXPECT_LE(cubicLargest, 62.81);
    EXPECT_GT(cubicLargest, 55);
    EXPECT_LE(hexagonalLargest, 93.85);
    EXPECT_GT(hexagonalLargest, 80);
}

// The least-squares rotation between paired directions is the rotation that made them.
TEST(BestRotation, RecoversTheRotationBetweenPairedDirections) {
    const Mat3d truth = randomOrientation(11);
    const std::vector<Vec3d> from{normalized({1, 2, 3}), normalized({-2, 0.5, 1}),
                                  normalized({0.3, -1, 0.2})};
    std::vector<Vec3d> to;
    for (const Vec3d& v : from) to.push_back(truth * v);
    EXPECT_LT(rotationAngle(bestRotation(from, to) * transpose(truth)), 1e-9);
    // Two directions suffice.
    EXPECT_LT(rotationAngle(bestRotation(std::span(from).first(2), std::span(to).first(2)) *
                            transpose(truth)),
              1e-9);
}

} // namespace
} // namespace tavrel::fit
