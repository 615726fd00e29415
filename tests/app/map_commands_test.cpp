// The map commands without a window, on a made-up map of silicon grains written as kikuchipy
// writes an h5ebsd file: looked at, indexed, a point made the pattern under the lines with its
// own detector, saved, and kept across a restart.
#include "app/controller.h"
#include "app/map_commands.h"
#include "fit/rotation_math.h"
#include "orientation/euler_frames.h"
#include "session/pattern_fit.h"
#include "support/grain_map.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <filesystem>

namespace tavrel::app {
namespace {

constexpr int kRows = 6, kColumns = 7;

struct MapCommandsTest : ::testing::Test {
    test::TempDir dir;
    SimulationController c{folders()};
    std::string h5 = dir.file("grains.h5");
    std::optional<test::GrainMap> grains;
    MapCommands map;

    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    void SetUp() override {
        const std::string tvr =
            dir.write("si.tvr", "VELDTRACE INPUT 1.5\nSilicon\n226\n5.431\n5.431\n5.431\n90\n90\n"
                                "90\n1\n\n\n\n20\n0\n0 0 1\n0\n1.0\n0\n40\n40\n20\n");
        ASSERT_TRUE(c.openFile(QString::fromStdString(tvr), InputFormat::Tvr));
        grains.emplace(PatternFit(c.simulation()).setup().bands,
                       test::GrainMapOptions{.rows = kRows,
                                             .columns = kColumns,
                                             .side = 60,
                                             .grains = 3,
                                             .seed = 5,
                                             .detector = {40, 40, 20, {0.5, 0.5}, {}}});
        ASSERT_TRUE(grains->writeH5ebsd(h5));
        ASSERT_TRUE(map.open(QString::fromStdString(h5)));
    }
    double missedBy(const Mat3d& m, int row, int column) const {
        return fit::misorientationDegrees(m, grains->orientationOf(row, column),
                                          PatternFit(c.simulation()).setup().symmetry);
    }
};

TEST_F(MapCommandsTest, LookedAtIndexedPickedAndSaved) {
    EXPECT_EQ(map.header().rows, kRows);
    EXPECT_EQ(
        map.save(QString::fromStdString(dir.file("early.ang")), MapPicture::Quality).problem(),
        "No map is open")
        << "nothing run yet: no results";

    const MapRunSummary looked = map.look();
    EXPECT_EQ(looked.points, kRows * kColumns);
    EXPECT_FALSE(map.indexed());
    for (const MapPointResult& p : map.results()->points) EXPECT_GT(p.quality, 0.0f);
    EXPECT_FALSE(map.save(QString::fromStdString(dir.file("early.ang")), MapPicture::Quality));

    const MapRunSummary summary = map.index(c.simulation());
    ASSERT_FALSE(summary.problem) << summary.problem->message;
    EXPECT_GE(summary.indexed, kRows * kColumns - 2);
    EXPECT_TRUE(mapRunSummaryText(summary, true).contains("indexed"));
    int right = 0;
    for (int k = 0; k < kRows * kColumns; ++k)
        right += missedBy(map.results()->points[static_cast<std::size_t>(k)].orientation(),
                          k / kColumns, k % kColumns) < 2.0;
    EXPECT_GE(right, kRows * kColumns - 2);
    const QImage ipf = map.picture(MapPicture::Ipf);
    EXPECT_EQ(ipf.size(), QSize(kColumns, kRows));
    EXPECT_NE(ipf.pixel(3, 3), qRgb(0, 0, 0));

    // A point's pattern under the lines, on the map's detector with its tilts, and the crystal
    // turned to the point's orientation; Index finds the grain's orientation from it too.
    ASSERT_TRUE(map.showPoint(4, 2, c.simulation(), c.patternImage(), folders().work));
    EXPECT_EQ(c.patternImage().imageSize(), (std::array<int, 2>{60, 60}));
    const Detector d = c.patternImage().detector();
    EXPECT_NEAR(d.centre.x, 0.5, 1e-6);
    EXPECT_NEAR(d.distance / d.filmHeight, 0.5, 1e-6);
    EXPECT_EQ(d.tilts.specimen, 70);
    EXPECT_LT(missedBy(c.simulation().orientation, 4, 2), 2.0) << "turned to the point's grain";
    const auto found = c.patternImage().index();
    ASSERT_TRUE(found);
    EXPECT_LT(missedBy(found->front().found.fit.orientation, 4, 2), 2.0);
    EXPECT_FALSE(map.showPoint(kRows, 0, c.simulation(), c.patternImage(), folders().work));

    // The .ang in EDAX TSL's specimen frame; a failed write keeps the file there was.
    const QString ang = QString::fromStdString(dir.file("grains.ang"));
    ASSERT_TRUE(map.save(ang, MapPicture::Ipf));
    QFile file(ang);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int rows = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.startsWith('#') && !line.trimmed().isEmpty()) {
            if (rows == 0) {
                const QList<QByteArray> v = line.simplified().split(' ');
                const EulerAngles a{v[0].toDouble() * 180 / 3.141592653589793,
                                    v[1].toDouble() * 180 / 3.141592653589793,
                                    v[2].toDouble() * 180 / 3.141592653589793};
                EXPECT_LT(missedBy(orientationFromEulerIn({EulerFrame::Specimen, {70, 0}}, a,
                                                          c.simulation().document.matrices),
                                   0, 0),
                          2.0);
            }
            ++rows;
        }
    EXPECT_EQ(rows, kRows * kColumns);
    for (const char* name : {"ipf.png", "grains.ctf"})
        EXPECT_TRUE(map.save(QString::fromStdString(dir.file(name)), MapPicture::Ipf)) << name;
    EXPECT_FALSE(
        map.save(QString::fromStdString(dir.file("no/such/folder/x.ang")), MapPicture::Ipf));
    EXPECT_FALSE(map.save(QString::fromStdString(dir.file("grains.txt")), MapPicture::Ipf));
}

TEST_F(MapCommandsTest, KeptAcrossARestartWhileItsFileIsThere) {
    ASSERT_FALSE(map.index(c.simulation()).problem);
    const QString kept = QString::fromStdString(dir.file("tavrel-map.dmp"));
    ASSERT_TRUE(map.writeSession(kept));

    MapCommands again;
    ASSERT_TRUE(again.restoreSession(kept));
    ASSERT_TRUE(again.indexed());
    EXPECT_EQ(again.path(), map.path());
    EXPECT_EQ(again.phases().front().name, map.phases().front().name);
    EXPECT_EQ(std::memcmp(again.results()->points.data(), map.results()->points.data(),
                          map.results()->points.size() * sizeof(MapPointResult)),
              0);
    EXPECT_EQ(again.picture(MapPicture::Ipf), map.picture(MapPicture::Ipf));

    // Damaged: the map opens unindexed. No file: nothing. The map gone: a message naming it.
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() - 7);
    file.close();
    MapCommands damaged;
    EXPECT_TRUE(damaged.restoreSession(kept));
    EXPECT_TRUE(damaged.isOpen());
    EXPECT_FALSE(damaged.indexed());
    MapCommands none;
    EXPECT_TRUE(none.restoreSession(QString::fromStdString(dir.file("nothing.dmp"))));
    EXPECT_FALSE(none.isOpen());
    std::filesystem::remove(h5);
    MapCommands gone;
    EXPECT_NE(gone.restoreSession(kept).problem().find("grains.h5"), std::string::npos);
    EXPECT_FALSE(gone.isOpen());
}

TEST_F(MapCommandsTest, RefusesWhatIsNoMap) {
    const std::string text = dir.write("notes.h5", "not an HDF5 file");
    const Outcome refused = map.open(QString::fromStdString(text));
    EXPECT_NE(refused.problem().find("notes.h5"), std::string::npos) << refused.problem();
    EXPECT_EQ(map.path().toStdString(), h5) << "the map open stays";
    std::filesystem::create_directory(dir.file("patterns"));
    EXPECT_NE(map.open(QString::fromStdString(dir.file("patterns"))).problem().find("shape"),
              std::string::npos);
    Simulation empty;
    EXPECT_TRUE(map.index(empty).problem);
}

} // namespace
} // namespace tavrel::app
