#include "structure/cif_writer.h"

#include "structure_test_util.h"

#include "common/text.h"
#include "samples/sample_atoms.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

Matrix4 matrixOf(const std::array<std::array<float, 4>, 3>& rows) {
    Matrix4 m{};
    for (std::size_t r = 0; r < 3; ++r) m[r] = rows[r];
    m[3] = {0, 0, 0, 1};
    return m;
}

TEST(CifWriter, OperationsAsXyzTexts) {
    const std::vector<std::pair<Matrix4, std::string>> cases = {
        {matrixOf({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}}), "x,y,z"},
        {matrixOf({{{0, -1, 0, 0}, {1, -1, 0, 0}, {0, 0, 1, 2.0f / 3}}}), "-y,x-y,z+2/3"},
        {matrixOf({{{1, 0, 0, 0.25f}, {0, 0, -1, 0.75f}, {0, 1, 0, 0.25f}}}), "x+1/4,-z+3/4,y+1/4"},
        {matrixOf({{{-1, 0, 0, -0.5f}, {0, -1, 1, 1.0f / 6}, {0, 0, -1, 0.125f}}}),
         "-x-1/2,-y+z+1/6,-z+1/8"},
        {matrixOf({{{1, 0, 0, 0.1f}, {0, 1, 0, 1}, {0, 0, 1, 0}}}), "x+0.1,y+1,z"},
    };
    for (const auto& [m, text] : cases) EXPECT_EQ(xyzText(m), text);
}

CifContents quartzContents() {
    SpaceGroupEngine engine;
    engine.setCellValue(5, 120);
    engine.selectRow(engine.rowForGroup(154));
    CifContents contents;
    contents.blockName = "alpha quartz";
    contents.title = "Quartz";
    contents.titleIsMineralName = true;
    contents.cell.values = {4.9128f, 4.9128f, 5.4042f, 90, 90, 120};
    contents.spaceGroupNumber = engine.number();
    contents.hallSymbol = engine.hallSymbol();
    contents.hermannMauguinSymbol = "P 32 2 1";
    contents.operations = xyzTexts(engine.symOps());
    for (const SampleAtom& atom : sampleAtoms("Quartz"))
        contents.sites.push_back({std::string(atom.label), std::string(atom.element), atom.x,
                                  atom.y, atom.z, atom.occupancy, atom.bIso});
    contents.sites[0].occupancy = 0.97;
    contents.sites[0].bIso = 0.52;
    contents.sites[1].bIso = 1.0 / 3; // no short decimal
    return contents;
}

// What is written comes back, through gemmi's parser and the session's CIF reader, as the same
// cell, the same setting and the same sites to the last bit; in a decimal-comma locale too.
TEST(CifWriter, ReadsBackToTheSameValues) {
    SpaceGroupEngine engine;
    engine.setCellValue(5, 120);
    const int quartzRow = engine.rowForGroup(154);
    for (const bool asU : {false, true}) {
        test::CommaLocale comma;
        CifContents contents = quartzContents();
        contents.displacementAsU = asU;
        const std::string text = cifText(contents);
        EXPECT_TRUE(text.starts_with("data_alpha_quartz\n")) << text;
        EXPECT_NE(text.find("_cell_length_c 5.4042\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("0,9"), std::string::npos) << text; // 0.97 and 0.52
        EXPECT_EQ(text.find("0,5"), std::string::npos) << text;

        const CifReading reading = readCifText(text, "written.cif");
        ASSERT_TRUE(reading.structure) << reading.error << "\n" << text;
        EXPECT_EQ(reading.structure->title, "Quartz");
        EXPECT_EQ(reading.structure->cell,
                  (std::array<std::string, 6>{"4.9128", "4.9128", "5.4042", "90", "90", "120"}));
        EXPECT_EQ(reading.structure->settingRow, quartzRow);
        EXPECT_TRUE(reading.structure->warnings.empty());

        const test::LoadedStructure loaded = test::loadCifText(text, "written.cif");
        ASSERT_EQ(loaded.sites.size(), 2u);
        if (asU) {
            for (std::size_t i = 0; i < 2; ++i)
                EXPECT_NEAR(loaded.sites[i].bIso, contents.sites[i].bIso, 1e-14);
            AtomSite first = loaded.sites[0];
            first.bIso = contents.sites[0].bIso;
            EXPECT_EQ(first, contents.sites[0]);
        } else {
            EXPECT_EQ(loaded.sites, contents.sites);
        }
        EXPECT_EQ(loaded.atoms.size(), 9u);
    }
}

// Texts that need quotes, or more than quotes, come back unchanged.
TEST(CifWriter, QuotesTextsAsTheyNeed) {
    for (const std::string title : {"Fool's gold", "Pyrite 'FeS2'", "He said \"no\" and 'yes' ",
                                    "data_x", "_underscore", "#hash", "two\nlines", "plain"}) {
        CifContents contents;
        contents.blockName = "t";
        contents.title = title;
        contents.cell.values = {5, 5, 5, 90, 90, 90};
        contents.sites = {{"Fe 1", "Fe3+", 0.5, 0, -0.0, 1, 0}};
        const std::string text = cifText(contents);
        const CifReading reading = readCifText(text, "quoted.cif");
        ASSERT_TRUE(reading.structure) << reading.error << "\n" << text;
        // The session's reader makes the title one trimmed line.
        EXPECT_EQ(reading.structure->title, trim(replaceAll(title, "\n", " "))) << text;
        const test::LoadedStructure loaded = test::loadCifText(text, "quoted.cif");
        ASSERT_EQ(loaded.sites.size(), 1u) << text;
        EXPECT_EQ(loaded.sites[0].label, "Fe 1");
        EXPECT_EQ(loaded.sites[0].typeSymbol, "Fe3+");
    }
}

} // namespace
} // namespace tavrel
