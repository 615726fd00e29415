// The HDF5 pattern files (the "h5ebsd" family): a top-level dataset names the maker, each scan
// is a top-level group with EBSD/Header (the map and detector) and EBSD/Data (the patterns, an
// n x height x width dataset, and per-pattern values). Header values are one-element datasets
// (some makers write them of shape (1), others as scalars; EDAX pads some names with blanks),
// so every field is looked up by its trimmed name and read as a number or text of one element.
//
// The C API is used with its error printing switched off: every failure is turned into a
// problem naming the file and the dataset.

#include "common/file_io.h"
#include "common/text.h"
#include "mapfiles/readers.h"

#include <hdf5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>

namespace tavrel::mapfiles_detail {
namespace {

// One open HDF5 identifier, closed with the function that fits its kind.
class Handle {
public:
    using Closer = herr_t (*)(hid_t);
    Handle() = default;
    Handle(hid_t id, Closer closer) : id_(id), closer_(closer) {}
    Handle(Handle&& other) noexcept
        : id_(std::exchange(other.id_, H5I_INVALID_HID)), closer_(other.closer_) {}
    Handle& operator=(Handle&& other) noexcept {
        std::swap(id_, other.id_);
        std::swap(closer_, other.closer_);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (id_ >= 0 && closer_) closer_(id_);
    }
    hid_t get() const { return id_; }
    explicit operator bool() const { return id_ >= 0; }

private:
    hid_t id_ = H5I_INVALID_HID;
    Closer closer_ = nullptr;
};

// The names of a group's members, at most `limit` of them, in name order.
std::vector<std::string> memberNames(hid_t group, std::size_t limit = 100000) {
    std::vector<std::string> names;
    H5G_info_t info{};
    if (H5Gget_info(group, &info) < 0) return names;
    const auto count = static_cast<hsize_t>(std::min<hsize_t>(info.nlinks, limit));
    for (hsize_t i = 0; i < count; ++i) {
        const ssize_t length =
            H5Lget_name_by_idx(group, ".", H5_INDEX_NAME, H5_ITER_INC, i, nullptr, 0, H5P_DEFAULT);
        if (length <= 0 || length > 4096) continue;
        std::string name(static_cast<std::size_t>(length) + 1, '\0');
        H5Lget_name_by_idx(group, ".", H5_INDEX_NAME, H5_ITER_INC, i, name.data(), name.size(),
                           H5P_DEFAULT);
        name.resize(static_cast<std::size_t>(length));
        names.push_back(std::move(name));
    }
    return names;
}

// The member whose name is `wanted` once blanks around it are trimmed (and, when asked, case
// folded).
std::optional<std::string> findMember(hid_t group, std::string_view wanted,
                                      bool ignoreCase = false) {
    for (const auto& name : memberNames(group)) {
        const std::string trimmed = trim(name);
        if (trimmed == wanted || (ignoreCase && toLower(trimmed) == toLower(wanted))) return name;
    }
    return std::nullopt;
}

// The object at a path of members below `location`, opened, when it is of `type`.
Handle openObject(hid_t location, const std::vector<std::string_view>& path, H5I_type_t type) {
    Handle current(H5Oopen(location, ".", H5P_DEFAULT), H5Oclose);
    for (const auto part : path) {
        if (!current || H5Iget_type(current.get()) != H5I_GROUP) return {};
        const auto name = findMember(current.get(), part);
        if (!name) return {};
        current = Handle(H5Oopen(current.get(), name->c_str(), H5P_DEFAULT), H5Oclose);
    }
    if (!current || H5Iget_type(current.get()) != type) return {};
    return current;
}

Handle openGroup(hid_t location, const std::vector<std::string_view>& path) {
    return openObject(location, path, H5I_GROUP);
}
Handle openDataset(hid_t location, const std::vector<std::string_view>& path) {
    return openObject(location, path, H5I_DATASET);
}

std::vector<hsize_t> dimensionsOf(hid_t dataset) {
    Handle space(H5Dget_space(dataset), H5Sclose);
    if (!space) return {};
    const int rank = H5Sget_simple_extent_ndims(space.get());
    if (rank < 0 || rank > 8) return {};
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr);
    return dims;
}

std::int64_t elementCount(const std::vector<hsize_t>& dims) {
    std::int64_t count = 1;
    for (const auto d : dims) {
        const auto product = checkedProduct(count, static_cast<std::int64_t>(d));
        if (!product) return -1;
        count = *product;
    }
    return count;
}

H5T_class_t typeClass(hid_t dataset) {
    Handle type(H5Dget_type(dataset), H5Tclose);
    return type ? H5Tget_class(type.get()) : H5T_NO_CLASS;
}

// The values of a numeric dataset of at most `limit` elements.
std::optional<std::vector<double>> readNumbers(hid_t dataset, std::int64_t limit) {
    const H5T_class_t kind = typeClass(dataset);
    if (kind != H5T_INTEGER && kind != H5T_FLOAT) return std::nullopt;
    const std::int64_t count = elementCount(dimensionsOf(dataset));
    if (count < 1 || count > limit) return std::nullopt;
    std::vector<double> values(static_cast<std::size_t>(count));
    if (H5Dread(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) < 0)
        return std::nullopt;
    return values;
}

std::optional<double> readNumber(hid_t group, std::string_view name) {
    const Handle dataset = openDataset(group, {name});
    if (!dataset) return std::nullopt;
    const auto values = readNumbers(dataset.get(), 1);
    if (!values || !std::isfinite(values->front())) return std::nullopt;
    return values->front();
}

// The text of a one-element string dataset (fixed or variable length), without padding.
std::optional<std::string> readText(hid_t group, std::string_view name) {
    const Handle dataset = openDataset(group, {name});
    if (!dataset || typeClass(dataset.get()) != H5T_STRING ||
        elementCount(dimensionsOf(dataset.get())) != 1)
        return std::nullopt;
    Handle type(H5Dget_type(dataset.get()), H5Tclose);
    std::string text;
    if (H5Tis_variable_str(type.get()) > 0) {
        Handle memory(H5Tcopy(H5T_C_S1), H5Tclose);
        H5Tset_size(memory.get(), H5T_VARIABLE);
        char* value = nullptr;
        if (H5Dread(dataset.get(), memory.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) < 0)
            return std::nullopt;
        if (value) text.assign(value, strnlen(value, 65536));
        H5free_memory(value);
    } else {
        const std::size_t size = H5Tget_size(type.get());
        if (size == 0 || size > 65536) return std::nullopt;
        Handle memory(H5Tcopy(H5T_C_S1), H5Tclose);
        H5Tset_size(memory.get(), size);
        H5Tset_strpad(memory.get(), H5T_STR_NULLPAD);
        text.assign(size, '\0');
        if (H5Dread(dataset.get(), memory.get(), H5S_ALL, H5S_ALL, H5P_DEFAULT, text.data()) < 0)
            return std::nullopt;
        text.resize(strnlen(text.data(), size));
    }
    return trim(text);
}

// Selects elements [first, first + count) of the first `leading` dimensions taken as one
// row-major run (all of the dimensions after them): a hyperslab, or for a leading
// rows x columns block a partial row, full rows and a partial row.
bool selectRun(hid_t space, const std::vector<hsize_t>& dims, std::size_t leading,
               std::int64_t first, std::int64_t count) {
    std::vector<hsize_t> start(dims.size(), 0), size(dims);
    if (leading == 1) {
        start[0] = static_cast<hsize_t>(first);
        size[0] = static_cast<hsize_t>(count);
        return H5Sselect_hyperslab(space, H5S_SELECT_SET, start.data(), nullptr, size.data(),
                                   nullptr) >= 0;
    }
    const auto columns = static_cast<std::int64_t>(dims[1]);
    H5Sselect_none(space);
    for (std::int64_t at = first, end = first + count; at < end;) {
        const std::int64_t row = at / columns, column = at % columns;
        std::int64_t rows = 1, span = std::min(columns - column, end - at);
        if (column == 0 && end - at >= columns) {
            rows = (end - at) / columns;
            span = columns;
        }
        start[0] = static_cast<hsize_t>(row);
        start[1] = static_cast<hsize_t>(column);
        size[0] = static_cast<hsize_t>(rows);
        size[1] = static_cast<hsize_t>(span);
        if (H5Sselect_hyperslab(space, H5S_SELECT_OR, start.data(), nullptr, size.data(), nullptr) <
            0)
            return false;
        at += rows * span;
    }
    return true;
}

// Where a maker keeps each field: the names in EBSD/Header and EBSD/Data of one layout.
struct Layout {
    PatternFileFormat format;
    std::vector<std::string_view> patternNames; // the first present is read
    std::string_view rows, columns, height, width, stepX, stepY;
    std::string_view centreX, centreY, centreZ; // in Data (per pattern) or Header
    bool centreInData;
    PatternCentreConvention convention;
    std::string_view background;
};

const Layout& layoutOf(PatternFileFormat format) {
    static const Layout layouts[] = {
        {PatternFileFormat::KikuchipyH5,
         {"patterns"},
         "n_rows",
         "n_columns",
         "pattern_height",
         "pattern_width",
         "step_x",
         "step_y",
         "pcx",
         "pcy",
         "pcz",
         false,
         PatternCentreConvention::Bruker,
         "static_background"},
        {PatternFileFormat::EdaxH5,
         {"Pattern"},
         "nRows",
         "nColumns",
         "Pattern Height",
         "Pattern Width",
         "Step X",
         "Step Y",
         "x-star",
         "y-star",
         "z-star",
         false,
         PatternCentreConvention::Edax,
         ""},
        {PatternFileFormat::BrukerH5,
         {"RawPatterns"},
         "NROWS",
         "NCOLS",
         "PatternHeight",
         "PatternWidth",
         "XSTEP",
         "YSTEP",
         "PCX",
         "PCY",
         "DD",
         true,
         PatternCentreConvention::Bruker,
         "StaticBackground"},
        {PatternFileFormat::OxfordH5oina,
         {"Processed Patterns", "Unprocessed Patterns", "Raw Patterns"},
         "Y Cells",
         "X Cells",
         "Pattern Height",
         "Pattern Width",
         "X Step",
         "Y Step",
         "Pattern Center X",
         "Pattern Center Y",
         "Detector Distance",
         true,
         PatternCentreConvention::Oxford,
         "Processed Static Background"},
    };
    for (const auto& layout : layouts)
        if (layout.format == format) return layout;
    return layouts[0];
}

class Hdf5PatternSource final : public MapPatternSource {
public:
    Hdf5PatternSource(std::string prefix, Handle file, Handle patterns, std::string patternPath,
                      PatternFileHeader header)
        : prefix_(std::move(prefix)), file_(std::move(file)), patterns_(std::move(patterns)),
          patternPath_(std::move(patternPath)), header_(std::move(header)),
          dims_(dimensionsOf(patterns_.get())),
          floatData_(typeClass(patterns_.get()) == H5T_FLOAT) {}

