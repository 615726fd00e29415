#include "structure/cif_atoms.h"

#include "structure_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tavrel {
namespace {

TEST(AtomSpecies, TypeSymbolsAndLabelsAsWritersWriteThem) {
    struct Case {
        const char* text;
        const char* element;
        int atomicNumber;
        int charge;
    };
    const std::vector<Case> cases = {
        {"Fe", "Fe", 26, 0}, {"O2-", "O", 8, -2},     {"Fe3+", "Fe", 26, 3},  {"Si4+", "Si", 14, 4},
        {"O-2", "O", 8, -2}, {"Na+", "Na", 11, 1},    {"Cl1-", "Cl", 17, -1}, {"Fe1a", "Fe", 26, 0},
        {"OW", "O", 8, 0},   {"CL2", "Cl", 17, 0},    {"O2a", "O", 8, 0},     {"H(SDS)", "H", 1, 0},
        {"D", "D", 1, 0},    {" ca2+ ", "Ca", 20, 2}, {"C1", "C", 6, 0},      {"Co", "Co", 27, 0},
        {"W", "W", 74, 0},
    };
    for (const Case& c : cases) {
        Result<Species> species = speciesOf(c.text);
        ASSERT_TRUE(species) << c.text << ": " << species.problem();
        EXPECT_EQ(*species, (Species{c.element, c.atomicNumber, c.charge})) << c.text;
    }
    for (const char* unknown : {"Xx", "Q1", "", "12", "?"}) {
        Result<Species> species = speciesOf(unknown);
        ASSERT_FALSE(species) << unknown;
        EXPECT_NE(species.problem().find(std::string("\"") + unknown + "\""), std::string::npos)
            << species.problem();
    }
    EXPECT_EQ(typeSymbolOf({"Fe", 26, 3}), "Fe3+");
    EXPECT_EQ(typeSymbolOf({"O", 8, -2}), "O2-");
    EXPECT_EQ(typeSymbolOf({"Na", 11, 1}), "Na+");
    EXPECT_EQ(typeSymbolOf({"Si", 14, 0}), "Si");
}

TEST(CifAtomSites, NumbersWithUncertaintiesAndWithout) {
    for (const auto& [text, value] :
         std::vector<std::pair<std::string, double>>{{"0.1234(5)", 0.1234},
                                                     {"-.5", -0.5},
                                                     {"+0.25", 0.25},
                                                     {"1e-3", 0.001},
                                                     {" 12 ", 12},
                                                     {"0.0251(12)", 0.0251}})
        EXPECT_EQ(cifNumber(text), value) << text;
    for (const char* text : {"", "abc", "0.12(3", "1/3", "0.1x", "(5)"})
        EXPECT_FALSE(cifNumber(text)) << text;
}

// No type symbols: the labels name the elements; standard uncertainties are dropped; U becomes B.
TEST(CifAtomSites, MonoclinicFileWithoutTypeSymbols) {
    const test::LoadedStructure loaded = test::loadCifFile("monoclinic");
    ASSERT_EQ(loaded.sites.size(), 4u);
    const AtomSite& water = loaded.sites[1];
    EXPECT_EQ(water.label, "OW");
    EXPECT_EQ(water.typeSymbol, "O");
    EXPECT_EQ(loaded.sites[0].typeSymbol, "Fe");
    EXPECT_EQ(loaded.sites[2].typeSymbol, "Cl");
    EXPECT_EQ(loaded.sites[3].typeSymbol, "C");
    EXPECT_EQ(water.x, 0.2113);
    EXPECT_EQ(water.z, 0.3342);
    EXPECT_EQ(water.occupancy, 1.0);
    EXPECT_NEAR(water.bIso, 8 * M_PI * M_PI * 0.0251, 1e-12);
}

// Monoclinic cell (b unique): Ueq = [U22 + (U11 + U33 + 2 U13 cos beta) / sin^2 beta] / 3.
TEST(CifAtomSites, AnisotropicValuesGiveTheEquivalentIsotropicB) {
    const test::LoadedStructure loaded = test::loadCifFile("anisotropic_b");
    ASSERT_EQ(loaded.sites.size(), 2u);
    // The file holds B11..B23 (8 pi^2 U) by _atom_site_aniso_type_symbol.
    const double b11 = 0.80536, b22 = 1.03433, b33 = 0.686924, b13 = 0.165809;
    const double beta = 112.31 * M_PI / 180;
    const double bEquivalent =
        (b22 + (b11 + b33 + 2 * b13 * std::cos(beta)) / (std::sin(beta) * std::sin(beta))) / 3;
    EXPECT_NEAR(loaded.sites[0].bIso, bEquivalent, 1e-6);
    EXPECT_EQ(loaded.sites[1].bIso, 0.93); // "Biso": the loop does not hold it

    // Orthogonal cells: a third of the trace, whatever the off-diagonal terms.
    UnitCell orthorhombic;
    orthorhombic.values = {4, 7, 9, 90, 90, 90};
    EXPECT_NEAR(equivalentIsotropicU({0.01, 0.02, 0.03, 0.005, -0.004, 0.002}, orthorhombic), 0.02,
                1e-15);

    // Triclinic: the tensor wins over the file's isotropic value, which it does not match.
    const test::LoadedStructure triclinic = test::loadCifFile("anisotropic");
    ASSERT_EQ(triclinic.sites.size(), 3u);
    EXPECT_GT(std::abs(triclinic.sites[0].bIso - 0.02 * kUToB), 0.1);
    EXPECT_NEAR(triclinic.sites[2].bIso, 0.0087 * kUToB, 1e-12);
}

TEST(CifAtomSites, DefaultsAndBlocksWithoutAtoms) {
    UnitCell cell;
    cell.values = {5, 5, 5, 90, 90, 90};
    Result<std::vector<AtomSite>> none = atomSitesFromCif({{"_cell_length_a", {"5"}}}, cell);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());

