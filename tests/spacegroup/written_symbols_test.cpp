#include "spacegroup/written_symbols.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tavrel {
namespace {

// Symbols as structure files write them and the setting each names, or (after "!") why it names
// none. Full symbols and e-glide names follow International Tables A (2016), Tables 3.3.3.1 and
// 4.3.2.1; the refused ones are what the tolerant lookup of typed symbols guesses at.
TEST(WrittenSymbols, EachFormNamesItsSettingAndNothingIsGuessed) {
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"P 21/b 21/c 21/a", false, "P b c a"},
        {"F 41/d -3 2/m:2", false, "F d -3 m = 227:2"},
        {"R -3 2/m", true, "R -3 m = 166:H"},
        {"P 63/m 2/m 2/c", false, "P 63/m m c"},
        {"P 42/n 21/m 2/c", false, "P 42/n m c = 137:1"},
        {"P 4/m -3 2/m", false, "P m -3 m"},
        {"P -3 2/m 1", false, "P -3 m 1"},
        {"C 2/m 2/c 21/e", false, "C m c a"},
        {"P2_1/c", false, "P 21/c = P 1 21/c 1 = 14:b1"},
        {"P6_3/mmc", false, "P 63/m m c"},
        {"P2(1)2(1)2(1)", false, "P 21 21 21"},
        {"p 2\xE2\x82\x81/N", false, "P 21/c = P 1 21/n 1 = 14:b2"},
        {"Cmce", false, "C m c a"},
        {"A e m 2", false, "A b m 2"},
        {"C c c e :2", false, "C c c a = 68:2"},
        {"Fm3m", false, "F m -3 m"},
        {"P n n n Z", false, "P n n n = 48:2"},
        {"R -3 c", false, "R -3 c = 167:R"},
        {"C 1", false, "!names group 1 (P 1) in a setting that is none of the 530 settings"},
        {"C 1 21 1", false, "!names group 5 (C 2) in a setting"},
        {"P -3 c", false, "!cannot be read as a Hermann-Mauguin symbol"},
        {"C", false, "!cannot be read"},
        {"F 2", false, "!cannot be read"},
        {"P 21/c:3", false, "!cannot be read"},
        {"P m m m:H", false, "!cannot be read"}};
    for (const auto& [symbol, hexagonal, expected] : cases) {
        const Result<int> row = settingRowOfWrittenSymbol(
            symbol, hexagonal ? RGroupAxes::Hexagonal : RGroupAxes::Rhombohedral);
        if (expected[0] == '!') {
            EXPECT_TRUE(!row && contains(row.problem(), expected + 1))
                << symbol << ": " << (row ? extendedSymbolOfRow(*row) : row.problem());
        } else {
            EXPECT_EQ(row ? extendedSymbolOfRow(*row) : row.problem(), expected) << symbol;
        }
    }
}

} // namespace
} // namespace tavrel
