// The two costs of the space-group engine the user waits for: building the operations when the
// group is chosen, and the absence test run for every hkl triple of a generation.

#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"

#include <benchmark/benchmark.h>

namespace {

using tavrel::RGroupAxes;
using tavrel::SpaceGroup;

// Every settings row in turn, as reading a document builds the group after its symbol lookup.
void BM_SelectAllSettings(benchmark::State& state) {
    for (auto _ : state) {
        for (int row = 0; row < static_cast<int>(tavrel::kSettingsRowCount); ++row)
            benchmark::DoNotOptimize(SpaceGroup::ofRow(row).operationCount());
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(tavrel::kSettingsRowCount));
}
BENCHMARK(BM_SelectAllSettings)->Unit(benchmark::kMillisecond);

// One typed symbol to its group, lookup included.
void BM_FindTypedSymbol(benchmark::State& state) {
    for (auto _ : state) {
        const SpaceGroup group =
            SpaceGroup::ofRow(tavrel::findSettingRow("FM-3M", RGroupAxes::Rhombohedral));
        benchmark::DoNotOptimize(group.operationCount());
    }
}
BENCHMARK(BM_FindTypedSymbol)->Unit(benchmark::kMicrosecond);

// The 9,261 triples of the automatic limits 10/10/10 in F m -3 m, the group with 192 operations.
void BM_IsExtinctLimits10(benchmark::State& state) {
    const SpaceGroup group =
        SpaceGroup::ofRow(tavrel::findSettingRow("FM-3M", RGroupAxes::Rhombohedral));
    if (group.operationCount() != 192) state.SkipWithError("F m -3 m must have 192 operations");
    for (auto _ : state) {
        int absent = 0;
        for (std::int16_t h = 10; h >= -10; --h)
            for (std::int16_t k = 10; k >= -10; --k)
                for (std::int16_t l = 10; l >= -10; --l) absent += group.isAbsent(h, k, l);
        benchmark::DoNotOptimize(absent);
    }
    state.SetItemsProcessed(state.iterations() * 21 * 21 * 21);
}
BENCHMARK(BM_IsExtinctLimits10)->Unit(benchmark::kMicrosecond);

} // namespace
