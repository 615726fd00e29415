#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

namespace tavrel::cli {
namespace {

void expectRefused(const std::vector<std::string>& args, const std::string& message) {
    const CliResult r = runCli(args);
    EXPECT_EQ(r.status, 1) << args[1];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tavrel-cli " + args[0] + ": " + message + "\n");
}

TEST(WavelengthCommand, PrintsTheFieldTextOrRefuses) {
    const std::pair<std::vector<std::string>, std::string> found[] = {
        {{"wavelength", "Cu"}, "1.54061\n"},
        {{"wavelength", "mo", "--line=kb1"}, "0.63231\n"},
    };
    for (const auto& [args, text] : found) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, text) << args[1];
        EXPECT_EQ(r.err, "");
    }
    expectRefused({"wavelength", "Copper"}, "Unknown element: Copper");
    expectRefused({"wavelength", "Li", "--line", "Ka2"}, "Li has no Kα2 line");
    expectRefused({"wavelength", "93", "--line", "Kb1"}, "Np has no Kβ1 line");
}

TEST(AngleCommand, PrintsTheResultFieldOrTheFieldsMessage) {
    const std::string cubic = "5 5 5 90 90 90";
    const std::string hexagonal = "3.2 3.2 5.2 90 90 120";
    const std::pair<std::vector<std::string>, std::string> found[] = {
        {{"angle", "--cell", cubic, "--planes", "1 0 0", "1 1 1"}, "54.7356 deg\n"},
        {{"angle", "--planes", "100", "111", "--cell", cubic}, "54.7356 deg\n"},
        {{"angle", "--cell", hexagonal, "--direction-plane", "001", "0 0 1 9"}, "0.0 deg\n"},
    };
    for (const auto& [args, text] : found) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, text);
        EXPECT_EQ(r.err, "");
    }
    expectRefused({"angle", "--cell", cubic, "--planes", "1 0 0", "1 1"},
                  "Invalid input: HKL(2): Please type SPACE between h k l");
    expectRefused({"angle", "--cell", "0 5 5 90 90 90", "--directions", "100", "010"},
                  "Invalid unit cell parameters");
}

TEST(SamplesCommand, ListsTheBuiltInListOrAFileWithoutWritingAnything) {
    const auto builtIn = lines(runCli({"samples"}).out);
    ASSERT_EQ(builtIn.size(), 22u);
    EXPECT_EQ(builtIn[0], "Cu\t225 FM3M 3.6174 3.6174 3.6174 90 90 90");
    EXPECT_EQ(builtIn[20], "alpha-Pu\t11 P21/M 6.183 4.822 10.963 90 101.79 90");

    Scratch scratch;
    const std::string file = scratch.file("cellmenu.txt");
    std::ofstream(file, std::ios::binary)
        << "' mine\r\nP (black) : 64 CMCA 3.3 10.4 4.3 90 90 90\r\nbad : 0 P1 1 1 1 90 90 90\r\n";
    const CliResult fromFile = runCli({"samples", "--file", file});
    EXPECT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromFile.out, "P (black)\t64 CMCA 3.3 10.4 4.3 90 90 90\n");

    for (const std::string& unreadable : {scratch.file("missing.txt"), scratch.path()}) {
        const CliResult r = runCli({"samples", "--file", unreadable});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines(r.err).size(), 1u);
        EXPECT_NE(r.err.find("\"" + unreadable + "\""), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.file("missing.txt")));
}

TEST(CalculatorCommands, BadArgumentsAreUsageErrors) {
    const std::string cubic = "5 5 5 90 90 90";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"wavelength"},
             {"wavelength", "Cu", "Fe"},
             {"wavelength", "Cu", "--line", "La1"},
             {"angle", "--planes", "100", "111"},
             {"angle", "--cell", "5 5 5 90 90", "--planes", "100", "111"},
             {"angle", "--cell", "5 5 5 90 90 9x", "--planes", "100", "111"},
             {"angle", "--cell", cubic},
             {"angle", "--cell", cubic, "--planes", "100"},
             {"angle", "--cell", cubic, "--planes", "100", "111", "110"},
             {"angle", "--cell", cubic, "--planes", "100", "111", "--directions", "100"},
             {"samples", "extra"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tavrel-cli " + args[0] + ": error: ", 0), 0u) << r.err;
    }
}

} // namespace
} // namespace tavrel::cli
