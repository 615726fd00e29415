// index-map on made-up maps of silicon grains: the .ang and .ctf it writes, read back by plain
// parsers that follow orix's column descriptions, hold the grains' orientations; pieces of rows
// joined as the manual says are the whole map's file; damaged or incomplete input is refused
// with a message naming it.

#include "cli_test_util.h"

#include "fit/rotation_math.h"
#include "orientation/euler_angles.h"
#include "orientation/euler_frames.h"
#include "session/geometry.h"
#include "session/input_files.h"
#include "session/pattern_fit.h"
#include "support/grain_map.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <hdf5.h>

#include <filesystem>
#include <fstream>

namespace tavrel::cli {
namespace {

constexpr int kRows = 9, kColumns = 8;
constexpr double kPi = 3.14159265358979323846;

struct SiliconMap {
    Scratch scratch;
    std::string tvr = scratch.write("si.tvr", "VELDTRACE INPUT 1.5\nSilicon\n226\n5.431\n5.431\n"
                                              "5.431\n90\n90\n90\n1\n\n\n\n20\n0\n0 0 1\n0\n1.0\n"
                                              "0\n40\n40\n20\n");
    Simulation sim = loaded(tvr);
    test::GrainMap grains{PatternFit(sim).setup().bands,
                          {.rows = kRows,
                           .columns = kColumns,
                           .side = 60,
                           .grains = 3,
                           .seed = 7,
                           .detector = {40, 40, 20, {0.5, 0.5}, {}}}};
    std::string h5 = scratch.file("map.h5");
    SiliconMap() { EXPECT_TRUE(grains.writeH5ebsd(h5)); }

