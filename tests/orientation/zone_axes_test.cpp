#include "orientation/zone_axes.h"

#include "orientation/direction_names.h"
#include "orientation/euler_angles.h"
#include "orientation/holder_tilts.h"
#include "orientation/miller_indices.h"
#include "support/orientation_cells.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

using test::matricesOf;

const LatticeMatrices kCubic = matricesOf(test::kCubicCell);

// The lattice Cartesian vector of a direction [u v w].
Vec3d directionOf(const LatticeMatrices& m, const Vec3d& uvw) {
    return toMat3d(m.lattice) * uvw;
}
Vec3d directionOf(const LatticeMatrices& m, const IndexTriple& t) {
    return directionOf(m, Vec3d{1.0 * t[0], 1.0 * t[1], 1.0 * t[2]});
}

// An orientation whose viewing axis lies `degrees` from [u v w], turned towards `towards`.
Mat3d offAxis(const LatticeMatrices& m, const Vec3d& uvw, const Vec3d& towards, double degrees) {
    const Vec3d along = normalized(directionOf(m, uvw));
    const Vec3d pivot = normalized(cross(along, directionOf(m, towards)));
    const Vec3d view = axisRotation(pivot, degrees) * along;
    // Any rotation that carries `view` onto the viewing axis x.
    const Vec3d side = normalized(cross(view, pivot));
    return Mat3d{view, pivot, side};
}

// Within half a degree a direction is named by its indices, farther off by the nearest one with
// "~" and the angle; hexagonal cells may show four indices.
TEST(DirectionNames, TextsOfNearAndFarDirections) {
    const LatticeMatrices mg = matricesOf(test::kMagnesiumCell);
    const std::tuple<Mat3d, LatticeMatrices, bool, const char*, const char*> cases[] = {
        {offAxis(kCubic, {1, 1, 1}, {1, -1, 0}, 0.3), kCubic, false, "[1 1 1]", "(1 1 1)"},
        {offAxis(kCubic, {1, 1, 2}, {1, -1, 0}, 1.3), kCubic, false, "~[1 1 2] 1.3°",
         "~(1 1 2) 1.3°"},
        {offAxis(mg, {1, 0, 0}, {0, 0, 1}, 0), mg, true, "[2 -1 -1 0]", "(2 -1 -1 0)"}};
    for (const auto& [m, matrices, fourIndex, direction, plane] : cases) {
        const auto names = sampleFrameNames(m, matrices);
        ASSERT_TRUE(names);
        EXPECT_EQ(directionNameText(names->z.direction, fourIndex), direction);
        EXPECT_EQ(directionNameText(names->z.plane, fourIndex), plane);
    }
    EXPECT_FALSE(nameDirection({0, 0, 0}, kCubic, IndexKind::Plane));
}

// |u|, |v|, |w| <= 2 has 98 triples in lowest terms, 49 axes; each is the one towards the film
// or, perpendicular to the viewing axis, has its first index positive; nearest first.
TEST(ZoneAxes, ListedOncePerAxisTowardsTheFilm) {
    // A cubic cell without the 4-byte cosines of 90 degrees: [h k 0] is exactly perpendicular.
    const LatticeMatrices cubic{{{{4, 0, 0}, {0, 4, 0}, {0, 0, 4}}},
                                {{{0.25f, 0, 0}, {0, 0.25f, 0}, {0, 0, 0.25f}}}};
    const Mat3d m = orientationFromEulerAngles({}, cubic); // [0 0 1] along the viewing axis
    const auto axes = zoneAxes(m, cubic, 2);
    ASSERT_TRUE(axes);
    ASSERT_EQ(axes->size(), 49u);
    EXPECT_EQ(axes->front().indices, (IndexTriple{0, 0, 1}));
    int perpendicular = 0;
    for (std::size_t i = 0; i < axes->size(); ++i) {
        const ZoneAxis& a = (*axes)[i];
        const double towardsFilm = (m * directionOf(cubic, a.indices))[0];
        EXPECT_GE(towardsFilm, 0);
        EXPECT_EQ(a.inFront, towardsFilm > 0);
        if (!a.inFront) {
            EXPECT_GT(a.indices[a.indices[0] != 0 ? 0 : 1], 0);
            ++perpendicular;
        }
        EXPECT_GE(a.angleDegrees, (*axes)[i > 0 ? i - 1 : 0].angleDegrees);
    }
    EXPECT_EQ(perpendicular, 8); // [h k 0]: [1 0 0], [0 1 0], [1 +-1 0], [1 +-2 0], [2 +-1 0]
    for (int bound : {0, 7}) EXPECT_FALSE(zoneAxes(m, cubic, bound).problem().empty());
}

