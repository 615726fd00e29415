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
}

} // namespace
} // namespace tavrel::app
