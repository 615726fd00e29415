// Matching recorded patterns: indexing from scratch (alone, and a batch on every core) and
// refining from 5 degrees away, on made-up nickel patterns that look recorded (20 kV, the
// recorded patterns' detector, 300 counts a pixel, a round screen with spots) of 60 x 60 and
// 240 x 240 pixels, with the detector's static background. Each timed step starts from the raw
// image, so the background correction is part of the time; one evaluation of the score beside.

#include "common/numeric.h"
#include "support/fit_crystals.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;
using namespace tavrel::test;

const SimulatedCrystal& nickel() {
    static const SimulatedCrystal ni(kNickel);
    return ni;
}

struct Patterns {
    std::vector<GreyImage> images;
    std::vector<Mat3d> truths;
    fit::StaticBackground background;
};

// `count` patterns of `side` pixels in different orientations, so that one lucky orientation
// does not decide the time.
Patterns patterns(int side, int count) {
    Patterns p;
    for (int i = 0; i < count; ++i) {
        SyntheticPatternOptions o = nickel().options(side, static_cast<std::uint32_t>(i + 1));
        o.blemishes = 8;
        p.truths.push_back(randomOrientation(static_cast<std::uint32_t>(20 + i)));
        p.images.push_back(nickel().pattern(p.truths.back(), o));
        if (i == 0) p.background = *fit::staticBackgroundOf(syntheticBackground(o));
    }
    return p;
}

void BM_IndexFromScratch(benchmark::State& state) {
    const Patterns p = patterns(static_cast<int>(state.range(0)), 4);
    std::size_t i = 0;
    for (auto _ : state) {
        const auto image = prepareForMatching(p.images[i++ % p.images.size()], p.background);
        auto indexed = nickel().fit.index(*image);
        benchmark::DoNotOptimize(indexed);
    }
}
BENCHMARK(BM_IndexFromScratch)->Arg(60)->Arg(240)->Unit(benchmark::kMillisecond);

void BM_RefineFrom5Degrees(benchmark::State& state) {
    const Patterns p = patterns(static_cast<int>(state.range(0)), 4);
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % p.images.size();
        const auto image = prepareForMatching(p.images[k], p.background);
        auto refined = nickel().fit.refine(
            *image, {.start = turnedAway(p.truths[k], 5, static_cast<std::uint32_t>(k))});
        benchmark::DoNotOptimize(refined);
    }
}
BENCHMARK(BM_RefineFrom5Degrees)->Arg(60)->Arg(240)->Unit(benchmark::kMillisecond);

// Patterns per second (items_per_second) of a batch of 16 on every core.
void BM_BatchIndex(benchmark::State& state) {
    const Patterns p = patterns(static_cast<int>(state.range(0)), 16);
    PatternFit fit = nickel().fit;
    fit.setBackground(p.background, {});
    const PatternSource source{p.images.size(), [&](std::size_t i) { return Result(p.images[i]); }};
    for (auto _ : state) {
        std::size_t found = 0;
        fit.indexBatch(source, [&](std::size_t, Result<fit::IndexResult> r) { found += r.ok(); });
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(p.images.size()));
}
BENCHMARK(BM_BatchIndex)->Arg(60)->Arg(240)->Unit(benchmark::kMillisecond)->UseRealTime();

// One evaluation of the score (84 bands) on the working image, or the finest one.
void BM_ScoreEvaluation(benchmark::State& state) {
    const Patterns p = patterns(static_cast<int>(state.range(0)), 1);
    const auto image = prepareForMatching(p.images[0], p.background);
    const fit::PatternScorer scorer(image->finest(), nickel().setup().detector,
                                    nickel().setup().bands);
    std::vector<Mat3d> near;
    for (std::uint32_t i = 0; i < 16; ++i) near.push_back(turnedAway(p.truths[0], 0.2 * i, i));
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(scorer.correlation(near[i++ % near.size()]));
}
BENCHMARK(BM_ScoreEvaluation)->Arg(60)->Arg(240)->Unit(benchmark::kMicrosecond);

// The band finder's transform on the working image alone.
void BM_RadonTransform(benchmark::State& state) {
    const Patterns p = patterns(60, 1);
    const auto image = prepareForMatching(p.images[0], p.background);
    for (auto _ : state) {
        auto radon = fit::radonTransform(image->working, 120, 24);
        benchmark::DoNotOptimize(radon);
    }
}
BENCHMARK(BM_RadonTransform)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
