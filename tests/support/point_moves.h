#pragma once
// How far a turn moved the points of a table, matched by reflection (turns re-sort the rows).

#include "orientation/point_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tavrel::test {

// The largest change of any coordinate of any reflection's point from `before` to `after`;
// infinite when the tables hold different reflections.
inline float largestMove(const PointTable& before, const PointTable& after) {
    std::map<std::int32_t, const RotatedPoint*> byReflection;
    for (const RotatedPoint& p : after.rows) byReflection[p.reflection] = &p;
    if (byReflection.size() != before.size()) return std::numeric_limits<float>::infinity();
    float largest = 0;
    for (const RotatedPoint& a : before.rows) {
        const auto b = byReflection.find(a.reflection);
        if (b == byReflection.end()) return std::numeric_limits<float>::infinity();
        largest = std::max({largest, std::fabs(a.x - b->second->x), std::fabs(a.y - b->second->y),
                            std::fabs(a.z - b->second->z)});
    }
    return largest;
}

} // namespace tavrel::test
