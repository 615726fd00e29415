#include "spacegroup/space_group.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <map>

namespace tavrel {
namespace {

struct Selected {
    int row;
    std::string number;
    std::string extended;
};

// Selects as the window does: upper-cased, trimmed text, gamma set beforehand.
Selected select(std::string symbol, float gamma = 0.0f) {
    clSpaceGroup engine;
    engine.setUC(5, gamma);
    std::string s = toUpper(trim(symbol));
    const int row = engine.XGRP_findHallEntry(s);
    const auto entry = engine.XGRP_getEntry(row);
    return {row, entry[0], entry[2]};
}

TEST(SettingsTable, HasTheRowCountsPerNumber) {
    std::map<std::string_view, int> rowsPerNumber;
    for (const SettingsRow& r : settingsTable) ++rowsPerNumber[r.nspg];
    ASSERT_EQ(rowsPerNumber.size(), 230u);
    std::map<int, int> histogram;
    for (const auto& [n, count] : rowsPerNumber) ++histogram[count];
    EXPECT_EQ(histogram,
              (std::map<int, int>{{1, 140}, {2, 30}, {3, 26}, {6, 25}, {9, 6}, {12, 1}, {18, 2}}));
    EXPECT_EQ(settingsTable[0].hall, " P 1");
    EXPECT_EQ(settingsTable[529].hall, "-I 4bd 2c 3");
}

TEST(SettingsTable, DerivedTexts) {
    clSpaceGroup engine;
    const auto e14 = engine.XGRP_getEntry(select("P21/C").row);
    EXPECT_EQ(e14[0], "14");
    EXPECT_EQ(e14[1], "-P 2ybc");
    EXPECT_EQ(e14[2], "P 21/c = P 1 21/c 1 = 14:b1");
    EXPECT_EQ(e14[3], "P 21/c = P 1 21/c 1");
    EXPECT_EQ(select("R-3M", 120).extended, "R -3 m = 166:H");
    EXPECT_EQ(select("227").extended, "F d -3 m = 227:1");
    EXPECT_EQ(select("P63/MMC").extended, "P 63/m m c");
}

TEST(FindHallEntry, MatchesTypedSymbols) {
    const std::map<std::string, std::string> expected = {
        {"P21/C", "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P 21/C", "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P121/N1", "P 21/c = P 1 21/n 1 = 14:b2"},
        {"FM3M", "F m -3 m"},
        {"FM-3M", "F m -3 m"},
        {"FM3-M", "F m -3 m"},
        {"225", "F m -3 m"},
        {"227", "F d -3 m = 227:1"},
        {"227:2", "F d -3 m = 227:1"},
        {"R-3M:H", "R -3 m = 166:H"},
        {"P1-", "P -1"},
        {"P63/MMC", "P 63/m m c"},
        {"P3121", "P 31 2 1"},
        {"CMCA", "C m c a"},
        {"PNMA", "P n m a"},
        {"P4/NMM", "P 4/n m m = 129:1"},
        {"XYZ", "P 1"},
    };
    for (const auto& [typed, extended] : expected)
        EXPECT_EQ(select(typed, 90).extended, extended) << typed;
    EXPECT_EQ(select("XYZ").row, 0);
    EXPECT_EQ(select("p21/c").extended, "P 21/c = P 1 21/c 1 = 14:b1");
}

TEST(FindHallEntry, RhombohedralAxesFollowGamma) {
    EXPECT_EQ(select("R-3M", 120).extended, "R -3 m = 166:H");
    EXPECT_EQ(select("R-3M", 90).extended, "R -3 m = 166:R");
    EXPECT_EQ(select("R-3M", 0).extended, "R -3 m = 166:R");
    EXPECT_EQ(select("R-3M:H", 60).extended, "R -3 m = 166:H");
    EXPECT_EQ(select("R3C", 60).extended, "R 3 c = 161:R");
    EXPECT_EQ(select("R3C", 120).extended, "R 3 c = 161:H");
}

TEST(FindHallEntry, RemovesHexagonalQualifierFromTheCallersText) {
    clSpaceGroup engine;
    std::string s = "R-3M:H";
    engine.XGRP_findHallEntry(s);
    EXPECT_EQ(s, "R-3M");
}

TEST(FindHallEntry, EveryShortSymbolSelectsItsOwnNumber) {
    for (int n = 1; n <= 230; ++n) {
        const std::string shortSymbol(shortSymbolTable[static_cast<std::size_t>(n - 1)]);
        EXPECT_EQ(select(shortSymbol, 90).number, std::to_string(n)) << shortSymbol;
        // The window hands over the list entry's symbol, which is the same text mixed-case.
        clSpaceGroup engine;
        EXPECT_EQ(select(engine.getToskSymbol(n), 120).number, std::to_string(n));
    }
}

TEST(FindHallEntry, EveryNumberSelectsItsFirstRow) {
    std::map<int, int> firstRow;
    clSpaceGroup engine;
    for (std::size_t r = settingsTable.size(); r-- > 0;)
        firstRow[engine.rowNumber(r)] = static_cast<int>(r);
    for (int n = 1; n <= 230; ++n) EXPECT_EQ(select(std::to_string(n)).row, firstRow[n]) << n;
}

TEST(Lookup, ByNumberSkipsOriginChoiceOne) {
    clSpaceGroup engine;
    EXPECT_EQ(engine.XGRP_lookup(227)[2], "F d -3 m = 227:2");
    EXPECT_EQ(engine.XGRP_lookup(68)[2], "C c c a = 68:2");
    EXPECT_EQ(engine.XGRP_lookup(14)[2], "P 21/c = P 1 21/c 1 = 14:b1");
    const auto entry = engine.XGRP_lookup(225);
    EXPECT_EQ(entry[0], "225");
    EXPECT_EQ(entry[1], "-F 4 2 3");
    EXPECT_EQ(entry[3], "F m -3 m");
}

TEST(Lookup, ByItaAndByHallSymbol) {
    clSpaceGroup engine;
    EXPECT_EQ(engine.XGRP_lookup(0, "p 63/m m c")[0], "194");
    // A Hall symbol given without its leading space finds its own row.
    EXPECT_EQ(engine.XGRP_lookup(0, {}, "P 2yb")[2], "P 21 = P 1 21 1 = 4:b");
    EXPECT_EQ(engine.XGRP_lookup(0, {}, " P 31 2c (0 0 1)")[0], "151");
    // Rows of 68 (origin choice 1) that share a Hall symbol yield the first of the pair.
    EXPECT_EQ(engine.XGRP_lookup(0, {}, " A 2 2 -1ac")[2], "A b a a = 68:1cab");
    EXPECT_EQ(engine.XGRP_lookup(0, {}, "nothing"), clSpaceGroup::Entry{});
    EXPECT_EQ(engine.XGRP_lookup(231), clSpaceGroup::Entry{});
}

TEST(GetEntry, HallListHoldsAllSettingsOfTheNumber) {
    clSpaceGroup engine;
    EXPECT_TRUE(engine.XGRP_getHalls().empty());
    engine.XGRP_getEntry(select("P21/C").row);
    ASSERT_EQ(engine.XGRP_getHalls().size(), 9u);
    EXPECT_EQ(engine.XGRP_getHalls()[0], "-P 2ybc");
    EXPECT_EQ(engine.XGRP_getHalls()[8], "-P 2xac");
    engine.XGRP_getEntry(select("R-3M", 120).row);
    EXPECT_EQ(engine.XGRP_getHalls(), (std::vector<std::string>{"-R 3 2''", "-P 3* 2"}));
}

TEST(ShortSymbols, ListCaseAsTheWindowShowsThem) {
    clSpaceGroup engine;
    EXPECT_EQ(engine.getToskSymbol(14), "P 21/c");
    EXPECT_EQ(engine.getToskSymbol(166), "R -3 m");
    EXPECT_EQ(engine.getToskSymbol(225), "F m 3 m");
    EXPECT_EQ(engine.getToskSymbol(194), "P 63/m m c");
    EXPECT_EQ(engine.getToskSymbol(0), "");
    EXPECT_EQ(engine.getToskSymbol(231), "");
}

} // namespace
} // namespace tavrel
