#include "common/text.h"
#include "session/cif_file.h"
#include "session/input_files.h"
#include "spacegroup/settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

std::string cif(const std::string& cell, const std::string& symbol) {
    static const char* const kNames[] = {"length_a",    "length_b",   "length_c",
                                         "angle_alpha", "angle_beta", "angle_gamma"};
    std::string text = "data_x\n_symmetry_space_group_name_H-M '" + symbol + "'\n";
    const std::vector<std::string> values = splitBlanks(cell);
    for (std::size_t i = 0; i < values.size(); ++i)
        text += std::string("_cell_") + kNames[i] + " " + values[i] + "\n";
    return text;
}

// A cell that breaks its setting's constraints by more than its standard uncertainties (0.1 % of
// a length or 0.1 degree where the file gives none) is refused naming the parameter and the
// group (expected after "!"); within them it is taken (expected: the setting).
TEST(CifFile, TheCellMustFitItsGroup) {
    const std::pair<std::string, const char*> cases[] = {
        {cif("4.1 4.3 5 90 90 90", "P 4/m m m"), "!P 4/m m m: b = 4.3 should equal a = 4.1"},
        {cif("3 3 5 90 90 90", "P 63/m m c"), "!P 63/m m c: gamma = 90 should be 120"},
        {cif("90 90 90 4.583 4.583 4.583", "F m -3 m"), "!F m -3 m: alpha = 4.583 should be 90"},
        {cif("4.1000(5) 4.1030(5) 5", "P 4/m m m"), "!b = 4.1030 should equal a = 4.1000"},
        {cif("5 6 7 90 95 90", "P 1 1 21/b"), "!beta = 95 should be 90"},
        {cif("5 5 5 80 80 81", "R -3 m"), "!R -3 m = 166:R: gamma = 81 should equal alpha = 80"},
        {cif("5 5 5 90.05(2) 90 90", "I m -3 m"), "!alpha = 90.05 should be 90"},
        {cif("4.1000(5) 4.1008(5) 5", "P 4/m m m"), "P 4/m m m"},
        {cif("5.000 5.004 4.996 90 90 90.05", "P m -3 m"), "P m -3 m"},
        {cif("5 6 7 90 90 95", "P 1 1 21/b"), "P 21/c = P 1 1 21/b = P 21/b = 14:c3"}};
    for (const auto& [text, expected] : cases) {
        const Result<CifStructure> read = readCifText(text, "c.cif");
        if (expected[0] == '!')
            EXPECT_TRUE(startsWith(read.problem(), "\"c.cif\" (data_x): its cell does not fit "
                                                   "its space group ") &&
                        contains(read.problem(), expected + 1))
                << read.problem();
        else
            EXPECT_EQ(read ? extendedSymbolOfRow(read->settingRow) : read.problem(), expected);
    }
}

// A byte-order mark is read past; a title of a megabyte is cut at a character boundary with a
// word (in a CIF and a pattern input file alike); a missing file says "cannot be read" once.
TEST(CifFile, MarksTitlesAndMessages) {
    std::string name;
    for (int i = 0; i < 400000; ++i) name += "\xC3\xA9"; // two bytes each
    const Result<CifStructure> read = readCifText("\xEF\xBB\xBF" + cif("3.6 3.6 3.6", "F m -3 m") +
                                                      "_chemical_name_mineral '" + name + "'",
                                                  "t.cif");
    ASSERT_TRUE(read) << read.problem();
    EXPECT_EQ(read->title, name.substr(0, 2 * kLongestTitle));
    EXPECT_EQ(read->warnings, std::vector<std::string>{"\"t.cif\" (data_x): its title is longer "
                                                       "than 1000 characters; only the first "
                                                       "1000 were kept"});

    test::TempDir dir;
    std::string tvr = std::string(kTvrHeader) + "\n" + std::string(100000, 'x') + "\n224\n";
    for (int line = 4; line <= 22; ++line) tvr += line <= 6 ? "4\n" : "90\n";
    const Result<InputFile> file = readInputFile(dir.write("t.tvr", tvr), InputFormat::Tvr, {});
    ASSERT_TRUE(file) << file.problem();
    EXPECT_EQ(file->fields.title, std::string(kLongestTitle, 'x'));
    EXPECT_EQ(file->warnings.size(), 1u);

    EXPECT_EQ(readCifFile(dir.file("no.cif")).problem(),
              "\"" + dir.file("no.cif") + "\" cannot be read: No such file or directory");
}

} // namespace
} // namespace tavrel
