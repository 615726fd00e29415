#include "cli/cli_test_util.h"
#include "common/version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace tavrel::cli {
namespace {

TEST(CommandLine, Version) {
    EXPECT_EQ(runCli({"--version"}).out, "tavrel-cli " + std::string(kVersion) + "\n");
    EXPECT_EQ(runCli({"--version"}).status, 0);
}

TEST(CommandLine, BadArgumentsGiveStatusTwoOneErrorLineAndTheUsage) {
    Scratch scratch;
    const std::string png = scratch.file("x.png");
    auto with = [&](const std::string& option, const std::string& value) {
        return std::vector<std::string>{"render", kIron, "-o", png, option, value};
    };
    std::vector<std::vector<std::string>> cases{
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
    for (const std::vector<std::string>& args : cases) {
        const CliResult r = runCli(args);
        const auto err = lines(r.err);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        ASSERT_GE(err.size(), 2u);
        EXPECT_EQ(err[0].rfind("tavrel-cli", 0), 0u) << err[0];
        EXPECT_NE(err[0].find(": error: "), std::string::npos) << err[0];
        EXPECT_EQ(err[1].rfind("usage: tavrel-cli ", 0), 0u) << err[1];
    }
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
    EXPECT_NE(runCli(with("--output", png)).err.find("option -o/--output given more than once"),
              std::string::npos);
    // Meant vectors and turns still work: three digits, numbers near the float range.
    for (const auto& [option, value] :
         {std::pair{"--orient", "001"}, {"--orient", "3e38 0 1"}, {"--rotate", "3:-1000000"}})
        EXPECT_EQ(runCli(with(option, value)).status, 0) << value;
}

TEST(CommandLine, UnreadableFilesGiveStatusOneAndNameTheFile) {
    Scratch scratch;
    const std::string bad = scratch.write("bad.tvr", "NOT A TAVREL FILE\r\n");
    const std::string missing = scratch.file("missing.tvr");
    const std::string nowhere = scratch.file("no/such/x");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"reflections", missing}, missing},
        {{"report", bad}, bad},
        {{"convert", bad, scratch.file("out.hkl")}, bad},
        {{"convert", kIron, nowhere + ".hkl"}, nowhere + ".hkl"},
        {{"render", missing, "-o", scratch.file("out.png")}, missing},
        {{"render", kIron, "-o", nowhere + ".png"}, nowhere + ".png"}};
    for (const auto& [args, named] : cases) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1);
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
