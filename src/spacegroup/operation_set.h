#pragma once
// Symmetry operations as exact whole numbers, so that the operations a file lists can be
// compared with those of the 530 settings as sets: the rotation in lattice coordinates and the
// translation in 24ths of the cell edges, reduced to 0..23 (a 24ths grid holds every
// translation of a space group, thirds and quarters alike).

#include <array>
#include <compare>
#include <cstddef>
#include <optional>
#include <vector>

namespace tavrel {

struct GridOperation {
    std::array<int, 9> rotation{1, 0, 0, 0, 1, 0, 0, 0, 1}; // row by row
    std::array<int, 3> translation{};                       // 24ths, 0..23

    static constexpr int kGrid = 24;
    friend auto operator<=>(const GridOperation&, const GridOperation&) = default;
};

// Applies b first, then a; the translation is reduced again.
GridOperation compose(const GridOperation& a, const GridOperation& b);

// Sorted, without repeats.
using OperationSet = std::vector<GridOperation>;

// The smallest set that holds `operations` and the identity and is closed under composition,
// or none when that set would exceed the 192 operations of the largest space group (the
// operations then describe no space group).
std::optional<OperationSet> closeOperations(std::vector<GridOperation> operations);

// The operations of settings row `row` (0..529) as the engine builds them; built for all rows
// at the first call and kept.
const OperationSet& settingOperations(std::size_t row);

// The rows whose operations are exactly `set`, ascending. Several rows share a set where the
// table lists one setting under more than one symbol.
std::vector<int> rowsWithOperations(const OperationSet& set);

// `set` with the pure translations of lattice centring `letter` (A B C I R S T F; P adds
// none) added and closed again; none as for closeOperations.
std::optional<OperationSet> withCentring(const OperationSet& set, char letter);

} // namespace tavrel