    const PatternFileHeader& header() const override { return header_; }

    void keepCentres(std::array<Handle, 3> centres) { centres_ = std::move(centres); }

    Outcome readPatterns(std::int64_t first, std::int64_t count, std::span<float> out) override {
        if (auto problem = checkRequest(first, count, out.size())) return *problem;
        return read(first, count, H5T_NATIVE_FLOAT, out.data());
    }

    Outcome readPatterns(std::int64_t first, std::int64_t count,
                         std::span<std::uint16_t> out) override {
        if (auto problem = checkRequest(first, count, out.size())) return *problem;
        if (!floatData_) return read(first, count, H5T_NATIVE_UINT16, out.data());
        // Rounded here rather than by the library's truncating conversion, in runs of about
        // 4 MB of floats.
        const std::int64_t pixels = header_.pixelsPerPattern();
        const std::int64_t perRun = std::max<std::int64_t>(1, (1 << 20) / pixels);
        std::vector<float> values;
        for (std::int64_t done = 0; done < count; done += perRun) {
            const std::int64_t run = std::min(perRun, count - done);
            values.resize(static_cast<std::size_t>(run * pixels));
            if (auto got = read(first + done, run, H5T_NATIVE_FLOAT, values.data()); !got)
                return got;
            std::transform(values.begin(), values.end(), out.begin() + done * pixels, toUint16);
        }
        return {};
    }

