#include "structure/structure_factor.h"

#include "structure_test_util.h"

#include "samples/sample_atoms.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

namespace tavrel {
namespace {

using test::loadCifFile;

// X-ray fits as International Tables Vol. C, Table 6.1.1.4 prints them (a1 b1 a2 b2 a3 b3 a4 b4
// c), typed from the table rather than taken from the program's source.
using XRayCoefficients = std::array<double, 9>;
constexpr XRayCoefficients kSiliconXRay = {6.2915, 2.4386, 3.0353,  32.3337, 1.9891,
                                           0.6785, 1.5410, 81.6937, 1.1407};
constexpr XRayCoefficients kSodiumXRay = {4.7626, 3.2850, 3.1736,  8.8422, 1.2674,
                                          0.3136, 1.1128, 129.424, 0.6760};
constexpr XRayCoefficients kChlorineXRay = {11.4604, 0.0104, 7.1964,  1.1662, 6.2556,
                                            18.5194, 1.6455, 47.7784, -9.5574};
constexpr XRayCoefficients kCopperXRay = {13.3380, 3.5828, 7.1676,  0.2470, 5.6158,
                                          11.3966, 1.6735, 64.8126, 1.1910};
constexpr XRayCoefficients kGoldXRay = {16.8819, 0.4611, 18.5913, 8.6216, 25.5582,
                                        1.4826,  5.8600, 36.3956, 12.0658};
// Electrons, Vol. C Table 4.3.2.2: a1..a5, b1..b5.
constexpr std::array<double, 10> kSiliconElectron = {0.2519, 0.6372, 1.3795, 2.5082,  1.0500,
                                                     0.3075, 2.0174, 9.6746, 29.3744, 80.4732};

double xRayFactor(const XRayCoefficients& c, double s) {
    double f = c[8];
    for (std::size_t i = 0; i < 4; ++i) f += c[2 * i] * std::exp(-c[2 * i + 1] * s * s);
    return f;
}

double electronFactor(const std::array<double, 10>& c, double s) {
    double f = 0;
    for (std::size_t i = 0; i < 5; ++i) f += c[i] * std::exp(-c[i + 5] * s * s);
    return f;
}

struct Hkl {
    std::int16_t h, k, l;
};

// |F|^2 of the given reflections of a cubic cell with edge a.
std::vector<double> cubicSquares(const std::vector<Hkl>& hkl, double a,
                                 const std::vector<CellAtom>& atoms, Scattering kind) {
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;
    for (const Hkl& r : hkl) {
        h.push_back(r.h);
        k.push_back(r.k);
        l.push_back(r.l);
        d.push_back(static_cast<float>(a / std::sqrt(r.h * r.h + r.k * r.k + r.l * r.l)));
    }
    Result<std::vector<double>> squares = squaredStructureFactors({h, k, l, d}, atoms, kind);
    EXPECT_TRUE(squares) << squares.problem();
    return squares ? *squares : std::vector<double>(hkl.size(), -1.0);
}

std::vector<CellAtom> expand(const std::vector<AtomSite>& sites, int group, float a) {
    SpaceGroupEngine engine;
    engine.selectRow(engine.rowForGroup(group));
    UnitCell cell;
    cell.values = {a, a, a, 90, 90, 90};
    Result<std::vector<CellAtom>> atoms = expandToCell(sites, engine.symOps(), cell);
    EXPECT_TRUE(atoms) << atoms.problem();
    return atoms ? *atoms : std::vector<CellAtom>();
}

double sOf(double a, const Hkl& r) {
    return std::sqrt(r.h * r.h + r.k * r.k + r.l * r.l) / (2 * a);
}

// The diamond structure: F(111) = 4 sqrt(2) f, F(220) = 8 f, F(222) = F(442) = 0 (the two fcc
// lattices cancel). Checked with the Si sample of the table, B = 0.46.
TEST(StructureFactors, SiliconAgainstTheDiamondStructureFormulas) {
    const double a = 5.4307;
    std::vector<AtomSite> sites;
    for (const SampleAtom& atom : sampleAtoms("Si"))
        sites.push_back({std::string(atom.label), std::string(atom.element), atom.x, atom.y, atom.z,
                         atom.occupancy, atom.bIso});
    ASSERT_EQ(sites.size(), 1u);
    ASSERT_DOUBLE_EQ(sites[0].bIso, 0.46);
    const std::vector<CellAtom> atoms = expand(sites, 227, static_cast<float>(a));
    ASSERT_EQ(atoms.size(), 8u);

    const std::vector<Hkl> hkl = {{1, 1, 1}, {2, 2, 0}, {2, 2, 2}, {4, 4, 2}, {2, 0, 0}};
    const std::vector<double> squares = cubicSquares(hkl, a, atoms, Scattering::XRay);
    auto expected = [&](const Hkl& r, double geometric) {
        const double s = sOf(a, r);
        const double f = xRayFactor(kSiliconXRay, s) * std::exp(-0.46 * s * s);
        return geometric * f * f;
    };
    EXPECT_NEAR(squares[0] / expected(hkl[0], 32), 1.0, 1e-6);
    EXPECT_NEAR(squares[1] / expected(hkl[1], 64), 1.0, 1e-6);
    EXPECT_NEAR(squares[0] / squares[1], expected(hkl[0], 32) / expected(hkl[1], 64), 1e-6);
    // Forbidden by the atoms, allowed by the space group: zero to rounding.
    EXPECT_LT(squares[2], 1e-20 * squares[0]);
    EXPECT_LT(squares[3], 1e-20 * squares[0]);
    EXPECT_LT(squares[4], 1e-20 * squares[0]);
}

// Rock salt: F(111) = 4 (f_Na - f_Cl), F(200) = 4 (f_Na + f_Cl).
TEST(StructureFactors, RockSaltOddReflectionsWeighTheDifferenceOfTheIons) {
    const double a = 5.6402;
    const std::vector<CellAtom> atoms =
        expand({{"Na1", "Na1+", 0, 0, 0, 1, 0}, {"Cl1", "Cl1-", 0.5, 0.5, 0.5, 1, 0}}, 225,
               static_cast<float>(a));
    ASSERT_EQ(atoms.size(), 8u);
    const std::vector<Hkl> hkl = {{1, 1, 1}, {2, 0, 0}, {3, 1, 1}, {2, 2, 0}};
    const std::vector<double> squares = cubicSquares(hkl, a, atoms, Scattering::XRay);
    for (std::size_t i = 0; i < hkl.size(); ++i) {
        const double s = sOf(a, hkl[i]);
        const double na = xRayFactor(kSodiumXRay, s), cl = xRayFactor(kChlorineXRay, s);
        const bool odd = hkl[i].h % 2 != 0;
        const double f = 4 * (odd ? na - cl : na + cl);
        EXPECT_NEAR(squares[i] / (f * f), 1.0, 1e-6) << i;
    }
    EXPECT_LT(squares[0], 0.1 * squares[1]);
}

// bcc iron: h + k + l odd vanishes, (1 1 0) is the strongest line.
TEST(StructureFactors, BodyCentredIronHasItsStrongestLineAt110) {
    const test::LoadedStructure iron = loadCifFile("iron");
    ASSERT_EQ(iron.atoms.size(), 2u);
    std::vector<Hkl> hkl;
    for (std::int16_t h = -3; h <= 3; ++h)
        for (std::int16_t k = -3; k <= 3; ++k)
            for (std::int16_t l = -3; l <= 3; ++l)
                if (h != 0 || k != 0 || l != 0) hkl.push_back({h, k, l});
    const std::vector<double> squares =
        cubicSquares(hkl, iron.cell.a(), iron.atoms, Scattering::XRay);
    const std::vector<double> relative = relativeIntensities(squares);
    for (std::size_t i = 0; i < hkl.size(); ++i) {
        const int sum2 = hkl[i].h * hkl[i].h + hkl[i].k * hkl[i].k + hkl[i].l * hkl[i].l;
        const bool odd = (hkl[i].h + hkl[i].k + hkl[i].l) % 2 != 0;
        EXPECT_EQ(intensityText(relative[i]) == "0.0", odd) << hkl[i].h << hkl[i].k << hkl[i].l;
        EXPECT_EQ(intensityText(relative[i]) == "100.0", sum2 == 2)
            << hkl[i].h << hkl[i].k << hkl[i].l;
    }
}

// Cu3Au: ordered (Au on 1a, Cu on 3c of Pm-3m) its (1 0 0) superlattice line has F = f_Au - f_Cu;
// disordered (one fcc site shared, 3/4 Cu and 1/4 Au) it vanishes and (1 1 1) has
// F = 4 (3/4 f_Cu + 1/4 f_Au). Two sites on one position must both count.
TEST(StructureFactors, PartialOccupanciesOfSharedAndOrderedSites) {
    const double a = 3.7493;
    const std::vector<Hkl> hkl = {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
    const std::vector<CellAtom> ordered =
        expand({{"Au1", "Au", 0, 0, 0, 1, 0}, {"Cu1", "Cu", 0, 0.5, 0.5, 1, 0}}, 221,
               static_cast<float>(a));
    ASSERT_EQ(ordered.size(), 4u);
    const std::vector<CellAtom> disordered =
        expand({{"Cu1", "Cu", 0, 0, 0, 0.75, 0}, {"Au1", "Au", 0, 0, 0, 0.25, 0}}, 225,
               static_cast<float>(a));
    ASSERT_EQ(disordered.size(), 8u);

    const std::vector<double> orderedSquares = cubicSquares(hkl, a, ordered, Scattering::XRay);
    const std::vector<double> disorderedSquares =
        cubicSquares(hkl, a, disordered, Scattering::XRay);
    const double s100 = sOf(a, hkl[0]), s111 = sOf(a, hkl[2]);
    const double super = xRayFactor(kGoldXRay, s100) - xRayFactor(kCopperXRay, s100);
    EXPECT_NEAR(orderedSquares[0] / (super * super), 1.0, 1e-6);
    EXPECT_LT(disorderedSquares[0], 1e-20 * disorderedSquares[2]);
    EXPECT_LT(disorderedSquares[1], 1e-20 * disorderedSquares[2]);
    const double average =
        4 * (0.75 * xRayFactor(kCopperXRay, s111) + 0.25 * xRayFactor(kGoldXRay, s111));
    EXPECT_NEAR(disorderedSquares[2] / (average * average), 1.0, 1e-6);
}

// For the same crystal, electrons follow the Mott-Bethe formula
// f_e(s) = 0.023934 (Z - f_x(s)) / s^2 (angstrom) of the X-ray factor, to the accuracy of the
// two independent fits; and they are the 5-Gaussian table's values.
TEST(StructureFactors, ElectronAndXRayFactorsOfOneCrystalDifferAsTheTablesSay) {
    const double a = 5.4307;
    const std::vector<CellAtom> atoms =
        expand({{"Si1", "Si", 0, 0, 0, 1, 0}}, 227, static_cast<float>(a));
    const std::vector<Hkl> hkl = {{2, 2, 0}, {4, 0, 0}, {4, 4, 0}, {8, 0, 0}, {8, 8, 0}};
    const std::vector<double> xRay = cubicSquares(hkl, a, atoms, Scattering::XRay);
    const std::vector<double> electron = cubicSquares(hkl, a, atoms, Scattering::Electron);
    for (std::size_t i = 0; i < hkl.size(); ++i) {
        const double s = sOf(a, hkl[i]);
        // All five reflections have F = 8 f.
        EXPECT_NEAR(std::sqrt(electron[i]) / (8 * electronFactor(kSiliconElectron, s)), 1.0, 1e-6);
        const double mottBethe = 0.023934 * (14 - xRayFactor(kSiliconXRay, s)) / (s * s);
        EXPECT_NEAR(std::sqrt(electron[i] / xRay[i]) * xRayFactor(kSiliconXRay, s) / mottBethe, 1.0,
                    0.03)
            << "s = " << s;
    }
}

// The sums of make_reference.py (gemmi's expansion and tables) for every test structure:
// read from its CIF as the program will, in both radiations, on one thread and three, with
// and without the phase tables.
struct ReferenceRow {
    Hkl hkl;
    float d;
    double xRay, electron;
};
struct ReferenceStructure {
    std::size_t atomCount = 0;
    std::vector<ReferenceRow> rows;
};

std::map<std::string, ReferenceStructure> readReference() {
    std::ifstream in(std::string(TAVREL_TEST_DATA) + "/structure_factors/reference.txt");
    std::map<std::string, ReferenceStructure> structures;
    std::string line, name;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        if (line.starts_with("structure")) {
            std::string word;
            fields >> word >> name >> structures[name].atomCount;
            continue;
        }
        ReferenceRow row{};
        double d = 0;
        fields >> row.hkl.h >> row.hkl.k >> row.hkl.l >> d >> row.xRay >> row.electron;
        row.d = static_cast<float>(d);
        structures[name].rows.push_back(row);
    }
    return structures;
}

void expectReferenceSums(const ReferenceStructure& reference, const std::vector<CellAtom>& atoms,
                         const std::string& name) {
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;
    double strongest = 0;
    for (const ReferenceRow& row : reference.rows) {
        h.push_back(row.hkl.h);
        k.push_back(row.hkl.k);
        l.push_back(row.hkl.l);
        d.push_back(row.d);
        strongest = std::max(strongest, row.xRay);
    }
    const ReflectionIndices indices{h, k, l, d};
    const std::vector<StructureFactorOptions> variants = {
        {1, StructureFactorOptions{}.phaseTableBytes}, {3, 0}, {3, 1u << 30}};
    std::vector<double> firstXRay;
    for (const StructureFactorOptions& options : variants) {
        Result<std::vector<double>> xRay =
            squaredStructureFactors(indices, atoms, Scattering::XRay, options);
        Result<std::vector<double>> electron =
            squaredStructureFactors(indices, atoms, Scattering::Electron, options);
        ASSERT_TRUE(xRay && electron);
        for (std::size_t i = 0; i < reference.rows.size(); ++i) {
            const ReferenceRow& row = reference.rows[i];
            // d enters as a 4-byte float: a relative 1e-7 in s^2.
            EXPECT_NEAR((*xRay)[i], row.xRay, 2e-6 * std::max(row.xRay, 1e-3 * strongest))
                << name << " " << row.hkl.h << " " << row.hkl.k << " " << row.hkl.l;
            EXPECT_NEAR((*electron)[i], row.electron, 2e-6 * std::max(row.electron, 1e-6))
                << name << " " << row.hkl.h << " " << row.hkl.k << " " << row.hkl.l;
        }
        // One thread or three, the same bits.
        if (options.threads == 1) {
            firstXRay = *xRay;
        } else if (options.phaseTableBytes != 0) {
            EXPECT_EQ(*xRay, firstXRay) << name;
        }
    }
}

TEST(StructureFactors, AgreeWithAnIndependentSumForEveryTestStructure) {
    const std::map<std::string, ReferenceStructure> reference = readReference();
    ASSERT_EQ(reference.size(), 9u);
    for (const auto& [name, structure] : reference) {
        const test::LoadedStructure loaded = loadCifFile(name);
        ASSERT_EQ(loaded.atoms.size(), structure.atomCount) << name;
        ASSERT_GT(structure.rows.size(), 250u) << name;
        expectReferenceSums(structure, loaded.atoms, name);
    }
}

// The samples of the table in the list's own setting give the same lines as the literature's
// structure written with its own operations.
TEST(StructureFactors, SampleSitesInTheListSettingAgreeWithTheReference) {
    const std::map<std::string, ReferenceStructure> reference = readReference();
    for (const auto& [sampleName, fileName] :
         {std::pair{"Corundum", "corundum"}, std::pair{"Quartz", "quartz"}}) {
        SpaceGroupEngine engine;
        engine.setCellValue(5, 120);
        const test::LoadedStructure fromFile = loadCifFile(fileName);
        engine.selectRow(engine.rowForGroup(std::string_view(sampleName) == "Quartz" ? 154 : 167));
        std::vector<AtomSite> sites;
        for (const SampleAtom& atom : sampleAtoms(sampleName))
            sites.push_back({std::string(atom.label), std::string(atom.element), atom.x, atom.y,
                             atom.z, atom.occupancy, atom.bIso});
        Result<std::vector<CellAtom>> atoms = expandToCell(sites, engine.symOps(), fromFile.cell);
        ASSERT_TRUE(atoms) << atoms.problem();
        expectReferenceSums(reference.at(fileName), *atoms, sampleName);
    }
}

TEST(StructureFactors, RelativeIntensitiesAndTheirTexts) {
    const std::vector<double> relative = relativeIntensities(std::vector<double>{3, 12, 0, 1e-9});
    EXPECT_EQ(relative, (std::vector<double>{25, 100, 0, 1e-9 * 100 / 12}));
    EXPECT_EQ(relativeIntensities(std::vector<double>{0, 0}), (std::vector<double>{0, 0}));
    EXPECT_TRUE(relativeIntensities(std::vector<double>{}).empty());

    test::CommaLocale comma;
    for (const auto& [value, text] : std::vector<std::pair<double, std::string>>{
             {100, "100.0"}, {33.333333, "33.3"}, {0.04, "0.0"}, {0.05000001, "0.1"}, {0, "0.0"}})
        EXPECT_EQ(intensityText(value), text) << value;
}

TEST(StructureFactors, RefusesWhatItCannotSum) {
    const std::vector<std::int16_t> two = {1, 2}, one = {1};
    const std::vector<float> d = {2.0f, 1.0f};
    const std::vector<CellAtom> silicon = {{0, {"Si", 14, 0}, 1, 0, {0, 0, 0}}};
    EXPECT_FALSE(squaredStructureFactors({two, two, one, d}, silicon, Scattering::XRay));

    const std::vector<CellAtom> einsteinium = {{0, {"Es", 99, 0}, 1, 0, {0, 0, 0}}};
    Result<std::vector<double>> refused =
        squaredStructureFactors({two, two, two, d}, einsteinium, Scattering::Electron);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.problem().find("Es"), std::string::npos) << refused.problem();

    // No atoms: every line has no strength.
    Result<std::vector<double>> empty =
        squaredStructureFactors({two, two, two, d}, {}, Scattering::XRay);
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, (std::vector<double>{0, 0}));
}

} // namespace
} // namespace tavrel
