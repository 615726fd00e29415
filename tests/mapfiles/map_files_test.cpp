// Orientation maps written, then read back by plain parsers that follow the published readers
// (orix's ang and ctf plugins, MTEX's loaders): header keys, column order, units and the marks
// of points not indexed. And the inverse-pole-figure colours.

#include "common/text.h"
#include "mapfiles/ipf_colours.h"
#include "mapfiles/map_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

// Files go to a folder of this run, removed when the tests end.
fs::path scratch(const std::string& name) {
    static const struct Folder {
        fs::path path = fs::temp_directory_path() / ("tavrel-maps-" + std::to_string(getpid()));
        ~Folder() { fs::remove_all(path); }
    } folder;
    fs::create_directories(folder.path);
    return folder.path / name;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> split(const std::string& line, char by) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, by);) parts.push_back(part);
    return parts;
}

// Each "key=value" of `expected` (parted by ";") as the file gave it.
void expectKeys(std::map<std::string, std::string>& keys, const std::string& expected) {
    for (const auto& pair : split(expected, ';'))
        EXPECT_EQ(keys[pair.substr(0, pair.find('='))], pair.substr(pair.find('=') + 1)) << pair;
}

// A 2 x 3 map of nickel and titanium; point 4 is not indexed.
MapFileHeader header() {
    MapFileHeader h;
    h.columns = 3;
    h.rows = 2;
    h.stepX = 0.5;
    h.stepY = 0.25;
    h.phases = {{"Nickel", "Ni", {{3.524f, 3.524f, 3.524f, 90, 90, 90}}, 225},
                {"Titanium alpha", "Ti", {{2.951f, 2.951f, 4.686f, 90, 90, 120}}, 194}};
    h.edaxCentre = StatedPatternCentre{0.51, 0.62, 0.73};
    h.voltage = 20;
    h.sampleTilt = 70;
    h.detectorTilt = 2;
    return h;
}

std::vector<MapPoint> points() {
    std::vector<MapPoint> p(6);
    for (int i = 0; i < 6; ++i) {
        auto& q = p[static_cast<std::size_t>(i)];
        // clang-format off
        q = {{10.0 + 50 * i + 0.123, 5.0 + 25 * i, 359.9 - 40 * i}, i % 2 + 1, 100.0 + i, 0.1 * i,
             0, 0.5, 8, 0, 0.3, 120 + i, 90};
        // clang-format on
    }
    p[4].phase = 0;
    return p;
}

constexpr double kPi = 3.14159265358979323846;

TEST(MapFiles, AngReadsBackAsOrixAndMtexReadIt) {
    const fs::path path = scratch("map.ang");
    ASSERT_TRUE(writeMapFile(path, MapFileFormat::Ang, header(), points()));
    // orix: the header is the lines starting with "#", keys found by name; the data ten
    // blank-separated columns phi1 Phi phi2 (radians) x y IQ CI phase SEM fit.
    std::map<std::string, std::string> keys; // a key given again adds "|value"
    std::vector<std::vector<double>> rows;
    for (const auto& line : split(contentOf(path), '\n')) {
        auto words = splitBlanks(removeChars(line, "#:"));
        if (startsWith(line, "#") && !words.empty()) {
            std::string value;
            for (std::size_t w = 1; w < words.size(); ++w) value += (w > 1 ? " " : "") + words[w];
            keys[words[0]] += (keys.count(words[0]) ? "|" : "") + value;
        } else if (!words.empty()) {
            rows.emplace_back();
            for (const auto& w : words) rows.back().push_back(std::stod(w));
        }
    }
    // The phases as OIM lists them, last first, with the TSL symmetry codes.
    expectKeys(keys, "x-star=0.510000;NCOLS_ODD=3;NROWS=2;XSTEP=0.500000;GRID=SqrGrid;Phase=2|1;"
                     "Symmetry=62|43;MaterialName=Titanium alpha|Nickel;LatticeConstants=2.951 "
                     "2.951 4.686 90.000 90.000 120.000|3.524 3.524 3.524 90.000 90.000 90.000");

    ASSERT_EQ(rows.size(), 6u);
    const auto given = points();
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(rows[i].size(), 10u);
        EXPECT_DOUBLE_EQ(rows[i][3], 0.5 * static_cast<double>(i % 3));
        EXPECT_DOUBLE_EQ(rows[i][4], 0.25 * static_cast<double>(i / 3));
        if (i == 4) {
            // Not indexed as OIM writes it: angles 4 pi, CI -1, phase 0, fit 180.
            EXPECT_NEAR(rows[i][0], 4 * kPi, 1e-5);
            EXPECT_EQ(rows[i][6], -1);
            EXPECT_EQ(rows[i][7], 0);
            EXPECT_EQ(rows[i][9], 180);
            continue;
        }
        const EulerAngles& a = given[i].angles;
        for (const auto& [column, degrees] : {std::pair{0, a.phi1}, {1, a.phi}, {2, a.phi2}})
            EXPECT_NEAR(rows[i][static_cast<std::size_t>(column)], degrees * kPi / 180, 0.6e-5);
        EXPECT_NEAR(rows[i][5], given[i].imageQuality, 1e-3);
        EXPECT_NEAR(rows[i][6], given[i].confidenceIndex, 1e-3);
        EXPECT_EQ(rows[i][7], given[i].phase);
    }
}

