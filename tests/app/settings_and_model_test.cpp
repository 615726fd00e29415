#include "app/reflection_model.h"
#include "app/window_settings.h"
#include "session/generation.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace tavrel::app {
namespace {

TEST(WindowSettings, PlacementInTwipsOnlyWhileNormalSurvivesARestart) {
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.file("tavrel.ini"));
    auto saved = [&](const WindowPlacement& placement) {
        {
            QSettings settings(file, QSettings::IniFormat);
            saveWindowSettings(settings, placement);
        }
        const QSettings restarted(file, QSettings::IniFormat);
        return restarted.value("WNDO").toString() + "|" + restarted.value("WNDS").toString() + "|" +
               restarted.value("PATH").toString();
    };
    EXPECT_EQ(saved({QRect(10, 20, 850, 700), WindowState::Normal, "/opt/tavrel/tavrel"}),
              "150 300 12750 10500|0|/opt/tavrel/tavrel");
    // Maximised from another folder: the last normal placement stays, the rest follows.
    EXPECT_EQ(saved({QRect(0, 0, 1280, 1024), WindowState::Maximised, "/home/u/tavrel"}),
              "150 300 12750 10500|2|/home/u/tavrel");
}

TEST(ReflectionTableModel, RowsAreTheReflectionsInListOrder) {
    test::TestSimulation t;
    test::setFields(t.sim, 225, test::kCubic4);
    ReflectionTableModel model(t.sim);
    ASSERT_TRUE(t.generate());
    model.reload();
    ASSERT_EQ(model.rowCount(), 34);
    auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(0, 2), "2.3094");
    EXPECT_EQ(text(0, 3), "19.500");
    EXPECT_EQ(text(0, 4), "") << "no second wavelength";
    EXPECT_EQ(text(33, 2), "1.1547");
    EXPECT_FALSE(model.index(34, 0).data().isValid());
}

} // namespace
} // namespace tavrel::app
