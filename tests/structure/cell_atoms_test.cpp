#include "structure/cell_atoms.h"

#include "structure_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

UnitCell cellOf(float a, float b, float c, float alpha, float beta, float gamma) {
    UnitCell cell;
    cell.values = {a, b, c, alpha, beta, gamma};
    return cell;
}

std::vector<SymOp> operationsOf(int group, bool hexagonalAxes = false) {
    SpaceGroupEngine engine;
    if (hexagonalAxes) engine.setCellValue(5, 120);
    engine.selectRow(engine.rowForGroup(group));
    return engine.symOps();
}

// Multiplicities of Wyckoff positions as International Tables Vol. A lists them, with
// coordinates as files round them and positions that lie on the cell's faces.
TEST(CellAtoms, EachPositionOnceWithTheMultiplicityOfItsWyckoffPosition) {
    struct Case {
        const char* what;
        int group;
        UnitCell cell;
        std::array<double, 3> position;
        std::size_t multiplicity;
    };
    const UnitCell cubic = cellOf(5.43f, 5.43f, 5.43f, 90, 90, 90);
    const UnitCell hexagonal = cellOf(3.21f, 3.21f, 5.21f, 90, 90, 120);
    const UnitCell monoclinic = cellOf(7.1f, 9.3f, 5.6f, 90, 104.5f, 90);
    const std::vector<Case> cases = {
        {"Fd-3m 8a", 227, cubic, {0, 0, 0}, 8},
        {"Fd-3m 16c", 227, cubic, {0.125, 0.125, 0.125}, 16},
        {"Fd-3m 32e", 227, cubic, {0.3, 0.3, 0.3}, 32},
        {"Fd-3m 192i", 227, cubic, {0.11, 0.23, 0.37}, 192},
        {"Fm-3m 4a just below 1", 225, cubic, {0.99999, 1e-6, -0.00001}, 4},
        {"Fm-3m 24d", 225, cubic, {0, 0.25, 0.25}, 24},
        {"Pm-3m 1a at the far corner", 221, cubic, {1, 1, 1}, 1},
        {"P63/mmc 2c rounded to 4 decimals", 194, hexagonal, {0.3333, 0.6667, 0.25}, 2},
        {"P63/mmc 2c", 194, hexagonal, {1.0 / 3, 2.0 / 3, 0.25}, 2},
        {"P63/mmc 12k", 194, hexagonal, {0.17, 0.34, 0.06}, 12},
        {"P21/c 2d", 14, monoclinic, {0.5, 0, 0.5}, 2},
        {"P21/c 4e", 14, monoclinic, {0.21, 0.09, 0.33}, 4},
    };
    for (const Case& c : cases) {
        const AtomSite site{"X1", "Fe", c.position[0], c.position[1], c.position[2], 1, 0};
        Result<std::vector<CellAtom>> atoms =
            expandToCell(std::vector{site}, operationsOf(c.group, c.cell.gamma() == 120), c.cell);
        ASSERT_TRUE(atoms) << c.what << ": " << atoms.problem();
        EXPECT_EQ(atoms->size(), c.multiplicity) << c.what;
        for (const CellAtom& atom : *atoms)
            for (double x : atom.position) {
                EXPECT_GE(x, 0.0) << c.what;
                EXPECT_LT(x, 1.0) << c.what;
            }
    }
}

// An atom split 0.3 angstrom across a mirror is two atoms of half occupancy; two sites sharing a
// position are two atoms; the identity need not be among the operations.
TEST(CellAtoms, OnlyImagesOfOneSiteMerge) {
    const UnitCell cell = cellOf(5, 10, 6, 90, 95, 90);
    // P21/m has mirrors at y = 1/4 and 3/4; 0.03 * 10 = 0.3 angstrom off the mirror.
    const AtomSite split{"Cl1", "Cl", 0.2, 0.28, 0.3, 0.5, 1};
    Result<std::vector<CellAtom>> splitAtoms =
        expandToCell(std::vector{split}, operationsOf(11), cell);
    ASSERT_TRUE(splitAtoms);
    EXPECT_EQ(splitAtoms->size(), 4u);

    const std::vector<AtomSite> shared = {{"Fe1", "Fe", 0, 0, 0, 0.6, 0},
                                          {"Mn1", "Mn", 0, 0, 0, 0.4, 0}};
    Result<std::vector<CellAtom>> sharedAtoms = expandToCell(shared, operationsOf(11), cell);
    ASSERT_TRUE(sharedAtoms);
    ASSERT_EQ(sharedAtoms->size(), 4u); // 2a of P21/m, twice
    EXPECT_EQ(sharedAtoms->front().species.element, "Fe");
    EXPECT_EQ(sharedAtoms->back().species.element, "Mn");
    EXPECT_EQ(sharedAtoms->back().site, 1u);

    Result<std::vector<CellAtom>> alone =
        expandToCell(std::vector{split}, std::vector<SymOp>(), cell);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->size(), 1u);
}

TEST(CellAtoms, RefusesSitesAndCellsItCannotPlace) {
    const UnitCell cell = cellOf(5, 5, 5, 90, 90, 90);
    struct Case {
        AtomSite site;
        const char* named;
    };
    const std::vector<Case> cases = {
        {{"Xq1", "Xq", 0, 0, 0, 1, 0}, "Xq"},
        {{"Q1", "", 0, 0, 0, 1, 0}, "Q1"},
        {{"Fe1", "Fe", std::nan(""), 0, 0, 1, 0}, "Fe1"},
        {{"Fe2", "Fe", 0, INFINITY, 0, 1, 0}, "Fe2"},
        {{"Fe3", "Fe", 0, 0, 0, -0.5, 0}, "Fe3"},
        {{"Fe4", "Fe", 0, 0, 0, 1, std::nan("")}, "Fe4"},
    };
    for (const Case& c : cases) {
        Result<std::vector<CellAtom>> atoms = expandToCell(std::vector{c.site}, {}, cell);
        ASSERT_FALSE(atoms) << c.named;
        EXPECT_NE(atoms.problem().find(c.named), std::string::npos) << atoms.problem();
    }
    const AtomSite fine{"Fe1", "Fe", 0, 0, 0, 1, 0};
    EXPECT_FALSE(expandToCell(std::vector{fine}, {}, cellOf(5, 5, 5, 90, 90, 190)));
}

} // namespace
} // namespace tavrel
