#include "support/grain_map.h"

#include <hdf5.h>

#include <random>

namespace tavrel::test {

GrainMap::GrainMap(std::vector<Band> bands, const GrainMapOptions& options)
    : bands_(std::move(bands)), options_(options) {
    std::mt19937 engine(options.seed);
    auto uniform = [&] { return static_cast<double>(engine() >> 8) / 16777216.0; };
    for (int g = 0; g < options.grains; ++g) {
        seeds_.push_back({uniform() * options.rows, uniform() * options.columns});
        orientations_.push_back(randomOrientation(options.seed * 1000 + static_cast<unsigned>(g)));
    }
}

int GrainMap::grainOf(int row, int column) const {
    int best = 0;
    double nearest = 1e300;
    for (std::size_t g = 0; g < seeds_.size(); ++g) {
        const double dr = row + 0.5 - seeds_[g][0], dc = column + 0.5 - seeds_[g][1];
        if (dr * dr + dc * dc < nearest) nearest = dr * dr + dc * dc, best = static_cast<int>(g);
    }
    return best;
}

std::vector<std::uint8_t> GrainMap::pattern(int row, int column) const {
    SyntheticPatternOptions o;
    o.width = o.height = options_.side;
    o.binning = 2; // a map's worth of patterns made quickly
    o.detector = options_.detector;
    o.countsPerPixel = 1 / (options_.noise * options_.noise);
    o.seed = options_.seed + static_cast<std::uint32_t>(row * options_.columns + column) * 7919u;
    return toBytes(syntheticPattern(bands_, orientationOf(row, column), o), 0.0f, 255.0f);
}

bool GrainMap::writeH5ebsd(const std::string& path) const {
    const hid_t file = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    if (file < 0) return false;
    bool ok = true;
    auto create = [&](const std::string& name, hid_t type, const std::vector<hsize_t>& dims) {
        const hid_t lcpl = H5Pcreate(H5P_LINK_CREATE);
        H5Pset_create_intermediate_group(lcpl, 1);
        const hid_t space = H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr);
        const hid_t set =
            H5Dcreate2(file, name.c_str(), type, space, lcpl, H5P_DEFAULT, H5P_DEFAULT);
        H5Sclose(space);
        H5Pclose(lcpl);
        ok = ok && set >= 0;
        return set;
    };
    auto number = [&](const std::string& name, double value) {
        const hid_t set = create(name, H5T_IEEE_F64LE, {1});
        ok = ok && H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) >= 0;
        H5Dclose(set);
    };
    const hid_t text = H5Tcopy(H5T_C_S1);
    H5Tset_size(text, 9);
    const hid_t maker = create("manufacturer", text, {1});
    ok = ok && H5Dwrite(maker, text, H5S_ALL, H5S_ALL, H5P_DEFAULT, "kikuchipy") >= 0;
    H5Dclose(maker);
    H5Tclose(text);
    const GrainMapOptions& o = options_;
    const Detector& d = o.detector;
    const std::string h = "Scan 1/EBSD/Header/";
    for (const auto& [name, value] :
         std::initializer_list<std::pair<const char*, double>>{{"n_rows", o.rows},
                                                               {"n_columns", o.columns},
                                                               {"pattern_height", o.side},
                                                               {"pattern_width", o.side},
                                                               {"step_x", 1.5},
                                                               {"step_y", 2.0},
                                                               {"pcx", d.centre.x},
                                                               {"pcy", d.centre.y},
                                                               {"pcz", d.distance / d.filmHeight},
                                                               {"sample_tilt", 70}})
        number(h + name, value);
    number("Scan 1/SEM/Header/beam_energy", 20);

    const auto side = static_cast<hsize_t>(o.side);
    const hid_t set = create("Scan 1/EBSD/Data/patterns", H5T_STD_U8LE,
                             {static_cast<hsize_t>(o.rows * o.columns), side, side});
    const hid_t space = H5Dget_space(set);
    const std::array<hsize_t, 3> size{static_cast<hsize_t>(o.columns), side, side};
    const hid_t memory = H5Screate_simple(3, size.data(), nullptr);
    std::vector<std::uint8_t> row;
    for (int r = 0; ok && r < o.rows; ++r) {
        row.clear();
        for (int c = 0; c < o.columns; ++c) {
            const auto p = pattern(r, c);
            row.insert(row.end(), p.begin(), p.end());
        }
        const std::array<hsize_t, 3> start{static_cast<hsize_t>(r * o.columns), 0, 0};
        H5Sselect_hyperslab(space, H5S_SELECT_SET, start.data(), nullptr, size.data(), nullptr);
        ok = H5Dwrite(set, H5T_NATIVE_UINT8, memory, space, H5P_DEFAULT, row.data()) >= 0;
    }
    H5Sclose(memory);
    H5Sclose(space);
    H5Dclose(set);
    return H5Fclose(file) >= 0 && ok;
}

} // namespace tavrel::test
