#include "samples/sample_list.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace tavrel {
namespace {

using test::TempDir;
using Source = SampleListLoad::Source;

std::vector<std::string> namesAndCells(const SampleList& list) {
    std::vector<std::string> out;
    for (const Sample& s : list.samples()) out.push_back(s.name + "|" + s.cellText());
    return out;
}

TEST(SampleList, NoFileGivesTheBuiltInListAndWritesTheDefaultFile) {
    TempDir dir;
    const std::string path = dir.file("cellmenu.txt");
    const SampleListLoad first = loadSampleList(path);
    EXPECT_EQ(first.source, Source::BuiltInCreated);
    EXPECT_EQ(first.list.size(), 22u);
    EXPECT_EQ(test::readFile(path), fullDefaultCellMenu());

    const SampleListLoad second = loadSampleList(path);
    EXPECT_EQ(second.source, Source::File);
    EXPECT_EQ(second.list.samples(), first.list.samples());
}

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

    EXPECT_EQ(shortDefaultCellMenu(),
              "'You may edit this file. Up to 30 cells can be added to the Samples-menu.\r\n"
              "'No spaces allowed within the spacegroup symbols\r\n"
              "\r\n"
              "Cu        : 225  FM3M    3.6174   3.6174   3.6174  90   90     90\r\n"
              "Si        : 227  FD3M    5.4307   5.4307   5.4307  90   90     90\r\n"
              "W         : 229  IM3M    3.16522  3.16522  3.16522 90   90     90\r\n"
              "Mg        : 194  P63/MMC 3.2094   3.2094   5.2103  90   90    120\r\n"
              "\r\n"
              "'you can comment out a line by starting the line with '\r\n");

    // The built-in list and the default file are kept apart; they must hold the same samples.
    EXPECT_EQ(SampleList::parse(full).samples(), SampleList::builtIn().samples());
}

TEST(SampleList, LineRules) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"Cu: 225 FM3M 3.6 3.6 3.6 90 90 90\r\n", {"Cu|225 FM3M 3.6 3.6 3.6 90 90 90"}},
        {"  P (black)  :64   CMCA 3.3 10.4 4.3 90 90 90  \n", // LF alone ends a line too
         {"P (black)|64 CMCA 3.3 10.4 4.3 90 90 90"}},
        {"   'Cu : 225 FM3M 3.6 3.6 3.6 90 90 90", {}}, // a comment after blanks
        {"Cu   225 FM3M 3.6 3.6 3.6 90 90 90", {}},     // no colon
        {"Cu : 225 F M3M 3.6 3.6 3.6 90 90 90", {}},    // nine fields
        {"Cu : 225\tFM3M 3.6 3.6 3.6 90 90 90", {}},    // a tab separates nothing
        {"Cu : 0 P1 3 3 3 90 90 90\nCu : 231 P1 3 3 3 90 90 90", {}},
        {"B : 230.4 IA3D 3 3 3 90 90 90", {"B|230.4 IA3D 3 3 3 90 90 90"}},
    };
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

TEST(SampleList, ChoosingASampleFillsTheWindowFields) {
    const SampleFieldValues puValues = fieldValuesOf(*SampleList::builtIn().sample(20));
    EXPECT_EQ(puValues.title, "alpha-Pu");
    EXPECT_EQ(puValues.cell,
              (std::array<std::string, 6>{"6.183", "4.822", "10.963", "90", "101.79", "90"}));
    EXPECT_EQ(puValues.spaceGroupListIndex, 10);

    // Decimal commas become points; the group number is rounded half to even.
    const SampleList list = SampleList::parse("Odd : 12.5 C2/M 3,5 4,25 5 90 99,5 90");
    const SampleFieldValues odd = fieldValuesOf(list.samples().at(0));
    EXPECT_EQ(odd.cell, (std::array<std::string, 6>{"3.5", "4.25", "5", "90", "99.5", "90"}));
    EXPECT_EQ(odd.spaceGroupListIndex, 11);
}

TEST(SampleList, UnreadableOrUnwritablePlaces) {
    TempDir dir;
    // A folder where the file should be: the built-in list, and nothing is written over it.
    const std::string folder = dir.file("cellmenu.txt");
    std::filesystem::create_directory(folder);
    const SampleListLoad unreadable = loadSampleList(folder);
    EXPECT_EQ(unreadable.source, Source::BuiltInUnreadable);
    EXPECT_EQ(unreadable.list.size(), 22u);
    EXPECT_NE(unreadable.error, "");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // No folder to write the default file into: the built-in list all the same.
    const SampleListLoad unwritable = loadSampleList(dir.file("lib/cellmenu.txt"));
    EXPECT_EQ(unwritable.source, Source::BuiltInNotCreated);
    EXPECT_EQ(unwritable.list.size(), 22u);
}

} // namespace
} // namespace tavrel
