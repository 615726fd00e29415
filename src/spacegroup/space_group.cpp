#include "spacegroup/space_group.h"

#include "common/numeric.h"
#include "common/text.h"

namespace tavrel {

clSpaceGroup::clSpaceGroup() {
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

void clSpaceGroup::setUC(int n, float x) {
    if (n >= 0 && n < static_cast<int>(cellParams_.size()))
        cellParams_[static_cast<std::size_t>(n)] = x;
}

std::int16_t clSpaceGroup::XGRP_findHallEntry(std::string& s) const {
    bool rhombohedral = !s.empty() && s[0] == 'R' && cellParams_[5] != 120.0;
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
                    return static_cast<std::int16_t>(row);
            } else if (num >= 1 && num <= 230 && derived_[row].number == num) {
                return static_cast<std::int16_t>(row);
            }
        }
    }

    // Pass 3: a loose substring search over the symbol forms with all "1" axes removed.
    t = removeChars(t, ".");
    for (std::size_t row = 0; row < derived_.size(); ++row) {
        std::string u = replaceAll(derived_[row].extended, " 1 1 ", "");
        u = toUpper(removeChars(replaceAll(u, " 1 ", ""), " "));
        const std::size_t colon = u.find(':');
        if (colon != std::string::npos) u = u.substr(0, colon);
        if (contains(u, t)) return static_cast<std::int16_t>(row);
    }
    return 0;
}

clSpaceGroup::Entry clSpaceGroup::XGRP_lookup(int nspg, std::string_view ita,
                                              std::string_view hall) const {
    const std::string itaUpper = toUpper(ita);
    const std::string hallKey = toUpper(hall) + ".";
    for (std::size_t row = 0; row < derived_.size(); ++row) {
        const SettingsRow& r = settingsTable[row];
        const Derived& d = derived_[row];
        const bool byNumber =
            nspg >= 1 && nspg <= 230 && d.number == nspg && !startsWith(r.qualifier, "1");
        const bool byIta = !ita.empty() && contains(toUpper(d.ita), itaUpper);
        const bool byHall = !hall.empty() && contains(toUpper(r.hall) + ".", hallKey);
        if (byNumber || byIta || byHall)
            return {std::to_string(d.number), std::string(r.hall), d.extended, d.ita};
    }
    return {};
}

clSpaceGroup::Entry clSpaceGroup::XGRP_getEntry(int i) {
    if (i < 0 || i >= static_cast<int>(settingsTable.size())) i = 0;
    const auto row = static_cast<std::size_t>(i);
    Entry e{trim(std::to_string(derived_[row].number)), trim(settingsTable[row].hall),
            trim(derived_[row].extended), trim(derived_[row].ita)};

    hallList_.clear();
    for (const SettingsRow& r : settingsTable) {
        if (hallList_.size() >= 100) break;
        if (r.nspg == e[0]) hallList_.emplace_back(r.hall);
    }
    return e;
}

std::string clSpaceGroup::getToskSymbol(int nspg) const {
    if (nspg < 1 || nspg > static_cast<int>(shortSymbolTable.size())) return {};
    const std::string_view s = shortSymbolTable[static_cast<std::size_t>(nspg - 1)];
    if (s.empty()) return {};
    return toUpper(s.substr(0, 1)) + toLower(s.substr(1));
}

} // namespace tavrel
