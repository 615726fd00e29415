#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/structure_factor.h"

#include "structure_test_util.h"

#include "samples/sample_atoms.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <span>
#include <sstream>

namespace tavrel {
namespace {

// Silicon as International Tables Vol. C prints it, typed from the tables: Table 6.1.1.4
// (X-rays: a1 b1 a2 b2 a3 b3 a4 b4 c) and Table 4.3.2.2 (electrons: a1 b1 .. a5 b5).
constexpr double kSiliconXRay[] = {6.2915, 2.4386, 3.0353,  32.3337, 1.9891,
                                   0.6785, 1.5410, 81.6937, 1.1407};
constexpr double kSiliconElectron[] = {0.2519, 0.3075, 0.6372,  2.0174, 1.3795,
                                       9.6746, 2.5082, 29.3744, 1.0500, 80.4732};

// A sum of Gaussians in s^2 and a constant: a1 b1 a2 b2 ... from `coefficients`.
double gaussians(std::span<const double> coefficients, int terms, double constant, double s) {
    double f = constant;
    for (std::size_t i = 0; i < std::size_t(terms); ++i)
        f += coefficients[2 * i] * std::exp(-coefficients[2 * i + 1] * s * s);
    return f;
}
double siliconXRay(double s) {
    return gaussians(kSiliconXRay, 4, kSiliconXRay[8], s);
}
double siliconElectron(double s) {
    return gaussians(kSiliconElectron, 5, 0, s);
}

struct Hkl {
    std::int16_t h, k, l;
    double s(double a) const { return std::sqrt(h * h + k * k + l * l) / (2 * a); }
};

// |F|^2 of reflections of a cubic crystal given by its sites and group.
std::vector<double> cubicSquares(const std::vector<AtomSite>& sites, int group, double a,
                                 const std::vector<Hkl>& hkl, Scattering kind = Scattering::XRay) {
    UnitCell cell;
    cell.values = {float(a), float(a), float(a), 90, 90, 90};
    const SpaceGroup spaceGroup = SpaceGroup::ofRow(rowForGroup(group, RGroupAxes::Hexagonal));
    Result<std::vector<CellAtom>> atoms = expandToCell(sites, spaceGroup.operations(), cell);
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;
    for (const Hkl& r : hkl) {
        h.push_back(r.h), k.push_back(r.k), l.push_back(r.l);
        d.push_back(float(1 / (2 * r.s(a))));
    }
    Result<std::vector<double>> squares = squaredStructureFactors({h, k, l, d}, *atoms, kind);
    EXPECT_TRUE(squares) << squares.problem();
    return *squares;
}

// The diamond structure (the Si sample, B = 0.46): |F(111)|^2 = 32 f^2, |F(220)|^2 = 64 f^2 with
// f damped by exp(-B s^2); (222), (442) and (200), allowed by Fd-3m, vanish for its atoms.
// Electrons: the 5-Gaussian table, and the Mott-Bethe formula f_e = 0.023934 (Z - f_x) / s^2
// to the accuracy of the two independent fits.
TEST(StructureFactors, SiliconAgainstTheDiamondStructureAndBothTables) {
    const double a = 5.4307;
    const std::vector<Hkl> hkl = {{1, 1, 1}, {2, 2, 0}, {2, 2, 2}, {4, 4, 2}, {2, 0, 0}};
    const std::vector<double> xRay = cubicSquares(test::sitesOf("Si"), 227, a, hkl);
    const std::vector<double> electron =
        cubicSquares(test::sitesOf("Si"), 227, a, hkl, Scattering::Electron);
    for (std::size_t i = 0; i < 2; ++i) {
        const double s = hkl[i].s(a), damping = std::exp(-0.46 * s * s);
        const double geometric = i == 0 ? 32 : 64;
        EXPECT_NEAR(xRay[i] / (geometric * std::pow(siliconXRay(s) * damping, 2)), 1, 1e-6);
        EXPECT_NEAR(electron[i] / (geometric * std::pow(siliconElectron(s) * damping, 2)), 1, 1e-6);
        const double mottBethe = 0.023934 * (14 - siliconXRay(s)) / (s * s);
        EXPECT_NEAR(std::sqrt(electron[i] / xRay[i]) * siliconXRay(s) / mottBethe, 1, 0.03);
    }
    for (std::size_t i = 2; i < hkl.size(); ++i) EXPECT_LT(xRay[i], 1e-20 * xRay[0]) << i;
}

// Lines that the atoms decide. bcc iron: h + k + l odd vanishes, (1 1 0) is the strongest line.
// Rock salt: (1 1 1) weighs f_Na - f_Cl, much less than (2 0 0) with f_Na + f_Cl. Cu3Au ordered
// (Au on 1a, Cu on 3c of Pm-3m) has the superlattice line (1 0 0); disordered (3/4 Cu and 1/4 Au
// as two sites on one fcc position) it has not, and (1 1 1) is f_Au + 3 f_Cu in both.
TEST(StructureFactors, LinesThatTheAtomsDecide) {
    const std::vector<Hkl> hkl = {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {2, 0, 0}, {2, 1, 1}};
    const test::LoadedStructure iron = test::loadCifFile("iron");
    const std::vector<double> fe = relativeIntensities(cubicSquares(iron.sites, 229, 2.8665, hkl));
    EXPECT_EQ(intensityText(fe[0]) + intensityText(fe[1]) + intensityText(fe[2]), "0.0100.00.0");
    EXPECT_LT(std::max(fe[3], fe[4]), 99.0);

    const test::LoadedStructure salt = test::loadCifFile("sodium_chloride");
    const std::vector<double> nacl = cubicSquares(salt.sites, 225, 5.6402, hkl);
    EXPECT_LT(nacl[2], 0.1 * nacl[3]);

    const std::vector<double> ordered = cubicSquares(
        {{"Au1", "Au", 0, 0, 0, 1, 0}, {"Cu1", "Cu", 0, 0.5, 0.5, 1, 0}}, 221, 3.7493, hkl);
    const std::vector<double> disordered = cubicSquares(
        {{"Cu1", "Cu", 0, 0, 0, 0.75, 0}, {"Au1", "Au", 0, 0, 0, 0.25, 0}}, 225, 3.7493, hkl);
    EXPECT_GT(ordered[0], 0.05 * ordered[2]);
    EXPECT_LT(disordered[0], 1e-20 * disordered[2]);
    EXPECT_NEAR(disordered[2] / ordered[2], 1, 1e-12);
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
