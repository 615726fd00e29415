// |F|^2 of the largest list a user meets (32,767 reflections) for a cell of 100 atoms of five
// elements, against its floor: a bare loop taking the sine and cosine of the same 3.3 million
// phases, which is what a sum over atoms without phase tables cannot go below.

#include "structure/structure_factor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace tavrel;

constexpr std::size_t kReflections = 32767;
constexpr std::size_t kAtoms = 100;

struct Reflections {
    std::vector<std::int16_t> h, k, l;
    std::vector<float> d;
};

// Every triple of a cube of indices around the origin, as generation would list them for a
// 25 angstrom cubic cell, until the list is full.
const Reflections& reflections() {
    static const Reflections list = [] {
        Reflections r;
        const int limit = 16;
        for (int h = -limit; h <= limit && r.d.size() < kReflections; ++h)
            for (int k = -limit; k <= limit && r.d.size() < kReflections; ++k)
                for (int l = -limit; l <= limit && r.d.size() < kReflections; ++l) {
                    if (h == 0 && k == 0 && l == 0) continue;
                    r.h.push_back(static_cast<std::int16_t>(h));
                    r.k.push_back(static_cast<std::int16_t>(k));
                    r.l.push_back(static_cast<std::int16_t>(l));
                    r.d.push_back(static_cast<float>(25.0 / std::sqrt(h * h + k * k + l * l)));
                }
        return r;
    }();
    return list;
}

// 100 atoms at scattered positions, five elements with two B values each (ten kinds).
const std::vector<CellAtom>& atoms() {
    static const std::vector<CellAtom> list = [] {
        const Species species[] = {
            {"O", 8, 0}, {"Si", 14, 0}, {"Fe", 26, 0}, {"Sr", 38, 0}, {"Ba", 56, 0}};
        std::vector<CellAtom> a;
        std::uint32_t state = 12345;
        auto next = [&] {
            state = state * 1664525u + 1013904223u;
            return static_cast<double>(state >> 8) / 16777216.0;
        };
        for (std::size_t i = 0; i < kAtoms; ++i)
            a.push_back(
                {i, species[i % 5], 1.0, (i / 5) % 2 == 0 ? 0.5 : 0.9, {next(), next(), next()}});
        return a;
    }();
    return list;
}

void BM_StructureFactors(benchmark::State& state, unsigned threads, std::size_t tableBytes) {
    const Reflections& r = reflections();
    const ReflectionIndices indices{r.h, r.k, r.l, r.d};
    StructureFactorOptions options;
    options.threads = threads;
    options.phaseTableBytes = tableBytes;
    for (auto _ : state) {
        Result<std::vector<double>> squares =
            squaredStructureFactors(indices, atoms(), Scattering::XRay, options);
        benchmark::DoNotOptimize(squares);
    }
    state.counters["reflections"] = static_cast<double>(r.d.size());
    state.counters["atoms"] = static_cast<double>(kAtoms);
}

// The floor: one sine and cosine per atom and reflection, summed, on one thread.
void BM_SincosFloor(benchmark::State& state) {
    const Reflections& r = reflections();
    const std::vector<CellAtom>& a = atoms();
    std::vector<double> out(r.d.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < r.d.size(); ++i) {
            double re = 0, im = 0;
            for (const CellAtom& atom : a) {
                const double phase =
                    6.283185307179586 * (r.h[i] * atom.position[0] + r.k[i] * atom.position[1] +
                                         r.l[i] * atom.position[2]);
                re += std::cos(phase);
                im += std::sin(phase);
            }
            out[i] = re * re + im * im;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

constexpr std::size_t kDefaultTables = std::size_t{64} << 20;

BENCHMARK_CAPTURE(BM_StructureFactors, tables_1_thread, 1u, kDefaultTables)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StructureFactors, tables_2_threads, 2u, kDefaultTables)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StructureFactors, direct_1_thread, 1u, std::size_t{0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StructureFactors, direct_2_threads, 2u, std::size_t{0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SincosFloor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
