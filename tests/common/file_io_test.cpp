#include "common/file_io.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;
using test::namesIn;
using test::readFile;

struct stat statusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}
mode_t permissionsOf(const std::string& path) {
    return statusOf(path).st_mode & 07777;
}

// "written", or the reason the write failed.
std::string attemptWrite(const std::string& path, const std::string& content) {
    const Outcome written = writeFileAtomically(path, content);
    return written ? "written" : written.problem();
}

// True when no temporary file is left in the folders.
bool noHiddenFiles(const test::TempDir& dir, const std::string& sub = "") {
    return namesIn(dir.path(), true).empty() &&
           (sub.empty() || namesIn(dir.file(sub), true).empty());
}

// Root may write anything, so a refusal is tried in a child that gives up root (to nobody).
bool asOrdinaryUserGives(const std::function<std::string()>& attempt, const std::string& expected) {
    if (geteuid() != 0) return attempt() == expected;
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 && attempt() == expected ? 0 : 1);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct FileIo : testing::Test {
    test::TempDir dir;
};

TEST_F(FileIo, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirPermissions) {
    // umask, mode of the file replaced (0: a new file), mode expected
    const std::tuple<mode_t, mode_t, mode_t> cases[] = {
        {022, 0, 0644}, {077, 0, 0600}, {022, 0600, 0600}, {077, 0664, 0664}, {022, 0755, 0755}};
    const std::string path = dir.file("out.txt");
    for (const auto& [mask, previous, expected] : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::oct << "umask " << mask << ", previous " << previous);
        fs::remove(path);
        if (previous != 0) {
            ASSERT_EQ(chmod(dir.write("out.txt", "previous").c_str(), previous), 0);
        }
        const mode_t before = umask(mask);
        EXPECT_EQ(attemptWrite(path, "new\r\ncontent"), "written");
        umask(before);
        EXPECT_EQ(readFile(path), "new\r\ncontent");
        EXPECT_EQ(permissionsOf(path), expected);
        EXPECT_EQ(namesIn(dir.path()), Names{"out.txt"});
    }
}

// In a folder anyone may write into, only the check of the file itself keeps a rename from
// replacing a file its owner made read-only.
TEST_F(FileIo, AReadOnlyFileIsRefusedAndKept) {
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const std::string readOnly = dir.write("read-only.txt", "previous");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_TRUE(
        asOrdinaryUserGives([&] { return attemptWrite(readOnly, "new"); }, "Permission denied"));
    EXPECT_EQ(readFile(readOnly), "previous");
    EXPECT_EQ(permissionsOf(readOnly), 0444u);
    EXPECT_EQ(namesIn(dir.path()), Names{"read-only.txt"});
}

TEST_F(FileIo, WhatIsNoRegularFileIsRefusedAndStaysAsItIs) {
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
    fs::create_directory(dir.file("folder"));
    // A device of our own with the numbers of /dev/full, so that a fault here could never
    // replace the machine's /dev/full.
    std::string device = dir.file("device");
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        if (geteuid() == 0) GTEST_SKIP() << "root cannot make a device node here";
        device = "/dev/full";
    }
    fs::create_symlink(device, dir.file("link-to-device"));
    const std::tuple<std::string, std::string, mode_t> cases[] = {
        {dir.file("fifo"), "it is not a regular file", S_IFIFO},
        {device, "it is not a regular file", S_IFCHR},
        {dir.file("folder"), "it is a folder, not a file", S_IFDIR},
        {dir.file("link-to-device"), "it is not a regular file (the link leads to " + device + ")",
         S_IFLNK}};
    const Names before = namesIn(dir.path());
    for (const auto& [path, reason, type] : cases) {
        EXPECT_EQ(attemptWrite(path, "new"), reason) << path;
        EXPECT_EQ(statusOf(path).st_mode & S_IFMT, type) << path;
    }
    EXPECT_EQ(attemptWrite("", "new"), "the file name is missing");
    EXPECT_EQ(namesIn(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(dir.file("folder")));
}

