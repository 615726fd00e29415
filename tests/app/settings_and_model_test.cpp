#include "app/reflection_model.h"
#include "app/window_settings.h"
#include "session/generation.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace tavrel::app {
namespace {

using test::TempDir;
using test::TestSimulation;

TEST(WindowSettings, PlacementInTwipsOnlyWhileNormal) {
    TempDir dir;
    QSettings settings(QString::fromStdString(dir.file("tavrel.ini")), QSettings::IniFormat);
    saveWindowSettings(settings, {QRect(10, 20, 850, 700), WindowState::Normal,
                                  QStringLiteral("/opt/tavrel/tavrel")});
    EXPECT_EQ(settings.value("WNDO").toString(), "150 300 12750 10500");
    EXPECT_EQ(settings.value("WNDS").toString(), "0");
    EXPECT_EQ(settings.value("PATH").toString(), "/opt/tavrel/tavrel");

    // Maximised from another folder: the last normal placement stays, the rest follows.
    saveWindowSettings(settings, {QRect(0, 0, 1280, 1024), WindowState::Maximised,
                                  QStringLiteral("/home/u/tavrel")});
    EXPECT_EQ(settings.value("WNDO").toString(), "150 300 12750 10500");
    EXPECT_EQ(settings.value("WNDS").toString(), "2");
    EXPECT_EQ(settings.value("PATH").toString(), "/home/u/tavrel");
}

TEST(ReflectionTableModel, RowsAreTheReflectionsInListOrder) {
    TestSimulation t;
    test::setFields(t.sim, 225, test::kCubic4);
    ReflectionTableModel model(t.sim);
    EXPECT_EQ(model.rowCount(), 0);
    generateReflections(t.sim);
    model.reload();
    ASSERT_EQ(model.rowCount(), 34);
    EXPECT_EQ(model.columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c) headers << model.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"#", "hkl", "d", "Th (1)", "Th (2)"}));
    auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(0, 0), "1");
    EXPECT_EQ(text(0, 2), "2.3094");
    EXPECT_EQ(text(0, 3), "19.500");
    EXPECT_EQ(text(0, 4), "") << "no second wavelength";
    EXPECT_EQ(text(33, 0), "34");
    EXPECT_EQ(text(33, 2), "1.1547");
    EXPECT_FALSE(model.index(34, 0).data().isValid());

    // The widest texts are among the samples: three negative indices ("-1 -1 -1").
    int longest = 0;
    for (const QString& s : model.widthSamples(1))
        longest = std::max(longest, static_cast<int>(s.size()));
    EXPECT_EQ(longest, 8);
    EXPECT_TRUE(model.widthSamples(0).contains("34"));
}

} // namespace
} // namespace tavrel::app
