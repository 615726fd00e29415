// Tests of the app and ui layers: a QApplication on the offscreen platform, with the per-user
// folders and the settings of this run in a temporary home, so that no test reads or writes
// the real user's files.
#include "support/temp_dir.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tavrel::test {
// The test program itself, for the test that runs part of it as another user.
std::string testProgramPath;
} // namespace tavrel::test

int main(int argc, char** argv) {
    tavrel::test::testProgramPath =
        QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    const tavrel::test::TempDir home;
    // A screen of 1280 x 1024 (the offscreen platform's own is 800 x 600), so that the window
    // opens at its designed size.
    const std::string screens = home.write(
        "screens.json", R"({"screens": [{"name": "Offscreen", "x": 0, "y": 0, "width": 1280,
                                       "height": 1024, "logicalDpi": 96, "dpr": 1}]})");
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).c_str(), 0);
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    setenv("XDG_CACHE_HOME", home.file("cache").c_str(), 1);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