    Result<std::vector<std::optional<StatedPatternCentre>>>
    readPatternCentres(std::int64_t first, std::int64_t count) override {
        if (!header_.centrePerPattern) return MapPatternSource::readPatternCentres(first, count);
        if (auto problem = checkRequest(first, count, std::nullopt)) return *problem;
        std::array<std::vector<double>, 3> values;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const hid_t dataset = centres_[axis].get();
            const auto dims = dimensionsOf(dataset);
            Handle space(H5Dget_space(dataset), H5Sclose);
            values[axis].resize(static_cast<std::size_t>(count));
            const hsize_t length = static_cast<hsize_t>(count);
            Handle memory(H5Screate_simple(1, &length, nullptr), H5Sclose);
            if (count > 0 && (!selectRun(space.get(), dims, dims.size(), first, count) ||
                              H5Dread(dataset, H5T_NATIVE_DOUBLE, memory.get(), space.get(),
                                      H5P_DEFAULT, values[axis].data()) < 0))
                return Problem{prefix_ + "its pattern centres cannot be read"};
        }
        std::vector<std::optional<StatedPatternCentre>> centres(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < centres.size(); ++i)
            centres[i] = statedCentre(values[0][i], values[1][i], values[2][i]);
        return centres;
    }

protected:
    std::string prefix() const override { return prefix_; }

private:
    Outcome read(std::int64_t first, std::int64_t count, hid_t memoryType, void* into) {
        if (count == 0) return {};
        Handle space(H5Dget_space(patterns_.get()), H5Sclose);
        const hsize_t length = static_cast<hsize_t>(count * header_.pixelsPerPattern());
        Handle memory(H5Screate_simple(1, &length, nullptr), H5Sclose);
        if (!space || !memory || !selectRun(space.get(), dims_, dims_.size() - 2, first, count) ||
            H5Dread(patterns_.get(), memoryType, memory.get(), space.get(), H5P_DEFAULT, into) < 0)
            return Problem{prefix_ + "the dataset " + patternPath_ +
                           " cannot be read at patterns " + std::to_string(first) + " to " +
                           std::to_string(first + count - 1) +
                           " (the file may be damaged or truncated)"};
        return {};
    }

