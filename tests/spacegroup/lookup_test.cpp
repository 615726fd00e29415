#include "spacegroup/settings.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

// The row a symbol selects, typed as the window hands it over: upper-cased, trimmed, with gamma
// set beforehand.
int select(const std::string& symbol, float gamma = 90.0f) {
    return findSettingRow(toUpper(trim(symbol)), rGroupAxesFor(gamma));
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
    for (const auto& [typed, gamma, extended] : cases)
        EXPECT_EQ(extendedSymbolOfRow(select(typed, gamma)), extended) << typed << " " << gamma;
}

// Every form of every row, each list symbol and each number names its group, on the row the
// window selects; a number selects the first row of its group.
TEST(MatchSettingRow, EverySymbolFormAndNumberNamesItsGroup) {
    for (float gamma : {90.0f, 120.0f}) {
        const RGroupAxes axes = rGroupAxesFor(gamma);
        auto expectNamed = [&](const std::string& typed, int number) {
            const std::string symbol = toUpper(trim(typed));
            const std::optional<int> row = matchSettingRow(symbol, axes);
            ASSERT_TRUE(row) << typed << " " << gamma;
            EXPECT_EQ(*row, findSettingRow(symbol, axes)) << typed;
            EXPECT_EQ(groupNumberOfRow(*row), number) << typed;
        };
        for (int n = 1; n <= kSpaceGroupCount; ++n) {
            expectNamed(listSymbol(n), n);
            expectNamed(removeChars(listSymbol(n), " "), n);
            expectNamed(std::to_string(n), n);
            const int row = select(std::to_string(n));
            EXPECT_EQ(row == 0 ? 0 : groupNumberOfRow(row - 1), n - 1)
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
    for (const char* typed : {"", "231", "0", "XYZ", "R3:X", "225:1", "+14", "-1", "21/C",
                              "-P 2YBC", "P 21/C X", "INF"})
        EXPECT_FALSE(matchSettingRow(typed, RGroupAxes::Rhombohedral)) << typed;
    EXPECT_FALSE(matchSettingRow(std::string(1000, 'P'), RGroupAxes::Rhombohedral));
}

// The list position selects the same row as the list entry's symbol typed in, on either axes.
TEST(RowForGroup, AsTheListSymbolSelects) {
    for (float gamma : {90.0f, 120.0f, 60.0f, 0.0f}) {
        for (int n = 1; n <= kSpaceGroupCount; ++n)
            EXPECT_EQ(rowForGroup(n, rGroupAxesFor(gamma)), select(listSymbol(n), gamma))
                << n << " " << gamma;
    }
    EXPECT_EQ(rowForGroup(231, RGroupAxes::Hexagonal), 0);
}

TEST(Lookup, RowTexts) {
    EXPECT_EQ(settingEntry(select("P21/C")),
              (SettingEntry{14, "-P 2ybc", "P 21/c = P 1 21/c 1 = 14:b1", "P 21/c = P 1 21/c 1"}));
    EXPECT_EQ(settingEntry(530), settingEntry(0));
    // The list shows short symbols.
    EXPECT_EQ(listSymbol(166), "R -3 m");
    EXPECT_EQ(listSymbol(225), "F m 3 m");
    EXPECT_EQ(listSymbol(0), "");
}

} // namespace
} // namespace tavrel
