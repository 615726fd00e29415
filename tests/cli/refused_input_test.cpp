#include "cli/cli_test_util.h"
#include "support/comma_locale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace tavrel::cli {
namespace {

// The iron example with some of its lines (numbered from 1) replaced.
std::string ironWith(const std::map<int, std::string>& replaced) {
    std::string out;
    int number = 0;
    for (const std::string& line : lines(readFile(kIron))) {
        const auto it = replaced.find(++number);
        out += (it != replaced.end() ? it->second : line.substr(0, line.find('\r'))) + "\r\n";
    }
    return out;
}

// Input that cannot be simulated stops every command that loads it: one line on stderr with the
// command's name, the file and the reason, exit status 1, nothing on stdout and no file written.
TEST(RefusedInput, StopsEveryCommandWithItsName) {
    Scratch scratch;
    // The file's name and what the simulation refuses in it.
    auto tvr = [&, n = 0](const std::map<int, std::string>& replaced,
                          const std::string& reason) mutable {
        const std::string path =
            scratch.write("refused" + std::to_string(n++) + ".tvr", ironWith(replaced));
        return std::pair(path, "\"" + path + "\": " + reason);
    };
    const std::string hkl =
        scratch.write("refused.hkl", "1e39 4 4 90 90 90 225\r\n1\r\n   1   1   1\r\n");
    const std::string missing = scratch.file("nothere.cif");
    const std::pair<std::string, std::string> inputs[] = {
        tvr({{4, "-1"}}, "Invalid unit cell parameters"),
        tvr({{14, "1e39"}}, "Wavelength 1 is not a usable number: 1e39"),
        tvr({{21, "1e300"}}, "Film Height is not a usable number: 1e300"),
        tvr({{11, "16384"}}, "The hkl limits must not exceed 16383."),
        {hkl, "\"" + hkl + "\" cannot be loaded: Lattice constant a is not a usable number: 1e39"},
        {missing, "\"" + missing + "\" cannot be read: No such file or directory"}};
    const std::string out = scratch.file("out");
    for (const auto& [input, message] : inputs)
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"reflections", input},
                                                   {"reflections", input, "--json"},
                                                   {"report", input},
                                                   {"convert", input, out + ".tvr"},
                                                   {"convert", input, out + ".hkl"},
                                                   {"render", input, "-o", out + ".png"}}) {
            const CliResult r = runCli(args);
            EXPECT_EQ(r.status, 1) << args[0] << " " << input;
            EXPECT_EQ(r.out, "") << args[0] << " " << input;
            EXPECT_EQ(r.err, "tavrel-cli " + args[0] + ": " + message + "\n") << input;
        }
    for (const char* ext : {".tvr", ".hkl", ".png"})
        EXPECT_FALSE(std::filesystem::exists(out + ext)) << ext;
}

// The list that stops at 32,767 reflections is a warning: the command carries on.
TEST(RefusedInput, ATruncatedListIsAWarning) {
    Scratch scratch;
    const std::map<int, std::string> large{{3, "0"},   {4, "60"},   {5, "60"},
                                           {6, "60"},  {11, "16"},  {12, "16"},
                                           {13, "16"}, {14, "0.5"}, {18, "0.5"}};
    const std::string path = scratch.write("large.tvr", ironWith(large));
    const CliResult r = runCli({"reflections", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines(r.out).size(), 32767u);
    EXPECT_TRUE(r.err.starts_with("tavrel-cli reflections: \"" + path +
                                  "\": The list holds at most 32767 reflections"))
        << r.err;
    EXPECT_EQ(lines(r.err).size(), 1u);
}

TEST(SpacegroupCommand, ASymbolThatNamesNoSettingIsAnError) {
    const CliResult r = runCli({"spacegroup", "R3:X"});
    EXPECT_EQ(std::tuple(r.status, r.out, r.err),
              std::tuple(1, "", "tavrel-cli spacegroup: no space group matches 'R3:X'\n"));
}

// Under a locale with a decimal comma (QGuiApplication takes it from LC_ALL) every command writes
// exactly what it writes in the C locale.
TEST(CommandLine, OutputIsTheSameInEveryLocale) {
    Scratch scratch;
    auto outputs = [&](const std::string& tag) {
        std::vector<std::string> texts;
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"reflections", kIron},
                                                   {"reflections", kIron, "--json"},
                                                   {"spacegroup", "P31", "--matrices"}})
            texts.push_back(runCli(args).out);
        const std::string report = runCli({"report", kIron}).out;
        texts.push_back(report.substr(report.find("\r\n"))); // without the date
        for (const char* ext : {".tvr", ".hkl"}) {
            const std::string file = scratch.file(tag + ext);
            EXPECT_EQ(runCli({"convert", kIron, file}).status, 0);
            texts.push_back(readFile(file));
        }
        return texts;
    };
    const std::vector<std::string> plain = outputs("plain");
    const test::CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(outputs("comma"), plain);
    EXPECT_NE(plain[0].find("2.0266"), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
