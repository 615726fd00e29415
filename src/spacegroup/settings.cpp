#include "spacegroup/settings.h"

#include "common/numeric.h"
#include "common/text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tavrel {

namespace {

// What the look-ups compare, worked out once from the table's texts.
struct DerivedRow {
    int number = 0;
    std::string ita;      // "P 21/c = P 1 21/c 1"
    std::string extended; // "P 21/c = P 1 21/c 1 = 14:b1"
};

const std::vector<DerivedRow>& derivedRows() {
    static const std::vector<DerivedRow> rows = [] {
        std::vector<DerivedRow> all;
        all.reserve(settingsTable.size());
        for (const SettingsRow& row : settingsTable) {
            DerivedRow d;
            d.number = roundToInt16(leadingNumber(row.nspg));
            d.ita = replaceAll(row.ita, "_", " ");
            d.extended = row.qualifier.empty()
                             ? d.ita
                             : d.ita + " = " + trim(row.nspg) + ":" + std::string(row.qualifier);
            all.push_back(std::move(d));
        }
        return all;
    }();
    return rows;
}

// How a typed symbol found its row: by a strict symbol test, by its number, by the loose last
// pass (`looseKey` then holds the typed text as that pass compared it), or not at all (row 0).
enum class MatchKind { Symbol, Number, Loose, None };
struct RowMatch {
    int row = 0;
    MatchKind kind = MatchKind::None;
    std::string looseKey;
};

// A row's symbol forms as the loose pass searches them: its extended symbol without "1" axes
// and spaces, upper case, up to the ":" ("P21/C=P21/N=14" for 14:b2).
std::string looseSymbol(std::size_t row) {
    std::string u = replaceAll(derivedRows()[row].extended, " 1 1 ", "");
    u = toUpper(removeChars(replaceAll(u, " 1 ", ""), " "));
    const std::size_t colon = u.find(':');
    return colon == std::string::npos ? u : u.substr(0, colon);
}

RowMatch matchRow(std::string s, RGroupAxes axes) {
    const std::vector<DerivedRow>& derived = derivedRows();
    bool rhombohedral = !s.empty() && s[0] == 'R' && axes == RGroupAxes::Rhombohedral;
    if (contains(s, ":H")) {
        s = replaceAll(s, ":H", "");
        rhombohedral = false;
    }
    std::string t = "." + toUpper(trim(s)) + ".";
    const int num = roundToInt16(leadingNumber(s));

    // A trailing qualifier letter is dropped, and an overbar typed after its digit is moved
    // in front of it.
    for (const char* letter : {"Z.", "S.", "H.", "R."}) t = replaceAll(t, letter, ".");
    if (endsWith(t, "1-.")) t = replaceAll(t, "1-", "-1");
    if (contains(t, "3-")) t = replaceAll(t, "3-", "-3");
    if (contains(t, "4-")) t = replaceAll(t, "4-", "-4");

    // Passes 0..2 match the short symbol whole (with ever fewer spaces and minus signs) or a
    // full monoclinic form through test A; a bare number selects the first row of that number.
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1) t = removeChars(t, " ");
        if (pass == 2) t = removeChars(t, "-");
        const std::string tAsEquals = replaceAll(t, ".", "=");
        for (std::size_t row = 0; row < derived.size(); ++row) {
            const std::string upper = toUpper(derived[row].extended);
            std::string u = "." + upper;
            const std::size_t eq = u.find('=');
            if (eq != std::string::npos) u = trim(u.substr(0, eq));
            u += ".";
            if (pass >= 1) u = removeChars(u, " ");
            if (pass == 2) u = removeChars(u, "-");

            const bool testA = contains(removeChars(upper, " "), tAsEquals);
            const bool testB = contains(u, t);
            if (testA || testB) {
                if (contains(derived[row].extended, ":R") || !rhombohedral)
                    return {static_cast<int>(row), MatchKind::Symbol, {}};
            } else if (num >= 1 && num <= kSpaceGroupCount && derived[row].number == num) {
                return {static_cast<int>(row), MatchKind::Number, {}};
            }
        }
    }

    // Pass 3: a loose substring search over the symbol forms with all "1" axes removed.
    t = removeChars(t, ".");
    for (std::size_t row = 0; row < derived.size(); ++row)
        if (contains(looseSymbol(row), t)) return {static_cast<int>(row), MatchKind::Loose, t};
    return {};
}

std::size_t tableRow(int row) {
    return isSettingRow(row) ? static_cast<std::size_t>(row) : 0;
}

} // namespace

RGroupAxes rGroupAxesFor(double gamma) {
    return gamma == 120.0 ? RGroupAxes::Hexagonal : RGroupAxes::Rhombohedral;
}

