#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/structure_factor.h"

#include "structure_test_util.h"

#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

namespace tavrel {
namespace {

// |F|^2 (X-rays) of reflections (h k l) of a cubic crystal given by its sites and group.
std::vector<double> cubicSquares(const std::vector<AtomSite>& sites, int group, double a) {
    const UnitCell cell{{float(a), float(a), float(a), 90, 90, 90}};
    const SpaceGroup spaceGroup = SpaceGroup::ofRow(rowForGroup(group, RGroupAxes::Hexagonal));
    ReflectionList hkl;
    hkl.append(1, 0, 0, float(a), {}), hkl.append(1, 1, 1, float(a / std::sqrt(3.0)), {});
    Result<std::vector<double>> squares = squaredStructureFactors(
        indicesOf(hkl), expandToCell(sites, spaceGroup.operations(), cell).value(),
        Scattering::XRay);
    EXPECT_TRUE(squares) << squares.problem();
    return squares ? *squares : std::vector<double>(2);
}

// Lines that the atoms decide beyond the sums below: Cu3Au ordered (Au on 1a, Cu on 3c of
// Pm-3m) has the superlattice line (1 0 0); disordered (3/4 Cu and 1/4 Au as two sites on one
// fcc position) it has not, and (1 1 1) is f_Au + 3 f_Cu in both.
TEST(StructureFactors, OrderedAndDisorderedSitesOfOnePosition) {
    const std::vector<double> ordered =
        cubicSquares({{"Au1", "Au", 0, 0, 0, 1, 0}, {"Cu1", "Cu", 0, 0.5, 0.5, 1, 0}}, 221, 3.7493);
    const std::vector<double> disordered = cubicSquares(
        {{"Cu1", "Cu", 0, 0, 0, 0.75, 0}, {"Au1", "Au", 0, 0, 0, 0.25, 0}}, 225, 3.7493);
    EXPECT_GT(ordered[0], 0.05 * ordered[1]);
    EXPECT_LT(disordered[0], 1e-20 * disordered[1]);
    EXPECT_NEAR(disordered[1] / ordered[1], 1, 1e-12);
}

// The sums of make_reference.py (gemmi's expansion and tables) for every test structure, read
// from its CIF as the program will, in both radiations; on one thread and three, with and
// without the phase tables.
TEST(StructureFactors, AgreeWithAnIndependentSumForEveryTestStructure) {
    // Per structure: the atoms in the cell, the reflections, |F|^2 for X-rays and electrons.
    struct Reference {
        std::size_t atoms = 0;
        ReflectionList hkl;
        std::vector<double> xRay, electron;
    };
    std::map<std::string, Reference> reference;
    std::ifstream in(std::string(TAVREL_TEST_DATA) + "/structure_factors/reference.txt");
    std::string name, word;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::int16_t h, k, l;
        double d, xRay, electron;
        if (line.starts_with("structure")) {
            fields >> word >> name >> reference[name].atoms;
        } else if (fields >> h >> k >> l >> d >> xRay >> electron) {
            reference[name].hkl.append(h, k, l, float(d), {});
            reference[name].xRay.push_back(xRay), reference[name].electron.push_back(electron);
        }
    }
    ASSERT_EQ(reference.size(), 9u);
    for (const auto& [structure, expected] : reference) {
        SCOPED_TRACE(structure);
        const test::LoadedStructure loaded = test::loadCifFile(structure);
        ASSERT_EQ(loaded.atoms.size(), expected.atoms);
        ASSERT_GT(expected.xRay.size(), 250u);
        std::vector<double> first;
        for (const StructureFactorOptions options : {StructureFactorOptions{1}, {3, 0}, {3}}) {
            for (const auto& [kind, values, floor] :
                 {std::tuple{Scattering::XRay, &expected.xRay, 1.0},
                  {Scattering::Electron, &expected.electron, 1e-3}}) {
                Result<std::vector<double>> squares =
                    squaredStructureFactors(indicesOf(expected.hkl), loaded.atoms, kind, options);
                ASSERT_TRUE(squares) << squares.problem();
                // d enters as a 4-byte float: a relative 1e-7 in s^2.
                for (std::size_t i = 0; i < values->size(); ++i)
                    EXPECT_NEAR((*squares)[i], (*values)[i], 2e-6 * std::max((*values)[i], floor))
                        << i;
                // Three threads give the bits of one.
                if (kind == Scattering::XRay && options.threads == 1) first = *squares;
                EXPECT_TRUE(kind != Scattering::XRay || options.threads != 3 ||
                            options.phaseTableBytes == 0 || *squares == first);
            }
        }
    }
}

TEST(StructureFactors, RelativeIntensitiesTextsAndRefusals) {
    EXPECT_EQ(relativeIntensities(std::vector<double>{3, 12, 0}),
              (std::vector<double>{25, 100, 0}));
    EXPECT_EQ(relativeIntensities(std::vector<double>{0, 0}), (std::vector<double>{0, 0}));
    test::CommaLocale comma;
    EXPECT_EQ(intensityText(33.333) + intensityText(0.04) + intensityText(0.05000001),
              "33.30.00.1");

    ReflectionList two;
    two.append(1, 1, 1, 2.0f, {}), two.append(2, 2, 2, 1.0f, {});
    ReflectionIndices uneven = indicesOf(two);
    uneven.l = uneven.l.first(1);
    EXPECT_FALSE(squaredStructureFactors(uneven, {}, Scattering::XRay));
    const std::vector<CellAtom> einsteinium = {{0, {"Es", 99, 0}, 1, 0, {0, 0, 0}}};
    EXPECT_NE(squaredStructureFactors(indicesOf(two), einsteinium, Scattering::Electron)
                  .problem()
                  .find("Es"),
              std::string::npos);
}

} // namespace
} // namespace tavrel
