#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/cif_writer.h"

#include "structure_test_util.h"

#include "common/text.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

TEST(CifWriter, OperationsAsXyzTexts) {
    auto m = [](std::array<float, 4> x, std::array<float, 4> y, std::array<float, 4> z) {
        return Matrix4{x, y, z, {0, 0, 0, 1}};
    };
    EXPECT_EQ(xyzText(m({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0})), "x,y,z");
    EXPECT_EQ(xyzText(m({0, -1, 0, 0}, {1, -1, 0, 0}, {0, 0, 1, 2.0f / 3})), "-y,x-y,z+2/3");
    EXPECT_EQ(xyzText(m({-1, 0, 0, -0.5f}, {0, -1, 1, 1.0f / 6}, {0, 0, -1, 0.125f})),
              "-x-1/2,-y+z+1/6,-z+1/8");
    EXPECT_EQ(xyzText(m({1, 0, 0, 0.1f}, {0, 1, 0, 1}, {0, 0, 1, 0})), "x+0.1,y+1,z");
}

// What is written comes back through gemmi's parser and the session's CIF reader as the same
// title, cell, setting and sites to the last bit, in a decimal-comma locale too; titles and
// labels that need quotes (or more) keep their text.
TEST(CifWriter, ReadsBackToTheSameValues) {
    const int row = rowForGroup(154, RGroupAxes::Hexagonal);
    const SpaceGroup group = SpaceGroup::ofRow(row);
    CifContents contents;
    contents.blockName = "alpha quartz";
    contents.cell.values = {4.9128f, 4.9128f, 5.4042f, 90, 90, 120};
    contents.spaceGroupNumber = 154;
    contents.hallSymbol = group.hallSymbol();
    contents.hermannMauguinSymbol = "P 32 2 1";
    contents.operations = xyzTexts(group.operations());
    contents.sites = test::sitesOf("Quartz");
    for (AtomSite& site : contents.sites) site.occupancy = 0.97, site.bIso = 1.0 / 3;
    contents.sites[0].label = "Si 1";
    contents.sites[1].typeSymbol = "O2-";

    test::CommaLocale comma;
    for (const std::string title :
         {"Quartz", "Fool's gold", "He said \"no\" and 'yes' ", "data_x", "#hash", "two\nlines"}) {
        for (const bool asU : {false, true}) {
            contents.title = title;
            contents.titleIsMineralName = asU;
            contents.displacementAsU = asU;
            const std::string text = cifText(contents).value();
            EXPECT_TRUE(text.starts_with("data_alpha_quartz\n")) << text;
            EXPECT_EQ(text.find("0,97"), std::string::npos) << text;

            const Result<CifStructure> reading = readCifText(text, "written.cif");
            ASSERT_TRUE(reading) << reading.problem() << "\n" << text;
            // The session's reader makes the title one trimmed line.
            EXPECT_EQ(reading->title, trim(replaceAll(title, "\n", " "))) << text;
            EXPECT_EQ(reading->cell, (std::array<std::string, 6>{"4.9128", "4.9128", "5.4042", "90",
                                                                 "90", "120"}));
            EXPECT_EQ(reading->settingRow, row);
            EXPECT_TRUE(reading->warnings.empty());

            test::LoadedStructure loaded = test::loadCifText(text, "written.cif");
            ASSERT_EQ(loaded.sites.size(), 2u);
            EXPECT_EQ(loaded.atoms.size(), 9u);
            for (std::size_t i = 0; i < 2; ++i) {
                EXPECT_NEAR(loaded.sites[i].bIso, 1.0 / 3, asU ? 1e-15 : 0.0);
                loaded.sites[i].bIso = contents.sites[i].bIso;
                EXPECT_EQ(loaded.sites[i], contents.sites[i]) << text;
            }
        }
    }
}

} // namespace
} // namespace tavrel