    std::string prefix_;
    Handle file_;
    Handle patterns_;
    std::string patternPath_;
    PatternFileHeader header_;
    std::vector<hsize_t> dims_;
    bool floatData_;
    std::array<Handle, 3> centres_;
};

// The rows and columns of a Bruker region of interest whose positions (IX, IY) run in map order
// over a full rectangle, read in blocks so that a dataset claiming billions of entries costs no
// memory; a problem for any other.
Result<std::pair<int, int>> regionOfInterest(hid_t ix, hid_t iy) {
    const auto dims = dimensionsOf(ix);
    const std::int64_t count = elementCount(dims);
    if (dims.size() != 1 || dimensionsOf(iy) != dims || count < 1 || count > kLargestPatternCount)
        return Problem{"has a region of interest that cannot be read"};
    constexpr std::int64_t kBlock = 65536;
    std::vector<double> xs(static_cast<std::size_t>(std::min(count, kBlock))), ys(xs.size());
    // The first pass finds the rectangle, the second checks that position k is its k-th point.
    double x0 = 1e300, y0 = 1e300, x1 = -1e300;
    for (int pass = 0; pass < 2; ++pass)
        for (std::int64_t first = 0; first < count; first += kBlock) {
            const std::int64_t run = std::min(kBlock, count - first);
            const auto length = static_cast<hsize_t>(run);
            Handle memory(H5Screate_simple(1, &length, nullptr), H5Sclose);
            for (auto [dataset, values] : {std::pair{ix, &xs}, std::pair{iy, &ys}}) {
                Handle space(H5Dget_space(dataset), H5Sclose);
                if (!selectRun(space.get(), dims, 1, first, run) ||
                    H5Dread(dataset, H5T_NATIVE_DOUBLE, memory.get(), space.get(), H5P_DEFAULT,
                            values->data()) < 0)
                    return Problem{"has a region of interest that cannot be read"};
            }
            const double width = x1 - x0 + 1;
            for (std::int64_t i = 0; i < run; ++i) {
                const double x = xs[static_cast<std::size_t>(i)],
                             y = ys[static_cast<std::size_t>(i)];
                if (pass == 0) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y);
                    continue;
                }
                const auto k = static_cast<double>(first + i);
                if (x - x0 != std::fmod(k, width) || y - y0 != std::floor(k / width))
                    return Problem{"stores a region of interest out of map order, which this "
                                   "program does not read"};
            }
        }
    const double width = x1 - x0 + 1;
    if (!(width >= 1) || width > kLargestMapSide ||
        std::fmod(static_cast<double>(count), width) != 0)
        return Problem{"has a region of interest that is no rectangle"};
    return std::pair{static_cast<int>(static_cast<double>(count) / width), static_cast<int>(width)};
}

