#include "app/folders.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace tavrel::test {
extern std::string testProgramPath;
}

namespace tavrel::app {
namespace {

using test::TempDir;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool leftoverWriteTest(const QString& folder) {
    return QFileInfo::exists(QDir(folder).filePath(QStringLiteral("~tmp.tmp")));
}

TEST(StartupFolders, WritableProgramFolderHoldsEverything) {
    TempDir program, user;
    StartupOptions options{q(program.path()), q(user.file("per-user")), {}};
    const Folders f = prepareFolders(options);
    EXPECT_EQ(f.program, q(program.path()));
    EXPECT_EQ(f.work, q(program.path()));
    EXPECT_EQ(f.data, q(program.file("data")));
    EXPECT_EQ(f.image, q(program.file("image")));
    EXPECT_TRUE(QFileInfo(f.data).isDir());
    EXPECT_TRUE(QFileInfo(f.image).isDir());
    EXPECT_FALSE(leftoverWriteTest(f.program));
    EXPECT_FALSE(QFileInfo::exists(q(user.file("per-user")))) << "nothing goes to the user folder";
}

TEST(StartupFolders, UnwritableProgramFolderFallsBackToThePerUserFolder) {
    TempDir program, user;
    const QString perUser = q(user.file("share/Tavrel"));
    StartupOptions options{q(program.path()), perUser, [](const QString&) { return false; }};
    const Folders f = prepareFolders(options);
    EXPECT_EQ(f.work, perUser);
    EXPECT_EQ(f.data, perUser + "/data");
    EXPECT_EQ(f.image, perUser + "/image");
    EXPECT_TRUE(QFileInfo(f.work).isDir());
    EXPECT_TRUE(QFileInfo(f.data).isDir());
    EXPECT_TRUE(QFileInfo(f.image).isDir());
    EXPECT_FALSE(QFileInfo::exists(q(program.file("data"))));
}

TEST(WriteTest, LeavesNothingBehindAndSurvivesAStaleFile) {
    TempDir folder;
    EXPECT_TRUE(canWriteInFolder(q(folder.path())));
    EXPECT_FALSE(leftoverWriteTest(q(folder.path())));
    // A file left by a run that died mid-test.
    folder.write("~tmp.tmp", "old");
    EXPECT_TRUE(canWriteInFolder(q(folder.path())));
    EXPECT_FALSE(leftoverWriteTest(q(folder.path())));
    EXPECT_FALSE(canWriteInFolder(q(folder.file("missing"))));
}

// Runs in a child process as an unprivileged user (see the next test): the real write test
// on a folder that user cannot write.
TEST(StartupFoldersChild, ReadOnlyProgramFolder) {
    const char* program = std::getenv("TAVREL_CHILD_PROGRAM_FOLDER");
    const char* user = std::getenv("TAVREL_CHILD_USER_FOLDER");
    if (!program || !user) GTEST_SKIP() << "runs only as the child of the unprivileged test";
    StartupOptions options{q(program), q(user), {}};
    const Folders f = prepareFolders(options);
    EXPECT_EQ(f.work, q(user));
    EXPECT_TRUE(QFileInfo(f.work).isDir());
    EXPECT_EQ(f.data, q(user) + "/data");
    EXPECT_TRUE(QFileInfo(f.data).isDir());
    EXPECT_FALSE(leftoverWriteTest(q(program)));
}

TEST(StartupFolders, ReadOnlyProgramFolderForRealAsAnUnprivilegedUser) {
    TempDir program, user;
    std::filesystem::permissions(user.path(), std::filesystem::perms::all);
    const QString perUser = q(user.file("Tavrel"));
    QStringList arguments;
    QString command = q(test::testProgramPath);
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || !QFileInfo(QStringLiteral("/usr/sbin/runuser")).isExecutable())
            GTEST_SKIP() << "no unprivileged user or no runuser";
        arguments << "-u"
                  << "nobody"
                  << "--"
                  << "env";
        arguments << "TAVREL_CHILD_PROGRAM_FOLDER=" + q(program.path());
        arguments << "TAVREL_CHILD_USER_FOLDER=" + perUser;
        arguments << command;
        command = QStringLiteral("/usr/sbin/runuser");
    } else {
        std::filesystem::permissions(program.path(), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_exec);
        qputenv("TAVREL_CHILD_PROGRAM_FOLDER", program.path().c_str());
        qputenv("TAVREL_CHILD_USER_FOLDER", perUser.toUtf8());
    }
    arguments << "--gtest_filter=StartupFoldersChild.*";
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(command, arguments);
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (geteuid() != 0) {
        qunsetenv("TAVREL_CHILD_PROGRAM_FOLDER");
        qunsetenv("TAVREL_CHILD_USER_FOLDER");
        std::filesystem::permissions(program.path(), std::filesystem::perms::owner_all);
    }
    if (output.contains("cannot execute") || output.contains("Permission denied"))
        GTEST_SKIP() << "the unprivileged user cannot run the tests: " << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    EXPECT_FALSE(leftoverWriteTest(q(program.path())));
    EXPECT_TRUE(QFileInfo(perUser + "/image").isDir());
}

} // namespace
} // namespace tavrel::app
