#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tavrel {

struct SettingsRow {
    std::string_view hall;      // " P 2y" (acentric, leading space) or "-P 2yb" (centric)
    std::string_view nspg;      // "1" .. "230"
    std::string_view qualifier; // "", "b", "c1", "-a3", "cab", "1", "2bca", "H", "R", ...
    std::string_view ita;       // "P_21/c = P_1_21/c_1", "P_m_-3_m", ...
};

inline constexpr std::size_t kSettingsRowCount = 530;
inline constexpr int kSpaceGroupCount = 230;

extern const std::array<SettingsRow, kSettingsRowCount> settingsTable;
// Entry n - 1 is the short Hermann-Mauguin symbol of group n, upper case ("P 21/C").
extern const std::array<std::string_view, kSpaceGroupCount> shortSymbolTable;

} // namespace tavrel
