#include "common/numeric.h"
#include "fit/rotation_math.h"
#include "session/document_reading.h"
#include "session/generation.h"
#include "support/synthetic_pattern.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel::fit {
namespace {

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

// Orientations equal up to a symmetry operation (in the lattice frame) are one.
TEST(Misorientation, EquivalentOrientationsAreOne) {
    const auto rotationsOf = [](int group, std::array<std::string, 6> cell) {
        tavrel::test::TestSimulation t;
        tavrel::test::setFields(t.sim, group, cell);
        const DocumentReading reading = readDocument(t.sim.fields, t.sim.document);
        return crystalRotations(reading.group.operations(), reading.document.matrices);
    };
    const auto cubic = rotationsOf(225, {"4", "", "", "", "", ""});
    const auto hexagonal = rotationsOf(194, {"3.2", "", "5.2", "", "", ""});
    const Mat3d m = test::randomOrientation(5);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 2}), cubic), 0, 1e-4);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 3}), hexagonal), 0,
                1e-4);
    EXPECT_NEAR(misorientationDegrees(m, m * rotationFromVector({0, 0, kPi / 4}), cubic), 45, 1e-4);
}

} // namespace
} // namespace tavrel::fit
