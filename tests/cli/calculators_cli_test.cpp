#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

void expectRun(const std::vector<std::string>& args, int status, const std::string& out,
               const std::string& err = "") {
    const CliResult r = runCli(args);
    EXPECT_EQ(r.status, status) << args.back();
    EXPECT_EQ(r.out, out) << args.back();
    EXPECT_EQ(r.err, err.empty() ? err : "tavrel-cli " + args[0] + ": " + err + "\n");
}

// The line's name in any case, after "=" or as the next argument; the results and refusals
// themselves are the calculators'.
TEST(CalculatorCommands, PrintTheResultFieldOrTheMessage) {
    expectRun({"wavelength", "Cu"}, 0, "1.54061\n");
    expectRun({"wavelength", "mo", "--line=kb1"}, 0, "0.63231\n");
    expectRun({"wavelength", "Li", "--line", "Ka2"}, 1, "", "Li has no Kα2 line");
    const std::string cubic = "5 5 5 90 90 90";
    expectRun({"angle", "--cell", cubic, "--planes", "1 0 0", "1 1 1"}, 0, "54.7356 deg\n");
    expectRun({"angle", "--planes", "100", "111", "--cell", cubic}, 0, "54.7356 deg\n");
    expectRun({"angle", "--cell", "3.2 3.2 5.2 90 90 120", "--direction-plane", "001", "0 0 1 9"},
              0, "0.0 deg\n");
    expectRun({"angle", "--cell", cubic, "--planes", "1 0 0", "1 1"}, 1, "",
              "Invalid input: HKL(2): Please type SPACE between h k l");
    expectRun({"angle", "--cell", "0 5 5 90 90 90", "--directions", "100", "010"}, 1, "",
              "Invalid unit cell parameters");
}

TEST(SamplesCommand, ListsTheBuiltInListOrAFileWithoutWritingAnything) {
    const auto builtIn = lines(runCli({"samples"}).out);
    ASSERT_EQ(builtIn.size(), 22u);
    EXPECT_EQ(builtIn[0], "Cu\t225 FM3M 3.6174 3.6174 3.6174 90 90 90");
    EXPECT_EQ(builtIn[20], "alpha-Pu\t11 P21/M 6.183 4.822 10.963 90 101.79 90");
    Scratch scratch;
    const std::string file = scratch.write(
        "cellmenu.txt",
        "' mine\r\nP (black) : 64 CMCA 3.3 10.4 4.3 90 90 90\r\nbad : 0 P1 1 1 1 90 90 90\r\n");
    expectRun({"samples", "--file", file}, 0, "P (black)\t64 CMCA 3.3 10.4 4.3 90 90 90\n");
    const std::string missing = scratch.file("missing.txt");
    expectRun({"samples", "--file", missing}, 1, "",
              "\"" + missing + "\" cannot be read: No such file or directory");
    expectRun({"samples", "--file", scratch.path()}, 1, "",
              "\"" + scratch.path() + "\" is a folder, not a file");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
} // namespace tavrel::cli