TEST(MapFiles, CtfReadsBackAsOrixAndMtexReadIt) {
    const fs::path path = scratch("map.ctf");
    ASSERT_TRUE(writeMapFile(path, MapFileFormat::Ctf, header(), points()));
    // orix's Channel 5 reader: "Channel Text File", then key<TAB>value lines up to "Phases",
    // one line per phase (a;b;c, angles, name, Laue class, space group, ..., comment), the
    // column names, then tab-separated rows; lines end with CR LF.
    const std::string text = contentOf(path);
    ASSERT_NE(text.find("\r\n"), std::string::npos);
    auto lines = split(removeChars(text, "\r"), '\n');
    ASSERT_EQ(lines.at(0), "Channel Text File");
    std::map<std::string, std::string> keys;
    std::size_t at = 1;
    for (; at < lines.size() && !startsWith(lines[at], "Phases"); ++at) {
        const auto tab = lines[at].find('\t');
        ASSERT_NE(tab, std::string::npos) << lines[at];
        keys[lines[at].substr(0, tab)] = lines[at].substr(tab + 1);
    }
    // The machine settings are label value pairs; the detector's E2 is 90 + its tilt.
    const auto settings =
        splitBlanks(keys["Euler angles refer to Sample Coordinate system (CS0)!"]);
    for (std::size_t i = 0; i + 1 < settings.size(); i += 2) keys[settings[i]] = settings[i + 1];
    expectKeys(keys, "JobMode=Grid;XCells=3;YCells=2;YStep=0.2500;KV=20.0000;TiltAngle=70.0000;"
                     "DetectorOrientationE2=92.0000");
    EXPECT_EQ(split(lines[at], '\t').at(1), "2");
    EXPECT_EQ(lines[at + 1],
              "3.524;3.524;3.524\t90.000;90.000;90.000\tNickel\t11\t225\t\t\tWritten by tavrel");
    EXPECT_EQ(split(lines[at + 2], '\t').at(3), "9"); // 6/mmm
    EXPECT_EQ(lines[at + 3], "Phase\tX\tY\tBands\tError\tEuler1\tEuler2\tEuler3\tMAD\tBC\tBS");

    const auto given = points();
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        std::vector<double> row;
        for (const auto& field : split(lines.at(at + 4 + i), '\t')) row.push_back(std::stod(field));
        ASSERT_EQ(row.size(), 11u);
        EXPECT_EQ(row[0], given[i].phase);
        EXPECT_DOUBLE_EQ(row[1], 0.5 * static_cast<double>(i % 3));
        EXPECT_DOUBLE_EQ(row[2], 0.25 * static_cast<double>(i / 3));
        EXPECT_EQ(row[9], given[i].bandContrast);
        if (i == 4) {
            EXPECT_EQ(row[4], 3); // "no solution"
            continue;
        }
        EXPECT_EQ(row[4], 0);
        const EulerAngles& a = given[i].angles;
        for (const auto& [column, degrees] : {std::pair{5, a.phi1}, {6, a.phi}, {7, a.phi2}})
            EXPECT_NEAR(row[static_cast<std::size_t>(column)], degrees, 0.6e-4);
    }
}

TEST(MapFiles, AnUnfinishedOrRefusedMapKeepsThePreviousFile) {
    const fs::path path = scratch("kept.ang");
    std::ofstream(path) << "previous";
    auto writer = MapFileWriter::open(path, MapFileFormat::Ang, header());
    ASSERT_TRUE(writer);
    const auto all = points();
    ASSERT_TRUE((*writer)->write(std::span(all).first(2)));
    EXPECT_NE((*writer)->commit().problem().find("only 2 of its 6 points"), std::string::npos);
    EXPECT_EQ(contentOf(path), "previous");

    auto wrongPhase = points();
    wrongPhase[1].phase = 3;
    EXPECT_NE(
        writeMapFile(path, MapFileFormat::Ctf, header(), wrongPhase).problem().find("phase 3 of 2"),
        std::string::npos);
    MapFileHeader noStep = header();
    noStep.stepX = 0;
    EXPECT_FALSE(writeMapFile(path, MapFileFormat::Ang, noStep, points()));
    EXPECT_EQ(contentOf(path), "previous");
}

