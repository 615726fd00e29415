#include "samples/sample_atoms.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"

#include "samples/sample_list.h"
#include "structure/cell_atoms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavrel {
namespace {

// Every sample with atoms, in the setting the space-group list selects for it, has the atoms per
// cell and the nearest neighbours of its textbook structure (Wyckoff, Crystal Structures; the
// Si-O and Al-O bond lengths of the refinements cited in the table): each atom `from` has
// `count` atoms `to` at `distance` (within 0.005 angstrom), and none nearer.
TEST(SampleAtoms, EachSampleHasItsTextbookCellContentsAndNeighbours) {
    // sample, atoms in the cell, from, to, distance, count
    const std::vector<std::tuple<std::string, std::size_t, std::string, std::string, double, int>>
        expected = {
            {"Cu", 4, "Cu", "Cu", 3.6174 / std::sqrt(2), 12},
            {"Si", 8, "Si", "Si", 5.4307 * std::sqrt(3) / 4, 4},
            {"W", 2, "W", "W", 3.16522 * std::sqrt(3) / 2, 8},
            {"Mg", 2, "Mg", "Mg", std::sqrt(3.2094 * 3.2094 / 3 + 5.2103 * 5.2103 / 4), 6},
            {"In", 2, "In", "In", 3.253, 4},
            {"Pa", 2, "Pa", "Pa", std::sqrt(3.932 * 3.932 / 2 + 3.28 * 3.28 / 4), 8},
            {"Diamond", 8, "C", "C", 3.56703 * std::sqrt(3) / 4, 4},
            {"Graphite", 4, "C", "C", 2.4612 / std::sqrt(3), 3},
            {"Quartz", 9, "Si", "O", 1.605, 2},
            {"Corundum", 30, "Al", "O", 1.853, 3},
            {"alpha-Hg", 3, "Hg", "Hg", std::sqrt(3.4646 * 3.4646 / 3 + 6.6772 * 6.6772 / 9), 6},
            {"alpha-La", 4, "La", "La", std::sqrt(3.77 * 3.77 / 3 + 12.159 * 12.159 / 16), 6},
            {"alpha-Po", 1, "Po", "Po", 3.352, 6},
            {"beta-Sn", 4, "Sn", "Sn", std::hypot(5.8316 / 2, 3.1813 / 4), 4},
        };
    const SampleList list = SampleList::builtIn();
    const std::vector<Sample>& samples = list.samples();
    // The samples of the menu with atoms are exactly these.
    EXPECT_EQ(std::count_if(samples.begin(), samples.end(),
                            [](const Sample& s) { return !sampleSites(s).empty(); }),
              std::ssize(expected));
    for (const auto& [name, atomsInCell, fromElement, toElement, distance, expectedCount] :
         expected) {
        SCOPED_TRACE(name);
        const auto sample =
            std::find_if(samples.begin(), samples.end(),
                         [&, wanted = name](const Sample& s) { return s.name == wanted; });
        ASSERT_NE(sample, samples.end());
        UnitCell cell;
        for (std::size_t i = 0; i < 6; ++i) cell[int(i)] = std::stof(sample->fields[i + 2]);
        const SpaceGroup group = SpaceGroup::ofRow(
            rowForGroup(std::stoi(sample->fields[0]), rGroupAxesFor(cell.gamma())));
        Result<std::vector<CellAtom>> atoms =
            expandToCell(sampleSites(*sample), group.operations(), cell);
        ASSERT_TRUE(atoms) << atoms.problem();
        const Mat3d lattice = toMat3d(buildLatticeMatrices(cell).value().lattice);
        EXPECT_EQ(atoms->size(), atomsInCell);

        for (const CellAtom& from : *atoms) {
            if (from.species.element != fromElement) continue;
            int count = 0;
            double nearest = 1e9;
            for (const CellAtom& to : *atoms) {
                if (to.species.element != toElement) continue;
                for (int image = 0; image < 125; ++image) { // the 5 x 5 x 5 cells around
                    const Vec3d offset{to.position[0] - from.position[0] + image % 5 - 2,
                                       to.position[1] - from.position[1] + image / 5 % 5 - 2,
                                       to.position[2] - from.position[2] + image / 25 - 2};
                    const Vec3d v = lattice * offset;
                    const double d = std::hypot(v[0], v[1], v[2]);
                    if (d < 1e-6) continue;
                    nearest = std::min(nearest, d);
                    count += std::abs(d - distance) < 0.005;
                }
            }
            EXPECT_EQ(count, expectedCount);
            EXPECT_NEAR(nearest, distance, 0.005);
        }
    }
    EXPECT_TRUE(sampleAtoms("P(black)").empty());
    EXPECT_EQ(sampleAtoms(" quartz").size(), 2u);
    // A user's own line under a known name but with another group may mean another structure.
    Sample other = samples[1]; // Si
    other.fields[0] = "1";
    EXPECT_TRUE(sampleSites(other).empty());
}

} // namespace
} // namespace tavrel
