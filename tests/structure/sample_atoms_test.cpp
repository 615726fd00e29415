#include "samples/sample_atoms.h"

#include "samples/sample_list.h"
#include "structure/cell_atoms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavrel {
namespace {

struct Neighbour {
    std::string from, to;
    double distance; // angstrom
    int count;       // atoms `to` at that distance (within 0.005 angstrom) of each `from`
};

struct Expected {
    std::string sample;
    std::size_t atomsInCell;
    std::vector<Neighbour> neighbours; // the nearest shell first
};

// Distances from `from` to every image of `to` in the 5 x 5 x 5 cells around it.
std::vector<double> distances(const UnitCell& cell, const std::array<double, 3>& from,
                              const std::array<double, 3>& to) {
    const double ca = std::cos(cell.alpha() * M_PI / 180), cb = std::cos(cell.beta() * M_PI / 180),
                 cg = std::cos(cell.gamma() * M_PI / 180);
    const double edge[3] = {cell.a(), cell.b(), cell.c()};
    const double g[3][3] = {{1, cg, cb}, {cg, 1, ca}, {cb, ca, 1}};
    std::vector<double> all;
    for (int i = -2; i <= 2; ++i)
        for (int j = -2; j <= 2; ++j)
            for (int k = -2; k <= 2; ++k) {
                const double d[3] = {(to[0] - from[0] + i) * edge[0],
                                     (to[1] - from[1] + j) * edge[1],
                                     (to[2] - from[2] + k) * edge[2]};
                double sum = 0;
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) sum += d[r] * g[r][c] * d[c];
                if (sum > 1e-6) all.push_back(std::sqrt(sum));
            }
    return all;
}

// Every sample with atoms, in the setting the space-group list selects for it, has the number
// of atoms per cell and the nearest-neighbour shells of its textbook structure (Wyckoff, Crystal
// Structures; the Si-O and Al-O bond lengths of the cited refinements).
TEST(SampleAtoms, EachSampleHasItsTextbookCellContentsAndBonds) {
    const double cu = 3.6174, si = 5.4307, w = 3.16522, c = 3.56703;
    const std::vector<Expected> expected = {
        {"Cu", 4, {{"Cu", "Cu", cu / std::sqrt(2), 12}}},
        {"Si", 8, {{"Si", "Si", si * std::sqrt(3) / 4, 4}}},
        {"W", 2, {{"W", "W", w * std::sqrt(3) / 2, 8}, {"W", "W", w, 6}}},
        {"Mg",
         2,
         {{"Mg", "Mg", std::sqrt(3.2094 * 3.2094 / 3 + 5.2103 * 5.2103 / 4), 6},
          {"Mg", "Mg", 3.2094, 6}}},
        {"In", 2, {{"In", "In", 3.253, 4}}},
        {"Pa", 2, {{"Pa", "Pa", std::sqrt(3.932 * 3.932 / 2 + 3.28 * 3.28 / 4), 8}}},
        {"Diamond", 8, {{"C", "C", c * std::sqrt(3) / 4, 4}}},
        {"Graphite", 4, {{"C", "C", 2.4612 / std::sqrt(3), 3}}},
        {"Quartz", 9, {{"Si", "O", 1.605, 2}, {"Si", "O", 1.613, 2}}},
        {"Corundum", 30, {{"Al", "O", 1.853, 3}, {"Al", "O", 1.971, 3}}},
        {"alpha-Hg", 3, {{"Hg", "Hg", std::sqrt(3.4646 * 3.4646 / 3 + 6.6772 * 6.6772 / 9), 6}}},
        {"alpha-La",
         4,
         {{"La", "La", std::sqrt(3.77 * 3.77 / 3 + 12.159 * 12.159 / 16), 6},
          {"La", "La", 3.77, 6}}},
        {"alpha-Po", 1, {{"Po", "Po", 3.352, 6}}},
        {"beta-Sn",
         4,
         {{"Sn", "Sn", std::hypot(5.8316 / 2, 3.1813 / 4), 4}, {"Sn", "Sn", 3.1813, 2}}},
    };
    ASSERT_EQ(samplesWithAtoms().size(), expected.size());
    const SampleList list = SampleList::builtIn();
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.sample);
        const auto sample = std::find_if(list.samples().begin(), list.samples().end(),
                                         [&](const Sample& s) { return s.name == e.sample; });
        ASSERT_NE(sample, list.samples().end());
        UnitCell cell;
        for (int i = 0; i < 6; ++i)
            cell[i] = std::stof(sample->fields[static_cast<std::size_t>(i) + 2]);
        SpaceGroupEngine engine;
        engine.setCellValue(5, cell.gamma());
        engine.selectRow(engine.rowForGroup(std::stoi(sample->fields[0])));

        std::vector<AtomSite> sites;
        for (const SampleAtom& atom : sampleAtoms(e.sample))
            sites.push_back({std::string(atom.label), std::string(atom.element), atom.x, atom.y,
                             atom.z, atom.occupancy, atom.bIso});
        Result<std::vector<CellAtom>> atoms = expandToCell(sites, engine.symOps(), cell);
        ASSERT_TRUE(atoms) << atoms.problem();
        EXPECT_EQ(atoms->size(), e.atomsInCell);

        for (const CellAtom& from : *atoms) {
            for (std::size_t shell = 0; shell < e.neighbours.size(); ++shell) {
                const Neighbour& n = e.neighbours[shell];
                if (from.species.element != n.from) continue;
                int count = 0;
                double nearest = 1e9;
                for (const CellAtom& to : *atoms) {
                    if (to.species.element != n.to) continue;
                    for (double d : distances(cell, from.position, to.position)) {
                        nearest = std::min(nearest, d);
                        if (std::abs(d - n.distance) < 0.005) ++count;
                    }
                }
                EXPECT_EQ(count, n.count) << n.from << "-" << n.to << " at " << n.distance;
                if (shell == 0) {
                    EXPECT_NEAR(nearest, n.distance, 0.005) << n.from << "-" << n.to;
                }
            }
        }
    }
    EXPECT_TRUE(sampleAtoms("P(black)").empty());
    EXPECT_EQ(sampleAtoms("quartz").size(), 2u);
}

} // namespace
} // namespace tavrel
