#include "samples/sample_list.h"

#include "common/file_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavrel {
namespace {

using Source = SampleListLoad::Source;
using Texts = std::vector<std::string>;

Texts namesAndCells(const SampleList& list) {
    Texts out;
    for (const Sample& s : list.samples()) out.push_back(s.name + "|" + s.cellText());
    return out;
}

// No file: the built-in list, and the default file written, which the next start reads; a
// folder where the file should be: the built-in list, and nothing is written over it; no
// folder to write the default file into: the built-in list all the same.
TEST(SampleList, LoadedFromTheFileOrBuiltIn) {
    test::TempDir dir;
    const SampleListLoad first = loadSampleList(dir.file("cellmenu.txt"));
    EXPECT_EQ(std::pair(first.source, first.list.size()),
              std::pair(Source::BuiltInCreated, std::size_t{22}));
    EXPECT_EQ(test::readFile(dir.file("cellmenu.txt")), fullDefaultCellMenu());
    const SampleListLoad second = loadSampleList(dir.file("cellmenu.txt"));
    EXPECT_EQ(second.source, Source::File);
    EXPECT_EQ(second.list.samples(), first.list.samples());

    std::filesystem::create_directory(dir.file("folder"));
    const SampleListLoad unreadable = loadSampleList(dir.file("folder"));
    EXPECT_EQ(std::pair(unreadable.source, unreadable.list.size()),
              std::pair(Source::BuiltInUnreadable, std::size_t{22}));
    EXPECT_NE(unreadable.error, "");
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"cellmenu.txt", "folder"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder")));
    const SampleListLoad unwritable = loadSampleList(dir.file("lib/cellmenu.txt"));
    EXPECT_EQ(std::pair(unwritable.source, unwritable.list.size()),
              std::pair(Source::BuiltInNotCreated, std::size_t{22}));
}

// The built-in list and the default file are kept apart; they must hold the same samples. The
// short file (the one a user gets to edit) is the full one's first lines and first samples.
TEST(SampleList, DefaultFiles) {
    const std::string_view full = fullDefaultCellMenu();
    EXPECT_TRUE(full.starts_with("'You may edit this file. Up to 30 cells can be added to the "
                                 "Samples-menu.\r\n'No spaces allowed within the spacegroup "
                                 "symbols\r\n'Do not use TABs, only Spaces for separating "
                                 "columns\r\n\r\nCu        : 225  FM3M    3.6174   3.6174   "
                                 "3.6174  90   90     90\r\n"));
    EXPECT_TRUE(full.ends_with("alpha-Pu  :  11  P21/M   6.183    4.822   10.963   90  101.79  "
                               "90\r\nbeta-Sn   : 141  I41/AMD 5.8316   5.8316   3.1813  90   90"
                               "     90\r\n\r\n'you can comment out a line by starting the line "
                               "with '\r\n\r\n'save changes and restart Tavrel to update the "
                               "menu [Samples]\r\n\r\n"));
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 33);
    EXPECT_EQ(full.size(), 1785u);
    EXPECT_EQ(SampleList::parse(full).samples(), SampleList::builtIn().samples());

    const Texts shortLines = splitLines(std::string(shortDefaultCellMenu())),
                fullLines = splitLines(std::string(full));
    ASSERT_EQ(shortLines.size(), 9u);
    EXPECT_TRUE(shortDefaultCellMenu().ends_with("\r\n'you can comment out a line by starting the "
                                                 "line with '\r\n"));
    for (auto at = fullLines.begin(); const std::string& line : shortLines) {
        at = std::find(at, fullLines.end(), line);
        ASSERT_NE(at++, fullLines.end()) << line;
    }
    EXPECT_EQ(SampleList::parse(shortDefaultCellMenu()).names(), (Texts{"Cu", "Si", "W", "Mg"}));
}

TEST(SampleList, LineRules) {
    const std::pair<const char*, Texts> cases[] = {
        {"Cu: 225 FM3M 3.6 3.6 3.6 90 90 90\r\n", {"Cu|225 FM3M 3.6 3.6 3.6 90 90 90"}},
        {"  P (black)  :64   CMCA 3.3 10.4 4.3 90 90 90  \n", // LF alone ends a line too
         {"P (black)|64 CMCA 3.3 10.4 4.3 90 90 90"}},
        {"   'Cu : 225 FM3M 3.6 3.6 3.6 90 90 90", {}}, // a comment after blanks
        {"Cu   225 FM3M 3.6 3.6 3.6 90 90 90", {}},     // no colon
        {"Cu : 225 F M3M 3.6 3.6 3.6 90 90 90", {}},    // nine fields
        {"Cu : 225\tFM3M 3.6 3.6 3.6 90 90 90", {}},    // a tab separates nothing
        {"Cu : 0 P1 3 3 3 90 90 90\nCu : 231 P1 3 3 3 90 90 90", {}},
        {"B : 230.4 IA3D 3 3 3 90 90 90", {"B|230.4 IA3D 3 3 3 90 90 90"}}};
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(namesAndCells(SampleList::parse(content)), expected) << content;

    // At most thirty samples are taken.
    std::string content;
    for (int i = 1; i <= 35; ++i) content += "S" + std::to_string(i) + " : 1 P1 3 3 3 90 90 90\r\n";
    const SampleList list = SampleList::parse(content);
    ASSERT_EQ(list.size(), kMaxSamples);
    EXPECT_EQ(list.names().back(), "S30");
    EXPECT_FALSE(list.sample(30));
}

// Decimal commas become points; the group number is rounded half to even.
TEST(SampleList, ChoosingASampleFillsTheWindowFields) {
    const SampleFieldValues pu = fieldValuesOf(*SampleList::builtIn().sample(20));
    EXPECT_EQ(
        std::tuple(pu.title, pu.cell, pu.spaceGroupListIndex),
        std::tuple("alpha-Pu",
                   std::array<std::string, 6>{"6.183", "4.822", "10.963", "90", "101.79", "90"},
                   10));
    const SampleFieldValues odd =
        fieldValuesOf(SampleList::parse("Odd : 12.5 C2/M 3,5 4,25 5 90 99,5 90").samples().at(0));
    EXPECT_EQ(std::pair(odd.cell, odd.spaceGroupListIndex),
              std::pair(std::array<std::string, 6>{"3.5", "4.25", "5", "90", "99.5", "90"}, 11));
}

} // namespace
} // namespace tavrel
