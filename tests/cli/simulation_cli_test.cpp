#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrel::cli {
namespace {

const std::string kExamples = TAVREL_EXAMPLES;
const std::string kIron = kExamples + "/iron.tvr";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct Scratch {
    Scratch()
        : dir(std::filesystem::temp_directory_path() /
              ("tavrel-cli-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    std::filesystem::path dir;
};

TEST(ReflectionsCommand, ListsTheIronSample) {
    const CliResult r = runCli({"reflections", kIron});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 54u);
    EXPECT_EQ(l[0], "1 0 -1 2.0266 28.534 -");
    EXPECT_EQ(l[53], "2 2 0 1.0133 72.816 -");
}

TEST(ReflectionsCommand, Json) {
    const CliResult r = runCli({"reflections", kIron, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o["count"].toInt(), 54);
    EXPECT_DOUBLE_EQ(o["dMin"].toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(o["dMax"].toDouble(), 2.026568); // the 4-byte value, not its rounding
    EXPECT_DOUBLE_EQ(o["wavelength1"].toDouble(), 1.9361);
    EXPECT_DOUBLE_EQ(o["wavelength2"].toDouble(), 0.0);
    const QJsonArray list = o["reflections"].toArray();
    ASSERT_EQ(list.size(), 54);
    const QJsonObject first = list[0].toObject();
    EXPECT_DOUBLE_EQ(first["d"].toDouble(), 2.026568);
    EXPECT_NEAR(first["theta1"].toDouble(), 28.534, 5e-4);
    EXPECT_TRUE(first["theta2"].isNull());
    EXPECT_EQ(std::abs(first["h"].toInt()) + std::abs(first["k"].toInt()) +
                  std::abs(first["l"].toInt()),
              2);
}

TEST(ReportCommand, PrintsTheReport) {
    const CliResult r = runCli({"report", kIron});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Tavrel/Morwen Simulation Report (", 0), 0u);
    EXPECT_NE(r.out.find("Annotation  : Iron (Fe)\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("Number of Generated HKL: 54\r\n"), std::string::npos);
}

TEST(ConvertCommand, TvrToHklAndBack) {
    Scratch scratch;
    const std::string hkl = scratch.file("iron.hkl");
    ASSERT_EQ(runCli({"convert", kIron, hkl}).status, 0);
    const CliResult fromHkl = runCli({"reflections", hkl});
    ASSERT_EQ(fromHkl.status, 0) << fromHkl.err;
    // The reflection file keeps the reflections and their order; the wavelength is not in it.
    auto withoutAngles = [](const std::string& text) {
        std::vector<std::string> out;
        for (const std::string& l : lines(text)) out.push_back(l.substr(0, l.find('.') + 5));
        return out;
    };
    EXPECT_EQ(withoutAngles(fromHkl.out), withoutAngles(runCli({"reflections", kIron}).out));

    const std::string tvr = scratch.file("iron.tvr");
    ASSERT_EQ(runCli({"convert", hkl, tvr}).status, 0);
    EXPECT_EQ(lines(runCli({"reflections", tvr}).out).size(), 54u);
}

TEST(SimulationCommands, UnreadableFilesGiveOneLineAndStatusOne) {
    Scratch scratch;
    const std::string bad = scratch.file("bad.tvr");
    std::ofstream(bad) << "NOT A TAVREL FILE\r\n";
    const std::string out = scratch.file("out.hkl");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"reflections", scratch.file("missing.tvr")},
          {"report", bad},
          {"convert", bad, out}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(args[1]), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(SimulationCommands, OtherExtensionsAreBadArguments) {
    EXPECT_EQ(runCli({"reflections", "cell.txt"}).status, 2);
    EXPECT_EQ(runCli({"convert", kIron, "out.png"}).status, 2);
    EXPECT_EQ(runCli({"report"}).status, 2);
}

} // namespace
} // namespace tavrel::cli