// g with crystal direction `d` along the specimen's Z: Phi and phi2 from d (phi1 free).
EulerAngles along(double x, double y, double z) {
    const double n = std::sqrt(x * x + y * y + z * z);
    return {0, std::acos(z / n) * 180 / kPi, std::atan2(x, y) * 180 / kPi};
}

void expectColour(const RgbColour& got, const RgbColour& want) {
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-6) << k;
}

TEST(IpfColours, CornersOfTheStandardTriangles) {
    struct Corner {
        LaueClass laue;
        EulerAngles angles;
        RgbColour colour;
    };
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2;
    const std::vector<Corner> corners = {
        {LaueClass::Cubic, {0, 0, 0}, {1, 0, 0}},
        {LaueClass::Cubic, along(1, 0, 1), {0, 1, 0}},
        {LaueClass::Cubic, along(1, 1, 1), {0, 0, 1}},
        {LaueClass::Cubic, along(-1, 1, -1), {0, 0, 1}},
        {LaueClass::Cubic, along(0, 1, 1), {0, 1, 0}},
        {LaueClass::CubicLow, along(1, 1, 1), {0, 0, 1}},
        {LaueClass::CubicLow, along(1, 0, 1), {0, 1, 0}},
        {LaueClass::Hexagonal, {30, 0, 0}, {1, 0, 0}},
        {LaueClass::Hexagonal, along(1, 0, 0), {0, 1, 0}},
        {LaueClass::Hexagonal, along(c30, s30, 0), {0, 0, 1}},
        {LaueClass::Tetragonal, along(1, 1, 0), {0, 0, 1}},
        {LaueClass::Tetragonal, along(0, 1, 0), {0, 1, 0}},
        {LaueClass::Orthorhombic, along(0, -1, 0), {0, 0, 1}},
    };
    for (const auto& c : corners) {
        SCOPED_TRACE(laueSymbol(c.laue));
        expectColour(ipfColour(c.angles, c.laue), c.colour);
    }
    // Along X instead of Z, the cube orientation shows [1 0 0], red in m-3m.
    expectColour(ipfColour(EulerAngles{}, LaueClass::Cubic, {1, 0, 0}), {1, 0, 0});
}

TEST(IpfColours, SymmetryEquivalentOrientationsShareTheirColour) {
    const std::vector<EulerAngles> orientations = {{17, 33, 51}, {120, 80, 5}, {250, 140, 300}};
    for (int laue = 0; laue <= static_cast<int>(LaueClass::Cubic); ++laue) {
        const auto cls = static_cast<LaueClass>(laue);
        SCOPED_TRACE(laueSymbol(cls));
        const auto rotations = laueRotations(cls);
        for (const auto& angles : orientations) {
            const Mat3d g = eulerMatrix(angles);
            const RgbColour colour = ipfColour(g, cls, {0.2, 0.3, 1});
            for (const auto& s : rotations)
                expectColour(ipfColour(s * g, cls, {0.2, 0.3, 1}), colour);
        }
    }
    EXPECT_EQ(laueRotations(LaueClass::Cubic).size(), 24u);
    EXPECT_EQ(laueRotations(LaueClass::Hexagonal).size(), 12u);
    EXPECT_EQ(laueClassOf(SpaceGroup::ofRow(0)), LaueClass::Triclinic);
}

TEST(IpfColours, KeyImageShowsTheSectorWithItsCorners) {
    const IpfKeyImage key = ipfKeyImage(LaueClass::Cubic, 101);
    ASSERT_EQ(key.corners.size(), 3u);
    auto at = [&](double x, double y) {
        const auto px = std::clamp<long>(std::lround(x), 0, key.width - 1);
        const auto py = std::clamp<long>(std::lround(y), 0, key.height - 1);
        return &key.rgba[static_cast<std::size_t>((py * key.width + px) * 4)];
    };
    const std::uint8_t* red = at(key.corners[0].x + 2, key.corners[0].y - 1);
    EXPECT_GT(red[0], 230);
    EXPECT_EQ(red[3], 255);
    EXPECT_EQ(at(key.width - 1, 0)[3], 0); // outside the triangle
    EXPECT_GT(at(key.corners[2].x, key.corners[2].y + 2)[2], 200);
}

} // namespace
} // namespace tavrel
