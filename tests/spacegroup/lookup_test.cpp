#include "spacegroup/space_group.h"

#include "common/text.h"

#include <gtest/gtest.h>

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

TEST(FindSettingRow, TypedSymbols) {
    const std::tuple<const char*, float, const char*> cases[] = {
        {"P 21/C", 90, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P121/N1", 90, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"P21/N", 90, "P 21/c = P 1 21/n 1 = 14:b2"}, // the "1" axes left out
        {"I2/A", 90, "C 2/c = I 1 2/a 1 = 15:b3"},
        {"FM3M", 90, "F m -3 m"},
        {"227:2", 90, "F d -3 m = 227:1"},
        {"R-3M", 120, "R -3 m = 166:H"},
        {"R-3M", 90, "R -3 m = 166:R"},
        {"R-3M:H", 60, "R -3 m = 166:H"},
        {"P1-", 90, "P -1"},
        {"P4/NMM", 90, "P 4/n m m = 129:1"},
        {"XYZ", 90, "P 1"}};
    SpaceGroupEngine engine;
    for (const auto& [typed, gamma, extended] : cases)
        EXPECT_EQ(engine.rowExtendedSymbol(select(typed, gamma)), extended)
            << typed << " " << gamma;
}

// Every form of every row, each list symbol and each number names its group, on the row the
// window selects; a number selects the first row of its group.
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
            const int row = select(std::to_string(n));
            EXPECT_EQ(row == 0 ? 0 : engine.rowNumber(row - 1), n - 1)
                << "not the first row of " << n;
        }
        for (const SettingsRow& row : settingsTable) {
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
}

// Numbers outside 1..230, texts that start with a digit but are no number, and fragments that
// only the loose pass or the fall-back to P 1 would find name no setting.
TEST(MatchSettingRow, TextsThatNameNoSetting) {
    SpaceGroupEngine engine;
    for (const char* typed : {"", "231", "0", "XYZ", "R3:X", "225:1", "+14", "-1", "21/C",
                              "-P 2YBC", "P 21/C X", "INF"})
        EXPECT_FALSE(engine.matchSettingRow(typed)) << typed;
    EXPECT_FALSE(engine.matchSettingRow(std::string(1000, 'P')));
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
    EXPECT_EQ(engine.settingEntry(select("P21/C")),
              (SettingEntry{14, "-P 2ybc", "P 21/c = P 1 21/c 1 = 14:b1", "P 21/c = P 1 21/c 1"}));
    EXPECT_EQ(engine.settingEntry(530), engine.settingEntry(0));
    // The list shows short symbols.
    EXPECT_EQ(SpaceGroupEngine::listSymbol(166), "R -3 m");
    EXPECT_EQ(SpaceGroupEngine::listSymbol(225), "F m 3 m");
    EXPECT_EQ(SpaceGroupEngine::listSymbol(0), "");
}

} // namespace
} // namespace tavrel