// Within 1 degree the lowest index wins over a nearer one ([4 5 5] 0.713 degree off over
// [5 6 6] 0.3 off, the two being 1.013 apart); beyond, the nearest; the turn puts it exactly on
// the viewing axis.
TEST(ZoneAxes, NearestZoneAxisTurnsOntoTheViewingAxis) {
    const std::tuple<Mat3d, int, IndexTriple, double> cases[] = {
        {offAxis(kCubic, {1, 1, 1}, {1, 0, 0}, 0.7), 6, {1, 1, 1}, 0.7},
        {offAxis(kCubic, {5, 6, 6}, {4, 5, 5}, 0.3), 6, {4, 5, 5}, 0.713},
        {offAxis(kCubic, {0, 0, 1}, {1, 0, 0}, 3), 6, {0, 0, 1}, 3}};
    for (const auto& [m, bound, indices, degrees] : cases) {
        const auto turn = nearestZoneAxis(m, kCubic, bound);
        ASSERT_TRUE(turn);
        EXPECT_EQ(turn->axis.indices, indices);
        EXPECT_NEAR(turn->axis.angleDegrees, degrees, 0.01);
        EXPECT_LT(angleBetween(turn->orientation * directionOf(kCubic, indices), {1, 0, 0}), 1e-9);
        EXPECT_NEAR(angleBetween(turn->rotation * Vec3d{1, 0, 0}, {1, 0, 0}), degrees, 0.01);
    }
}

// Worked by hand in the sample frame of Euler angles (0, 0, 0), where the crystal axes are X, Y
// and Z: a direction 20 degrees up needs alpha = 20, one 20 degrees right beta = -20; the last
// direction is Ry(-40) Rx(-30) Z. Applying the tilts puts the direction on the viewing axis.
TEST(HolderTilts, BringDirectionsOntoTheViewingAxis) {
    const Mat3d m = orientationFromEulerAngles({}, kCubic);
    const double t20 = std::tan(20 * 3.14159265358979 / 180);
    const std::tuple<Vec3d, double, double, bool> cases[] = {
        {{0, t20, 1}, 20, 0, false},
        {{t20, 0, 1}, 0, -20, false},
        {{-0.5566704, 0.5, 0.6634139}, 30, 40, false},
        {{0, -0.1, -1}, 5.71, 0, true}};
    for (const auto& [uvw, alpha, beta, opposite] : cases) {
        const auto tilts = holderTiltsOnto(m, kCubic, uvw);
        ASSERT_TRUE(tilts) << tilts.problem();
        EXPECT_NEAR(tilts->alpha, alpha, 0.01);
        EXPECT_NEAR(tilts->beta, beta, 0.01);
        EXPECT_EQ(tilts->opposite, opposite);
        const Vec3d along = applyHolderTilts(m, *tilts) * directionOf(kCubic, uvw);
        EXPECT_NEAR(angleBetween(along, {opposite ? -1.0 : 1.0, 0, 0}), 0, 1e-9);
    }
    EXPECT_FALSE(holderTiltsOnto(m, kCubic, {1, 1, 0}, {30, 30}).problem().empty());
    EXPECT_FALSE(holderTiltsOnto(m, kCubic, {0, 0, 0}).problem().empty());

    // Silicon typed along [0 0 1], as the orientation text sets it: onto [1 1 0].
    const LatticeMatrices si = matricesOf({{5.4309f, 5.4309f, 5.4309f, 90, 90, 90}});
    Vec3f c001{0, 0, 1};
    toCartesian(si, c001, true);
    const Mat3d typed = orientationAlongViewingAxis(c001);
    const auto tilts = holderTiltsOnto(typed, si, {1, 1, 0});
    ASSERT_TRUE(tilts);
    EXPECT_NEAR(std::max(std::fabs(tilts->alpha), std::fabs(tilts->beta)), 90, 1e-4);
    EXPECT_FALSE(tilts->opposite);
    EXPECT_LT(
        angleBetween(applyHolderTilts(typed, *tilts) * directionOf(si, Vec3d{1, 1, 0}), {1, 0, 0}),
        1e-6);
}

