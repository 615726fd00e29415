// Generation of the largest lists a user meets on big cells (a = 25 angstrom, a short wavelength,
// stopped at 32,767 reflections) against its floor: a plain loop over the same triples doing
// the same work per triple (the same spacing, the same filters, the same extinction test) and
// keeping only h, k, l and d. The ratio says what generation adds on top of the loop itself.

#include "common/quicksort.h"
#include "crystal/unit_cell.h"
#include "session/document_reading.h"
#include "session/generation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tavrel;

struct Case {
    int group;
    std::array<const char*, 6> cell;
    const char* wavelength;
    const char* dMin;
    const char* limit;
};

// Both stop at the cap of 32,767 reflections.
constexpr Case kTriclinicP1{1, {"25", "26", "27", "85", "95", "100"}, "0.3", "1", "40"};
constexpr Case kDiamondFd3m{227, {"25", "25", "25", "90", "90", "90"}, "0.3", "0.5", "40"};

void setCase(Simulation& s, const Case& c) {
    DocumentFields& f = s.fields;
    f.spaceGroupIndex = c.group - 1;
    for (std::size_t i = 0; i < 6; ++i) f.cell[i] = c.cell[i];
    f.wavelength = {c.wavelength, "0"};
    f.d = {c.dMin, "0"};
    f.hklMax = {c.limit, c.limit, c.limit};
    f.autoLimits = false;
    f.orientation = "1 1 1";
}

void BM_Generate(benchmark::State& state, Case c) {
    Simulation s;
    setCase(s, c);
    for (auto _ : state) (void)generateReflections(s);
    state.counters["reflections"] = s.reflections.count();
}

struct Row {
    std::int16_t h, k, l;
    float d;
};

// The loop of generation without the rest: the limits bounded as generation bounds them, the
// spacing, the d range, the 175 degree rule and the extinction test, stopping when the list is
// full.
// `perCallTrig` takes the angles' sines and cosines afresh for every triple, as every spacing
// did before the cell's metric was worked out once per cell.
template <bool perCallTrig> std::size_t plainLoop(const Simulation& s, std::vector<Row>& rows) {
    const PatternDocument& doc = s.document;
    rows.clear();
    const double lambda = doc.wavelength[0];
    const double dLowest = std::max(static_cast<double>(doc.dMin) - 0.0001, lambda / 2.0);
    const double dHighest = static_cast<double>(doc.dMax) + 0.0001;
    auto bound = [&](int typed, double edge) {
        const double reach = std::floor(edge / dLowest) + 1.0;
        return reach < typed ? static_cast<int>(reach) : typed;
    };
    const int H = bound(doc.hklMax[0], doc.cell.a());
    const int K = bound(doc.hklMax[1], doc.cell.b());
    const int L = bound(doc.hklMax[2], doc.cell.c());
    const CellMetric metric(doc.cell);
    for (int h = H; h >= -H; --h)
        for (int k = K; k >= -K; --k)
            for (int l = L; l >= -L; --l) {
                if (h == 0 && k == 0 && l == 0) continue;
                const float d =
                    perCallTrig ? dSpacing(doc.cell, h, k, l) : metric.dSpacing(h, k, l);
                if (!(static_cast<double>(doc.dMin) - 0.0001 <= d && d <= dHighest)) continue;
                if (!(2.0 * braggAngle(lambda, d) <= 175.0)) continue;
                const auto hh = static_cast<std::int16_t>(h), kk = static_cast<std::int16_t>(k),
                           ll = static_cast<std::int16_t>(l);
                if (s.group.isAbsent(hh, kk, ll)) continue;
                if (rows.size() == static_cast<std::size_t>(kMaxReflections)) return rows.size();
                rows.push_back({hh, kk, ll, d});
            }
    return rows.size();
}

// The same loop followed by the list's own sort (its exact steps decide the order of equal
// spacings, so generation cannot use a faster one): the floor of a sorted list.
std::size_t plainLoopSorted(const Simulation& s, std::vector<Row>& rows) {
    plainLoop<false>(s, rows);
    quicksortDescending(rows, [](const Row& row) { return row.d; });
    return rows.size();
}

template <bool perCallTrig, bool sorted = false>
void plainLoopBench(benchmark::State& state, const Case& c) {
    Simulation s;
    setCase(s, c);
    takeReading(s, readDocument(s.fields, s.document));
    // d-Max 0 reads as the longest edge, as in generation.
    std::vector<Row> rows;
    rows.reserve(kMaxReflections);
    std::size_t found = 0;
    for (auto _ : state) {
        found = sorted ? plainLoopSorted(s, rows) : plainLoop<perCallTrig>(s, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["reflections"] = static_cast<double>(found);
}

void BM_PlainLoop(benchmark::State& state, Case c) {
    plainLoopBench<false>(state, c);
}
void BM_PlainLoopPerCallTrig(benchmark::State& state, Case c) {
    plainLoopBench<true>(state, c);
}
void BM_PlainLoopSorted(benchmark::State& state, Case c) {
    plainLoopBench<false, true>(state, c);
}

BENCHMARK_CAPTURE(BM_Generate, p1_32767, kTriclinicP1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoop, p1_32767, kTriclinicP1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoopPerCallTrig, p1_32767, kTriclinicP1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoopSorted, p1_32767, kTriclinicP1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Generate, fd3m_32767, kDiamondFd3m)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoop, fd3m_32767, kDiamondFd3m)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoopPerCallTrig, fd3m_32767, kDiamondFd3m)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainLoopSorted, fd3m_32767, kDiamondFd3m)->Unit(benchmark::kMillisecond);

// One spacing, for the cost per call: with the angles taken afresh, and from the cell's metric.
void BM_DSpacing(benchmark::State& state) {
    UnitCell cell;
    cell.values = {25, 26, 27, 85, 95, 100};
    int h = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dSpacing(cell, h, 3, -7));
        h = h % 30 + 1;
    }
}
BENCHMARK(BM_DSpacing);
void BM_DSpacingFromMetric(benchmark::State& state) {
    UnitCell cell;
    cell.values = {25, 26, 27, 85, 95, 100};
    const CellMetric metric(cell);
    int h = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(metric.dSpacing(h, 3, -7));
        h = h % 30 + 1;
    }
}
BENCHMARK(BM_DSpacingFromMetric);

} // namespace

BENCHMARK_MAIN();
