#include "spacegroup/space_group.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace tavrel {
namespace {

// The row a symbol selects, typed as the window hands it over: upper-cased, trimmed, with gamma
// set beforehand.
int select(const std::string& symbol, float gamma = 90.0f) {
    SpaceGroupEngine engine;
    engine.setCellValue(5, gamma);
    return engine.findSettingRow(toUpper(trim(symbol)));
}

TEST(SettingsTable, RowsPerNumber) {
    std::map<std::string_view, int> rowsPerNumber;
    for (const SettingsRow& r : settingsTable) ++rowsPerNumber[r.nspg];
    std::map<int, int> histogram;
    for (const auto& [n, count] : rowsPerNumber) ++histogram[count];
    EXPECT_EQ(histogram,
              (std::map<int, int>{{1, 140}, {2, 30}, {3, 26}, {6, 25}, {9, 6}, {12, 1}, {18, 2}}));
}

TEST(FindSettingRow, TypedSymbols) {
    const std::tuple<const char*, float, const char*> cases[] = {
        {"P21/C", 90, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P 21/C", 90, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P121/N1", 90, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"FM3M", 90, "F m -3 m"},
        {"FM-3M", 90, "F m -3 m"},
        {"FM3-M", 90, "F m -3 m"},
        {"225", 90, "F m -3 m"},
        {"227", 90, "F d -3 m = 227:1"},
        {"227:2", 90, "F d -3 m = 227:1"},
        {"R-3M", 120, "R -3 m = 166:H"},
        {"R-3M", 90, "R -3 m = 166:R"},
        {"R-3M:H", 60, "R -3 m = 166:H"},
        {"R3C", 60, "R 3 c = 161:R"},
        {"P1-", 90, "P -1"},
        {"P63/MMC", 90, "P 63/m m c"},
        {"P3121", 90, "P 31 2 1"},
        {"CMCA", 90, "C m c a"},
        {"PNMA", 90, "P n m a"},
        {"P4/NMM", 90, "P 4/n m m = 129:1"},
        {"XYZ", 90, "P 1"}};
    SpaceGroupEngine engine;
    for (const auto& [typed, gamma, extended] : cases)
        EXPECT_EQ(engine.rowExtendedSymbol(select(typed, gamma)), extended)
            << typed << " " << gamma;
}

TEST(FindSettingRow, EveryShortSymbolAndNumberSelectsItsGroup) {
    SpaceGroupEngine engine;
    for (int n = 1; n <= 230; ++n) {
        // Rhombohedral groups are found on either axes.
        for (float gamma : {90.0f, 120.0f})
            EXPECT_EQ(engine.rowNumber(select(engine.listSymbol(n), gamma)), n) << n;
        const int row = select(std::to_string(n));
        EXPECT_EQ(engine.rowNumber(row), n);
        EXPECT_EQ(row == 0 ? 0 : engine.rowNumber(row - 1), n - 1) << "not the first row of " << n;
    }
}

// What names a setting finds the row the window selects; every form of every row names its group.
TEST(MatchSettingRow, EverySymbolFormAndNumberNamesItsGroup) {
    for (float gamma : {90.0f, 120.0f}) {
        SpaceGroupEngine engine;
        engine.setCellValue(5, gamma);
        auto expectNamed = [&](const std::string& typed, int number) {
            const std::string symbol = toUpper(trim(typed));
            const std::optional<int> row = engine.matchSettingRow(symbol);
            ASSERT_TRUE(row) << typed << " " << gamma;
            EXPECT_EQ(*row, engine.findSettingRow(symbol)) << typed;
            EXPECT_EQ(engine.rowNumber(static_cast<std::size_t>(*row)), number) << typed;
        };
        for (int n = 1; n <= 230; ++n) {
            expectNamed(SpaceGroupEngine::listSymbol(n), n);
            expectNamed(removeChars(SpaceGroupEngine::listSymbol(n), " "), n);
            expectNamed(std::to_string(n), n);
        }
        for (std::size_t r = 0; r < settingsTable.size(); ++r) {
            const SettingsRow& row = settingsTable[r];
            const int number = std::stoi(std::string(row.nspg));
            std::string forms = replaceAll(row.ita, "_", " ");
            for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 3) {
                end = forms.find(" = ", start);
                const std::string form = forms.substr(start, end - start);
                expectNamed(form, number);
                expectNamed(removeChars(form, " "), number);
            }
            if (!row.qualifier.empty())
                expectNamed(std::string(row.nspg) + ":" + std::string(row.qualifier), number);
        }
    }
    // Today's typed symbols, and full forms whose "1" axes are left out.
    SpaceGroupEngine engine;
    for (const auto& [typed, extended] : std::vector<std::pair<std::string, std::string>>{
             {"P21/C", "P 21/c = P 1 21/c 1 = 14:b1"},
             {"P121/N1", "P 21/c = P 1 21/n 1 = 14:b2"},
             {"P21/N", "P 21/c = P 1 21/n 1 = 14:b2"},
             {"I2/A", "C 2/c = I 1 2/a 1 = 15:b3"},
             {"FM3M", "F m -3 m"},
             {"FM3-M", "F m -3 m"},
             {"227:2", "F d -3 m = 227:1"},
             {"R-3M", "R -3 m = 166:R"},
             {"R-3M:H", "R -3 m = 166:H"},
             {"P1-", "P -1"},
             {"P4/NMM", "P 4/n m m = 129:1"}}) {
        const std::optional<int> row = engine.matchSettingRow(typed);
        ASSERT_TRUE(row) << typed;
        EXPECT_EQ(engine.rowExtendedSymbol(static_cast<std::size_t>(*row)), extended) << typed;
    }
}

