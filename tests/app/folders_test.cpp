#include "app/folders.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace tavrel::app {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool leftoverWriteTest(const QString& folder) {
    return QFileInfo::exists(QDir(folder).filePath(QStringLiteral("~tmp.tmp")));
}

TEST(StartupFolders, WritableProgramFolderHoldsEverything) {
    TempDir program, user;
    program.write("~tmp.tmp", "left by a run that died mid-test");
    const Folders f = prepareFolders({q(program.path()), q(user.file("per-user")), {}, {}});
    EXPECT_EQ(f.work, q(program.path()));
    EXPECT_EQ(f.data, q(program.file("data")));
    EXPECT_TRUE(QFileInfo(f.image).isDir());
    EXPECT_FALSE(leftoverWriteTest(f.program));
    EXPECT_FALSE(QFileInfo::exists(q(user.file("per-user")))) << "nothing goes to the user folder";
}

// The real write test on a folder the user cannot write; root writes anywhere, so it steps
// down to an unprivileged user for the start-up.
TEST(StartupFolders, ReadOnlyProgramFolderFallsBackToThePerUserFolder) {
    TempDir program, user;
    fs::permissions(user.path(), fs::perms::all);
    fs::permissions(program.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const QString perUser = q(user.file("share/Tavrel"));
    const bool root = geteuid() == 0;
    if (root && seteuid(65534) != 0) GTEST_SKIP() << "cannot step down from root";
    const Folders f = prepareFolders({q(program.path()), perUser, {}, {}});
    if (root) (void)seteuid(0);
    fs::permissions(program.path(), fs::perms::owner_all);
    EXPECT_EQ(f.work, perUser);
    EXPECT_EQ(f.data, perUser + "/data");
    EXPECT_EQ(f.image, perUser + "/image");
    EXPECT_TRUE(QFileInfo(f.data).isDir());
    EXPECT_TRUE(QFileInfo(f.image).isDir());
    EXPECT_FALSE(leftoverWriteTest(q(program.path())));
    EXPECT_FALSE(QFileInfo::exists(q(program.file("data"))));
    EXPECT_FALSE(canWriteInFolder(q(program.file("missing"))));
}

} // namespace
} // namespace tavrel::app
