// The two costs of the space-group engine the user waits for: building the operations when the
// group is chosen, and the absence test run for every hkl triple of a generation.

#include "spacegroup/space_group.h"

#include <benchmark/benchmark.h>

namespace {

using tavrel::SpaceGroupEngine;

// Every settings row in turn, as selectSymbol continues after its symbol lookup.
void BM_SelectAllSettings(benchmark::State& state) {
    SpaceGroupEngine engine;
    for (auto _ : state) {
        for (int row = 0; row < static_cast<int>(tavrel::kSettingsRowCount); ++row) {
            engine.selectRow(row);
            benchmark::DoNotOptimize(engine.operationCount());
        }
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(tavrel::kSettingsRowCount));
}
BENCHMARK(BM_SelectAllSettings)->Unit(benchmark::kMillisecond);

// The full selectSymbol of one typed symbol, lookup included.
void BM_FindTypedSymbol(benchmark::State& state) {
    SpaceGroupEngine engine;
    for (auto _ : state) {
        engine.selectSymbol("FM-3M");
        benchmark::DoNotOptimize(engine.operationCount());
    }
}
BENCHMARK(BM_FindTypedSymbol)->Unit(benchmark::kMicrosecond);

// The 9,261 triples of the automatic limits 10/10/10 in F m -3 m, the group with 192 operations.
void BM_IsExtinctLimits10(benchmark::State& state) {
    SpaceGroupEngine engine;
    engine.selectSymbol("FM-3M");
    if (engine.operationCount() != 192) state.SkipWithError("F m -3 m must have 192 operations");
    for (auto _ : state) {
        int absent = 0;
        for (std::int16_t h = 10; h >= -10; --h)
            for (std::int16_t k = 10; k >= -10; --k)
                for (std::int16_t l = 10; l >= -10; --l) absent += engine.isExtinct(h, k, l);
        benchmark::DoNotOptimize(absent);
    }
    state.SetItemsProcessed(state.iterations() * 21 * 21 * 21);
}
BENCHMARK(BM_IsExtinctLimits10)->Unit(benchmark::kMicrosecond);

} // namespace
