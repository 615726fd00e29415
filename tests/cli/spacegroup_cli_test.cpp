#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tavrel::cli {
namespace {

const std::string kP21cHeader = "Row: 80\nNumber: 14\nHall: -P 2ybc\n"
                                "Symbol: P 21/c = P 1 21/c 1 = 14:b1\n"
                                "Crystal system: Monoclinic\nOrigin choice: 1\nOperations: 4\n";
const std::string kP21cListing = "Hall: -P 2ybc\n"
                                 " 1                  X,       Y,         Z\n"
                                 " 2                 -X,   Y+1/2,    -Z+1/2\n"
                                 " 3                 -X,      -Y,        -Z\n"
                                 " 4                  X,  -Y+1/2,     Z+1/2\n";

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(SpacegroupCommand, PrintsTheSelectedRowAndItsOperations) {
    const CliResult r = runCli({"spacegroup", "P21/C"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kP21cHeader + kP21cListing);
    EXPECT_EQ(r.err, "");

    const CliResult fcc = runCli({"spacegroup", "Fm-3m"});
    EXPECT_NE(fcc.out.find("Crystal system: Cubic\nOrigin choice: 1\nOperations: 192\n"
                           "Hall: -F 4 2 3\n"),
              std::string::npos);
    EXPECT_EQ(lineCount(fcc.out), 7u + 1u + 192u);
    EXPECT_NE(runCli({"spacegroup", "--row", "525"})
                  .out.find("Symbol: F d -3 m = 227:2\n"
                            "Crystal system: Cubic\n"
                            "Origin choice: 2\n"),
              std::string::npos);
    const CliResult hexagonal = runCli({"spacegroup", "R-3M", "--gamma", "120"});
    EXPECT_NE(hexagonal.out.find("Trigonal\nOrigin choice: 1\nOperations: 36\n"),
              std::string::npos);
}

TEST(SpacegroupCommand, RowSelectsASettingDirectly) {
    const CliResult r = runCli({"spacegroup", "--row", "80"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kP21cHeader + kP21cListing);
    EXPECT_EQ(runCli({"spacegroup", "--row=0"}).out.substr(0, 7), "Row: 0\n");
    // 151 carries an origin shift, which the Hall lines leave out.
    const CliResult shifted = runCli({"spacegroup", "--row", "439"});
    EXPECT_NE(shifted.out.find("Number: 151\nHall: P 31 2c (0 0 1)\n"), std::string::npos);
    EXPECT_NE(shifted.out.find("\nHall: P 31 2c\n"), std::string::npos);
}

TEST(SpacegroupCommand, MatricesFollowEachOperation) {
    const CliResult r = runCli({"spacegroup", "P21/C", "--matrices"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kP21cHeader + "Hall: -P 2ybc\n"
                                   " 1                  X,       Y,         Z\n"
                                   "1 0 0 0 0 1 0 0 0 0 1 0\n"
                                   " 2                 -X,   Y+1/2,    -Z+1/2\n"
                                   "-1 0 0 0 0 1 0 0.5 0 0 -1 0.5\n"
                                   " 3                 -X,      -Y,        -Z\n"
                                   "-1 0 0 0 0 -1 0 0 0 0 -1 0\n"
                                   " 4                  X,  -Y+1/2,     Z+1/2\n"
                                   "1 0 0 0 0 -1 0 0.5 0 0 1 0.5\n");
    EXPECT_NE(runCli({"spacegroup", "P31", "--matrices"}).out.find("0 0 1 0.3333333\n"),
              std::string::npos);
}

TEST(SpacegroupCommand, AbsentListsExtinctReflectionsInLoopOrder) {
    const CliResult r = runCli({"spacegroup", "P21/C", "--absent", "2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kP21cHeader + "2 0 1\n2 0 -1\n1 0 1\n1 0 -1\n0 1 0\n0 0 1\n0 0 -1\n"
                                   "0 -1 0\n-1 0 1\n-1 0 -1\n-2 0 1\n-2 0 -1\n");
    // Face centring: every mixed-parity triple, 26 - 8 of the limit 1.
    EXPECT_EQ(lineCount(runCli({"spacegroup", "FM-3M", "--absent", "1"}).out), 7u + 18u);
    const std::string none = runCli({"spacegroup", "P1", "--absent", "3"}).out;
    EXPECT_EQ(none.substr(none.find("Operations: 1\n")), "Operations: 1\n");
    EXPECT_EQ(lineCount(runCli({"spacegroup", "P1", "--absent", "0"}).out), 7u);
}

class ListingOption : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = std::filesystem::temp_directory_path() /
                 ("tavrel-cli-listing-" + std::to_string(random()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

TEST_F(ListingOption, WritesTheListingFile) {
    const std::string file = (folder / "ops.txt").string();
    const CliResult r = runCli({"spacegroup", "P21/C", "--listing", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::string expected;
    for (char c : kP21cListing) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(content.str(), expected);
}

TEST_F(ListingOption, AFileThatCannotBeWrittenGivesStatusOne) {
    const std::string file = (folder / "missing" / "ops.txt").string();
    const CliResult r = runCli({"spacegroup", "P21/C", "--listing", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kP21cHeader + kP21cListing);
    EXPECT_EQ(lineCount(r.err), 1u);
    EXPECT_NE(r.err.find(file), std::string::npos);
}

TEST(SpacegroupCommand, GammaChoosesTheAxes) {
    EXPECT_NE(runCli({"spacegroup", "R-3M", "--gamma", "120"}).out.find("Symbol: R -3 m = 166:H"),
              std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "R-3M", "--gamma=90"}).out.find("Symbol: R -3 m = 166:R"),
              std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "R-3M"}).out.find("Hall: -P 3* 2"), std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "fm-3m"}).out.find("Number: 225"), std::string::npos);
    EXPECT_NE(runCli({"spacegroup", "XYZ"}).out.find("Row: 0\n"), std::string::npos);
}

TEST(CommandLine, BadInputGivesOneErrorLineAndTheUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{},
          {"nonsense"},
          {"spacegroup"},
          {"spacegroup", "P1", "P2"},
          {"spacegroup", "P1", "--gamma"},
          {"spacegroup", "P1", "--gamma", "abc"},
          {"spacegroup", "P1", "--bogus"},
          {"spacegroup", "--row", "530"},
          {"spacegroup", "--row", "-1"},
          {"spacegroup", "--row", "1x"},
          {"spacegroup", "P1", "--row", "3"},
          {"spacegroup", "P1", "--absent", "-1"},
          {"spacegroup", "P1", "--absent", "101"},
          {"spacegroup", "P1", "--absent", "2", "--matrices"},
          {"spacegroup", "P1", "--listing"},
          {"spacegroup", "P1", "--matrices=yes"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("error: "), std::string::npos);
        EXPECT_NE(r.err.find("usage: "), std::string::npos);
        EXPECT_LT(r.err.find("error: "), r.err.find("usage: "));
    }
}

TEST(CommandLine, HelpDescribesEveryCommand) {
    const CliResult general = runCli({"--help"});
    EXPECT_EQ(general.status, 0);
    EXPECT_NE(general.out.find("spacegroup"), std::string::npos);
    const CliResult one = runCli({"spacegroup", "--help"});
    EXPECT_EQ(one.status, 0);
    for (const char* option :
         {"--gamma DEG", "--row I", "--matrices", "--absent N", "--listing FILE"})
        EXPECT_NE(one.out.find(option), std::string::npos) << option;
}

} // namespace
} // namespace tavrel::cli
