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
        ++number;
        const auto it = replaced.find(number);
        out += (it != replaced.end() ? it->second : line.substr(0, line.find('\r'))) + "\r\n";
    }
    return out;
}

// Input that cannot be simulated stops every command that loads it: one line on stderr with the
// command's name and the reason, exit status 1, nothing on stdout and no file written.
TEST(RefusedInput, StopsEveryCommandWithItsName) {
    const std::pair<std::map<int, std::string>, std::string> cases[] = {
        {{{3, "165"}, {4, "5"}, {5, "5"}, {6, "5"}, {7, "150"}, {8, "150"}, {9, "150"}},
         "Invalid unit cell parameters"},
        {{{4, "-1"}}, "Invalid unit cell parameters"},
        {{{14, "1e39"}}, "Wavelength 1 is not a usable number: 1e39"},
        {{{21, "1e300"}}, "Film Height is not a usable number: 1e300"},
        {{{11, "16384"}}, "The hkl limits must not exceed 16383."}};
    const std::pair<std::string, std::string> hklCases[] = {
        {"1e39 4 4 90 90 90 225\r\n1\r\n   1   1   1\r\n",
         "cannot be loaded: Lattice constant a is not a usable number: 1e39"}};
    Scratch scratch;
    std::vector<std::pair<std::string, std::string>> inputs;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        inputs.emplace_back(
            scratch.write("refused" + std::to_string(i) + ".tvr", ironWith(cases[i].first)),
            cases[i].second);
    for (std::size_t i = 0; i < std::size(hklCases); ++i) {
        const std::string path =
            scratch.write("refused" + std::to_string(i) + ".hkl", hklCases[i].first);
        // A file the reader refuses is named in the message.
        inputs.emplace_back(path, "\"" + path + "\" " + hklCases[i].second);
    }
    const std::string out = scratch.file("out");
    for (const auto& [input, message] : inputs) {
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
    }
    for (const char* ext : {".tvr", ".hkl", ".png"})
        EXPECT_FALSE(std::filesystem::exists(out + ext)) << ext;
}

// The list that stops at 32,767 reflections is a warning: the command carries on.
TEST(RefusedInput, ATruncatedListIsAWarning) {
    Scratch scratch;
    const std::string large = scratch.write("large.tvr", ironWith({{3, "0"},
                                                                   {4, "60"},
                                                                   {5, "60"},
                                                                   {6, "60"},
                                                                   {11, "16"},
                                                                   {12, "16"},
                                                                   {13, "16"},
                                                                   {14, "0.5"},
                                                                   {18, "0.5"}}));
    const CliResult r = runCli({"reflections", large});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines(r.out).size(), 32767u);
    EXPECT_EQ(r.err.rfind("tavrel-cli reflections: The list holds at most 32767 reflections", 0),
              0u)
        << r.err;
    EXPECT_EQ(lines(r.err).size(), 1u);
}

TEST(SpacegroupCommand, SymbolsThatNameNoSettingAreErrors) {
    for (const std::string& symbol :
         {std::string(), std::string("999"), std::string("231"), std::string("0"),
          std::string("xyz"), std::string("R3:X"), std::string(1000, 'P'), std::string("nan")}) {
        const CliResult r = runCli({"spacegroup", symbol});
        EXPECT_EQ(r.status, 1) << symbol;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tavrel-cli spacegroup: no space group matches '" + symbol + "'\n");
    }
    for (const char* symbol : {"P21/c", "Fm-3m", "227:2", "P 21/c", "R-3m:H", "P21/n", "14"})
        EXPECT_EQ(runCli({"spacegroup", symbol}).status, 0) << symbol;
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
