// Large structures: the images of many sites in Fd-3m (192 operations) and in P 1, and the
// strengths of a list for them, as a command that opens such a CIF works them out.

#include "session/generation.h"
#include "session/line_strengths.h"
#include "spacegroup/settings.h"
#include "spacegroup/space_group.h"
#include "structure/cell_atoms.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace tavrel;

// Sites of silicon at scattered general positions, each with a B of its own.
std::vector<AtomSite> scatteredSites(std::size_t count) {
    std::vector<AtomSite> sites;
    std::uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0;
    };
    for (std::size_t i = 0; i < count; ++i)
        sites.push_back({"Si" + std::to_string(i), "Si", next(), next(), next(), 1,
                         0.5 + static_cast<double>(i) * 1e-6});
    return sites;
}

void expandFd3m(benchmark::State& state) {
    const SpaceGroup group = SpaceGroup::ofRow(rowForGroup(227, RGroupAxes::Hexagonal));
    const std::vector<AtomSite> sites = scatteredSites(static_cast<std::size_t>(state.range(0)));
    UnitCell cell;
    cell.values = {5.431f, 5.431f, 5.431f, 90, 90, 90};
    for (auto _ : state) benchmark::DoNotOptimize(expandToCell(sites, group.operations(), cell));
}
BENCHMARK(expandFd3m)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

// The strengths of a silicon list (a few hundred reflections) for many sites in P 1 and Fd-3m.
void strengths(benchmark::State& state, int group, std::size_t sites) {
    Simulation sim;
    sim.fields.spaceGroupIndex = group - 1;
    sim.fields.cell = {"5.431", "5.431", "5.431", "90", "90", "90"};
    sim.fields.wavelength = {"1.5418", "0"};
    sim.fields.d = {"0.7", "0"};
    sim.fields.autoLimits = true;
    (void)generateReflections(sim);
    sim.atoms = scatteredSites(sites);
    for (auto _ : state) benchmark::DoNotOptimize(computeLineStrengths(sim));
    state.counters["reflections"] = static_cast<double>(sim.reflections.count());
}
BENCHMARK_CAPTURE(strengths, P1_20000, 1, 20000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(strengths, P1_80000, 1, 80000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(strengths, Fd3m_2000, 227, 2000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
