// What the orientation conventions cost where a caller may run them on every frame of a drag
// (the names along the sample axes, the zone axes) or on a restored point table (the fit),
// beside orientPoints over the same reflections, the work every turn already does.

#include "orientation/direction_names.h"
#include "orientation/euler_angles.h"
#include "orientation/orientation_fit.h"
#include "orientation/rotation.h"
#include "orientation/zone_axes.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

LatticeMatrices triclinic() {
    return buildLatticeMatrices(UnitCell{{5.1f, 6.3f, 7.4f, 81.2f, 102.5f, 97.3f}}).value();
}

const Mat3d kOrientation = orientationFromEulerAngles({31.7, 47.3, 112.9}, triclinic());

// Every (hkl) with indices up to 8: 4,912 reflections, a large pattern's list.
ReflectionList reflections() {
    const LatticeMatrices m = triclinic();
    ReflectionList r;
    for (int h = -8; h <= 8; ++h)
        for (int k = -8; k <= 8; ++k)
            for (int l = -8; l <= 8; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                Vec3f g{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
                toCartesian(m, g, false);
                r.append(static_cast<std::int16_t>(h), static_cast<std::int16_t>(k),
                         static_cast<std::int16_t>(l), 1.0f, g);
            }
    return r;
}

// Z, X and Y each named as a direction and as a plane, indices up to 12.
void BM_SampleFrameNames(benchmark::State& state) {
    const LatticeMatrices m = triclinic();
    for (auto _ : state) benchmark::DoNotOptimize(sampleFrameNames(kOrientation, m));
}
BENCHMARK(BM_SampleFrameNames)->Unit(benchmark::kMicrosecond);

void BM_ZoneAxesUpTo6(benchmark::State& state) {
    const LatticeMatrices m = triclinic();
    for (auto _ : state) benchmark::DoNotOptimize(zoneAxes(kOrientation, m, 6));
}
BENCHMARK(BM_ZoneAxesUpTo6)->Unit(benchmark::kMicrosecond);

void BM_FitOrientation(benchmark::State& state) {
    const ReflectionList list = reflections();
    PointTable points;
    orientPoints(toMat3f(kOrientation), list, points);
    for (auto _ : state) benchmark::DoNotOptimize(fitOrientation(points, list));
    state.SetItemsProcessed(state.iterations() * list.count());
}
BENCHMARK(BM_FitOrientation)->Unit(benchmark::kMicrosecond);

// The baseline: one turn of the same reflections into the view frame.
void BM_OrientPointsBaseline(benchmark::State& state) {
    const ReflectionList list = reflections();
    PointTable points;
    for (auto _ : state) {
        orientPoints(toMat3f(kOrientation), list, points);
        benchmark::DoNotOptimize(points.rows.data());
    }
    state.SetItemsProcessed(state.iterations() * list.count());
}
BENCHMARK(BM_OrientPointsBaseline)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
