#pragma once

#include <array>
#include <vector>

namespace tavrel {

// One row per reflection: its reciprocal vector in the view frame (x along the viewing axis,
// y horizontal, z vertical) and, in column 3, its index in the reflection list. Arrow keys
// re-sort the rows, so a row's reflection is always found through column 3.
using PointRow = std::array<float, 4>;

struct PointTable {
    std::vector<PointRow> rows;

    std::size_t size() const { return rows.size(); }
    static int reflectionIndex(const PointRow& row) { return static_cast<int>(row[3]); }
};

} // namespace tavrel
