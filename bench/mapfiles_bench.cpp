// Map files: patterns per second read from a kikuchipy h5ebsd file in chunks (60 x 60 and
// 120 x 120 pixels), and a 100,000-point .ang written through the atomic writer.

#include "mapfiles/map_writer.h"
#include "mapfiles/pattern_files.h"

#include <benchmark/benchmark.h>
#include <hdf5.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 50;

// A map of `rows` x 50 patterns of side x side pixels with its header, as kikuchipy writes it.
std::string makeMap(int side, int rows) {
    const fs::path path = fs::temp_directory_path() / ("tavrel-bench-" + std::to_string(side) +
                                                       "-" + std::to_string(getpid()) + ".h5");
    hid_t file = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    auto write = [&](const char* name, hid_t type, std::vector<hsize_t> dims, hid_t memory,
                     const void* data) {
        hid_t lcpl = H5Pcreate(H5P_LINK_CREATE);
        H5Pset_create_intermediate_group(lcpl, 1);
        hid_t space = H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr);
        hid_t set = H5Dcreate2(file, name, type, space, lcpl, H5P_DEFAULT, H5P_DEFAULT);
        H5Dwrite(set, memory, H5S_ALL, H5S_ALL, H5P_DEFAULT, data);
        H5Dclose(set);
        H5Sclose(space);
        H5Pclose(lcpl);
    };
    hid_t text = H5Tcopy(H5T_C_S1);
    H5Tset_size(text, 9);
    write("manufacturer", text, {1}, text, "kikuchipy");
    H5Tclose(text);
    const std::pair<const char*, double> header[] = {{"Scan 1/EBSD/Header/n_rows", rows},
                                                     {"Scan 1/EBSD/Header/n_columns", kColumns},
                                                     {"Scan 1/EBSD/Header/pattern_height", side},
                                                     {"Scan 1/EBSD/Header/pattern_width", side}};
    for (const auto& [name, value] : header)
        write(name, H5T_STD_I32LE, {1}, H5T_NATIVE_DOUBLE, &value);
    const auto count = static_cast<std::size_t>(rows * kColumns);
    std::vector<std::uint8_t> pixels(count * static_cast<std::size_t>(side * side));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
    write("Scan 1/EBSD/Data/patterns", H5T_STD_U8LE,
          {count, static_cast<hsize_t>(side), static_cast<hsize_t>(side)}, H5T_NATIVE_UINT8,
          pixels.data());
    H5Fclose(file);
    return path;
}

void readPatterns(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const std::string path = makeMap(side, 40);
    auto source = tavrel::openPatternFile(path);
    if (!source) {
        state.SkipWithError(source.problem().c_str());
        return;
    }
    // The batch indexer reads a map row at a time.
    std::vector<float> chunk(static_cast<std::size_t>(kColumns * side * side));
    const int rows = (*source)->header().rows;
    int row = 0;
    for (auto _ : state) {
        if (!(*source)->readRows(row, row + 1, chunk)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(chunk.data());
        row = (row + 1) % rows;
    }
    state.SetItemsProcessed(state.iterations() * kColumns);
    fs::remove(path);
}
BENCHMARK(readPatterns)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);

void writeAng(benchmark::State& state) {
    tavrel::MapFileHeader header;
    header.columns = 400;
    header.rows = 250;
    header.stepX = header.stepY = 0.5;
    header.phases = {{"Iron", "Fe", {{2.8665f, 2.8665f, 2.8665f, 90, 90, 90}}, 229}};
    std::vector<tavrel::MapPoint> points(100000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double a = static_cast<double>(i % 3600) * 0.1;
        points[i].angles = {a, a / 2, 360 - a};
        points[i].phase = i % 97 == 0 ? 0 : 1;
        points[i].confidenceIndex = 0.5;
        points[i].imageQuality = 1234.5;
    }
    const std::string path =
        fs::temp_directory_path() / ("tavrel-bench-" + std::to_string(getpid()) + ".ang");
    for (auto _ : state)
        if (!tavrel::writeMapFile(path, tavrel::MapFileFormat::Ang, header, points))
            state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
    fs::remove(path);
}
BENCHMARK(writeAng)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
