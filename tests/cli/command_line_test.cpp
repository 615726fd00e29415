#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

TEST(CommandLine, BadArgumentsGiveStatusTwoOneErrorLineAndTheUsage) {
    Scratch scratch;
    const std::string png = scratch.file("x.png");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"nonsense"},
             {"spacegroup"},
             {"spacegroup", "P1", "--gamma", "abc"},
             {"spacegroup", "P1", "--gamma=+-120"},
             {"spacegroup", "P1", "--bogus"},
             {"spacegroup", "--row", "530"},
             {"spacegroup", "--row", "1x"},
             {"spacegroup", "P1", "--absent", "2", "--matrices"},
             {"reflections", "cell.txt"},
             {"convert", kIron, scratch.file("out.png")},
             {"render", kIron},
             {"render", kIron, "-o", scratch.file("x.gif")},
             {"render", kIron, "-o", png, "--size", "big"},
             {"render", kIron, "-o", png, "--scheme", "9"},
             {"render", kIron, "-o", png, "--rotate", "4:10"},
             {"render", kIron, "-o", png, "--select", "7 7 7"},
             // One option under two names is given twice.
             {"render", kIron, "-o", png, "--output", png},
             {"render", kIron, "--output=" + png, "-o", png},
             {"render", kIron, "-o", png, "-o", png},
             // A vector must be meant, and fit 4-byte floats.
             {"render", kIron, "-o", png, "--orient", "0 0 0"},
             {"render", kIron, "-o", png, "--orient", "a b c"},
             {"render", kIron, "-o", png, "--orient", "1 1"},
             {"render", kIron, "-o", png, "--orient", "nan nan nan"},
             {"render", kIron, "-o", png, "--orient", "1e300 0 0"},
             {"render", kIron, "-o", png, "--orient", "1-1"},
             {"render", kIron, "-o", png, "--rotate", "1:1e300"},
             {"render", kIron, "-o", png, "--rotate", "1:nan"},
             {"render", kIron, "-o", png, "--rotate", "2:-1000001"},
             {"render", kIron, "-o", png, "--threshold", "1e39"},
             {"render", kIron, "-o", png, "--size", "59x620"},
             {"render", kIron, "-o", png, "--size", "850x16001"},
             {"spacegroup", "P1", "--gamma", "1e39"}}) {
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
    EXPECT_NE(runCli({"render", kIron, "-o", png, "--output", png})
                  .err.find("option -o/--output given more than once"),
              std::string::npos);
    // Vectors and turns that are meant still work: three digits, numbers near the float range.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--orient", "001"}, {"--orient", "3e38 0 1"}, {"--rotate", "3:-1000000"}})
        EXPECT_EQ(runCli({"render", kIron, "-o", png, args[0], args[1]}).status, 0) << args[1];
}

TEST(CommandLine, UnreadableFilesGiveStatusOneAndNameTheFile) {
    Scratch scratch;
    const std::string bad = scratch.file("bad.tvr");
    std::ofstream(bad) << "NOT A TAVREL FILE\r\n";
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

TEST(CommandLine, Help) {
    const CliResult general = runCli({"--help"});
    EXPECT_EQ(general.status, 0);
    for (const std::string name : {"spacegroup", "reflections", "report", "convert", "render"}) {
        EXPECT_NE(general.out.find("\n  " + name + " "), std::string::npos) << name;
        const CliResult help = runCli({name, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("usage: tavrel-cli " + name + " ", 0), 0u) << help.out;
    }
    // "-h" as the value of an option is that value, not a request for help.
    Scratch scratch;
    const CliResult named = runCli({"spacegroup", "P1", "--listing", scratch.file("-h")});
    EXPECT_EQ(named.status, 0);
    EXPECT_TRUE(std::filesystem::exists(scratch.file("-h")));
    EXPECT_EQ(runCli({"render", kIron, "-o=" + scratch.file("x.png")}).status, 0);
    const std::string spacegroup = runCli({"spacegroup", "-h"}).out;
    for (const char* option :
         {"--gamma DEG", "--row I", "--matrices", "--absent N", "--listing FILE"})
        EXPECT_NE(spacegroup.find(option), std::string::npos) << option;
    EXPECT_NE(runCli({"render", "--help"}).out.find("from 60 to 16000"), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
