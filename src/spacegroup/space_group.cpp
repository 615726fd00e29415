#include "spacegroup/space_group.h"

#include "common/numeric.h"
#include "common/text.h"

#include <algorithm>

namespace tavrel {

SpaceGroupEngine::SpaceGroupEngine() {
    derived_.reserve(settingsTable.size());
    for (const SettingsRow& row : settingsTable) {
        Derived d;
        d.number = roundToInt16(leadingNumber(row.nspg));
        d.ita = replaceAll(row.ita, "_", " ");
        d.extended = row.qualifier.empty()
                         ? d.ita
                         : d.ita + " = " + trim(row.nspg) + ":" + std::string(row.qualifier);
        derived_.push_back(std::move(d));
    }
}

void SpaceGroupEngine::setCellValue(int index, float value) {
    if (index >= 0 && index < static_cast<int>(cellValues_.size()))
        cellValues_[static_cast<std::size_t>(index)] = value;
}

int SpaceGroupEngine::findSettingRow(std::string symbol) const {
    return matchRow(std::move(symbol)).row;
}

std::optional<int> SpaceGroupEngine::matchSettingRow(std::string symbol) const {
    const std::string typed = trim(symbol);
    const RowMatch match = matchRow(std::move(symbol));
    const bool startsWithDigit = !typed.empty() && typed[0] >= '0' && typed[0] <= '9';
    if (startsWithDigit) {
        // A number, optionally with the qualifier of one of its settings.
        const std::size_t colon = typed.find(':');
        const std::string digits = typed.substr(0, colon);
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 3)
            return std::nullopt;
        const int number = std::stoi(digits);
        if (number < 1 || number > 230) return std::nullopt;
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

std::string SpaceGroupEngine::looseSymbol(std::size_t row) const {
    std::string u = replaceAll(derived_[row].extended, " 1 1 ", "");
    u = toUpper(removeChars(replaceAll(u, " 1 ", ""), " "));
    const std::size_t colon = u.find(':');
    return colon == std::string::npos ? u : u.substr(0, colon);
}

SpaceGroupEngine::RowMatch SpaceGroupEngine::matchRow(std::string s) const {
    bool rhombohedral = !s.empty() && s[0] == 'R' && cellValues_[5] != 120.0;
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
        for (std::size_t row = 0; row < derived_.size(); ++row) {
            const std::string upper = toUpper(derived_[row].extended);
            std::string u = "." + upper;
            const std::size_t eq = u.find('=');
            if (eq != std::string::npos) u = trim(u.substr(0, eq));
            u += ".";
            if (pass >= 1) u = removeChars(u, " ");
            if (pass == 2) u = removeChars(u, "-");

            const bool testA = contains(removeChars(upper, " "), tAsEquals);
            const bool testB = contains(u, t);
            if (testA || testB) {
                if (contains(derived_[row].extended, ":R") || !rhombohedral)
                    return {static_cast<int>(row), MatchKind::Symbol, {}};
            } else if (num >= 1 && num <= 230 && derived_[row].number == num) {
                return {static_cast<int>(row), MatchKind::Number, {}};
            }
        }
    }

    // Pass 3: a loose substring search over the symbol forms with all "1" axes removed.
    t = removeChars(t, ".");
    for (std::size_t row = 0; row < derived_.size(); ++row)
        if (contains(looseSymbol(row), t)) return {static_cast<int>(row), MatchKind::Loose, t};
    return {};
}

int SpaceGroupEngine::rowForGroup(int number) const {
    const bool rhombohedralAxes = startsWith(listSymbol(number), "R") && cellValues_[5] != 120.0;
    int first = -1;
    for (std::size_t row = 0; row < derived_.size(); ++row) {
        if (derived_[row].number != number) continue;
        if (first < 0) first = static_cast<int>(row);
        if (!rhombohedralAxes || contains(derived_[row].extended, ":R"))
            return static_cast<int>(row);
    }
    return std::max(first, 0);
}

int SpaceGroupEngine::lookupRow(int number, std::string_view ita, std::string_view hall) const {
    const std::string itaUpper = toUpper(ita);
    const std::string hallKey = toUpper(hall) + ".";
    for (std::size_t row = 0; row < derived_.size(); ++row) {
        const SettingsRow& r = settingsTable[row];
        const Derived& d = derived_[row];
        const bool byNumber =
            number >= 1 && number <= 230 && d.number == number && !startsWith(r.qualifier, "1");
        const bool byIta = !ita.empty() && contains(toUpper(d.ita), itaUpper);
        const bool byHall = !hall.empty() && contains(toUpper(r.hall) + ".", hallKey);
        if (byNumber || byIta || byHall) return static_cast<int>(row);
    }
    return -1;
}

SettingEntry SpaceGroupEngine::lookupSetting(int number, std::string_view ita,
                                             std::string_view hall) const {
    const int row = lookupRow(number, ita, hall);
    if (row < 0) return {};
    const auto r = static_cast<std::size_t>(row);
    return {derived_[r].number, std::string(settingsTable[r].hall), derived_[r].extended,
            derived_[r].ita};
}

SettingEntry SpaceGroupEngine::settingEntry(int row) const {
    const std::size_t r = row >= 0 && row < static_cast<int>(settingsTable.size())
                              ? static_cast<std::size_t>(row)
                              : 0;
    return {derived_[r].number, trim(settingsTable[r].hall), trim(derived_[r].extended),
            trim(derived_[r].ita)};
}

std::string SpaceGroupEngine::listSymbol(int number) {
    if (number < 1 || number > static_cast<int>(shortSymbolTable.size())) return {};
    const std::string_view s = shortSymbolTable[static_cast<std::size_t>(number - 1)];
    if (s.empty()) return {};
    return toUpper(s.substr(0, 1)) + toLower(s.substr(1));
}

} // namespace tavrel
