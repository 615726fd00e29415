// Pattern files made here in each maker's layout (the datasets, header fields, types and byte
// layouts their programs write, as kikuchipy's and PyEBSDIndex's readers describe them), then
// read back: a misread field, a swapped axis or an offset off by a byte fails.

#include "mapfiles/pattern_files.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <hdf5.h>

#include <cstring>
#include <functional>
#include <numbers>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using Writer = std::function<void(const fs::path&)>;
using Dims = std::vector<hsize_t>;

// Every file holds a 2 x 3 map of 4-pixel-high, 5-pixel-wide patterns.
constexpr int kRows = 2, kColumns = 3, kHeight = 4, kWidth = 5, kCount = 6, kPixels = 20;
double pixel(int k, int p, bool wide) {
    return wide ? 1000 * k + 37 * p : (k * 20 + p) % 250 + 3;
}
template <class T> std::vector<T> patternsOf(bool wide, int seed = 0) {
    std::vector<T> v;
    for (int i = 0; i < kCount * kPixels; ++i)
        v.push_back(static_cast<T>(pixel(i / kPixels, i % kPixels, wide) + seed));
    return v;
}
template <class T = std::uint8_t> std::vector<T> background() {
    std::vector<T> v;
    for (int p = 0; p < kPixels; ++p) v.push_back(static_cast<T>(200 - p));
    return v;
}

// --- HDF5, written as the makers' programs do ---------------------------------------------

const Dims kStack{kCount, kHeight, kWidth}, kImage{kHeight, kWidth};

struct H5 {
    hid_t file;
    explicit H5(const fs::path& path)
        : file(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT)) {}
    ~H5() { H5Fclose(file); }

    // A dataset of `dims` (none: a scalar) of type `type`, from `data` laid out as `memory`.
    void write(const std::string& path, hid_t type, hid_t memory, Dims dims, const void* data) {
        const hid_t lcpl = H5Pcreate(H5P_LINK_CREATE);
        H5Pset_create_intermediate_group(lcpl, 1);
        const hid_t space = dims.empty() ? H5Screate(H5S_SCALAR)
                                         : H5Screate_simple(int(dims.size()), dims.data(), nullptr);
        const hid_t d = H5Dcreate2(file, path.c_str(), type, space, lcpl, H5P_DEFAULT, H5P_DEFAULT);
        H5Dwrite(d, memory, H5S_ALL, H5S_ALL, H5P_DEFAULT, data);
        H5Dclose(d), H5Sclose(space), H5Pclose(lcpl);
    }
    // Stored in the type of the values (little-endian types are those of the machine).
    template <class T>
    void array(const std::string& path, hid_t type, Dims dims, std::vector<T> v) {
        write(path, type, type, dims, v.data());
    }
    // "name=value;..." below `prefix`, header values of shape (1) as Bruker, EDAX and kikuchipy
    // write them, or scalars (Oxford).
    void numbers(const std::string& prefix, const std::string& fields, hid_t type,
                 bool scalar = false) {
        std::stringstream in(fields);
        for (std::string f; std::getline(in, f, ';');) {
            const double value = std::stod(f.substr(f.find('=') + 1));
            write(prefix + f.substr(0, f.find('=')), type, H5T_NATIVE_DOUBLE,
                  scalar ? Dims{} : Dims{1}, &value);
        }
    }
    void text(const std::string& path, const std::string& value, bool scalar = false) {
        const hid_t type = H5Tcopy(H5T_C_S1);
        H5Tset_size(type, value.size());
        write(path, type, type, scalar ? Dims{} : Dims{1}, value.data());
        H5Tclose(type);
    }
};

