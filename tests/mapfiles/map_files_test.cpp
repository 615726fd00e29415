// Orientation maps written, then read back by plain parsers that follow the published readers
// (orix's ang and ctf plugins, MTEX's loaders): header keys, column order, units and the marks
// of points not indexed. And the inverse-pole-figure colours.

#include "common/text.h"
#include "mapfiles/ipf_colours.h"
#include "mapfiles/map_writer.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace tavrel {
namespace {

constexpr double kPi = 3.14159265358979323846, kUnchecked = NAN;
using Keys = std::map<std::string, std::string>;

std::vector<std::string> split(const std::string& line, char by) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, by);) parts.push_back(part);
    return parts;
}

// Each "key=value" of `expected` (parted by ";") as the file gave it.
void expectKeys(Keys& keys, const std::string& expected) {
    for (const auto& pair : split(expected, ';'))
        EXPECT_EQ(keys[pair.substr(0, pair.find('='))], pair.substr(pair.find('=') + 1)) << pair;
}

// A row read back against the values expected (kUnchecked: not checked), each within the
// tolerance of its column.
void expectRow(const std::vector<double>& row, const std::vector<double>& expected,
               const std::vector<double>& tolerance) {
    ASSERT_EQ(row.size(), tolerance.size());
    for (std::size_t c = 0; c < expected.size(); ++c)
        if (!std::isnan(expected[c])) {
            EXPECT_NEAR(row[c], expected[c], tolerance[c]) << "column " << c;
        }
}

// A 2 x 3 map of nickel and titanium; point 4 is not indexed.
MapFileHeader header() {
    MapFileHeader h;
    std::tie(h.columns, h.rows, h.stepX, h.stepY) = std::tuple(3, 2, 0.5, 0.25);
    h.phases = {{"Nickel", "Ni", {{3.524f, 3.524f, 3.524f, 90, 90, 90}}, 225},
                {"Titanium alpha", "Ti", {{2.951f, 2.951f, 4.686f, 90, 90, 120}}, 194}};
    h.edaxCentre = StatedPatternCentre{0.51, 0.62, 0.73};
    std::tie(h.voltage, h.sampleTilt, h.detectorTilt) = std::tuple(20, 70, 2);
    return h;
}

std::vector<MapPoint> points() {
    std::vector<MapPoint> p;
    for (int i = 0; i < 6; ++i)
        p.push_back({{10.0 + 50 * i + 0.123, 5.0 + 25 * i, 359.9 - 40 * i},
                     i % 2 + 1,
                     100.0 + i,
                     0.1 * i,
                     0,
                     0.5,
                     8,
                     0,
                     0.3,
                     120 + i,
                     90});
    p[4].phase = 0;
    return p;
}

struct MapFiles : testing::Test {
    const std::vector<MapPoint> given = points();
    test::TempDir dir;
};

TEST_F(MapFiles, AngReadsBackAsOrixAndMtexReadIt) {
    const std::string path = dir.file("map.ang");
    ASSERT_TRUE(writeMapFile(path, MapFileFormat::Ang, header(), given));
    // orix: the header is the lines starting with "#", keys found by name; the data ten
    // blank-separated columns phi1 Phi phi2 (radians) x y IQ CI phase SEM fit.
    Keys keys; // a key given again adds "|value"
    std::vector<std::vector<double>> rows;
    for (const auto& line : split(test::readFile(path), '\n')) {
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
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const MapPoint& p = given[std::size_t(i)];
        const double x = 0.5 * (i % 3), y = 0.25 * (i / 3), u = kUnchecked, r = kPi / 180;
        // Not indexed as OIM writes it: angles 4 pi, CI -1, phase 0, fit 180.
        expectRow(rows[std::size_t(i)],
                  i == 4 ? std::vector{4 * kPi, u, u, x, y, u, -1.0, 0.0, u, 180.0}
                         : std::vector{p.angles.phi1 * r, p.angles.phi * r, p.angles.phi2 * r, x, y,
                                       p.imageQuality, p.confidenceIndex, 1.0 * p.phase, u, u},
                  {0.6e-5, 0.6e-5, 0.6e-5, 0, 0, 1e-3, 1e-3, 0, 0, 0});
    }
}

