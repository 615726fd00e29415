#include "common/file_io.h"

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <tuple>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readFile;

constexpr uid_t kNobody = 65534;

struct stat statusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

mode_t permissionsOf(const std::string& path) {
    return statusOf(path).st_mode & 07777;
}

struct UmaskScope {
    mode_t previous;
    ~UmaskScope() { umask(previous); }
};

// Root may write anything, so a refusal is tried in a child that gives up root. True when the
// attempt gives what is expected.
bool asOrdinaryUserGives(const std::function<std::string()>& attempt, const std::string& expected) {
    if (geteuid() != 0) return attempt() == expected;
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(kNobody) == 0 && setuid(kNobody) == 0 && attempt() == expected ? 0 : 1);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class AtomicWriteTest : public testing::Test {
protected:
    // "written", or the reason the write failed.
    static std::string attemptWrite(const std::string& path, const std::string& content) {
        const Outcome written = writeFileAtomically(path, content);
        return written ? "written" : written.problem();
    }

    test::TempDir dir;
};

TEST_F(AtomicWriteTest, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirPermissions) {
    // umask, mode of the file replaced (0: a new file), mode expected
    const std::tuple<mode_t, mode_t, mode_t> cases[] = {
        {022, 0, 0644}, {077, 0, 0600}, {022, 0600, 0600}, {077, 0664, 0664}, {022, 0755, 0755}};
    for (const auto& [mask, previous, expected] : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::oct << "umask " << mask << ", previous " << previous);
        const std::string path = dir.file("out.txt");
        fs::remove(path);
        if (previous != 0) {
            dir.write("out.txt", "previous");
            ASSERT_EQ(chmod(path.c_str(), previous), 0);
        }
        const UmaskScope scope{umask(mask)};
        ASSERT_EQ(attemptWrite(path, "new\r\ncontent"), "written");
        EXPECT_EQ(readFile(path), "new\r\ncontent");
        EXPECT_EQ(permissionsOf(path), expected);
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"out.txt"});
    }
}

TEST_F(AtomicWriteTest, AReadOnlyFileIsRefusedAndKept) {
    // In a folder anyone may write into, only the check of the file itself keeps a rename from
    // replacing a file its owner made read-only.
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const std::string readOnly = dir.write("read-only.txt", "previous");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);

    EXPECT_TRUE(
        asOrdinaryUserGives([&] { return attemptWrite(readOnly, "new"); }, "Permission denied"));
    EXPECT_EQ(readFile(readOnly), "previous");
    EXPECT_EQ(permissionsOf(readOnly), 0444u);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"read-only.txt"});
}

TEST_F(AtomicWriteTest, WhatIsNoRegularFileIsRefusedAndStaysAsItIs) {
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
    const std::set<std::string> before = namesIn(dir.path());
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
TEST_F(AtomicWriteTest, LinksAreWrittenThroughToTheFileTheyLeadTo) {
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
    EXPECT_TRUE(namesIn(dir.path(), true).empty() && namesIn(dir.file("sub"), true).empty());

    fs::create_symlink("made.txt", dir.file("dangling"));
    ASSERT_EQ(attemptWrite(dir.file("dangling"), "new"), "written");
    EXPECT_EQ(readFile(dir.file("made.txt")), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
    fs::create_symlink("loop-b", dir.file("loop-a"));
    fs::create_symlink("loop-a", dir.file("loop-b"));
    EXPECT_EQ(attemptWrite(dir.file("loop-a"), "new"), "Too many levels of symbolic links");
}

TEST_F(AtomicWriteTest, AFullDiskOrADroppedWriterKeepsThePreviousFile) {
    const std::string previous = dir.write("kept.txt", "previous");
    const std::string large(100000, 'x');
    {
        AtomicFileWriter dropped;
        ASSERT_TRUE(dropped.open(previous));
        ASSERT_TRUE(dropped.write("half of it"));
    }
    {
        const test::FileSizeLimit limit(4096);
        EXPECT_EQ(attemptWrite(previous, large), "File too large");
        EXPECT_EQ(attemptWrite(dir.file("new.txt"), large), "File too large");

        // In pieces: the piece that does not fit ends the writer.
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.open(previous));
        EXPECT_TRUE(writer.write(std::string(4000, 'x')));
        EXPECT_EQ(writer.write(std::string(200, 'x')).problem(), "File too large");
        EXPECT_FALSE(writer.isOpen());
        EXPECT_FALSE(writer.commit());
    }
    EXPECT_EQ(readFile(previous), "previous");
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"kept.txt"});
}

// Where unnamed files are missing: a hidden file beside the link's target, gone after a dropped
// writer; a name of 255 bytes leaves no room for a suffix.
TEST_F(AtomicWriteTest, NamedTemporaryFilesLieBesideTheTargetAndGoAway) {
    fs::create_directory(dir.file("sub"));
    const std::string target = dir.write("sub/" + std::string(251, 't') + ".txt", "previous");
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    fs::create_symlink(target, dir.file("link"));
    {
        AtomicFileWriter dropped(AtomicFileWriter::Temporary::Named);
        ASSERT_TRUE(dropped.open(dir.file("link")));
        ASSERT_TRUE(dropped.write("new"));
        EXPECT_EQ(namesIn(dir.file("sub"), true).size(), 1u);
    }
    EXPECT_EQ(readFile(target), "previous");
    AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
    ASSERT_TRUE(writer.open(dir.file("link")));
    ASSERT_TRUE(writer.write("new"));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(permissionsOf(target), 0600u);
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_TRUE(namesIn(dir.path(), true).empty() && namesIn(dir.file("sub"), true).empty());
}

// A writer killed after naming its temporary file leaves it; the next write to the same target
// clears it, and only what follows the temporary names of that target.
TEST_F(AtomicWriteTest, AKilledWritersLeftoverGoesWithTheNextWrite) {
    const std::string target = dir.write("out.hkl", "previous");
    const pid_t child = fork();
    if (child == 0) {
        AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
        const bool started = writer.open(target) && writer.write("half");
        _exit(started ? 0 : 1); // no destructor runs, as after a kill
    }
    int status = 0;
    ASSERT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) && !WEXITSTATUS(status));
    ASSERT_EQ(namesIn(dir.path(), true).size(), 1u);

    const std::set<std::string> others = {".out.hkl.1234567.tmp", ".out.hkl.1234567g.tmp",
                                          ".out.hkl2.12345678.tmp", ".other.hkl.12345678.tmp"};
    for (const std::string& name : others) dir.write(name, "not ours");
    fs::create_directory(dir.file(".out.hkl.abcdef01.tmp"));
    ASSERT_EQ(attemptWrite(target, "new"), "written");
    EXPECT_EQ(readFile(target), "new");
    std::set<std::string> kept = others;
    kept.insert(".out.hkl.abcdef01.tmp"); // a folder
    EXPECT_EQ(namesIn(dir.path(), true), kept);
}

} // namespace
} // namespace tavrel
