#include "session/line_strengths.h"
#include "spacegroup/settings.h"
#include "structure/cell_atoms.h"
#include "structure/structure_factor.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace tavrel {
namespace {

// The images every earlier kept image of its site is compared with, as the merging is defined.
std::vector<std::array<double, 3>> mergedByBruteForce(const AtomSite& site,
                                                      const std::vector<SymOp>& operations,
                                                      const UnitCell& cell) {
    const double ca = std::cos(cell.alpha() * M_PI / 180), cb = std::cos(cell.beta() * M_PI / 180),
                 cg = std::cos(cell.gamma() * M_PI / 180);
    const double a = cell.a(), b = cell.b(), c = cell.c();
    const double g[3][3] = {{a * a, a * b * cg, a * c * cb},
                            {a * b * cg, b * b, b * c * ca},
                            {a * c * cb, b * c * ca, c * c}};
    std::vector<std::array<double, 3>> kept;
    std::vector<Matrix4> all{{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}};
    for (const SymOp& op : operations) all.push_back(op.m);
    for (const Matrix4& m : all) {
        std::array<double, 3> p = applyOperation(m, {site.x, site.y, site.z});
        for (double& x : p) x = wrapIntoCell(x);
        bool near = false;
        for (const auto& q : kept) {
            double d[3], sum = 0;
            for (int i = 0; i < 3; ++i) d[i] = (p[i] - q[i]) - std::round(p[i] - q[i]);
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) sum += d[i] * g[i][j] * d[j];
            near = near || sum < kSameAtomDistance * kSameAtomDistance;
        }
        if (!near) kept.push_back(p);
    }
    return kept;
}

// Sites a few hundredths of an angstrom either side of the merging distance from special
// positions, in oblique cells: the binned merging keeps exactly the images the pairwise one
// keeps.
TEST(LargeStructures, MergedImagesAreThoseOfThePairwiseRule) {
    const struct {
        int group;
        std::array<float, 6> cell;
        std::array<double, 3> special;
    } kCases[] = {
        {2, {3.1f, 4.7f, 5.3f, 61, 118, 103}, {0.5, 0, 0.5}}, // P-1, a steep triclinic cell
        {194, {3.2f, 3.2f, 5.2f, 90, 90, 120}, {1 / 3.0, 2 / 3.0, 0.25}},
        {15, {9.7f, 8.8f, 5.3f, 90, 107, 90}, {0, 0.3, 0.25}}, // C2/c on the 2-fold axis
        {227, {5.431f, 5.431f, 5.431f, 90, 90, 90}, {0.125, 0.125, 0.125}},
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-0.03, 0.03);
    for (const auto& c : kCases) {
        UnitCell cell;
        cell.values = c.cell;
        const std::vector<SymOp> ops =
            SpaceGroup::ofRow(rowForGroup(c.group, rGroupAxesFor(cell.gamma()))).operations();
        for (int trial = 0; trial < 60; ++trial) {
            const AtomSite site{"X",
                                "Fe",
                                c.special[0] + offset(random),
                                c.special[1] + offset(random),
                                c.special[2] + offset(random),
                                1,
                                0};
            const Result<std::vector<CellAtom>> atoms = expandToCell(std::vector{site}, ops, cell);
            ASSERT_TRUE(atoms);
            std::vector<std::array<double, 3>> positions;
            for (const CellAtom& atom : *atoms) positions.push_back(atom.position);
            EXPECT_EQ(positions, mergedByBruteForce(site, ops, cell)) << c.group << " " << trial;
        }
    }
}

// The strengths worked out once per orbit of equivalent reflections equal those of every
// reflection on its own, in a hexagonal and a monoclinic group whose rotations are no
// orthogonal matrices in the cell's axes (the spacings of equivalent reflections differ in
// their last bits); a structure beyond the most atoms is refused at once.
TEST(LargeStructures, StrengthsByOrbitEqualThoseOfEachReflection) {
    for (const int group : {178, 14, 227}) {
        test::TestSimulation t;
        test::setFields(t.sim, group,
                        group == 178  ? std::array<std::string, 6>{"5", "", "7", "", "", ""}
                        : group == 14 ? std::array<std::string, 6>{"5", "6", "7", "90", "104", "90"}
                                      : test::kCubic4,
                        "1.5418", "0", "0.9", "0", "5");
        ASSERT_TRUE(t.generate());
        ASSERT_TRUE(setAtomSites(t.sim, {{"Fe1", "Fe", 0.11, 0.23, 0.37, 1, 0.4},
                                         {"O1", "O", 0.61, 0.05, 0.19, 0.8, 0.9}}));
        const std::vector<CellAtom> atoms =
            expandToCell(t.sim.atoms, t.sim.group.operations(), t.sim.document.cell).value();
        const std::vector<double> direct =
            squaredStructureFactors(indicesOf(t.sim.reflections), atoms, Scattering::XRay).value();
        ASSERT_EQ(t.sim.strengths.squared.size(), direct.size());
        for (std::size_t i = 0; i < direct.size(); ++i)
            EXPECT_NEAR(t.sim.strengths.squared[i], direct[i], 1e-6 * (1 + direct[i]))
                << group << " " << i;

        const std::vector<AtomSite> many(kMostCellAtoms / t.sim.group.operations().size(),
                                         t.sim.atoms[0]);
        const Result<std::vector<CellAtom>> refused =
            expandToCell(many, t.sim.group.operations(), t.sim.document.cell);
        EXPECT_TRUE(refused.problem().find("at most 2000000 are taken") != std::string::npos)
            << refused.problem();
    }
}

} // namespace
} // namespace tavrel