    // Dotted names; a missing occupancy is 1, a missing displacement 0; a dummy site is no atom.
    // clang-format off
    const CifItems items = {{"_atom_site.label", {"Zn1", "Q1", "S1"}},
                            {"_atom_site.type_symbol", {"Zn2+", "Q", ""}},
                            {"_atom_site.fract_x", {"0", "0.1", "0.25"}},
                            {"_atom_site.fract_y", {"0", "0.1", "0.25"}},
                            {"_atom_site.fract_z", {"0", "0.1", "0.25"}},
                            {"_atom_site.occupancy", {"", "1", "0.5"}},
                            {"_atom_site.calc_flag", {"d", "dum", ""}},
                            {"_atom_site.b_iso_or_equiv", {"0.8", "", ""}}};
    // clang-format on
    Result<std::vector<AtomSite>> sites = atomSitesFromCif(items, cell);
    ASSERT_TRUE(sites) << sites.problem();
    EXPECT_EQ(*sites, (std::vector<AtomSite>{{"Zn1", "Zn2+", 0, 0, 0, 1, 0.8},
                                             {"S1", "S", 0.25, 0.25, 0.25, 0.5, 0}}));

    const std::vector<std::string> names = atomSiteItemNames();
    for (const char* name :
         {"_atom_site_label", "_atom_site_fract_x", "_atom_site.fract_z",
          "_atom_site_u_iso_or_equiv", "_atom_site_adp_type", "_atom_site_aniso_u_13",
          "_atom_site_aniso_b_22", "_atom_site_aniso_type_symbol", "_atom_site_aniso.label"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST(CifAtomSites, RefusedSitesNameTheSiteAndTheItem) {
    UnitCell cell;
    cell.values = {5, 5, 5, 90, 90, 90};
    auto withColumn = [](const std::string& item, std::vector<std::string> values) {
        CifItems items = {{"_atom_site_label", {"Fe1"}},
                          {"_atom_site_fract_x", {"0"}},
                          {"_atom_site_fract_y", {"0"}},
                          {"_atom_site_fract_z", {"0"}}};
        items[item] = std::move(values);
        return items;
    };
    struct Case {
        CifItems items;
        std::vector<std::string> named;
    };
    const std::vector<Case> cases = {
        {withColumn("_atom_site_fract_y", {"0.1x"}), {"Fe1", "_atom_site_fract_y", "0.1x"}},
        {withColumn("_atom_site_fract_z", {""}), {"Fe1", "_atom_site_fract_z"}},
        {withColumn("_atom_site_type_symbol", {"Qq"}), {"Fe1", "Qq"}},
        {withColumn("_atom_site_occupancy", {"full"}), {"Fe1", "_atom_site_occupancy"}},
        {withColumn("_atom_site_u_iso_or_equiv", {"?x"}), {"Fe1", "_atom_site_u_iso_or_equiv"}},
        {withColumn("_atom_site_fract_x", {"0", "0.5"}), {"_atom_site_fract_x"}},
        {{{"_atom_site_label", {"Fe1"}}, {"_atom_site_fract_x", {"0"}}}, {"_atom_site_fract_y"}},
        {{{"_atom_site_fract_x", {"0"}}}, {"_atom_site_label"}},
    };
    for (const Case& c : cases) {
        Result<std::vector<AtomSite>> sites = atomSitesFromCif(c.items, cell);
        ASSERT_FALSE(sites) << c.named.front();
        for (const std::string& name : c.named)
            EXPECT_NE(sites.problem().find(name), std::string::npos) << sites.problem();
    }
}

} // namespace
} // namespace tavrel
