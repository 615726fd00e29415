#include "structure/cif_atoms.h"

#include "structure_test_util.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

TEST(CifAtomSites, TypeSymbolsLabelsAndNumbersAsWritersWriteThem) {
    const std::vector<std::tuple<const char*, Species>> species = {
        {"Fe", {"Fe", 26, 0}}, {"O2-", {"O", 8, -2}},     {"Fe3+", {"Fe", 26, 3}},
        {"O-2", {"O", 8, -2}}, {"Na+", {"Na", 11, 1}},    {"Fe1a", {"Fe", 26, 0}},
        {"OW", {"O", 8, 0}},   {"CL2", {"Cl", 17, 0}},    {"H(SDS)", {"H", 1, 0}},
        {"D", {"D", 1, 0}},    {" ca2+ ", {"Ca", 20, 2}}, {"Co", {"Co", 27, 0}}};
    for (const auto& [text, expected] : species)
        EXPECT_EQ(speciesOf(text).value(), expected) << text;
    for (const std::string unknown : {"Xx", "Q1", "", "12"})
        EXPECT_TRUE(contains(speciesOf(unknown).problem(), "\"" + unknown + "\"")) << unknown;

    EXPECT_EQ(cifNumber("0.1234(5)").value() + cifNumber("-.5").value() + *cifNumber("+1e-3"),
              0.1234 - 0.5 + 0.001);
    for (const char* text : {"", "abc", "0.12(3", "1/3", "(5)"})
        EXPECT_FALSE(cifNumber(text)) << text;
}

// Without type symbols the labels name the elements ("Fe1a", "OW"); uncertainties are dropped,
// U becomes B; a dummy site is no atom; the dotted names are read too.
TEST(CifAtomSites, SitesOfFilesWithAndWithoutTypeSymbols) {
    const test::LoadedStructure loaded = test::loadCifFile("monoclinic");
    ASSERT_EQ(loaded.sites.size(), 4u);
    EXPECT_EQ(loaded.sites[0].typeSymbol + loaded.sites[1].typeSymbol + loaded.sites[2].typeSymbol,
              "FeOCl");
    EXPECT_EQ(loaded.sites[1].label + " " + std::to_string(loaded.sites[1].x), "OW 0.211300");
    EXPECT_NEAR(loaded.sites[1].bIso, 8 * M_PI * M_PI * 0.0251, 1e-12);

    const UnitCell cell{{5, 5, 5, 90, 90, 90}};
    EXPECT_TRUE(atomSitesFromCif({{"_cell_length_a", {"5"}}}, cell)->empty());
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
    EXPECT_EQ(atomSitesFromCif(items, cell).value(),
              (std::vector<AtomSite>{{"Zn1", "Zn2+", 0, 0, 0, 1, 0.8},
                                     {"S1", "S", 0.25, 0.25, 0.25, 0.5, 0}}));
}

// Monoclinic (b unique): Ueq = [U22 + (U11 + U33 + 2 U13 cos beta) / sin^2 beta] / 3; orthogonal
// cells: a third of the trace. The triclinic file's tensors are checked through |F|^2 against
// make_reference.py, which takes the trace of the Cartesian tensor.
TEST(CifAtomSites, AnisotropicValuesGiveTheEquivalentIsotropicB) {
    const test::LoadedStructure loaded = test::loadCifFile("anisotropic_b");
    ASSERT_EQ(loaded.sites.size(), 2u);
    // B11..B23 by _atom_site_aniso_type_symbol, as the file holds them.
    const double b11 = 0.80536, b22 = 1.03433, b33 = 0.686924, b13 = 0.165809;
    const double sine = std::sin(112.31 * M_PI / 180), cosine = std::cos(112.31 * M_PI / 180);
    EXPECT_NEAR(loaded.sites[0].bIso, (b22 + (b11 + b33 + 2 * b13 * cosine) / (sine * sine)) / 3,
                1e-6);
    EXPECT_EQ(loaded.sites[1].bIso, 0.93); // "Biso"

    EXPECT_NEAR(
        equivalentIsotropicU({0.01, 0.02, 0.03, 0.005, -0.004, 0.002}, {{4, 7, 9, 90, 90, 90}}),
        0.02, 1e-15);
}

TEST(CifAtomSites, RefusedSitesNameTheSiteAndTheItem) {
    const UnitCell cell{{5, 5, 5, 90, 90, 90}};
    auto with = [](const std::string& item, std::vector<std::string> values) {
        CifItems items = {{"_atom_site_label", {"Fe1"}},
                          {"_atom_site_fract_x", {"0"}},
                          {"_atom_site_fract_y", {"0"}},
                          {"_atom_site_fract_z", {"0"}}};
        items[item] = std::move(values);
        return items;
    };
    const std::vector<std::pair<CifItems, std::vector<std::string>>> cases = {
        {with("_atom_site_fract_y", {"0.1x"}), {"Fe1", "_atom_site_fract_y", "0.1x"}},
        {with("_atom_site_fract_z", {""}), {"Fe1", "_atom_site_fract_z"}},
        {with("_atom_site_type_symbol", {"Qq"}), {"Fe1", "Qq"}},
        {with("_atom_site_fract_x", {"0", "0.5"}), {"_atom_site_fract_x"}},
        {{{"_atom_site_label", {"Fe1"}}, {"_atom_site_fract_x", {"0"}}}, {"_atom_site_fract_y"}},
        {{{"_atom_site_fract_x", {"0"}}}, {"_atom_site_label"}},
    };
    for (const auto& [items, named] : cases) {
        const std::string problem = atomSitesFromCif(items, cell).problem();
        for (const std::string& name : named) EXPECT_TRUE(contains(problem, name)) << problem;
    }
}

} // namespace
} // namespace tavrel