// Numbers outside 1..230, texts that start with a digit but are no number, and texts whose only
// match is a fragment found by the loose pass or the fall-back to P 1 name no setting.
TEST(MatchSettingRow, TextsThatNameNoSetting) {
    SpaceGroupEngine engine;
    for (const std::string& typed :
         {std::string(),          std::string("999"),  std::string("231"),
          std::string("0"),       std::string("00"),   std::string("1000000"),
          std::string("XYZ"),     std::string("R3:X"), std::string(1000, 'P'),
          std::string("NAN"),     std::string("14:X"), std::string("225:1"),
          std::string("2/M"),     std::string("+14"),  std::string("-1"),
          std::string("P"),       std::string("21/C"), std::string("M-3M"),
          std::string("-P 2YBC"), std::string("."),    std::string("P 21/C X"),
          std::string("INF")})
        EXPECT_FALSE(engine.matchSettingRow(typed)) << typed;
}

// The list position selects the same row as the list entry's symbol typed in, on either axes.
TEST(RowForGroup, AsTheListSymbolSelects) {
    for (float gamma : {90.0f, 120.0f, 60.0f, 0.0f}) {
        SpaceGroupEngine engine;
        engine.setCellValue(5, gamma);
        for (int n = 1; n <= 230; ++n)
            EXPECT_EQ(engine.rowForGroup(n), select(SpaceGroupEngine::listSymbol(n), gamma))
                << n << " " << gamma;
    }
    EXPECT_EQ(SpaceGroupEngine().rowForGroup(231), 0);
}

TEST(Lookup, ByNumberItaOrHall) {
    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        {227, "", "", "F d -3 m = 227:2"}, // origin choice 1 is skipped
        {68, "", "", "C c c a = 68:2"},
        {0, "p 63/m m c", "", "P 63/m m c"},
        {0, "", "P 2yb", "P 21 = P 1 21 1 = 4:b"}, // the Hall symbol's ending
        {0, "", " P 31 2c (0 0 1)", "P 31 1 2"},
        {0, "", " A 2 2 -1ac", "A b a a = 68:1cab"}, // first of the pair sharing it
        {0, "", "nothing", ""},
        {231, "", "", ""}};
    SpaceGroupEngine engine;
    for (const auto& [nspg, ita, hall, extended] : cases)
        EXPECT_EQ(engine.lookupSetting(nspg, ita, hall).extendedSymbol, extended)
            << nspg << ita << hall;
    EXPECT_EQ(engine.lookupSetting(225), (SettingEntry{225, "-F 4 2 3", "F m -3 m", "F m -3 m"}));
    EXPECT_EQ(engine.lookupSetting(0, {}, "P 2yb").hallSymbol, " P 2yb"); // as stored
    EXPECT_EQ(engine.lookupSetting(0, {}, "nothing").number, 0);
}

TEST(SettingEntries, TrimmedTexts) {
    SpaceGroupEngine engine;
    EXPECT_EQ(engine.settingEntry(select("P21/C")),
              (SettingEntry{14, "-P 2ybc", "P 21/c = P 1 21/c 1 = 14:b1", "P 21/c = P 1 21/c 1"}));
    EXPECT_EQ(engine.settingEntry(0).hallSymbol, "P 1");
    EXPECT_EQ(engine.settingEntry(530), engine.settingEntry(0));
}

TEST(ShortSymbols, AsTheListShowsThem) {
    const std::map<int, std::string> cases = {
        {14, "P 21/c"}, {166, "R -3 m"}, {225, "F m 3 m"}, {194, "P 63/m m c"}, {0, ""}, {231, ""}};
    SpaceGroupEngine engine;
    for (const auto& [n, symbol] : cases) EXPECT_EQ(engine.listSymbol(n), symbol) << n;
}

} // namespace
} // namespace tavrel
