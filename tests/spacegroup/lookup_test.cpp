#include "spacegroup/settings.h"
#include "spacegroup/written_symbols.h"

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

// The "1" axes may be left out.
TEST(FindSettingRow, TypedSymbols) {
    // clang-format off
    const std::tuple<const char*, float, const char*> cases[] = {
        {"P 21/C", 90, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P121/N1", 90, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"P21/N", 90, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"I2/A", 90, "C 2/c = I 1 2/a 1 = 15:b3"},
        {"FM3M", 90, "F m -3 m"},           {"227:2", 90, "F d -3 m = 227:1"},
        {"R-3M", 120, "R -3 m = 166:H"},    {"R-3M", 90, "R -3 m = 166:R"},
        {"R-3M:H", 60, "R -3 m = 166:H"},   {"P1-", 90, "P -1"},
        {"P4/NMM", 90, "P 4/n m m = 129:1"}, {"XYZ", 90, "P 1"}};
    // clang-format on
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

// Symbols as structure files write them and the setting each names, or (after "!") why it names
// none. Full symbols and e-glide names follow International Tables A (2016), Tables 3.3.3.1 and
// 4.3.2.1; the refused ones are what the tolerant lookup of typed symbols guesses at.
TEST(WrittenSymbols, EachFormNamesItsSettingAndNothingIsGuessed) {
    // clang-format off
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"P 21/b 21/c 21/a", false, "P b c a"},  {"F 41/d -3 2/m:2", false, "F d -3 m = 227:2"},
        {"R -3 2/m", true, "R -3 m = 166:H"},    {"P 63/m 2/m 2/c", false, "P 63/m m c"},
        {"P 4/m -3 2/m", false, "P m -3 m"},     {"P 42/n 21/m 2/c", false, "P 42/n m c = 137:1"},
        {"P -3 2/m 1", false, "P -3 m 1"},       {"C 2/m 2/c 21/e", false, "C m c a"},
        {"P6_3/mmc", false, "P 63/m m c"},       {"P2_1/c", false, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P2(1)2(1)2(1)", false, "P 21 21 21"},
        {"p 2\xE2\x82\x81/N", false, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"Cmce", false, "C m c a"},              {"A e m 2", false, "A b m 2"},
        {"Fm3m", false, "F m -3 m"},             {"C c c e :2", false, "C c c a = 68:2"},
        {"P n n n Z", false, "P n n n = 48:2"},  {"R -3 c", false, "R -3 c = 167:R"},
        {"C 1", false, "!names group 1 (P 1) in a setting that is none of the 530 settings"},
        {"C 1 21 1", false, "!names group 5 (C 2) in a setting"},
        {"P -3 c", false, "!cannot be read as a Hermann-Mauguin symbol"},
        {"C", false, "!cannot be read"},         {"F 2", false, "!cannot be read"},
        {"P 21/c:3", false, "!cannot be read"},  {"P m m m:H", false, "!cannot be read"}};
    // clang-format on
    for (const auto& [symbol, hexagonal, expected] : cases) {
        const Result<int> row = settingRowOfWrittenSymbol(
            symbol, hexagonal ? RGroupAxes::Hexagonal : RGroupAxes::Rhombohedral);
        const std::string found = row ? extendedSymbolOfRow(*row) : "!" + row.problem();
        EXPECT_TRUE(expected[0] == '!' ? !row && contains(found, expected + 1) : found == expected)
            << symbol << ": " << found;
    }
}

} // namespace
} // namespace tavrel
