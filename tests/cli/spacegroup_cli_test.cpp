#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

TEST(SpacegroupCommand, PrintsTheSelectedRow) {
    const CliResult r = runCli({"spacegroup", "P21/C"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Row: 80\nNumber: 14\nHall: -P 2ybc\nSymbol: P 21/c = P 1 21/c 1 = 14:b1\n");
    EXPECT_EQ(r.err, "");
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
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"nonsense"},
                                                 {"spacegroup"},
                                                 {"spacegroup", "P1", "P2"},
                                                 {"spacegroup", "P1", "--gamma"},
                                                 {"spacegroup", "P1", "--gamma", "abc"},
                                                 {"spacegroup", "P1", "--bogus"}}) {
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
    EXPECT_NE(one.out.find("--gamma DEG"), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
