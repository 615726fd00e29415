#include "app/window_settings.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <QSettings>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace tavrel::app {
namespace {

// What QSettings, the reader the file is meant for, reads of the placement.
QString readBack(const QString& file) {
    const QSettings s(file, QSettings::IniFormat);
    return s.value("WNDO").toString() + "|" + s.value("WNDS").toString() + "|" +
           s.value("PATH").toString() + "|" + s.value("Other/key").toString();
}

// The placement in twips only while normal, in the file QSettings("Quorvex", "Tavrel") reads,
// whatever the path holds, the file's other lines kept; a FIFO in its place or a full disk
// leave the file as it was.
TEST(WindowSettings, WrittenForQSettingsOrNotAtAll) {
    EXPECT_EQ(windowSettingsPath(), QSettings("Quorvex", "Tavrel").fileName());
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.file("config/Tavrel.conf"));
    ASSERT_TRUE(saveWindowSettings(file, {QRect(10, 20, 850, 700), WindowState::Normal, "/t"}));
    QSettings(file, QSettings::IniFormat).setValue("Other/key", "kept");
    const QString odd = QString::fromUtf8("@/home/ü; x=1, \"q\" \\ \t\x01"
                                          "5 ");
    ASSERT_TRUE(saveWindowSettings(file, {QRect(0, 0, 1280, 1024), WindowState::Maximised, odd}));
    EXPECT_EQ(readBack(file), "150 300 12750 10500|2|" + odd + "|kept");
    // Read back for the next start: the last normal placement, maximised.
    const std::optional<WindowPlacement> read = readWindowSettings(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->geometry, QRect(10, 20, 850, 700));
    EXPECT_EQ(read->state, WindowState::Maximised);
    EXPECT_FALSE(placementOfSettingsText("[General]\nWNDO=150 300 0 10500\n"));
    EXPECT_FALSE(placementOfSettingsText("[Other]\nWNDO=150 300 12750 10500\n"));

    const std::string before = test::readFile(dir.file("config/Tavrel.conf"));
    {
        const test::FileSizeLimit limit(16);
        EXPECT_FALSE(saveWindowSettings(file, {}));
    }
    EXPECT_EQ(test::readFile(dir.file("config/Tavrel.conf")), before);
    const std::string fifo = dir.file("fifo.conf");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(saveWindowSettings(QString::fromStdString(fifo), {}).problem(),
              "\"" + fifo + "\" is not a regular file; it was left as it is");
    EXPECT_FALSE(readWindowSettings(QString::fromStdString(fifo))) << "and never waited on";
}

// A 1280 x 1024 screen at scale 2 is 640 x 512 logical pixels; with a 24 pixel panel and a
// 30 pixel title bar the window's 850 x 700 and 600 x 600 cannot both be kept.
TEST(WindowFit, OnTheScreenAtEveryScale) {
    const QSize designed(850, 700), least(600, 600), frame(4, 30);
    const QRect scaled(0, 24, 640, 488);
    WindowFit fit = fitWindow(designed, least, QSize(420, 380), scaled, frame);
    EXPECT_EQ(fit.first, QSize(636, 458));
    EXPECT_EQ(fit.least, QSize(600, 458)) << "the designed least where there is room";
    EXPECT_EQ(fit.position, QPoint(0, 24));
    // The layout's own need always wins, even over the screen.
    fit = fitWindow(designed, least, QSize(420, 500), scaled, frame);
    EXPECT_EQ(fit.least.height(), 500);
    EXPECT_EQ(fit.first.height(), 500);
    // A large screen keeps the designed sizes, the window in its middle.
    fit = fitWindow(designed, least, QSize(420, 380), QRect(100, 0, 1920, 1080), frame);
    EXPECT_EQ(fit.first, designed);
    EXPECT_EQ(fit.least, least);
    EXPECT_EQ(fit.position, QPoint(100 + (1920 - 854) / 2, (1080 - 730) / 2));

    // A saved placement is kept where the screen holds it, else moved and shrunk onto it.
    const QRect screen(0, 24, 1280, 1000);
    const std::pair<QRect, QRect> saved[] = {
        {QRect(40, 50, 1000, 760), QRect(40, 50, 1000, 760)},
        {QRect(1900, 200, 900, 700), QRect(1280 - 904, 200, 900, 700)}, // a screen that has gone
        {QRect(-50, 0, 2000, 1400), QRect(0, 24, 1276, 970)},
        {QRect(10, 30, 300, 200), QRect(10, 30, 600, 600)}};
    for (const auto& [placed, expected] : saved) {
        fit = fitWindow(designed, least, QSize(420, 380), screen, frame, placed);
        EXPECT_EQ(QRect(fit.position, fit.first), expected) << placed.x() << " " << placed.y();
    }
}

} // namespace
} // namespace tavrel::app
