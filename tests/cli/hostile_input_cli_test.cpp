// Hostile orientation lists, folders and leftovers: every message names its file, stays short
// and printable, and a batch clears what a killed batch left.

#include "cli_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::cli {
namespace {

const std::string kSilicon = std::string(TAVREL_EXAMPLES) + "/silicon.tvr";

CliResult renderList(Scratch& scratch, const std::string& list) {
    return runCli({"render", kSilicon, "--size", "60x60", "--orientations", list, "-o",
                   scratch.file("p_%03d.png")});
}

// A list that cannot be read, or holds nothing to draw, is named (status 1); bad lines are shown
// cut and escaped, and beyond ten of them only counted.
TEST(HostileLists, EveryProblemNamesTheListAndStaysShort) {
    Scratch scratch;
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "1 2 x\n";
    const struct {
        std::string list;
        std::string said;
    } kCases[] = {
        {scratch.file("missing.txt"), "\"" + scratch.file("missing.txt") + "\" cannot be read"},
        {scratch.path(), "\"" + scratch.path() + "\" is a folder"},
        {scratch.write("empty.txt", ""), "\"" + scratch.file("empty.txt") + "\" holds no"},
        {scratch.write("comments.txt", "# a\n\n#b\n"), "holds no orientation to draw"},
        {scratch.write("bad.txt", many), "4990 more lines that are no orientation"},
    };
    for (const auto& c : kCases) {
        const CliResult r = renderList(scratch, c.list);
        EXPECT_EQ(r.status, 1) << c.list;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err.substr(0, 2000);
        EXPECT_LE(lines(r.err).size(), 12u);
    }

    const std::string hostile = std::string(10'000'000, '7') + "x \r\x01\xff 0 0\n10 20 30\n";
    const CliResult r = renderList(scratch, scratch.write("long.txt", hostile));
    EXPECT_EQ(r.status, 0) << r.err.substr(0, 2000);
    EXPECT_LT(r.err.size(), 600u);
    EXPECT_EQ(r.err.find_first_of("\r\x01\xff"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("..."), std::string::npos) << r.err;
}

// Temporary pictures a killed batch left in the target folder are gone after the next batch,
// whatever their number; other files stay.
TEST(HostileLists, ABatchClearsTheLeftoversOfKilledBatches) {
    Scratch scratch;
    const std::vector<std::string> ours = {".p_005.png.6527f789.tmp", ".p_1234.png.0123abcd.tmp"};
    const std::vector<std::string> others = {".p_05.png.6527f789.tmp", ".q_005.png.6527f789.tmp",
                                             ".p_005.png.6527f789.tmp.keep", "p_005.png"};
    for (const std::string& name : ours) scratch.write(name, "part");
    for (const std::string& name : others) scratch.write(name, "part");
    ASSERT_EQ(renderList(scratch, scratch.write("one.txt", "0 0 0\n")).status, 0);
    for (const std::string& name : ours) EXPECT_FALSE(std::filesystem::exists(scratch.file(name)));
    for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(scratch.file(name)));
}

// A folder of images that cannot be read says why, naming it.
TEST(HostileLists, AnUnreadableFolderOfImagesSaysWhy) {
    Scratch scratch;
    const std::string folder = scratch.path() + "/closed";
    std::filesystem::create_directory(folder);
    scratch.write("closed/a.png", "not a picture");
    ASSERT_EQ(chmod(folder.c_str(), 0), 0);
    // Root reads any folder, so the command runs as a user who owns nothing here.
    const bool asUser = geteuid() == 0 && seteuid(65534) == 0;
    const CliResult r = runCli({"index", kSilicon, "--image", folder});
    if (asUser) (void)seteuid(0);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"" + folder + "\" cannot be read: Permission denied"), std::string::npos)
        << r.err;
}

} // namespace
} // namespace tavrel::cli
