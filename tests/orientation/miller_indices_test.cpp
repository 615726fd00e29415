#include "orientation/miller_indices.h"

#include "support/orientation_cells.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// Magnesium's (1 0 0), (1 1 0) and [1 0 0], and the textbook pairs [2 1 0] = [1 0 -1 0],
// [1 1 0] = [1 1 -2 0], [0 0 1] = [0 0 0 1].
TEST(MillerBravais, FourIndexTexts) {
    const std::tuple<IndexTriple, IndexKind, const char*> cases[] = {
        {{1, 0, 0}, IndexKind::Plane, "(1 0 -1 0)"},
        {{1, 1, 0}, IndexKind::Plane, "(1 1 -2 0)"},
        {{1, 0, 0}, IndexKind::Direction, "[2 -1 -1 0]"},
        {{2, 1, 0}, IndexKind::Direction, "[1 0 -1 0]"},
        {{1, 1, 0}, IndexKind::Direction, "[1 1 -2 0]"},
        {{0, 0, 1}, IndexKind::Direction, "[0 0 0 1]"},
        {{2, 0, 0}, IndexKind::Plane, "(2 0 -2 0)"}};
    for (const auto& [indices, kind, text] : cases) EXPECT_EQ(fourIndexText(indices, kind), text);
}

// U a1 + V a2 + T a3 + W c with a3 = -(a1 + a2) is the direction u a + v b + w c.
TEST(MillerBravais, FourIndexDirectionsPointAlongTheirThreeIndexOnes) {
    const LatticeMatrices mg = test::matricesOf(test::kMagnesiumCell);
    const Mat3d lattice = toMat3d(mg.lattice);
    const Vec3d a1 = lattice * Vec3d{1, 0, 0}, a2 = lattice * Vec3d{0, 1, 0};
    const Vec3d a3 = -1.0 * (a1 + a2), c = lattice * Vec3d{0, 0, 1};
    for (int u = -3; u <= 3; ++u)
        for (int v = -3; v <= 3; ++v)
            for (int w = -3; w <= 3; ++w) {
                if (u == 0 && v == 0 && w == 0) continue;
                const IndexQuad q = fourIndexDirection({u, v, w});
                const Vec3d four = q[0] * a1 + q[1] * a2 + q[2] * a3 + q[3] * c;
                EXPECT_LT(angleBetween(four, lattice * Vec3d{1.0 * u, 1.0 * v, 1.0 * w}), 1e-5);
                EXPECT_EQ(q[2], -(q[0] + q[1]));
            }
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

TEST(MillerBravais, HexagonalCells) {
    const std::pair<UnitCell, bool> cells[] = {
        {test::kMagnesiumCell, true},     {{{3.2094f, 3.21f, 5.2f, 90, 90, 120}}, false},
        {{{3, 3, 5, 90, 90, 90}}, false}, {{{3, 3, 5, 90.5f, 90, 120}}, false},
        {{{4, 4, 4, 80, 80, 80}}, false}, {{{3, 3, 5, 90, 90, 60}}, false}};
    for (const auto& [cell, hexagonal] : cells) EXPECT_EQ(isHexagonalCell(cell), hexagonal);
}

} // namespace
} // namespace tavrel
