#include "spacegroup/operation_set.h"

#include "spacegroup/settings_table.h"
#include "spacegroup/space_group.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace tavrel {

namespace {

constexpr std::size_t kLargestGroup = 192;

int reduced(int t) {
    const int r = t % GridOperation::kGrid;
    return r < 0 ? r + GridOperation::kGrid : r;
}

int gridTranslation(float t) {
    return reduced(static_cast<int>(std::lround(t * static_cast<float>(GridOperation::kGrid))));
}

// Every rotation of the 530 settings, written in its own lattice, has entries -1, 0 and 1;
// a product outside them cannot belong to any of them, and stopping there keeps the entries of
// a stray input from growing without bound.
bool withinSettingRotations(const GridOperation& op) {
    return std::all_of(op.rotation.begin(), op.rotation.end(),
                       [](int e) { return std::abs(e) <= 1; });
}

OperationSet operationsOf(const SpaceGroup& group) {
    OperationSet set;
    for (const SymOp& s : group.operations()) {
        GridOperation op;
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j)
                op.rotation[3 * i + j] = static_cast<int>(std::lround(s.m[i][j]));
            op.translation[i] = gridTranslation(s.m[i][3]);
        }
        set.push_back(op);
    }
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    return set;
}

} // namespace

GridOperation compose(const GridOperation& a, const GridOperation& b) {
    GridOperation r;
    for (std::size_t i = 0; i < 3; ++i) {
        int t = a.translation[i];
        for (std::size_t j = 0; j < 3; ++j) {
            int e = 0;
            for (std::size_t k = 0; k < 3; ++k) e += a.rotation[3 * i + k] * b.rotation[3 * k + j];
            r.rotation[3 * i + j] = e;
            t += a.rotation[3 * i + j] * b.translation[j];
        }
        r.translation[i] = reduced(t);
    }
    return r;
}

std::optional<OperationSet> closeOperations(std::vector<GridOperation> operations) {
    std::set<GridOperation> known;
    std::vector<GridOperation> list;
    auto add = [&](const GridOperation& op) {
        if (known.insert(op).second) list.push_back(op);
        return list.size() <= kLargestGroup && withinSettingRotations(op);
    };
    if (!add(GridOperation{})) return std::nullopt;
    for (GridOperation& op : operations) {
        for (int& t : op.translation) t = reduced(t);
        if (!add(op)) return std::nullopt;
    }
    // Each pair is composed once both are listed, in both orders; whatever is new joins the
    // end of the list and is paired in turn.
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            const GridOperation ij = compose(list[i], list[j]);
            const GridOperation ji = compose(list[j], list[i]);
            if (!add(ij) || !add(ji)) return std::nullopt;
        }
    }
    return OperationSet(known.begin(), known.end());
}

const OperationSet& settingOperations(std::size_t row) {
    static const std::vector<OperationSet> sets = [] {
        std::vector<OperationSet> all;
        all.reserve(kSettingsRowCount);
        for (std::size_t r = 0; r < kSettingsRowCount; ++r)
            all.push_back(operationsOf(SpaceGroup::ofRow(static_cast<int>(r))));
        return all;
    }();
    return sets.at(row);
}

std::vector<int> rowsWithOperations(const OperationSet& set) {
    std::vector<int> rows;
    for (std::size_t r = 0; r < kSettingsRowCount; ++r)
        if (settingOperations(r) == set) rows.push_back(static_cast<int>(r));
    return rows;
}

std::optional<OperationSet> withCentring(const OperationSet& set, char letter) {
    std::vector<GridOperation> operations(set.begin(), set.end());
    for (const std::array<float, 3>& translation : latticeCentringTranslations(letter)) {
        GridOperation shift;
        for (std::size_t i = 0; i < 3; ++i) shift.translation[i] = gridTranslation(translation[i]);
        operations.push_back(shift);
    }
    return closeOperations(std::move(operations));
}

} // namespace tavrel
