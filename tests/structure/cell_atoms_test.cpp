#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/cell_atoms.h"

#include "structure_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

UnitCell cellOf(float a, float b, float c, float beta, float gamma) {
    return UnitCell{{a, b, c, 90, beta, gamma}};
}

std::vector<SymOp> operationsOf(int group, float gamma = 90) {
    return SpaceGroup::ofRow(rowForGroup(group, rGroupAxesFor(gamma))).operations();
}

// Multiplicities of Wyckoff positions (International Tables Vol. A), with coordinates as files
// round them and positions on the cell's faces; every atom inside [0, 1). Two sites on one
// position stay two atoms (the Cu3Au test of the structure factors).
TEST(CellAtoms, EachPositionOnceWithTheMultiplicityOfItsWyckoffPosition) {
    const UnitCell cubic = cellOf(5.43f, 5.43f, 5.43f, 90, 90);
    const UnitCell hexagonal = cellOf(3.21f, 3.21f, 5.21f, 90, 120);
    const UnitCell monoclinic = cellOf(7.1f, 9.3f, 5.6f, 104.5f, 90);
    const std::vector<std::tuple<const char*, int, UnitCell, std::array<double, 3>, std::size_t>>
        cases = {
            {"Fd-3m 8a", 227, cubic, {0, 0, 0}, 8},
            {"Fd-3m 16c", 227, cubic, {0.125, 0.125, 0.125}, 16},
            {"Fd-3m 192i", 227, cubic, {0.11, 0.23, 0.37}, 192},
            {"Fm-3m 4a just below 1", 225, cubic, {0.99999, 1e-6, -0.00001}, 4},
            {"Pm-3m 1a at the far corner", 221, cubic, {1, 1, 1}, 1},
            {"P63/mmc 2c rounded to 4 decimals", 194, hexagonal, {0.3333, 0.6667, 0.25}, 2},
            {"P21/c 2d", 14, monoclinic, {0.5, 0, 0.5}, 2},
            {"P21/c 4e", 14, monoclinic, {0.21, 0.09, 0.33}, 4},
            // 0.03 b = 0.28 angstrom off the mirror at y = 1/4: two atoms of half occupancy.
            {"P21/m 4f split across 2e", 11, monoclinic, {0.2, 0.28, 0.3}, 4},
        };
    for (const auto& [what, group, cell, p, multiplicity] : cases) {
        const AtomSite site{"X1", "Fe", p[0], p[1], p[2], 1, 0};
        Result<std::vector<CellAtom>> atoms =
            expandToCell(std::vector{site}, operationsOf(group, cell.gamma()), cell);
        ASSERT_TRUE(atoms) << what << ": " << atoms.problem();
        EXPECT_EQ(atoms->size(), multiplicity) << what;
        for (const CellAtom& atom : *atoms)
            for (double x : atom.position) EXPECT_TRUE(x >= 0 && x < 1) << what << " " << x;
    }
}

TEST(CellAtoms, RefusesSitesAndCellsItCannotPlace) {
    const UnitCell cell = cellOf(5, 5, 5, 90, 90);
    const std::vector<AtomSite> refused = {{"Xq1", "Xq", 0, 0, 0, 1, 0},
                                           {"Q1", "", 0, 0, 0, 1, 0},
                                           {"Fe1", "Fe", std::nan(""), 0, 0, 1, 0},
                                           {"Fe3", "Fe", 0, 0, 0, -0.5, 0}};
    for (const AtomSite& site : refused)
        EXPECT_NE(expandToCell(std::vector{site}, {}, cell).problem().find(site.label),
                  std::string::npos)
            << site.label;
    EXPECT_FALSE(expandToCell(std::vector<AtomSite>{{"Fe1", "Fe", 0, 0, 0, 1, 0}}, {},
                              cellOf(5, 5, 5, 90, 190)));
}

} // namespace
} // namespace tavrel
