// Matching recorded patterns: refining from 3 degrees away, indexing from scratch, and batch
// indexing on every core, on made-up silicon patterns (20 kV, 40 x 40 mm screen at 20 mm, the
// bands of the reflections with d above 1 angstrom) of 240 x 240 and 480 x 480 pixels. Each
// timed step starts from the raw image, so preparing it is part of the time.

#include "common/numeric.h"
#include "session/generation.h"
#include "session/pattern_fit.h"
#include "support/synthetic_pattern.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace tavrel;
using namespace tavrel::fit;
using test::randomOrientation;

struct Silicon {
    Simulation sim;
    PatternFit fit;

    static Simulation simulated() {
        Simulation sim;
        sim.fields.spaceGroupIndex = 227 - 1;
        sim.fields.cell = {"5.431", "", "", "", "", ""};
        sim.fields.wavelength = {"20", "0"};
        sim.fields.d = {"1.0", "20"};
        sim.fields.hklMax = {"6", "6", "6"};
        sim.fields.film = {"40", "40", "20"};
        (void)generateReflections(sim);
        return sim;
    }
    Silicon() : sim(simulated()), fit(sim) {}

    GreyImage pattern(const Mat3d& orientation, int size, std::uint32_t seed) const {
        test::SyntheticPatternOptions o;
        o.width = o.height = size;
        o.detector = fit.setup().detector;
        o.seed = seed;
        return test::syntheticPattern(fit.setup().bands, orientation, o);
    }
};

const Silicon& silicon() {
    static const Silicon s;
    return s;
}

// Patterns in a few orientations, so that one lucky orientation does not decide the time.
constexpr int kOrientations = 4;

void BM_RefineFrom3Degrees(benchmark::State& state) {
    const Silicon& si = silicon();
    const int size = static_cast<int>(state.range(0));
    std::vector<GreyImage> images;
    std::vector<Mat3d> starts;
    for (int i = 0; i < kOrientations; ++i) {
        const Mat3d truth = randomOrientation(static_cast<std::uint32_t>(10 + i));
        images.push_back(si.pattern(truth, size, static_cast<std::uint32_t>(i + 1)));
        const double a = 3 * kDegToRad / std::sqrt(3.0);
        starts.push_back(rotationFromVector({a, -a, a}) * truth);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto image = preparePattern(images[i % images.size()]);
        auto refined = si.fit.refine(*image, {.start = starts[i % starts.size()]});
        benchmark::DoNotOptimize(refined);
        ++i;
    }
}
BENCHMARK(BM_RefineFrom3Degrees)->Arg(240)->Arg(480)->Unit(benchmark::kMillisecond);

void BM_IndexFromScratch(benchmark::State& state) {
    const Silicon& si = silicon();
    const int size = static_cast<int>(state.range(0));
    std::vector<GreyImage> images;
    for (int i = 0; i < kOrientations; ++i)
        images.push_back(si.pattern(randomOrientation(static_cast<std::uint32_t>(20 + i)), size,
                                    static_cast<std::uint32_t>(i + 1)));
    std::size_t i = 0;
    for (auto _ : state) {
        const auto image = preparePattern(images[i++ % images.size()]);
        auto indexed = si.fit.index(*image);
        benchmark::DoNotOptimize(indexed);
    }
}
BENCHMARK(BM_IndexFromScratch)->Arg(240)->Arg(480)->Unit(benchmark::kMillisecond);

// Patterns per second (items_per_second) of a batch of 16 on every core.
void BM_BatchIndex(benchmark::State& state) {
    const Silicon& si = silicon();
    const int size = static_cast<int>(state.range(0));
    std::vector<GreyImage> images;
    for (int i = 0; i < 16; ++i)
        images.push_back(si.pattern(randomOrientation(static_cast<std::uint32_t>(30 + i)), size,
                                    static_cast<std::uint32_t>(i + 1)));
    const PatternSource source{images.size(), [&](std::size_t i) { return Result(images[i]); }};
    for (auto _ : state) {
        std::size_t found = 0;
        si.fit.indexBatch(source, [&](std::size_t, Result<IndexResult> r) { found += r.ok(); });
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(images.size()));
}
BENCHMARK(BM_BatchIndex)->Arg(240)->Unit(benchmark::kMillisecond)->UseRealTime();

// The band finder's transform on its working image alone.
void BM_RadonTransform(benchmark::State& state) {
    const Silicon& si = silicon();
    const auto prepared = prepareForFitting(si.pattern(randomOrientation(3), 120, 1));
    for (auto _ : state) {
        auto radon = radonTransform(*prepared, 120, 48);
        benchmark::DoNotOptimize(radon);
    }
}
BENCHMARK(BM_RadonTransform)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