TEST_F(MapFiles, CtfReadsBackAsOrixAndMtexReadIt) {
    const std::string path = dir.file("map.ctf");
    ASSERT_TRUE(writeMapFile(path, MapFileFormat::Ctf, header(), given));
    // orix's Channel 5 reader: "Channel Text File", then key<TAB>value lines up to "Phases",
    // one line per phase (a;b;c, angles, name, Laue class, space group, ..., comment), the
    // column names, then tab-separated rows; lines end with CR LF.
    const std::string text = test::readFile(path);
    ASSERT_NE(text.find("\r\n"), std::string::npos);
    auto lines = split(removeChars(text, "\r"), '\n');
    ASSERT_EQ(lines.at(0), "Channel Text File");
    Keys keys;
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
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        std::vector<double> row;
        for (const auto& field : split(lines.at(at + 4 + std::size_t(i)), '\t'))
            row.push_back(std::stod(field));
        const MapPoint& p = given[std::size_t(i)];
        const bool none = i == 4; // error 3, "no solution"
        const double u = kUnchecked;
        expectRow(row,
                  {1.0 * p.phase, 0.5 * (i % 3), 0.25 * (i / 3), u, none ? 3.0 : 0.0,
                   none ? u : p.angles.phi1, none ? u : p.angles.phi, none ? u : p.angles.phi2, u,
                   1.0 * p.bandContrast},
                  {0, 0, 0, 0, 0, 0.6e-4, 0.6e-4, 0.6e-4, 0, 0, 0});
    }
}

TEST_F(MapFiles, AnUnfinishedOrRefusedMapKeepsThePreviousFile) {
    const std::string path = dir.write("kept.ang", "previous");
    auto writer = MapFileWriter::open(path, MapFileFormat::Ang, header());
    ASSERT_TRUE(writer);
    ASSERT_TRUE((*writer)->write(std::span(given).first(2)));
    EXPECT_NE((*writer)->commit().problem().find("only 2 of its 6 points"), std::string::npos);
    EXPECT_EQ(test::readFile(path), "previous");

    auto wrongPhase = given;
    wrongPhase[1].phase = 3;
    EXPECT_NE(
        writeMapFile(path, MapFileFormat::Ctf, header(), wrongPhase).problem().find("phase 3 of 2"),
        std::string::npos);
    MapFileHeader noStep = header();
    noStep.stepX = 0;
    EXPECT_FALSE(writeMapFile(path, MapFileFormat::Ang, noStep, given));
    EXPECT_EQ(test::readFile(path), "previous");
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
    using enum LaueClass;
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2;
    // clang-format off
    const std::tuple<LaueClass, EulerAngles, RgbColour> corners[] = {
        {Cubic, {0, 0, 0}, {1, 0, 0}},            {Cubic, along(1, 0, 1), {0, 1, 0}},
        {Cubic, along(1, 1, 1), {0, 0, 1}},       {Cubic, along(-1, 1, -1), {0, 0, 1}},
        {Cubic, along(0, 1, 1), {0, 1, 0}},       {CubicLow, along(1, 1, 1), {0, 0, 1}},
        {CubicLow, along(1, 0, 1), {0, 1, 0}},    {Hexagonal, {30, 0, 0}, {1, 0, 0}},
        {Hexagonal, along(1, 0, 0), {0, 1, 0}},   {Hexagonal, along(c30, s30, 0), {0, 0, 1}},
        {Tetragonal, along(1, 1, 0), {0, 0, 1}},  {Tetragonal, along(0, 1, 0), {0, 1, 0}},
        {Orthorhombic, along(0, -1, 0), {0, 0, 1}}};
    // clang-format on
    for (const auto& [laue, angles, colour] : corners) {
        SCOPED_TRACE(laueSymbol(laue));
        expectColour(ipfColour(angles, laue), colour);
    }
    // Along X instead of Z, the cube orientation shows [1 0 0], red in m-3m.
    expectColour(ipfColour(EulerAngles{}, Cubic, {1, 0, 0}), {1, 0, 0});
}

TEST(IpfColours, SymmetryEquivalentOrientationsShareTheirColour) {
    for (int laue = 0; laue <= static_cast<int>(LaueClass::Cubic); ++laue) {
        const auto cls = static_cast<LaueClass>(laue);
        SCOPED_TRACE(laueSymbol(cls));
        for (const EulerAngles& angles :
             {EulerAngles{17, 33, 51}, EulerAngles{120, 80, 5}, EulerAngles{250, 140, 300}}) {
            const Mat3d g = eulerMatrix(angles);
            const RgbColour colour = ipfColour(g, cls, {0.2, 0.3, 1});
            for (const auto& s : laueRotations(cls))
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