    static Simulation loaded(const std::string& path) {
        Simulation s;
        const Result<InputFile> file = readInputFile(path, InputFormat::Tvr, s.fields);
        EXPECT_TRUE(file && takeInputFile(s, *file).ok());
        return s;
    }
    // The points each patterns in a folder of PNG files, named by their map index.
    std::string folder() const {
        const std::string dir = scratch.file("patterns");
        std::filesystem::create_directory(dir);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                const auto bytes = grains.pattern(r, c);
                QImage(bytes.data(), 60, 60, 60, QImage::Format_Grayscale8)
                    .save(QString::fromStdString(dir + "/p" + std::to_string(r * kColumns + c) +
                                                 ".png"));
            }
        return dir;
    }
    // Angles as a file of the frame holds them, against the grain the point lies in.
    double missedBy(const EulerAngles& angles, const OrientationFrame& frame, int point) const {
        return fit::misorientationDegrees(
            orientationFromEulerIn(frame, angles, sim.document.matrices),
            grains.orientationOf(point / kColumns, point % kColumns),
            PatternFit(sim).setup().symmetry);
    }
};

struct FilePoint {
    int phase = 0;
    double x = 0, y = 0;
    EulerAngles angles; // degrees
};

// orix's readers: the .ang's data lines are those not starting with "#", ten columns phi1 Phi
// phi2 (radians) x y IQ CI phase SEM fit; the .ctf's follow the line of column names, tab
// separated: Phase X Y Bands Error Euler1 Euler2 Euler3 (degrees) MAD BC BS.
std::vector<FilePoint> pointsOf(const std::string& path) {
    std::vector<FilePoint> points;
    const bool ang = path.ends_with(".ang");
    bool data = ang;
    for (const std::string& line : lines(readFile(path))) {
        if (ang && line.starts_with("#")) continue;
        if (!data) {
            data = line.starts_with("Phase\tX\tY");
            continue;
        }
        std::istringstream in(line);
        std::vector<double> v;
        for (double d; in >> d;) v.push_back(d);
        EXPECT_EQ(v.size(), ang ? 10u : 11u) << line;
        if (v.size() < 10) continue;
        const double toDegrees = ang ? 180 / kPi : 1;
        const std::size_t euler = ang ? 0 : 5;
        points.push_back(
            {static_cast<int>(ang ? v[7] : v[0]),
             ang ? v[3] : v[1],
             ang ? v[4] : v[2],
             {v[euler] * toDegrees, v[euler + 1] * toDegrees, v[euler + 2] * toDegrees}});
    }
    return points;
}

TEST(MapCommand, AngAndCtfHoldTheGrainsOrientations) {
    const SiliconMap map;
    struct Case {
        std::string patterns, out;
        std::vector<std::string> options;
        OrientationFrame frame; // .ang: EDAX TSL's specimen frame, .ctf: Oxford's
    };
    const std::vector<Case> cases = {
        {map.h5,
         "map.ang",
         {"--ipf", map.scratch.file("ipf.png")},
         {EulerFrame::Specimen, {70, detectorOf(map.sim).tilts.detector}}},
        {map.folder(),
         "folder.ctf",
         {"--map-shape", "9x8", "--pc", "0.5 0.5 0.5", "--step", "1.5 2", "--dynamic-background",
          "subtract"},
         {EulerFrame::SpecimenBruker, detectorOf(map.sim).tilts}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        std::vector<std::string> args = {
            "index-map", map.tvr, "--map", c.patterns, "-o", map.scratch.file(c.out), "--json"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult r = runCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const QJsonObject summary =
            QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
        EXPECT_EQ(summary["points"].toInt(), kRows * kColumns);
        EXPECT_GT(summary["fraction"].toDouble(), 0.95);
        EXPECT_LT(summary["fromScratch"].toInt(), 25);

        const std::vector<FilePoint> points = pointsOf(map.scratch.file(c.out));
        ASSERT_EQ(points.size(), static_cast<std::size_t>(kRows * kColumns));
        int right = 0;
        for (int k = 0; k < kRows * kColumns; ++k) {
            const FilePoint& p = points[static_cast<std::size_t>(k)];
            EXPECT_NEAR(p.x, 1.5 * (k % kColumns), 1e-4);
            EXPECT_NEAR(p.y, 2.0 * (k / kColumns), 1e-4);
            right += p.phase == 1 && map.missedBy(p.angles, c.frame, k) < 2.0;
        }
        EXPECT_GE(right, 68);
    }
    // The colour key stands beside the map (8 pixels a point): its red corner, [0 0 1].
    const QImage ipf(QString::fromStdString(map.scratch.file("ipf.png")));
    bool red = false;
    for (int y = 0; y < ipf.height(); ++y)
        for (int x = kColumns * 8 + 20; x < ipf.width(); ++x)
            red = red || (qRed(ipf.pixel(x, y)) > 230 && qGreen(ipf.pixel(x, y)) < 40 &&
                          qBlue(ipf.pixel(x, y)) < 40);
    EXPECT_TRUE(red);
}

TEST(MapCommand, PiecesOfRowsJoinIntoTheWholeMap) {
    const SiliconMap map;
    auto index = [&](const std::string& out, std::vector<std::string> more) {
        std::vector<std::string> args = {
            "index-map",           map.tvr, "--map", map.h5, "-o", map.scratch.file(out),
            "--static-background", "mean"};
        args.insert(args.end(), more.begin(), more.end());
        return outputOf(args);
    };
    index("whole.ang", {"--threads", "1"});
    index("a.ang", {"--rows", "0:3"});
    index("b.ang", {"--rows", "3:9", "--threads", "2"});
    // As the manual joins them: the first piece's header with the whole map's rows, then every
    // piece's points.
    std::string joined;
    for (const std::string& line : lines(readFile(map.scratch.file("a.ang"))))
        if (line.starts_with("#"))
            joined += (line.starts_with("# NROWS:") ? "# NROWS: 9" : line) + "\n";
    for (const char* piece : {"a.ang", "b.ang"})
        for (const std::string& line : lines(readFile(map.scratch.file(piece))))
            if (!line.starts_with("#")) joined += line + "\n";
    EXPECT_EQ(joined, readFile(map.scratch.file("whole.ang")));
}

// Sets a number of the file's header as a writer that lies would.
void overwrite(const std::string& path, const char* dataset, double value) {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    const hid_t set = H5Dopen2(file, dataset, H5P_DEFAULT);
    H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value);
    H5Dclose(set);
    H5Fclose(file);
}

TEST(MapCommand, DamagedOrIncompleteMapsAreRefusedByName) {
    const SiliconMap map;
    const std::string cut = map.scratch.file("cut.h5"), lying = map.scratch.file("lying.h5"),
                      noCentre = map.scratch.file("nocentre.h5");
    for (const std::string& copy : {cut, lying, noCentre}) std::filesystem::copy_file(map.h5, copy);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 2 / 3);
    overwrite(lying, "/Scan 1/EBSD/Header/n_rows", 20);
    for (const char* axis : {"pcx", "pcy", "pcz"})
        overwrite(noCentre, ("/Scan 1/EBSD/Header/" + std::string(axis)).c_str(), 0);
    struct Case {
        std::vector<std::string> args;
        std::string said;
    };
    const std::vector<Case> cases = {
        {{"--map", cut}, "\"cut.h5\""},
        {{"--map", lying}, "\"lying.h5\": the dataset /Scan 1/EBSD/Data/patterns holds 72"},
        {{"--map", noCentre}, "\"nocentre.h5\": states no pattern centre: give one with --pc"},
        {{"--map", map.h5, "--rows", "5:12"}, "\"map.h5\": has 9 rows"},
        {{"--map", map.scratch.path()}, "a map of images needs its shape (--map-shape"},
        {{"--map", map.scratch.path(), "--map-shape", "3x3", "--pc", "0.5 0.5"},
         "holds 0 pattern images"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"index-map", map.tvr, "-o", map.scratch.file("out.ang")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(map.scratch.file("out.ang")));
    }
    EXPECT_EQ(runCli({"index-map", map.tvr, "--map", map.h5, "-o", "map.txt"}).status, 2);
    const CliResult blur = runCli(
        {"index-map", map.tvr, "--map", map.h5, "-o", "map.ang", "--dynamic-background", "blur"});
    EXPECT_EQ(blur.status, 2);
    EXPECT_NE(blur.err.find("not 'blur'"), std::string::npos) << blur.err;
}

} // namespace
} // namespace tavrel::cli