// Magnesium's (1 0 0), (1 1 0) and [1 0 0], and the textbook pairs [2 1 0] = [1 0 -1 0],
// [1 1 0] = [1 1 -2 0], [0 0 1] = [0 0 0 1]; only a = b, 90, 90, 120 is hexagonal.
TEST(MillerBravais, FourIndexTextsOfHexagonalCells) {
    const std::tuple<IndexTriple, IndexKind, const char*> cases[] = {
        {{1, 0, 0}, IndexKind::Plane, "(1 0 -1 0)"},
        {{1, 1, 0}, IndexKind::Plane, "(1 1 -2 0)"},
        {{1, 0, 0}, IndexKind::Direction, "[2 -1 -1 0]"},
        {{2, 1, 0}, IndexKind::Direction, "[1 0 -1 0]"},
        {{1, 1, 0}, IndexKind::Direction, "[1 1 -2 0]"},
        {{0, 0, 1}, IndexKind::Direction, "[0 0 0 1]"}};
    for (const auto& [indices, kind, text] : cases) EXPECT_EQ(fourIndexText(indices, kind), text);
    EXPECT_TRUE(isHexagonalCell(test::kMagnesiumCell));
    for (const UnitCell& cell :
         {UnitCell{{3.2094f, 3.21f, 5.2f, 90, 90, 120}}, UnitCell{{3, 3, 5, 90.5f, 90, 120}},
          UnitCell{{3, 3, 5, 90, 90, 60}}})
        EXPECT_FALSE(isHexagonalCell(cell));
}

TEST(MillerBravais, ParsingFourIndexTexts) {
    const std::tuple<const char*, IndexKind, Vec3d> good[] = {
        {"2 -1 -1 0", IndexKind::Direction, {1, 0, 0}},
        {"[1 1 -2 0]", IndexKind::Direction, {1, 1, 0}},
        {"2-1-10", IndexKind::Direction, {1, 0, 0}},
        {"10-10", IndexKind::Plane, {1, 0, 0}},
        {"(1 0 -1 1)", IndexKind::Plane, {1, 0, 1}},
        {"1.5 0 -1.5 2", IndexKind::Plane, {1.5, 0, 2}}};
    for (const auto& [text, kind, indices] : good) {
        const Result<Vec3d> r = parseFourIndexText(text, kind);
        ASSERT_TRUE(r) << text << r.problem();
        EXPECT_EQ(*r, indices) << text;
    }
    EXPECT_EQ(parseFourIndexText("(1 0 1 0)", IndexKind::Plane).problem(),
              "In \"(1 0 1 0)\" the third index must be -(h + k) = -1, not 1");
    for (const char* bad : {"1 2 3", "1 0 -1 0 0", "1 0 x -1", "1-0-1", ""})
        EXPECT_FALSE(parseFourIndexText(bad, IndexKind::Direction).problem().empty()) << bad;
}

} // namespace
} // namespace tavrel