// kikuchipy's h5ebsd with two scans; the header of the first may misstate the pattern width.
void writeKikuchipy(const fs::path& path, int width = kWidth) {
    H5 f(path);
    f.text("manufacturer", "kikuchipy");
    f.text("version", "0.9.0");
    for (int seed : {0, 1}) {
        const std::string scan = "Scan " + std::to_string(seed + 1), h = scan + "/EBSD/Header/";
        f.array(scan + "/EBSD/Data/patterns", H5T_STD_U8LE, kStack,
                patternsOf<std::uint8_t>(false, seed));
        f.numbers(h,
                  "n_rows=2;n_columns=3;pattern_height=4;binning=8;pattern_width=" +
                      std::to_string(seed ? kWidth : width),
                  H5T_STD_I64LE);
        f.numbers(h,
                  "step_x=1.5;step_y=2;pcx=0.42;pcy=0.21;pcz=0.55;detector_pixel_size=70;"
                  "elevation_angle=10;azimuth_angle=0;sample_tilt=70",
                  H5T_IEEE_F64LE);
        f.array(h + "static_background", H5T_STD_U8LE, kImage, background());
        f.numbers(scan + "/SEM/Header/", "beam_energy=20", H5T_IEEE_F64LE);
    }
}

void writeEdax(const fs::path& path, int rows = kRows) {
    H5 f(path);
    f.text("Manufacturer", "EDAX");
    f.text("Version", "OIM Analysis 8.6.0010 x64");
    f.array("Map 1/EBSD/Data/Pattern", H5T_STD_U16LE, kStack, patternsOf<std::uint16_t>(true));
    // EDAX pads some names with a blank.
    f.numbers("Map 1/EBSD/Header/",
              "nRows=" + std::to_string(rows) +
                  ";nColumns=3;Pattern Height=4;Pattern Width=5; Step X=1.5;Step Y=2;"
                  "Camera Elevation Angle=5;Camera Azimuthal Angle=2;Sample Tilt=70;"
                  "Pattern Center Calibration/x-star=0.51;Pattern Center Calibration/y-star=0.62;"
                  "Pattern Center Calibration/z-star=0.73",
              H5T_IEEE_F32LE);
    f.text("Map 1/EBSD/Header/Grid Type", "SqrGrid");
}

void writeBruker(const fs::path& path, std::vector<int> ix = {4, 5, 6, 4, 5, 6}) {
    H5 f(path);
    f.text("Manufacturer", "Bruker Nano");
    f.text("Version", "Esprit 2.X");
    const std::string d = "Scan 0/EBSD/Data/", h = "Scan 0/EBSD/Header/";
    f.array(d + "RawPatterns", H5T_STD_U8LE, kStack, patternsOf<std::uint8_t>(false));
    f.array(d + "PCX", H5T_IEEE_F32LE, {6}, std::vector{0.5f, 0.51f, 0.52f, 0.53f, 0.54f, 0.55f});
    f.array(d + "PCY", H5T_IEEE_F32LE, {6}, std::vector<float>(6, 0.3f));
    f.array(d + "DD", H5T_IEEE_F32LE, {6}, std::vector{0.6f, 0.6f, 0.6f, 0.0f, 0.6f, 0.6f});
    f.numbers(h,
              "NROWS=2;NCOLS=3;PatternHeight=4;PatternWidth=5;DetectorFullHeightMicrons=23700;"
              "UnClippedPatternHeight=480",
              H5T_STD_I32LE, true);
    f.numbers(h, "XSTEP=1.5;YSTEP=2;KV=20;SampleTilt=70;CameraTilt=3", H5T_IEEE_F64LE, true);
    f.text(h + "Grid Type", "isometric");
    f.array(h + "StaticBackground", H5T_STD_U16LE, kImage, background<std::uint16_t>());
    // A region of interest over the whole map, in map order, and the SEM image's own index.
    f.array("Scan 0/EBSD/SEM/IX", H5T_STD_I32LE, {6}, ix);
    f.array("Scan 0/EBSD/SEM/IY", H5T_STD_I32LE, {6}, std::vector{7, 7, 7, 8, 8, 8});
    f.numbers("Scan 0/SEM/", "SEM IX=1", H5T_STD_I32LE);
}

