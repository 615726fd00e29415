#include "cli/cli_test_util.h"
#include "common/version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace tavrel::cli {
namespace {

TEST(CommandLine, TheVersionAndBadArgumentsWithStatusTwoOneErrorLineAndTheUsage) {
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(std::pair(version.status, version.out),
              std::pair(0, std::string("tavrel-cli ") + kVersion + "\n"));

    Scratch scratch;
    const std::string png = scratch.file("x.png");
    auto with = [&](const std::string& option, const std::string& value) {
        return Args{"render", kIron, "-o", png, option, value};
    };
    std::vector<Args> cases{
        {},
        {"nonsense"},
        {"spacegroup"},
        {"spacegroup", "P1", "--gamma", "abc"},
        {"spacegroup", "P1", "--gamma=+-120"},
        {"spacegroup", "P1", "--gamma", "1e39"},
        {"spacegroup", "P1", "--bogus"},
        {"spacegroup", "--row", "530"},
        {"spacegroup", "P1", "--absent", "2", "--matrices"},
        {"reflections", "cell.txt"},
        {"convert", kIron, scratch.file("out.png")},
        {"render", kIron},
        {"render", kIron, "-o", scratch.file("x.gif")},
        {"render", kIron, "--output=" + png, "-o", png}, // one option under two names
        {"wavelength", "Cu", "--line", "La1"},
        {"angle", "--cell", "5 5 5 90 90", "--planes", "100", "111"},
        {"angle", "--cell", "5 5 5 90 90 90", "--planes", "100", "111", "--directions", "1"},
        {"samples", "extra"}};
    // A vector must be meant, and fit 4-byte floats.
    const std::pair<std::string, std::string> options[] = {
        {"--output", png},         {"--scheme", "9"},          {"--select", "7 7 7"},
        {"--orient", "0 0 0"},     {"--orient", "1 1"},        {"--orient", "nan nan nan"},
        {"--orient", "1e300 0 0"}, {"--orient", "1-1"},        {"--rotate", "4:10"},
        {"--rotate", "1:nan"},     {"--rotate", "2:-1000001"}, {"--threshold", "1e39"},
        {"--size", "big"},         {"--size", "59x620"},       {"--size", "850x16001"}};
    for (const auto& [option, value] : options) cases.push_back(with(option, value));
    for (const Args& args : cases) {
        const CliResult r = runCli(args);
        const auto err = lines(r.err);
        EXPECT_EQ(std::pair(r.status, r.out), std::pair(2, std::string())) << r.err;
        ASSERT_GE(err.size(), 2u);
        EXPECT_TRUE(err[0].starts_with("tavrel-cli") && contains(err[0], ": error: ")) << err[0];
        EXPECT_TRUE(err[1].starts_with("usage: tavrel-cli ")) << err[1];
    }
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
    EXPECT_TRUE(
        contains(runCli(with("--output", png)).err, "option -o/--output given more than once"));
    // Meant vectors and turns still work: three digits, numbers near the float range.
    for (const auto& [option, value] :
         {std::pair{"--orient", "001"}, {"--orient", "3e38 0 1"}, {"--rotate", "3:-1000000"}})
        EXPECT_EQ(runCli(with(option, value)).status, 0) << value;
}

// The program alone, without its picture module beside it: every command but render works, and
// render says what is missing instead of drawing nothing.
TEST(CommandLine, WithoutThePictureModuleOnlyRenderIsRefused) {
    namespace fs = std::filesystem;
    Scratch scratch;
    fs::create_directory(scratch.file("bin"));
    const std::string program = scratch.file("bin/tavrel-cli");
    fs::copy_file(TAVREL_CLI_PROGRAM, program);
    const std::string picture = scratch.file("out.png");
    const std::string run = program + " reflections " + kIron + " > " + scratch.file("list") +
                            " && " + program + " render " + kIron + " -o " + picture + " 2> " +
                            scratch.file("err");
    EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 1);
    EXPECT_EQ(lines(readFile(scratch.file("list"))).size(), 54u);
    EXPECT_EQ(readFile(scratch.file("err"))
                  .rfind("tavrel-cli render: the picture module cannot be loaded: ", 0),
              0u);
    EXPECT_FALSE(fs::exists(picture));
}

} // namespace
} // namespace tavrel::cli
