// The orientation field's Euler angles speak in the frame the readout names: written so by the
// commands that set an orientation, read so when typed, and kept across a new simulation and a
// restart; files and dumps keep them in the picture frame.
#include "app/controller.h"
#include "orientation/euler_angles.h"
#include "session/geometry.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavrel::app {
namespace {

struct EulerFieldTest : ::testing::Test {
    test::TempDir dir;
    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    // Silicon at 20 kV: electrons, so EBSD work, whose Euler angles are the specimen's.
    void openSilicon(SimulationController& c) {
        (void)c.start();
        const std::string tvr = dir.write(
            "si.tvr", "VELDTRACE INPUT 1.5\nSilicon 20 kV\n226\n5.431\n5.431\n5.431\n90\n90\n"
                      "90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n40\n40\n20\n");
        ASSERT_TRUE(c.openFile(QString::fromStdString(tvr), InputFormat::Tvr));
        ASSERT_EQ(orientationFrameOf(c.simulation()).frame, EulerFrame::Specimen);
    }
    static std::string readout(const SimulationController& c) {
        return eulerAnglesText(shownEulerAngles(c.simulation()));
    }
    static double turnBetween(const Mat3d& a, const Mat3d& b) {
        double largest = 0;
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j)
                largest = std::max(largest, std::abs(a[i][j] - b[i][j]));
        return largest;
    }
};

TEST_F(EulerFieldTest, TheFieldSpeaksInTheReadoutsFrameAndKeepsTheOrientation) {
    SimulationController c(folders());
    openSilicon(c);
    ASSERT_TRUE(c.turnToNearestZoneAxis());
    c.applyHolderTilts({12, -7});
    const Mat3d set = c.simulation().orientation;
    EXPECT_EQ(c.simulation().fields.orientationType, OrientationType::Euler);
    EXPECT_EQ(c.simulation().fields.orientation, readout(c));
    // A new simulation starts from the field: the same orientation.
    c.setFieldText(TextField::D, 0, QStringLiteral("0.8"));
    ASSERT_TRUE(c.performSimulation());
    EXPECT_LT(turnBetween(c.simulation().orientation, set), 1e-4);
    // Choosing "Euler" fills in the readout's angles.
    c.setOrientationType(OrientationType::Reciprocal);
    c.setOrientationType(OrientationType::Euler);
    EXPECT_EQ(c.simulation().fields.orientation, readout(c));
    // Typed angles are taken in that frame.
    c.setFieldText(TextField::Orientation, 0, QStringLiteral("10 20 30"));
    ASSERT_TRUE(c.applyOrientation());
    EXPECT_EQ(readout(c), "10.000 20.000 30.000");
    const Mat3d typed = c.simulation().orientation;
    // The dump keeps picture-frame angles, as a dump of before did; a restart shows them in
    // the specimen frame again, and simulates the same orientation.
    ASSERT_TRUE(c.saveState());
    SimulationController next(folders());
    ASSERT_TRUE(next.start());
    EXPECT_EQ(orientationFrameOf(next.simulation()).frame, EulerFrame::Specimen);
    EXPECT_EQ(next.simulation().fields.orientation, "10.000 20.000 30.000");
    ASSERT_TRUE(next.performSimulation());
    EXPECT_LT(turnBetween(next.simulation().orientation, typed), 1e-4);
    // A file keeps the picture frame's angles too; the field stays as typed.
    const QString saved = QString::fromStdString(dir.file("saved.tvr"));
    ASSERT_TRUE(next.saveFile(saved, InputFormat::Tvr));
    EXPECT_EQ(next.simulation().fields.orientation, "10.000 20.000 30.000");
    ASSERT_TRUE(next.openFile(saved, InputFormat::Tvr));
    EXPECT_LT(turnBetween(next.simulation().orientation, typed), 1e-4);
}

} // namespace
} // namespace tavrel::app
