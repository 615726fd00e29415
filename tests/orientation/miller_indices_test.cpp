#include "orientation/miller_indices.h"

#include "support/orientation_cells.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

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
