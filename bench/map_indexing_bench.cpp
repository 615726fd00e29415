// Whole maps: made-up silicon grains (20 kV, 40 x 40 mm screen at 20 mm, 60 x 60 and 120 x 120
// pixel patterns, 8-bit) in a kikuchipy h5ebsd file, indexed on every core and written as an
// .ang: patterns per second with reading, matching and writing included.
//
// `tavrel_bench_maps --make-map PATH ROWS COLUMNS SIDE` writes such a file and ends, for
// measuring the command line on a large map (peak memory with /usr/bin/time -v).

#include "fit/rotation_math.h"
#include "mapfiles/map_writer.h"
#include "mapfiles/pattern_files.h"
#include "session/generation.h"
#include "session/map_geometry.h"
#include "session/map_point_matcher.h"
#include "support/grain_map.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

using namespace tavrel;
namespace fs = std::filesystem;

struct Silicon {
    Simulation sim;
    std::unique_ptr<PatternFit> fit;
    Silicon() {
        sim.fields.spaceGroupIndex = 227 - 1;
        sim.fields.cell = {"5.431", "", "", "", "", ""};
        sim.fields.wavelength = {"20", "0"};
        sim.fields.d = {"1.0", "20"};
        sim.fields.hklMax = {"6", "6", "6"};
        sim.fields.film = {"40", "40", "20"};
        (void)generateReflections(sim);
        fit = std::make_unique<PatternFit>(sim);
    }
};

const Silicon& silicon() {
    static const Silicon s;
    return s;
}

// Grains of about 120 points.
test::GrainMap grainMap(int rows, int columns, int side) {
    return test::GrainMap(silicon().fit->setup().bands,
                          {.rows = rows,
                           .columns = columns,
                           .side = side,
                           .grains = std::max(1, rows * columns / 120),
                           .seed = 3,
                           .detector = {40, 40, 20, {0.5, 0.5}, {}}});
}

void BM_IndexMap(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1)), columns = 50;
    const std::string stem =
        (fs::temp_directory_path() /
         ("tavrel-bench-map-" + std::to_string(getpid()) + "-" + std::to_string(side)))
            .string();
    const test::GrainMap grains = grainMap(rows, columns, side);
    if (!grains.writeH5ebsd(stem + ".h5")) {
        state.SkipWithError("the map cannot be written");
        return;
    }
    MapFileHeader header;
    header.rows = rows;
    header.columns = columns;
    header.stepX = header.stepY = 1;
    header.phases = {{"Silicon", "Si", silicon().sim.document.cell, 227}};
    std::int64_t indexed = 0, fromScratch = 0;
    double errorSum = 0;    // degrees from the known grains, over the points indexed
    std::int64_t right = 0; // indexed within 2 degrees of the known grain
    // The processor time of all threads: what a change saves, whatever else the machine runs.
    const auto processSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    };
    const double cpuStart = processSeconds();
    for (auto _ : state) {
        auto source = openPatternFile(stem + ".h5");
        auto writer = MapFileWriter::open(stem + ".ang", MapFileFormat::Ang, header);
        if (!source || !writer) {
            state.SkipWithError("the map cannot be opened");
            return;
        }
        std::vector<MapPoint> points;
        errorSum = 0;
        right = 0;
        const MapRunSummary summary =
            indexMap(**source, fixedGeometry(silicon().fit->setup().detector),
                     fitPointMatchers({silicon().fit.get()}),
                     [&](std::int64_t first, std::span<const MapPointResult> row) {
                         points.assign(row.size(), MapPoint{});
                         for (std::size_t i = 0; i < row.size(); ++i) {
                             if (row[i].indexed()) {
                                 const double error = fit::misorientationDegrees(
                                     row[i].orientation(),
                                     grains.orientationOf(static_cast<int>(first / columns),
                                                          static_cast<int>(i)),
                                     silicon().fit->setup().symmetry);
                                 errorSum += error;
                                 right += error < 2.0;
                             }
                             points[i].phase = row[i].phase;
                             points[i].angles = eulerAnglesOfOrientation(
                                 row[i].orientation(), silicon().sim.document.matrices);
                             points[i].confidenceIndex = row[i].confidence;
                         }
                         return (*writer)->write(points);
                     });
        if (summary.problem || !(*writer)->commit()) state.SkipWithError("indexing failed");
        indexed = summary.indexed;
        fromScratch = summary.fromScratch;
    }
    state.SetItemsProcessed(state.iterations() * rows * columns);
    state.counters["cpuMicroseconds"] = 1e6 * (processSeconds() - cpuStart) /
                                        static_cast<double>(state.iterations() * rows * columns);
    state.counters["indexed"] = static_cast<double>(indexed) / (rows * columns);
    state.counters["fromScratch"] = static_cast<double>(fromScratch) / (rows * columns);
    state.counters["right"] = static_cast<double>(right) / (rows * columns);
    state.counters["errorDeg"] = indexed ? errorSum / static_cast<double>(indexed) : 0.0;
    fs::remove(stem + ".h5");
    fs::remove(stem + ".ang");
}
BENCHMARK(BM_IndexMap)
    ->Args({60, 40})
    ->Args({120, 16})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--make-map") {
        const bool made = grainMap(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]))
                              .writeH5ebsd(argv[2]);
        if (!made) std::cerr << "cannot write " << argv[2] << "\n";
        return made ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