void writeOxford(const fs::path& path) {
    constexpr double kRadian = std::numbers::pi / 180;
    H5 f(path);
    f.text("Format Version", "5.0", true);
    f.text("Manufacturer", "Oxford Instruments", true);
    const std::string d = "1/EBSD/Data/", h = "1/EBSD/Header/";
    f.array(d + "Processed Patterns", H5T_STD_U8LE, kStack, patternsOf<std::uint8_t>(false));
    f.array(d + "Unprocessed Patterns", H5T_STD_U8LE, kStack, patternsOf<std::uint8_t>(false, 1));
    f.array(d + "Pattern Center X", H5T_IEEE_F32LE, {6}, std::vector<float>(6, 0.45f));
    f.array(d + "Pattern Center Y", H5T_IEEE_F32LE, {6}, std::vector<float>(6, 0.35f));
    f.array(d + "Detector Distance", H5T_IEEE_F32LE, {6}, std::vector<float>(6, 0.65f));
    f.numbers(h, "X Cells=3;Y Cells=2;Pattern Height=4;Pattern Width=5", H5T_STD_I32LE, true);
    f.numbers(h, "X Step=1.5;Y Step=2;Beam Voltage=20;Tilt Angle=" + std::to_string(69.9 * kRadian),
              H5T_IEEE_F32LE, true);
    f.array(h + "Detector Orientation Euler", H5T_IEEE_F32LE, {3},
            std::vector{0.0f, static_cast<float>(91.5 * kRadian), 0.0f});
    f.text(h + "Camera Binning Mode", "8x8 (60x60 px)", true);
    f.array(h + "Processed Static Background", H5T_STD_U8LE, kImage, background());
}

// --- binary layouts, byte by byte --------------------------------------------------------