std::string dimsText(std::int64_t a, std::int64_t b) {
    return std::to_string(a) + " x " + std::to_string(b);
}

// The first number of "8x8 (60x60 px)".
std::optional<int> binningOf(const std::string& mode) {
    const auto cross = mode.find('x');
    if (cross == std::string::npos || cross == 0 || cross > 3) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < cross; ++i) {
        if (mode[i] < '0' || mode[i] > '9') return std::nullopt;
        value = 10 * value + (mode[i] - '0');
    }
    return value > 0 ? std::optional<int>(value) : std::nullopt;
}

double degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

} // namespace

bool looksLikeHdf5(const std::string& path) {
    // The signature sits at byte 0 or, behind a user block, at 512, 1024, 2048, ...
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    static const char signature[8] = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};
    for (std::streamoff at = 0; at <= (1 << 20); at = at == 0 ? 512 : 2 * at) {
        char bytes[8] = {};
        in.seekg(at);
        if (!in.read(bytes, 8)) return false;
        if (std::memcmp(bytes, signature, 8) == 0) return true;
    }
    return false;
}

Result<std::unique_ptr<MapPatternSource>> openHdf5PatternFile(const std::string& path,
                                                              const PatternFileOptions& options) {
    const std::string prefix = filePrefix(path);
    // The library's own messages go to stderr otherwise; every failure is reported here.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    Handle file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
    if (!file) return Problem{prefix + "cannot be opened as an HDF5 file (it may be damaged)"};
    const Handle root = openGroup(file.get(), {});

    // The maker names the layout.
    std::string maker;
    if (const auto name = findMember(root.get(), "manufacturer", true))
        maker = toLower(readText(root.get(), *name).value_or(""));
    PatternFileFormat format;
    if (maker == "kikuchipy")
        format = PatternFileFormat::KikuchipyH5;
    else if (maker == "edax")
        format = PatternFileFormat::EdaxH5;
    else if (startsWith(maker, "bruker"))
        format = PatternFileFormat::BrukerH5;
    else if (startsWith(maker, "oxford"))
        format = PatternFileFormat::OxfordH5oina;
    else
        return Problem{prefix +
                           "is an HDF5 file of no pattern layout this program reads (its "
                           "manufacturer is " +
                           (maker.empty() ? std::string("not named") : "\"" + maker + "\"") + ")",
                       Problem::Kind::WrongKind};
    const Layout& layout = layoutOf(format);

    // Every top-level group with EBSD/Data and one of the pattern datasets is a scan.
    PatternFileHeader header;
    header.format = format;
    header.centreConvention = layout.convention;
    std::vector<std::string> patternNames;
    for (const auto& name : memberNames(root.get(), 10000)) {
        const Handle data = openGroup(root.get(), {name, "EBSD", "Data"});
        if (!data) continue;
        for (const auto candidate : layout.patternNames)
            if (openDataset(data.get(), {candidate})) {
                header.scanNames.push_back(name);
                patternNames.emplace_back(candidate);
                break;
            }
    }
    if (header.scanNames.empty())
        return Problem{prefix + "holds no scan with a pattern dataset EBSD/Data/" +
                       std::string(layout.patternNames.front())};
    if (options.scan < 0 || options.scan >= static_cast<int>(header.scanNames.size()))
        return Problem{prefix + "has no scan " + std::to_string(options.scan + 1) + " (it holds " +
                       std::to_string(header.scanNames.size()) + ")"};
    header.scan = options.scan;
    const std::string& scan = header.scanNames[static_cast<std::size_t>(header.scan)];
    const std::string patternPath =
        "/" + scan + "/EBSD/Data/" + patternNames[static_cast<std::size_t>(header.scan)];
    const Handle headerGroup = openGroup(root.get(), {scan, "EBSD", "Header"});
    const Handle data = openGroup(root.get(), {scan, "EBSD", "Data"});
    if (!headerGroup) return Problem{prefix + "has no group /" + scan + "/EBSD/Header"};
    Handle patterns =
        openDataset(data.get(), {patternNames[static_cast<std::size_t>(header.scan)]});

    // The map and pattern sizes the header states, against the pattern dataset's shape.
    auto integer = [&](std::string_view name) -> Result<int> {
        const auto value = readNumber(headerGroup.get(), name);
        if (!value)
            return Problem{prefix + "has no number /" + scan + "/EBSD/Header/" + std::string(name)};
        if (*value != std::floor(*value) || std::abs(*value) > 2e9)
            return Problem{prefix + "its /" + scan + "/EBSD/Header/" + std::string(name) +
                           " is not a whole number of a size this program reads"};
        return static_cast<int>(*value);
    };
    for (const auto& [field, name] :
         {std::pair{&header.rows, layout.rows}, std::pair{&header.columns, layout.columns},
          std::pair{&header.patternHeight, layout.height},
          std::pair{&header.patternWidth, layout.width}}) {
        auto value = integer(name);
        if (!value) return value.failure();
        *field = *value;
    }
    if (auto grid = readText(headerGroup.get(), "Grid Type")) {
        const std::string kind = toLower(*grid);
        if (kind != "sqrgrid" && kind != "isometric" && kind != "square")
            return Problem{prefix + "holds a map on a \"" + *grid +
                           "\" grid; this program reads square grids only"};
    }
    if (format == PatternFileFormat::BrukerH5) {
        // A region of interest stores its patterns with their positions; only the ones stored
        // in map order over a full rectangle read as a map.
        const Handle ix = openDataset(root.get(), {scan, "EBSD", "SEM", "IX"});
        const Handle iy = openDataset(root.get(), {scan, "EBSD", "SEM", "IY"});
        if (ix && iy) {
            auto region = regionOfInterest(ix.get(), iy.get());
            if (!region) return Problem{prefix + region.problem()};
            header.rows = region->first;
            header.columns = region->second;
        }
    }
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();

    const auto dims = patterns ? dimensionsOf(patterns.get()) : std::vector<hsize_t>{};
    const H5T_class_t kind = patterns ? typeClass(patterns.get()) : H5T_NO_CLASS;
    if (dims.size() != 3 && dims.size() != 4)
        return Problem{prefix + "the dataset " + patternPath + " is not a stack of patterns"};
    if (kind != H5T_INTEGER && kind != H5T_FLOAT)
        return Problem{prefix + "the dataset " + patternPath + " holds no numbers"};
    const auto height = static_cast<std::int64_t>(dims[dims.size() - 2]);
    const auto width = static_cast<std::int64_t>(dims[dims.size() - 1]);
    const std::int64_t stored =
        dims.size() == 3
            ? static_cast<std::int64_t>(dims[0])
            : checkedProduct(static_cast<std::int64_t>(dims[0]), static_cast<std::int64_t>(dims[1]))
                  .value_or(-1);
    if (height != header.patternHeight || width != header.patternWidth)
        return Problem{prefix + "the dataset " + patternPath + " holds patterns of " +
                       dimsText(width, height) + " pixels, the header says " +
                       dimsText(header.patternWidth, header.patternHeight)};
    if (stored != header.patternCount() ||
        (dims.size() == 4 && static_cast<std::int64_t>(dims[1]) != header.columns))
        return Problem{prefix + "the dataset " + patternPath + " holds " + std::to_string(stored) +
                       " patterns, the header says " + dimsText(header.rows, header.columns)};
    {
        Handle type(H5Dget_type(patterns.get()), H5Tclose);
        header.bitDepth = kind == H5T_FLOAT ? 32 : static_cast<int>(8 * H5Tget_size(type.get()));
    }

    // The rest as far as the file says it.
    const hid_t h = headerGroup.get();
    header.stepX = readNumber(h, layout.stepX);
    header.stepY = readNumber(h, layout.stepY);
    switch (format) {
    case PatternFileFormat::KikuchipyH5: {
        header.pixelSize = readNumber(h, "detector_pixel_size");
        if (auto binning = readNumber(h, "binning")) header.binning = static_cast<int>(*binning);
        header.detectorTilt = readNumber(h, "elevation_angle");
        header.detectorAzimuth = readNumber(h, "azimuth_angle");
        header.sampleTilt = readNumber(h, "sample_tilt");
        if (const Handle sem = openGroup(root.get(), {scan, "SEM", "Header"}))
            header.voltage = readNumber(sem.get(), "beam_energy");
        break;
    }
    case PatternFileFormat::EdaxH5:
        header.detectorTilt = readNumber(h, "Camera Elevation Angle");
        header.detectorAzimuth = readNumber(h, "Camera Azimuthal Angle");
        header.sampleTilt = readNumber(h, "Sample Tilt");
        header.voltage = readNumber(h, "Voltage[KV]");
        break;
    case PatternFileFormat::BrukerH5: {
        header.voltage = readNumber(h, "KV");
        header.sampleTilt = readNumber(h, "SampleTilt");
        header.detectorTilt = readNumber(h, "CameraTilt");
        const auto screen = readNumber(h, "DetectorFullHeightMicrons");
        const auto unclipped = readNumber(h, "UnClippedPatternHeight");
        if (screen && unclipped && *unclipped > 0) header.pixelSize = *screen / *unclipped;
        break;
    }
    case PatternFileFormat::OxfordH5oina: {
        header.voltage = readNumber(h, "Beam Voltage");
        if (auto tilt = readNumber(h, "Tilt Angle")) header.sampleTilt = degrees(*tilt);
        // The second Euler angle of the detector's orientation is 90 degrees for an upright
        // screen.
        if (const Handle euler = openDataset(h, {"Detector Orientation Euler"}))
            if (auto angles = readNumbers(euler.get(), 3); angles && angles->size() == 3)
                header.detectorTilt = degrees((*angles)[1]) - 90.0;
        if (auto mode = readText(h, "Camera Binning Mode")) header.binning = binningOf(*mode);
        break;
    }
    default:
        break;
    }

    // Pattern centres: three datasets of one value for the map or one per pattern.
    const Handle centreGroup = layout.centreInData ? openGroup(data.get(), {})
                               : format == PatternFileFormat::EdaxH5
                                   ? openGroup(h, {"Pattern Center Calibration"})
                                   : openGroup(h, {});
    std::array<Handle, 3> centres;
    std::array<std::string_view, 3> centreNames{layout.centreX, layout.centreY, layout.centreZ};
    bool allThere = static_cast<bool>(centreGroup);
    for (std::size_t axis = 0; allThere && axis < 3; ++axis) {
        centres[axis] = openDataset(centreGroup.get(), {centreNames[axis]});
        allThere =
            static_cast<bool>(centres[axis]) && (typeClass(centres[axis].get()) == H5T_FLOAT ||
                                                 typeClass(centres[axis].get()) == H5T_INTEGER);
    }
    if (allThere) {
        std::array<std::int64_t, 3> counts{};
        for (std::size_t axis = 0; axis < 3; ++axis)
            counts[axis] = elementCount(dimensionsOf(centres[axis].get()));
        if (counts[0] == 1 && counts[1] == 1 && counts[2] == 1) {
            std::array<double, 3> value{};
            for (std::size_t axis = 0; axis < 3; ++axis)
                value[axis] = readNumbers(centres[axis].get(), 1).value_or(std::vector{0.0})[0];
            header.patternCentre = statedCentre(value[0], value[1], value[2]);
        } else if (counts[0] == header.patternCount() && counts[1] == counts[0] &&
                   counts[2] == counts[0] &&
                   std::all_of(centres.begin(), centres.end(),
                               [](const Handle& c) { return dimensionsOf(c.get()).size() <= 2; })) {
            header.centrePerPattern = true;
        } else {
            header.warnings.push_back("its pattern centres are neither one for the map nor one "
                                      "per pattern; none is taken");
        }
    }

    if (!layout.background.empty())
        if (const Handle background = openDataset(h, {layout.background})) {
            const auto count = elementCount(dimensionsOf(background.get()));
            if (count == header.pixelsPerPattern()) {
                const auto values = readNumbers(background.get(), count);
                if (values) header.staticBackground.assign(values->begin(), values->end());
            } else if (count > 1) {
                header.warnings.push_back("its static background is not of the pattern size; it "
                                          "is not taken");
            }
        }
    if (auto checked = checkHeader(header, prefix); !checked) return checked.failure();

    auto source = std::make_unique<Hdf5PatternSource>(prefix, std::move(file), std::move(patterns),
                                                      patternPath, std::move(header));
    if (source->header().centrePerPattern) source->keepCentres(std::move(centres));
    return std::unique_ptr<MapPatternSource>(std::move(source));
}

} // namespace tavrel::mapfiles_detail
