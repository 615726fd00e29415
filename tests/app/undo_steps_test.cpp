// What undo and redo ask of the controller: the orientation as a point to go back to, the fields
// the list was made from, and a simulated edit run again with the turns made before it.
#include "app/controller.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace tavrel::app {
namespace {

struct UndoStepsTest : ::testing::Test {
    test::TempDir dir;
    SimulationController c{folders()};

    UndoStepsTest() { c.setPictureSize(800, 600); }
    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    const DocumentFields& fields() const { return c.simulation().fields; }
    // The depth of each reflection's point, by reflection, rounded (the rows may be re-sorted).
    static std::map<std::int32_t, long> depths(const PointTable& table) {
        std::map<std::int32_t, long> byReflection;
        for (const RotatedPoint& p : table.rows)
            byReflection[p.reflection] = std::lround(p.z * 1e4f);
        return byReflection;
    }
};

TEST_F(UndoStepsTest, TheListFieldsAreThoseOfTheLastListMade) {
    ASSERT_TRUE(c.simulateIronSample());
    EXPECT_EQ(c.listFields(), fields());
    const DocumentFields iron = fields();
    c.setFieldText(TextField::Cell, 0, QStringLiteral("3.1"));
    EXPECT_EQ(c.listFields(), iron) << "typed, not simulated";
    c.setFieldText(TextField::Cell, 0, QStringLiteral("0"));
    EXPECT_FALSE(c.performSimulation());
    EXPECT_EQ(c.listFields(), iron) << "a refused simulation made no list";
    c.newDocument();
    EXPECT_EQ(c.listFields(), fields());
}

TEST_F(UndoStepsTest, GoingBackToAnOrientationWritesTheFieldOnlyWhenAsked) {
    ASSERT_TRUE(c.simulateIronSample());
    const OrientationPoint start = c.orientationPoint();
    const PointTable startPoints = c.simulation().points;
    c.applyPresetOrientation(0); // a* (100)
    c.turnByArrowKey(ArrowKey::Left);
    const OrientationPoint turned = c.orientationPoint();
    ASSERT_NE(turned.matrix, start.matrix);
    ASSERT_EQ(turned.text, "1 0 0");

    c.restoreOrientation(start, false);
    EXPECT_EQ(c.simulation().orientation, start.matrix);
    EXPECT_EQ(fields().orientation, "1 0 0") << "a turn leaves the field as it is";
    c.restoreOrientation(start, true);
    EXPECT_EQ(fields().orientation, "0 0 1");
    // The points follow, not only the matrix.
    const auto now = depths(c.simulation().points), before = depths(startPoints);
    ASSERT_EQ(now.size(), before.size());
    for (const auto& [reflection, z] : before) EXPECT_NEAR(now.at(reflection), z, 1e-5f);

    c.newDocument();
    c.restoreOrientation(turned, true);
    EXPECT_EQ(fields().orientation, "0 0 1") << "nothing to turn without reflections";
}

TEST_F(UndoStepsTest, ASimulatedEditRunsAgainWithTheTurnsMadeBeforeIt) {
    ASSERT_TRUE(c.simulateIronSample());
    c.turnByArrowKey(ArrowKey::Up);
    const Mat3d turned = c.simulation().orientation;
    const DocumentFields iron = c.listFields();
    const auto ironCount = c.simulation().reflections.count();
    c.setFieldText(TextField::Cell, 0, QStringLiteral("4.0"));
    c.setFieldText(TextField::Cell, 1, QStringLiteral("4.0"));
    c.setFieldText(TextField::Cell, 2, QStringLiteral("4.0"));
    ASSERT_TRUE(c.performSimulation());
    ASSERT_NE(c.simulation().reflections.count(), ironCount);

    ASSERT_TRUE(c.resimulate(iron, turned));
    EXPECT_EQ(fields(), iron);
    EXPECT_EQ(c.listFields(), iron);
    EXPECT_EQ(c.simulation().reflections.count(), ironCount);
    EXPECT_EQ(c.simulation().orientation, turned);
}

} // namespace
} // namespace tavrel::app
