// Pictures per second of `tavrel-cli render --orientations`: 1,000 orientations of silicon,
// spread over the whole orientation space, drawn on every core into PNG files.

#include "cli/cli.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr int kPictures = 1000;

void BM_OrientationList(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "tavrel-batch-bench";
    std::filesystem::create_directories(folder);
    const std::string list = (folder / "orientations.txt").string();
    {
        std::ofstream out(list);
        // A golden-angle spiral of viewing directions, each with its own turn about them.
        for (int i = 0; i < kPictures; ++i) {
            const double phi = std::fmod(i * 137.50776, 360.0);
            const double bigPhi = std::acos(1 - 2 * (i + 0.5) / kPictures) * 180 / M_PI;
            out << phi << " " << bigPhi << " " << std::fmod(i * 7.3, 360.0) << "\n";
        }
    }
    const std::string pattern = (folder / "si_%04d.png").string();
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = tavrel::cli::run(
            {"render", TAVREL_SILICON, "--orientations", list, "-o", pattern, "--size", "400x300"},
            out, err);
        if (status != 0) state.SkipWithError(err.str().c_str());
    }
    state.SetItemsProcessed(state.iterations() * kPictures);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_OrientationList)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
