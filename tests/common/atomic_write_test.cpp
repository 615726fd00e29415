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
#include <optional>
#include <set>

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::readFile;
using test::TempDir;

constexpr uid_t kNobody = 65534;

struct stat statusOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

mode_t permissionsOf(const std::string& path) {
    return statusOf(path).st_mode & 07777;
}

// Every name in the folder, hidden ones too (a temporary file left behind starts with a dot).
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().native());
    return names;
}

std::set<std::string> hiddenNamesIn(const std::string& folder) {
    std::set<std::string> hidden;
    for (const std::string& name : namesIn(folder))
        if (name.starts_with(".")) hidden.insert(name);
    return hidden;
}

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : previous_(umask(mask)) {}
    ~UmaskScope() { umask(previous_); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t previous_;
};

// Runs `attempt` as a user who owns nothing here: in a child process that gives up root when
// the tests run as root, in this process otherwise. Returns what `attempt` returns.
std::string asOrdinaryUser(const std::function<std::string()>& attempt) {
    if (geteuid() != 0) return attempt();
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string result = "cannot become nobody";
        if (setgid(kNobody) == 0 && setuid(kNobody) == 0) result = attempt();
        const ssize_t written = write(channel[1], result.data(), result.size());
        _exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string result;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}

class AtomicWriteTest : public testing::Test {
protected:
    // What the attempt tells: "written", or the reason it failed.
    static std::string attemptWrite(const std::string& path, const std::string& content) {
        std::string error;
        return writeFileAtomically(path, content, error) ? "written" : error;
    }

    TempDir dir;
    std::string error;
};

TEST_F(AtomicWriteTest, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirPermissions) {
    struct Case {
        mode_t umask;
        std::optional<mode_t> previous; // the mode of the file replaced, none for a new file
        mode_t expected;
    };
    const Case cases[] = {
        {022, std::nullopt, 0644}, {027, std::nullopt, 0640}, {077, std::nullopt, 0600},
        {002, std::nullopt, 0664}, {022, 0600, 0600},         {022, 0640, 0640},
        {077, 0664, 0664},         {022, 0755, 0755},         {0, 0400, 0400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::oct << "umask " << c.umask << ", previous " << c.previous.value_or(0));
        const std::string path = dir.file("out.txt");
        fs::remove(path);
        if (c.previous) {
            dir.write("out.txt", "previous");
            ASSERT_EQ(chmod(path.c_str(), *c.previous), 0);
        }
        if (c.previous && (*c.previous & S_IWUSR) == 0 && geteuid() != 0) continue;
        UmaskScope mask(c.umask);
        ASSERT_TRUE(writeFileAtomically(path, "new\r\ncontent", error)) << error;
        EXPECT_EQ(readFile(path), "new\r\ncontent");
        EXPECT_EQ(permissionsOf(path), c.expected);
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"out.txt"});
    }
}

TEST_F(AtomicWriteTest, AReplacedFileKeepsItsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const std::string path = dir.write("owned.txt", "previous");
    ASSERT_EQ(chown(path.c_str(), 4321, 4322), 0);
    ASSERT_TRUE(writeFileAtomically(path, "new", error)) << error;
    EXPECT_EQ(statusOf(path).st_uid, 4321u);
    EXPECT_EQ(statusOf(path).st_gid, 4322u);
}

TEST_F(AtomicWriteTest, WhatTheUserMayNotWriteIsRefusedAndKept) {
    // A folder anyone may write into: only the check of the file itself keeps a rename from
    // replacing a file its owner made read-only.
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const std::string readOnly = dir.write("read-only.txt", "previous");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    fs::create_directory(dir.file("closed"));
    ASSERT_EQ(chmod(dir.file("closed").c_str(), 0555), 0);

    EXPECT_EQ(asOrdinaryUser([&] { return attemptWrite(readOnly, "new"); }), "Permission denied");
    EXPECT_EQ(asOrdinaryUser([&] { return attemptWrite(dir.file("closed/new.txt"), "new"); }),
              "Permission denied");
    EXPECT_EQ(readFile(readOnly), "previous");
    EXPECT_EQ(permissionsOf(readOnly), 0444u);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"closed", "read-only.txt"}));
    EXPECT_TRUE(fs::is_empty(dir.file("closed")));
}

TEST_F(AtomicWriteTest, WhatIsNoRegularFileIsRefusedAndStaysAsItIs) {
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
    fs::create_directory(dir.file("folder"));
    fs::create_symlink("folder", dir.file("link-to-folder"));
    // A device of its own (the numbers of /dev/full) where the system lets root make one, so
    // that a fault here could never replace the machine's /dev/full.
    std::string device = dir.file("device");
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        if (geteuid() == 0) GTEST_SKIP() << "root cannot make a device node here";
        device = "/dev/full";
    }
    fs::create_symlink(device, dir.file("link-to-device"));

    struct Case {
        std::string path;
        std::string reason;
        mode_t type; // of what stays there
    };
    const Case cases[] = {
        {dir.file("fifo"), "it is not a regular file", S_IFIFO},
        {device, "it is not a regular file", S_IFCHR},
        {dir.file("folder"), "it is a folder, not a file", S_IFDIR},
        {dir.file("link-to-device"), "it is not a regular file (the link leads to " + device + ")",
         S_IFLNK},
        {dir.file("link-to-folder"),
         "it is a folder, not a file (the link leads to " + dir.file("folder") + ")", S_IFLNK},
        {dir.file("folder") + "/", "the file name is missing", S_IFDIR},
    };
    const std::set<std::string> before = namesIn(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(attemptWrite(c.path, "new"), c.reason);
        EXPECT_EQ(statusOf(c.path).st_mode & S_IFMT, c.type);
    }
    EXPECT_EQ(attemptWrite("", "new"), "the file name is missing");
    EXPECT_EQ(namesIn(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(dir.file("folder")));
}