bool isSettingRow(int row) {
    return row >= 0 && row < static_cast<int>(settingsTable.size());
}

SettingEntry settingEntry(int row) {
    const std::size_t r = tableRow(row);
    const DerivedRow& d = derivedRows()[r];
    return {d.number, trim(settingsTable[r].hall), trim(d.extended), trim(d.ita)};
}

int groupNumberOfRow(int row) {
    return isSettingRow(row) ? derivedRows()[static_cast<std::size_t>(row)].number : 0;
}

const std::string& extendedSymbolOfRow(int row) {
    static const std::string none;
    return isSettingRow(row) ? derivedRows()[static_cast<std::size_t>(row)].extended : none;
}

int findSettingRow(std::string symbol, RGroupAxes axes) {
    return matchRow(std::move(symbol), axes).row;
}

std::optional<int> matchSettingRow(std::string symbol, RGroupAxes axes) {
    const std::string typed = trim(symbol);
    const RowMatch match = matchRow(std::move(symbol), axes);
    const bool startsWithDigit = !typed.empty() && typed[0] >= '0' && typed[0] <= '9';
    if (startsWithDigit) {
        // A number, optionally with the qualifier of one of its settings.
        const std::size_t colon = typed.find(':');
        const std::string digits = typed.substr(0, colon);
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 3)
            return std::nullopt;
        const int number = std::stoi(digits);
        if (number < 1 || number > kSpaceGroupCount) return std::nullopt;
        if (colon != std::string::npos) {
            const std::string qualifier = toUpper(typed.substr(colon + 1));
            const bool known =
                std::any_of(settingsTable.begin(), settingsTable.end(), [&](const SettingsRow& r) {
                    return !r.qualifier.empty() && toUpper(r.qualifier) == qualifier &&
                           trim(r.nspg) == digits;
                });
            if (!known) return std::nullopt;
        }
        return match.kind == MatchKind::Number ? std::optional<int>(match.row) : std::nullopt;
    }
    switch (match.kind) {
    case MatchKind::Symbol:
        return match.row;
    case MatchKind::Loose: {
        // Whole forms only: the text must stand between "=" signs (or the ends) of the row's.
        const std::string forms =
            "=" + removeChars(looseSymbol(static_cast<std::size_t>(match.row)), "-") + "=";
        if (contains(forms, "=" + removeChars(match.looseKey, "-") + "=")) return match.row;
        return std::nullopt;
    }
    case MatchKind::Number: // "+14" and the like: not a number as typed, not a symbol either
    case MatchKind::None:
        break;
    }
    return std::nullopt;
}

int rowForGroup(int number, RGroupAxes axes) {
    const std::vector<DerivedRow>& derived = derivedRows();
    const bool rhombohedralAxes =
        startsWith(listSymbol(number), "R") && axes == RGroupAxes::Rhombohedral;
    int first = -1;
    for (std::size_t row = 0; row < derived.size(); ++row) {
        if (derived[row].number != number) continue;
        if (first < 0) first = static_cast<int>(row);
        if (!rhombohedralAxes || contains(derived[row].extended, ":R"))
            return static_cast<int>(row);
    }
    return std::max(first, 0);
}

std::string listSymbol(int number) {
    if (number < 1 || number > static_cast<int>(shortSymbolTable.size())) return {};
    const std::string_view s = shortSymbolTable[static_cast<std::size_t>(number - 1)];
    if (s.empty()) return {};
    return toUpper(s.substr(0, 1)) + toLower(s.substr(1));
}

std::string spaceGroupListEntry(int position) {
    return padLeft(std::to_string(position + 1), 3) + ": " + listSymbol(position + 1);
}

CrystalSystem crystalSystemOf(int number) {
    using enum CrystalSystem;
    if (number >= 1 && number <= 2) return Triclinic;
    if (number >= 3 && number <= 15) return Monoclinic;
    if (number >= 16 && number <= 74) return Orthorhombic;
    if (number >= 75 && number <= 142) return Tetragonal;
    if (number >= 143 && number <= 167) return Trigonal;
    if (number >= 168 && number <= 194) return Hexagonal;
    if (number >= 195 && number <= kSpaceGroupCount) return Cubic;
    return None;
}

std::string crystalSystemName(CrystalSystem system) {
    static constexpr std::array<const char*, 8> kNames = {
        "",           "Triclinic", "Monoclinic", "Orthorhombic",
        "Tetragonal", "Trigonal",  "Hexagonal",  "Cubic"};
    return kNames[static_cast<std::size_t>(system)];
}

} // namespace tavrel
