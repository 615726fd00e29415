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
std::vector<double> cubicSquares(const std::vector<AtomSite>& sites, int group, double a,
                                 const std::vector<std::array<std::int16_t, 3>>& hkl) {
    UnitCell cell;
    cell.values = {float(a), float(a), float(a), 90, 90, 90};
    const SpaceGroup spaceGroup = SpaceGroup::ofRow(rowForGroup(group, RGroupAxes::Hexagonal));
    Result<std::vector<CellAtom>> atoms = expandToCell(sites, spaceGroup.operations(), cell);
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;
    for (const auto& [x, y, z] : hkl)
        h.push_back(x), k.push_back(y), l.push_back(z), d.push_back(float(a / std::hypot(x, y, z)));
    Result<std::vector<double>> squares =
        squaredStructureFactors({h, k, l, d}, *atoms, Scattering::XRay);
    EXPECT_TRUE(squares) << squares.problem();
    return *squares;
}

// Lines that the atoms decide beyond the sums below: Cu3Au ordered (Au on 1a, Cu on 3c of
// Pm-3m) has the superlattice line (1 0 0); disordered (3/4 Cu and 1/4 Au as two sites on one
// fcc position) it has not, and (1 1 1) is f_Au + 3 f_Cu in both.
TEST(StructureFactors, OrderedAndDisorderedSitesOfOnePosition) {
    const std::vector<std::array<std::int16_t, 3>> hkl = {{1, 0, 0}, {1, 1, 1}};
    const std::vector<double> ordered = cubicSquares(
        {{"Au1", "Au", 0, 0, 0, 1, 0}, {"Cu1", "Cu", 0, 0.5, 0.5, 1, 0}}, 221, 3.7493, hkl);
    const std::vector<double> disordered = cubicSquares(
        {{"Cu1", "Cu", 0, 0, 0, 0.75, 0}, {"Au1", "Au", 0, 0, 0, 0.25, 0}}, 225, 3.7493, hkl);
    EXPECT_GT(ordered[0], 0.05 * ordered[1]);
    EXPECT_LT(disordered[0], 1e-20 * disordered[1]);
    EXPECT_NEAR(disordered[1] / ordered[1], 1, 1e-12);
}

// The sums of make_reference.py (gemmi's expansion and tables) for every test structure, read
// from its CIF as the program will, in both radiations; on one thread and three, with and
// without the phase tables.
TEST(StructureFactors, AgreeWithAnIndependentSumForEveryTestStructure) {
    struct Row {
        std::int16_t h, k, l;
        double d, xRay, electron;
    };
    std::map<std::string, std::pair<std::size_t, std::vector<Row>>> reference;
    std::ifstream in(std::string(TAVREL_TEST_DATA) + "/structure_factors/reference.txt");
    std::string line, name, word;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Row row{};
        if (line.starts_with("structure"))
            fields >> word >> name >> reference[name].first;
        else if (fields >> row.h >> row.k >> row.l >> row.d >> row.xRay >> row.electron)
            reference[name].second.push_back(row);
    }
    ASSERT_EQ(reference.size(), 9u);

    auto check = [](const std::vector<Row>& rows, const std::vector<CellAtom>& atoms,
                    const std::string& what) {
        std::vector<std::int16_t> h, k, l;
        std::vector<float> d;
        for (const Row& row : rows)
            h.push_back(row.h), k.push_back(row.k), l.push_back(row.l), d.push_back(float(row.d));
        std::vector<double> first;
        for (const StructureFactorOptions options : {StructureFactorOptions{1}, {3, 0}, {3}}) {
            Result<std::vector<double>> xRay =
                squaredStructureFactors({h, k, l, d}, atoms, Scattering::XRay, options);
            Result<std::vector<double>> electron =
                squaredStructureFactors({h, k, l, d}, atoms, Scattering::Electron, options);
            ASSERT_TRUE(xRay && electron) << what;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                // d enters as a 4-byte float: a relative 1e-7 in s^2.
                EXPECT_NEAR((*xRay)[i], rows[i].xRay, 2e-6 * std::max(rows[i].xRay, 1.0))
                    << what << i;
                EXPECT_NEAR((*electron)[i], rows[i].electron,
                            2e-6 * std::max(rows[i].electron, 1e-3))
                    << what << i;
            }
            if (options.threads == 1) first = *xRay;
            // Three threads give the bits of one.
            EXPECT_TRUE(options.threads != 3 || options.phaseTableBytes == 0 || *xRay == first)
                << what;
        }
    };
    for (const auto& [structure, expected] : reference) {
        const test::LoadedStructure loaded = test::loadCifFile(structure);
        ASSERT_EQ(loaded.atoms.size(), expected.first) << structure;
        ASSERT_GT(expected.second.size(), 250u) << structure;
        check(expected.second, loaded.atoms, structure);
    }
}

TEST(StructureFactors, RelativeIntensitiesTextsAndRefusals) {
    EXPECT_EQ(relativeIntensities(std::vector<double>{3, 12, 0}),
              (std::vector<double>{25, 100, 0}));
    EXPECT_EQ(relativeIntensities(std::vector<double>{0, 0}), (std::vector<double>{0, 0}));
    test::CommaLocale comma;
    EXPECT_EQ(intensityText(33.333) + intensityText(0.04) + intensityText(0.05000001),
              "33.30.00.1");

    const std::vector<std::int16_t> two = {1, 2}, one = {1};
    const std::vector<float> d = {2.0f, 1.0f};
    const std::vector<CellAtom> einsteinium = {{0, {"Es", 99, 0}, 1, 0, {0, 0, 0}}};
    EXPECT_FALSE(squaredStructureFactors({two, two, one, d}, {}, Scattering::XRay));
    EXPECT_NE(squaredStructureFactors({two, two, two, d}, einsteinium, Scattering::Electron)
                  .problem()
                  .find("Es"),
              std::string::npos);
}

} // namespace
} // namespace tavrel