struct Bytes {
    std::string data;
    template <class... T> Bytes& put(T... values) {
        (data.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
        return *this;
    }
    template <class T> Bytes& put(const std::vector<T>& values) {
        for (T v : values) put(v);
        return *this;
    }
};
Writer saved(const std::string& bytes) {
    return [bytes](const fs::path& p) { std::ofstream(p, std::ios::binary) << bytes; };
}

void writeNordif(const fs::path& path, const std::string& samples = "2x3") {
    saved(Bytes().put(patternsOf<std::uint8_t>(false)).data)(path);
    // Setting.txt as NORDIF writes it: sections, tab-separated key, value and unit, Latin-1.
    std::ofstream(path.parent_path() / "Setting.txt", std::ios::binary)
        << "[NORDIF]\t\t\r\nSoftware version\t3.1.2\t\r\n\t\t\r\n[Microscope]\t\t\r\n"
           "Manufacturer\tHitachi\t\r\nMagnification\t200\t#\r\nAccelerating voltage\t20\tkV\r\n"
           "Working distance\t24.7\tmm\r\nTilt angle\t70\t\xb0\r\n\t\t\r\n[Detector angles]\t\t\r\n"
           "Euler 1\t0\t\xb0\r\nAzimuthal\t2\t\xb0\r\nElevation\t10\t\xb0\r\n\t\t\r\n"
           "[Acquisition settings]\t\t\r\nFrame rate\t202\tfps\r\nResolution\t5x4\tpx\r\n\t\t\r\n"
           "[Calibration settings]\t\t\r\nResolution\t60x60\tpx\r\n\t\t\r\n[Area]\t\t\r\n"
           "Step size\t1.500\t\xb5m\r\nNumber of samples\t"
        << samples << "\t#\r\n";
}

// .up2 version 3: version, width, height, data offset (uint32), an extra-patterns flag (uint8),
// columns, rows (uint32), a hexagonal flag (uint8), x and y step (float64): 42 bytes.
Bytes upHeader(std::uint32_t columns = kColumns, std::uint32_t rows = kRows,
               std::uint32_t offset = 42, std::uint32_t width = kWidth) {
    Bytes b;
    b.put<std::uint32_t>(3).put(width).put<std::uint32_t>(kHeight).put(offset);
    return b.put<std::uint8_t>(0).put(columns).put(rows).put<std::uint8_t>(0).put(1.5).put(2.0);
}

// .ebsp version 2: -2 (int64), one int64 file offset per map position, then the patterns (here
// stored last to first) each with a 16-byte header (compressed flag, rows, columns, bytes as
// int32), the pixels, and the beam x and y (a flag byte and a float64 each).
std::string ebspBytes() {
    Bytes b;
    b.put<std::int64_t>(-2);
    const std::int64_t record = 16 + kPixels + 18, first = 8 + 8 * kCount;
    for (int k = 0; k < kCount; ++k) b.put<std::int64_t>(first + (kCount - 1 - k) * record);
    const auto pixels = patternsOf<std::uint8_t>(false);
    for (int k = kCount - 1; k >= 0; --k) {
        b.put(0, kHeight, kWidth, kPixels); // int32
        b.put(std::vector(pixels.begin() + k * kPixels, pixels.begin() + (k + 1) * kPixels));
        b.put(std::uint8_t{1}, 1.5 * (k % kColumns), std::uint8_t{1}, 1.5 * (k / kColumns));
    }
    return b.data;
}

// What a header says, in one line to compare; "-" for what it does not say.
std::string summary(const PatternFileHeader& h) {
    std::ostringstream out;
    auto put = [&](const std::optional<double>& v) { v ? out << ' ' << *v : out << " -"; };
    out << formatName(h.format) << ": " << h.rows << " x " << h.columns << " of " << h.patternWidth
        << " x " << h.patternHeight << " at " << h.bitDepth << " bit, step";
    put(h.stepX), put(h.stepY);
    out << ", centre";
    if (h.centrePerPattern)
        out << " per pattern";
    else if (h.patternCentre)
        put(h.patternCentre->x), put(h.patternCentre->y), put(h.patternCentre->z);
    out << " " << conventionName(h.centreConvention) << ", tilts";
    put(h.sampleTilt), put(h.detectorTilt);
    out << ", kV";
    put(h.voltage);
    out << ", background";
    put(h.staticBackground.empty() ? std::nullopt : std::optional<double>(h.staticBackground[3]));
    return out.str();
}

struct PatternFiles : testing::Test {
    // The file written in a folder of its own, and opened.
    Result<std::unique_ptr<MapPatternSource>> open(const std::string& name, const Writer& write,
                                                const PatternFileOptions& options = {}) {
        const fs::path folder = dir.file(std::to_string(++files));
        fs::create_directory(folder);
        write(folder / name);
        return openPatternFile(folder / name, options);
    }
    test::TempDir dir;
    int files = 0;
};

TEST_F(PatternFiles, ReadAsTheMakersWriteThem) {
    const std::tuple<const char*, Writer, std::string> cases[] = {
        {"k.h5", [](const fs::path& p) { writeKikuchipy(p); },
         "kikuchipy h5ebsd: 2 x 3 of 5 x 4 at 8 bit, step 1.5 2, centre 0.42 0.21 0.55 Bruker, "
         "tilts 70 10, kV 20, background 197"},
        {"e.h5", [](const fs::path& p) { writeEdax(p); },
         "EDAX h5: 2 x 3 of 5 x 4 at 16 bit, step 1.5 2, centre 0.51 0.62 0.73 EDAX, tilts 70 5, "
         "kV -, background -"},
        {"b.h5", [](const fs::path& p) { writeBruker(p); },
         "Bruker h5: 2 x 3 of 5 x 4 at 8 bit, step 1.5 2, centre per pattern Bruker, tilts 70 3, "
         "kV 20, background 197"},
        {"o.h5oina", writeOxford,
         "Oxford h5oina: 2 x 3 of 5 x 4 at 8 bit, step 1.5 2, centre per pattern Oxford, tilts "
         "69.9 1.5, kV 20, background 197"},
        {"Pattern.dat", [](const fs::path& p) { writeNordif(p); },
         "NORDIF Pattern.dat: 2 x 3 of 5 x 4 at 8 bit, step 1.5 1.5, centre Bruker, tilts 70 -10, "
         "kV 20, background -"},
        {"m.up2", saved(upHeader().put(patternsOf<std::uint16_t>(true)).data),
         "EDAX up1/up2: 2 x 3 of 5 x 4 at 16 bit, step 1.5 2, centre EDAX, tilts - -, kV -, "
         "background -"},
        // .up1 version 1: version, width, height, data offset; no map shape.
        {"m.up1",
         saved(Bytes().put(1, kWidth, kHeight, 16).put(patternsOf<std::uint8_t>(false)).data),
         "EDAX up1/up2: 1 x 6 of 5 x 4 at 8 bit, step - -, centre EDAX, tilts - -, kV -, "
         "background -"},
        {"m.ebsp", saved(ebspBytes()),
         "Oxford ebsp: 2 x 3 of 5 x 4 at 8 bit, step 1.5 1.5, centre Oxford, tilts - -, kV -, "
         "background -"}};
    for (const auto& [file, write, expected] : cases) {
        SCOPED_TRACE(file);
        auto opened = open(file, write);
        ASSERT_TRUE(opened) << opened.problem();
        MapPatternSource& source = **opened;
        const PatternFileHeader& h = source.header();
        EXPECT_EQ(summary(h), expected);
        const bool wide = h.bitDepth == 16;

        // Patterns 1 and 5, pixel for pixel, as floats and as stored; then the second row.
        std::vector<float> one(kPixels), row(3 * kPixels);
        std::vector<std::uint16_t> last(kPixels);
        ASSERT_TRUE(source.readPatterns(1, 1, one) && source.readPatterns(5, 1, last));
        for (std::size_t p = 0; p < kPixels; ++p)
            EXPECT_EQ(std::pair(one[p], 1.0 * last[p]),
                      std::pair(float(pixel(1, int(p), wide)), pixel(5, int(p), wide)))
                << p;
        if (h.rows == 2) {
            ASSERT_TRUE(source.readRows(1, 2, row));
            EXPECT_EQ(row[kPixels + 7], pixel(4, 7, wide));
        }
        if (h.centrePerPattern) {
            auto centres = source.readPatternCentres(2, 3);
            ASSERT_TRUE(centres) << centres.problem();
            ASSERT_EQ(centres->size(), 3u);
            EXPECT_NEAR((*centres)[0]->x, h.format == PatternFileFormat::BrukerH5 ? 0.52 : 0.45,
                        1e-6);
            // Bruker's pattern 3 says 0.53 0.3 0, which is a centre; none is only 0 0 0.
            EXPECT_TRUE((*centres)[1].has_value());
        }
        std::vector<float> wrongSize(kPixels + 1);
        EXPECT_FALSE(source.readPatterns(0, 1, wrongSize));
        EXPECT_FALSE(source.readPatterns(5, 2, std::span<float>(one.data(), 0)));
    }
}

TEST_F(PatternFiles, ScansAreChosenByIndex) {
    PatternFileOptions options;
    options.scan = 1;
    auto second = open(
        "scans.h5", [](const fs::path& p) { writeKikuchipy(p); }, options);
    ASSERT_TRUE(second) << second.problem();
    EXPECT_EQ((*second)->header().scanNames, (std::vector<std::string>{"Scan 1", "Scan 2"}));
    std::vector<float> pattern(kPixels);
    ASSERT_TRUE((*second)->readPatterns(0, 1, pattern));
    EXPECT_EQ(pattern[0], pixel(0, 0, false) + 1);
    options.scan = 2;
    auto third = open(
        "scans.h5", [](const fs::path& p) { writeKikuchipy(p); }, options);
    ASSERT_FALSE(third);
    EXPECT_NE(third.problem().find("has no scan 3"), std::string::npos) << third.problem();
}

TEST_F(PatternFiles, AShapeGivenReshapesTheMap) {
    // An early up1 states no shape: its six patterns form one row until a shape is given.
    const Writer up1 =
        saved(Bytes().put(1, kWidth, kHeight, 16).put(patternsOf<std::uint8_t>(false)).data);
    PatternFileOptions options;
    options.shape = std::pair{2, 3};
    auto shaped = open("shaped.up1", up1, options);
    ASSERT_TRUE(shaped) << shaped.problem();
    EXPECT_EQ((*shaped)->header().rows, 2);
    EXPECT_TRUE((*shaped)->header().warnings.empty());
    std::vector<float> row(3 * kPixels);
    ASSERT_TRUE((*shaped)->readRows(1, 2, row));
    EXPECT_EQ(row[2], pixel(3, 2, false));
    options.shape = std::pair{4, 2};
    auto wrong = open("shaped.up1", up1, options);
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.problem(), "\"shaped.up1\": holds 6 patterns, not a map of 4 x 2");
}

