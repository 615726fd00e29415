#pragma once
// The quicksort that orders the reflection list by decreasing d and the point table by the
// viewing-axis component. Reflections of equal d (the planes of one family) stand in the list in
// the order its exact steps leave them, and users compare that order with their tables, so the
// steps must stay exactly these; another algorithm (std::sort too) would order them differently.

#include "common/numeric.h"

#include <utility>
#include <vector>

namespace tavrel {

template <typename Row, typename Key> void quicksortDescending(std::vector<Row>& rows, Key key) {
    if (rows.size() < 2) return;
    // The ranges are disjoint, so an explicit stack sorts them in any order with the same
    // result as the recursion, without its depth.
    std::vector<std::pair<long, long>> pending{{0, static_cast<long>(rows.size()) - 1}};
    while (!pending.empty()) {
        const auto [lo, hi] = pending.back();
        pending.pop_back();
        const auto mid = static_cast<long>(
            roundHalfEven((static_cast<double>(lo) + static_cast<double>(hi)) / 2.0));
        const auto pivot = key(rows[static_cast<std::size_t>(mid)]);
        long i = lo, j = hi;
        do {
            while (key(rows[static_cast<std::size_t>(i)]) > pivot) ++i;
            while (key(rows[static_cast<std::size_t>(j)]) < pivot) --j;
            if (i <= j) {
                std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
                ++i, --j;
            }
        } while (i <= j);
        if (i < hi) pending.emplace_back(i, hi);
        if (lo < j) pending.emplace_back(lo, j);
    }
}

} // namespace tavrel