// Through a chain of relative and absolute links, each read from its own folder; a dangling
// link makes its file, a loop is refused.
TEST_F(FileIo, LinksAreWrittenThroughToTheFileTheyLeadTo) {
    fs::create_directory(dir.file("sub"));
    const std::pair<std::string, std::string> links[] = {
        {"first", "second"}, {"second", dir.file("sub/third")}, {"sub/third", "target"}};
    for (const auto& [name, holds] : links) fs::create_symlink(holds, dir.file(name));
    const std::string target = dir.write("sub/target", "previous");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(attemptWrite(dir.file("first"), "new"), "written");
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(permissionsOf(target), 0640u);
    for (const auto& [name, holds] : links)
        EXPECT_EQ(fs::read_symlink(dir.file(name)).string(), holds) << name;
    EXPECT_TRUE(noHiddenFiles(dir, "sub"));

    fs::create_symlink("made.txt", dir.file("dangling"));
    ASSERT_EQ(attemptWrite(dir.file("dangling"), "new"), "written");
    EXPECT_EQ(readFile(dir.file("made.txt")), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
    fs::create_symlink("loop-b", dir.file("loop-a"));
    fs::create_symlink("loop-a", dir.file("loop-b"));
    EXPECT_EQ(attemptWrite(dir.file("loop-a"), "new"), "Too many levels of symbolic links");
}

TEST_F(FileIo, AFullDiskOrADroppedWriterKeepsThePreviousFile) {
    const std::string previous = dir.write("kept.txt", "previous");
    {
        AtomicFileWriter dropped;
        ASSERT_TRUE(dropped.open(previous) && dropped.write("half of it"));
    }
    {
        const test::FileSizeLimit limit(4096);
        const std::string large(100000, 'x');
        EXPECT_EQ(attemptWrite(previous, large), "File too large");
        EXPECT_EQ(attemptWrite(dir.file("new.txt"), large), "File too large");
        // In pieces: the piece that does not fit ends the writer.
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.open(previous) && writer.write(std::string(4000, 'x')));
        EXPECT_EQ(writer.write(std::string(200, 'x')).problem(), "File too large");
        EXPECT_FALSE(writer.isOpen());
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(readFile(previous), "previous");
    EXPECT_EQ(namesIn(dir.path()), Names{"kept.txt"});
}

// Where unnamed files are missing: a hidden file beside the link's target, gone after a dropped
// writer; a name of 255 bytes leaves no room for a suffix.
TEST_F(FileIo, NamedTemporaryFilesLieBesideTheTargetAndGoAway) {
    fs::create_directory(dir.file("sub"));
    const std::string target = dir.write("sub/" + std::string(251, 't') + ".txt", "previous");
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    fs::create_symlink(target, dir.file("link"));
    for (const std::string expected : {"previous", "new"}) { // dropped, then committed
        {
            AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
            ASSERT_TRUE(writer.open(dir.file("link")) && writer.write("new"));
            EXPECT_EQ(namesIn(dir.file("sub"), true).size(), 1u);
            if (expected == "new") {
                ASSERT_TRUE(writer.commit());
            }
        }
        EXPECT_EQ(readFile(target), expected);
        EXPECT_TRUE(noHiddenFiles(dir, "sub"));
    }
    EXPECT_EQ(permissionsOf(target), 0600u);
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
}

// A writer killed after naming its temporary file leaves it; the next write to the same target
// clears it, and only what follows the temporary names of that target.
TEST_F(FileIo, AKilledWritersLeftoverGoesWithTheNextWrite) {
    const std::string target = dir.write("out.hkl", "previous");
    const pid_t child = fork();
    if (child == 0) {
        AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
        _exit(writer.open(target) && writer.write("half") ? 0 : 1); // no destructor runs
    }
    int status = 0;
    ASSERT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
    ASSERT_EQ(namesIn(dir.path(), true).size(), 1u);
    Names kept = {".out.hkl.1234567.tmp", ".out.hkl.1234567g.tmp", ".out.hkl2.12345678.tmp",
                  ".other.hkl.12345678.tmp"};
    for (const std::string& name : kept) dir.write(name, "not ours");
    fs::create_directory(dir.file(".out.hkl.abcdef01.tmp")); // a folder
    kept.insert(".out.hkl.abcdef01.tmp");
    ASSERT_EQ(attemptWrite(target, "new"), "written");
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(namesIn(dir.path(), true), kept);
}

// A device would be read until memory runs out and a FIFO would block forever, so only regular
// files of at most 64 MB are read (sparse here, so the test stays cheap).
TEST_F(FileIo, ReadsOnlyRegularFilesOfAtMost64Mb) {
    fs::create_symlink(dir.write("regular.tvr", "line\n"), dir.file("link.tvr"));
    fs::create_symlink("/dev/zero", dir.file("zero.tvr"));
    fs::create_symlink(dir.file("missing"), dir.file("dangling.tvr"));
    ASSERT_EQ(mkfifo(dir.file("fifo.tvr").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.tvr"));
    fs::resize_file(dir.write("over.hkl", ""), kLargestReadableFile + 1);
    EXPECT_EQ(readWholeFile(dir.file("link.tvr")).value(), "line\n");
    const std::pair<const char*, std::string> refused[] = {
        {"zero.tvr", "is not a regular file"},
        {"fifo.tvr", "is not a regular file"},
        {"folder.tvr", "is a folder, not a file"},
        {"over.hkl", "is larger than 64 MB"},
        {"dangling.tvr", "cannot be read: No such file or directory"}};
    for (const auto& [name, message] : refused)
        EXPECT_EQ(readWholeFile(dir.file(name)).problem(), message) << name;
}

TEST_F(FileIo, SplitLines) {
    using Lines = std::vector<std::string>;
    const std::string bom = "\xEF\xBB\xBF";
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"a\r\n\r\n", {"a", ""}},
        {"", {}},
        {bom + "a\r\nb", {"a", "b"}}, // the mark is dropped before the first line only
        {"a\n" + bom + "b", {"a", bom + "b"}}};
    for (const auto& [content, lines] : cases) EXPECT_EQ(splitLines(content), lines) << content;
    EXPECT_EQ(splitLines("a\nb\nc\nd", 2), (Lines{"a", "b"}));
}

} // namespace
} // namespace tavrel