TEST_F(PatternFiles, DamagedOrLyingFilesAreRefusedWithTheirName) {
    struct Damaged {
        const char* file;
        Writer write;
        const char* says; // found in the problem of opening or, for a file that opens, reading
        const char* named = nullptr; // the file the problem names, when not the one opened
    };
    auto up2 = [](Bytes header) {
        return saved(header.put(std::vector<std::uint16_t>(120, 1)).data);
    };
    std::string ebspOutside = ebspBytes();
    const std::int64_t far = 1 << 30;
    std::memcpy(&ebspOutside[16], &far, 8);
    const Damaged cases[] = {
        {"lying.up2", up2(upHeader(1000, 1000)), "holds 6 patterns"},
        {"huge.up2", up2(upHeader(60000, 60000)), "more than this program reads"},
        {"offset.up2", up2(upHeader(3, 2, 1 << 30)), "start at byte"},
        {"wide.up2", up2(upHeader(3, 2, 42, 0xFFFFFFFF)), "pattern of"},
        {"short.up2", saved("\x03\0\0\0\x05\0"), "too short"},
        {"outside.ebsp", saved(ebspOutside), "names byte 1073741824"},
        {"cut.ebsp", saved(ebspBytes().substr(0, ebspBytes().size() - 30)), "ends at byte"},
        {"Pattern.dat", [](const fs::path& p) { writeNordif(p, "20x30"); }, "fewer than"},
        {"Pattern.dat", [](const fs::path& p) { writeNordif(p, "-2x3"); }, "a map of -2 x 3",
         "Setting.txt"},
        {"alone.dat", saved("abc"), "needs its settings file"},
        {"size.h5", [](const fs::path& p) { writeKikuchipy(p, 80); },
         "/Scan 1/EBSD/Data/patterns holds patterns of 5 x 4 pixels, the header says 80 x 4"},
        {"count.h5", [](const fs::path& p) { writeEdax(p, 1000); },
         "holds 6 patterns, the header says 1000 x 3"},
        {"empty.h5",
         [](const fs::path& p) {
             H5 f(p);
             f.text("Manufacturer", "Bruker Nano");
             f.numbers("Scan 0/EBSD/Header/", "NROWS=2", H5T_IEEE_F64LE);
         },
         "holds no scan with a pattern dataset EBSD/Data/RawPatterns"},
        {"noise.h5", saved(std::string(4000, '\x17')), "is no pattern file"},
        {"missing.h5", [](const fs::path&) {}, "cannot be read"},
        {"roi.h5",
         [](const fs::path& p) {
             writeBruker(p, {5, 4, 6, 4, 5, 6});
         },
         "out of map order"},
        {"half.h5",
         [](const fs::path& p) {
             writeKikuchipy(p);
             fs::resize_file(p, fs::file_size(p) / 2);
         },
         "half.h5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        auto opened = open(c.file, c.write);
        std::string problem = opened ? std::string() : opened.problem();
        if (opened) {
            const PatternFileHeader& h = (*opened)->header();
            std::vector<float> all(
                static_cast<std::size_t>(h.patternCount() * h.pixelsPerPattern()));
            auto read = (*opened)->readPatterns(0, h.patternCount(), all);
            ASSERT_FALSE(read) << "read a damaged file";
            problem = read.problem();
        }
        EXPECT_NE(problem.find(std::string("\"") + (c.named ? c.named : c.file) + "\""),
                  std::string::npos)
            << problem;
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    }
}

} // namespace
} // namespace tavrel
