#pragma once
// The space-group engine: the table of the 530 standard settings, matching a typed symbol to one
// of them, and the short symbols from which the window fills its space-group list.

#include "spacegroup/settings_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

class clSpaceGroup {
public:
    // number, Hall symbol, extended symbol, ITA symbol
    using Entry = std::array<std::string, 4>;

    clSpaceGroup();

    // Cell value N (0..6: a, b, c, alpha, beta, gamma, spare). Gamma (index 5) other than 120
    // marks a rhombohedral symbol as given on rhombohedral axes.
    void setUC(int n, float x);
    const std::array<double, 7>& cellParams() const { return cellParams_; }

    // The row (0..529) a typed symbol selects; every ":H" is removed from `s`. Row 0 (" P 1")
    // when nothing matches.
    std::int16_t XGRP_findHallEntry(std::string& s) const;
    // The first row matching, in this order of tests, the number (skipping origin-choice-1
    // rows), the ITA symbol (substring) or the Hall symbol (as its ending); four empty texts
    // when no row matches. Pass 0 / empty texts for tests that are not wanted.
    Entry XGRP_lookup(int nspg = 0, std::string_view ita = {}, std::string_view hall = {}) const;
    // The four texts of row i, trimmed; also rebuilds the Hall-list for that row's number.
    Entry XGRP_getEntry(int i);
    // The Hall symbols (untrimmed) of all rows sharing the number of the last XGRP_getEntry.
    const std::vector<std::string>& XGRP_getHalls() const { return hallList_; }
    // Short symbol of group nspg (1..230) as the list shows it: "P 21/c", "F m 3 m".
    std::string getToskSymbol(int nspg) const;

    // Derived texts of a row: its number, ITA symbol with spaces, and extended symbol
    // ("P 21/c = P 1 21/c 1 = 14:b1", "R -3 m = 166:H").
    std::int16_t rowNumber(std::size_t row) const { return derived_[row].number; }
    const std::string& rowItaSymbol(std::size_t row) const { return derived_[row].ita; }
    const std::string& rowExtendedSymbol(std::size_t row) const { return derived_[row].extended; }

private:
    struct Derived {
        std::int16_t number = 0;
        std::string ita;
        std::string extended;
    };

    std::vector<Derived> derived_;
    std::array<double, 7> cellParams_{};
    std::vector<std::string> hallList_;
};

} // namespace tavrel
