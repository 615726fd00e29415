#pragma once
// A made-up EBSD map for the tests and benchmarks of map indexing: grains of random orientations
// around random seed points (the nearest seed decides), each point's pattern made up at its
// grain's orientation with noise of its own, 8-bit as a detector stores it; and the map written
// as kikuchipy writes an h5ebsd file, a row at a time, so a map of any size needs little memory.

#include "support/synthetic_pattern.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel::test {

struct GrainMapOptions {
    int rows = 8, columns = 10;
    int side = 60; // pattern width and height
    int grains = 4;
    std::uint32_t seed = 1;
    Detector detector;
    double noise = 0.05; // of a pixel's counts: Poisson noise at 1 / noise^2 counts
};

class GrainMap {
public:
    GrainMap(std::vector<Band> bands, const GrainMapOptions& options);
    const GrainMapOptions& options() const { return options_; }
    int grainOf(int row, int column) const;
    const Mat3d& orientationOf(int row, int column) const {
        return orientations_[static_cast<std::size_t>(grainOf(row, column))];
    }
    std::vector<std::uint8_t> pattern(int row, int column) const;

    // A kikuchipy h5ebsd file ("Scan 1") with the map's shape, a step of 1.5 x 2 um, the
    // detector's pattern centre in Bruker's convention and 20 kV; false when it cannot be written.
    bool writeH5ebsd(const std::string& path) const;

private:
    std::vector<Band> bands_;
    GrainMapOptions options_;
    std::vector<std::array<double, 2>> seeds_;
    std::vector<Mat3d> orientations_;
};

} // namespace tavrel::test
