#pragma once
// Look-ups in the table of the 530 standard space-group settings: a typed symbol, a group number
// or a list position to a settings row, and the texts of a row. Every function is pure; the
// axes a rhombohedral group is given on are an argument, never remembered.

#include "spacegroup/settings_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// The axes a rhombohedral (R) group's symbol is taken on: hexagonal axes for a cell with
// gamma = 120, rhombohedral ones otherwise.
enum class RGroupAxes { Hexagonal, Rhombohedral };
RGroupAxes rGroupAxesFor(double gamma);

// The texts of one settings row. A lookup that matches no row gives number 0 and empty texts.
struct SettingEntry {
    int number = 0;
    std::string hallSymbol;
    std::string extendedSymbol; // "P 21/c = P 1 21/c 1 = 14:b1"
    std::string itaSymbol;      // "P 21/c = P 1 21/c 1"
    friend bool operator==(const SettingEntry&, const SettingEntry&) = default;
};

// The texts of settings row `row`, trimmed; row 0 for a row outside the table.
SettingEntry settingEntry(int row);
// The group number of a row (1..230); 0 outside the table.
int groupNumberOfRow(int row);
// "P 21/c = P 1 21/c 1 = 14:b1", "R -3 m = 166:H"; empty outside the table.
const std::string& extendedSymbolOfRow(int row);
// Whether `row` lies in the table.
bool isSettingRow(int row);

// The row (0..529) a typed symbol selects (a ":H" qualifier means hexagonal axes). Row 0
// (" P 1") when nothing matches. Expects the text upper-cased and trimmed.
int findSettingRow(std::string symbol, RGroupAxes axes);
// The row findSettingRow selects, when the symbol names a setting; none where that row comes
// only from the fall-back to row 0 or from a guess. Named are:
// - a space-group number 1..230, alone or followed by ":" and the qualifier of one of its
//   settings ("225", "227:2", "14:b2"); any other text that starts with a digit is not a
//   symbol, so "0", "231" and "2/m" name nothing;
// - a symbol that a strict pass matches whole, with or without spaces and minus signs
//   ("P 21/c", "P21/c", "Fm3m", "P 1 21/n 1");
// - a symbol that the last, loose pass matches, when it equals one whole form of that row
//   with its "1" axes dropped ("P21/n" for P 1 21/n 1). A mere part of a form ("NAN" of
//   "PNAN", "0" of "10", an empty text) is a guess and names nothing.
// Like findSettingRow it expects the text upper-cased and trimmed.
std::optional<int> matchSettingRow(std::string symbol, RGroupAxes axes);
// The row the space-group list selects for group `number` (1..230): its first setting, or
// for a rhombohedral group on rhombohedral axes its ":R" setting. Row 0 for a number outside
// 1..230.
int rowForGroup(int number, RGroupAxes axes);

// Short symbol of group `number` (1..230) as the list shows it: "P 21/c", "F m 3 m".
std::string listSymbol(int number);
// Entry `position` (0..229) of the window's space-group list: the group number right-aligned
// in 3 characters, ": ", then the short symbol ("225: F m 3 m").
std::string spaceGroupListEntry(int position);

enum class CrystalSystem {
    None, // no group number
    Triclinic,
    Monoclinic,
    Orthorhombic,
    Tetragonal,
    Trigonal,
    Hexagonal,
    Cubic
};
// The crystal system of group `number`; None outside 1..230.
CrystalSystem crystalSystemOf(int number);
// "Triclinic" .. "Cubic"; empty for None.
std::string crystalSystemName(CrystalSystem system);

} // namespace tavrel
