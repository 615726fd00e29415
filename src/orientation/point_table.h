#pragma once

#include <cstdint>
#include <vector>

namespace tavrel {

// One reflection's reciprocal vector in the view frame (x along the viewing axis, y horizontal,
// z vertical) and the index of that reflection in the reflection list. Arrow keys re-sort the
// points, so a point's reflection is always found through its index, never its position.
struct RotatedPoint {
    float x = 0, y = 0, z = 0;
    std::int32_t reflection = 0;
    friend bool operator==(const RotatedPoint&, const RotatedPoint&) = default;
};

struct PointTable {
    std::vector<RotatedPoint> rows;

    std::size_t size() const { return rows.size(); }
    bool empty() const { return rows.empty(); }
};

} // namespace tavrel