TEST_F(AtomicWriteTest, LinksAreWrittenThroughToTheFileTheyLeadTo) {
    fs::create_directory(dir.file("sub"));
    struct Case {
        std::vector<std::pair<std::string, std::string>> links; // name -> what it holds
        std::string written;                                    // the link written to
        std::string target;                                     // the file it leads to
    };
    const Case cases[] = {
        {{{"link", "target"}}, "link", "target"},
        {{{"link", dir.file("sub/target")}}, "link", "sub/target"},
        {{{"sub/link", "../target"}}, "sub/link", "target"},
        {{{"first", "second"}, {"second", "sub/third"}, {"sub/third", "target"}},
         "first",
         "sub/target"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        for (const auto& [name, holds] : c.links) fs::create_symlink(holds, dir.file(name));
        dir.write(c.target, "previous");
        ASSERT_EQ(chmod(dir.file(c.target).c_str(), 0640), 0);

        ASSERT_TRUE(writeFileAtomically(dir.file(c.written), "new", error)) << error;
        EXPECT_EQ(readFile(dir.file(c.target)), "new");
        EXPECT_EQ(permissionsOf(dir.file(c.target)), 0640u);
        for (const auto& [name, holds] : c.links)
            EXPECT_EQ(fs::read_symlink(dir.file(name)).string(), holds) << name;

        EXPECT_TRUE(hiddenNamesIn(dir.path()).empty() && hiddenNamesIn(dir.file("sub")).empty());
        for (const auto& [name, holds] : c.links) fs::remove(dir.file(name));
        fs::remove(dir.file(c.target));
    }
}

TEST_F(AtomicWriteTest, ADanglingLinkMakesItsFileWhereItsFolderExists) {
    fs::create_symlink("made.txt", dir.file("dangling"));
    ASSERT_TRUE(writeFileAtomically(dir.file("dangling"), "new", error)) << error;
    EXPECT_EQ(readFile(dir.file("made.txt")), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));

    fs::create_symlink("missing/made.txt", dir.file("nowhere"));
    EXPECT_EQ(attemptWrite(dir.file("nowhere"), "new"),
              "No such file or directory (the link leads to " + dir.file("missing/made.txt") + ")");
    fs::create_symlink("loop-b", dir.file("loop-a"));
    fs::create_symlink("loop-a", dir.file("loop-b"));
    EXPECT_EQ(attemptWrite(dir.file("loop-a"), "new"), "Too many levels of symbolic links");
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"dangling", "made.txt", "nowhere", "loop-a", "loop-b"}));
}

TEST_F(AtomicWriteTest, AFullDiskOrADroppedWriterKeepsThePreviousFile) {
    const std::string previous = dir.write("kept.txt", "previous");
    const std::string large(100000, 'x');
    {
        AtomicFileWriter dropped;
        ASSERT_TRUE(dropped.open(previous, error) && dropped.write("half of it", error)) << error;
    }
    {
        const FileSizeLimit limit(4096);
        EXPECT_EQ(attemptWrite(previous, large), "File too large");
        EXPECT_EQ(attemptWrite(dir.file("new.txt"), large), "File too large");

        // In pieces: what fits is taken, the piece that does not fit ends the writer.
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.open(previous, error)) << error;
        EXPECT_TRUE(writer.write(std::string(4000, 'x'), error)) << error;
        EXPECT_FALSE(writer.write(std::string(200, 'x'), error));
        EXPECT_EQ(error, "File too large");
        EXPECT_FALSE(writer.isOpen());
        EXPECT_FALSE(writer.commit(error));
    }
    EXPECT_EQ(readFile(previous), "previous");
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"kept.txt"});
}

// What file systems without unnamed files get: a hidden file beside the file it replaces (the
// link's target, not the link), with that file's permissions, gone after commit and with a
// dropped writer. A name of 255 bytes leaves no room for a suffix: the temporary name is shorter.
TEST_F(AtomicWriteTest, NamedTemporaryFilesLieBesideTheTargetAndGoAway) {
    fs::create_directory(dir.file("sub"));
    const std::string target = dir.write("sub/" + std::string(251, 't') + ".txt", "previous");
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    fs::create_symlink(target, dir.file("link"));
    {
        AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
        ASSERT_TRUE(writer.open(dir.file("link"), error) && writer.write("dropped", error))
            << error;
        const std::set<std::string> temporary = hiddenNamesIn(dir.file("sub"));
        ASSERT_EQ(temporary.size(), 1u);
        EXPECT_TRUE(temporary.begin()->starts_with(".ttt"));
        EXPECT_EQ(permissionsOf(dir.file("sub/" + *temporary.begin())), 0600u);
    }
    EXPECT_EQ(readFile(target), "previous");
    EXPECT_TRUE(hiddenNamesIn(dir.file("sub")).empty());

    AtomicFileWriter writer(AtomicFileWriter::Temporary::Named);
    ASSERT_TRUE(writer.open(dir.file("link"), error) && writer.write("new", error) &&
                writer.commit(error))
        << error;
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(permissionsOf(target), 0600u);
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_TRUE(hiddenNamesIn(dir.path()).empty() && hiddenNamesIn(dir.file("sub")).empty());
}

TEST_F(AtomicWriteTest, NamesAreTakenAsTheirBytes) {
    for (const std::string& name : {std::string("o\xff.txt"), std::string(251, 'n') + ".txt"}) {
        SCOPED_TRACE(name.size());
        ASSERT_TRUE(writeFileAtomically(dir.file(name), "new", error)) << error;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{name});
        fs::remove(dir.file(name));
    }
}

} // namespace
} // namespace tavrel
