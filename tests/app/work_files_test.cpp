// The small files of the work folder the window keeps: the recent files and the cell menu.
#include "app/recent_files.h"
#include "app/sample_catalogue.h"
#include "support/temp_dir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrel::app {
namespace {

// Newest first, each once, eight at most, kept for the next run; a name with a line break, a
// file that has gone and a folder that has gone do not count.
TEST(RecentFiles, TheLastEightNewestFirstKeptForTheNextRun) {
    test::TempDir work;
    const QString folder = QString::fromStdString(work.path());
    const auto file = [&](int i) { return folder + QStringLiteral("/f%1.tvr").arg(i); };
    RecentFiles recent(folder);
    EXPECT_TRUE(recent.files().isEmpty());
    EXPECT_EQ(recent.lastUsedFolder("data"), "data");
    for (int i = 0; i < 9; ++i) recent.remember(file(i));
    recent.remember(file(3));
    recent.remember(folder + "/two\nlines.tvr");
    ASSERT_EQ(recent.files().size(), kRecentFileCount);
    EXPECT_EQ(recent.files().mid(0, 3), (QStringList{file(3), file(8), file(7)}));
    EXPECT_FALSE(recent.files().contains(file(0)));
    recent.forget(file(8));
    EXPECT_EQ(RecentFiles(folder).files(), recent.files()) << "read back as written";

    // Relative names are kept absolute; the folder of the newest file that still has one.
    const QString gone = QString::fromStdString(work.file("gone"));
    ASSERT_TRUE(QDir().mkpath(gone));
    recent.remember(gone + "/x.tvr");
    EXPECT_EQ(recent.lastUsedFolder("data"), gone);
    ASSERT_TRUE(QDir(gone).removeRecursively());
    EXPECT_EQ(recent.lastUsedFolder("data"), folder);
    recent.remember(QStringLiteral("relative.tvr"));
    EXPECT_EQ(recent.files().first(), QDir::current().absoluteFilePath("relative.tvr"));
}

// The menu's file is written at the first start; "Edit ..." leaves an existing file alone,
// creates the short one where there is none and names the file it cannot write.
TEST(SampleCatalogue, ReadAtTheStartAndPreparedForEditing) {
    test::TempDir work;
    const QString folder = QString::fromStdString(work.path());
    const SampleCatalogue first(folder);
    EXPECT_EQ(first.path(), folder + "/lib/cellmenu.txt");
    EXPECT_EQ(first.samples().size(), 22u);
    EXPECT_EQ(test::readFile(work.file("lib/cellmenu.txt")), fullDefaultCellMenu());

    work.write("lib/cellmenu.txt", "Mine: 225 FM3M 4 4 4 90 90 90\r\n");
    EXPECT_EQ(SampleCatalogue(folder).samples().names(), std::vector<std::string>{"Mine"});
    ASSERT_TRUE(first.prepareForEditing());
    EXPECT_EQ(test::readFile(work.file("lib/cellmenu.txt")), "Mine: 225 FM3M 4 4 4 90 90 90\r\n");
    std::filesystem::remove_all(work.file("lib"));
    ASSERT_TRUE(first.prepareForEditing());
    EXPECT_EQ(test::readFile(work.file("lib/cellmenu.txt")), shortDefaultCellMenu());

    std::filesystem::remove_all(work.file("lib"));
    work.write("lib", "not a folder");
    const Outcome blocked = first.prepareForEditing();
    EXPECT_TRUE(blocked.problem().starts_with("\"" + work.file("lib/cellmenu.txt") +
                                              "\" cannot be written: "))
        << blocked.problem();
    EXPECT_EQ(test::readFile(work.file("lib")), "not a folder");
}

} // namespace
} // namespace tavrel::app
