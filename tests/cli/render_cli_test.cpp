#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tavrel::cli {
namespace {

const std::string kIron = std::string(TAVREL_EXAMPLES) + "/iron.tvr";

struct Scratch {
    Scratch()
        : dir(std::filesystem::temp_directory_path() /
              ("tavrel-render-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    std::filesystem::path dir;
};

std::string head(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    return s.substr(0, static_cast<std::size_t>(in.gcount()));
}

TEST(RenderCommand, WritesEveryFormatAndPrintsTheStatus) {
    Scratch scratch;
    for (const char* ext : {".png", ".bmp", ".svg", ".pdf"}) {
        const std::string out = scratch.file(std::string("iron") + ext);
        const CliResult r = runCli({"render", kIron, "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "54 hkl (54 visible)\napprox. (0 0 2)\n");
        ASSERT_TRUE(std::filesystem::exists(out)) << out;
    }
    const QImage png(QString::fromStdString(scratch.file("iron.png")));
    EXPECT_EQ(png.size(), QSize(850, 620));
    // Cone lines cross the middle row of the picture on the black background.
    int lit = 0;
    for (int x = 30; x < png.width() - 30; ++x)
        if ((png.pixel(x, 310) & 0xffffff) != 0) ++lit;
    EXPECT_GT(lit, 0);
    EXPECT_EQ(png.pixel(5, 310) & 0xffffff, 0u);
    EXPECT_EQ(QImage(QString::fromStdString(scratch.file("iron.bmp"))).size(), QSize(850, 620));
    EXPECT_EQ(head(scratch.file("iron.pdf"), 4), "%PDF");
    EXPECT_NE(head(scratch.file("iron.svg"), 400).find("<svg"), std::string::npos);
}

TEST(RenderCommand, ViewOptions) {
    Scratch scratch;
    const std::string out = scratch.file("v.png");
    CliResult r =
        runCli({"render",          kIron,     "-o",       out,       "--size",      "400x300",
                "--stereographic", "--rings", "--labels", "--light", "--scheme",    "3",
                "--orient",        "1 1 0",   "--rotate", "1:30",    "--rotate",    "2:-5",
                "--select",        "1 1 0",   "--select", "2 0 0",   "--threshold", "1.2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "54 hkl (18 visible)");
    const QImage light(QString::fromStdString(out));
    EXPECT_EQ(light.size(), QSize(400, 300));
    EXPECT_EQ(light.pixel(1, 1), qRgb(255, 255, 255));

    r = runCli({"render", kIron, "-o", out, "--points", "--uvw", "--no-film-outline"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "54 hkl (0 visible)");
}

TEST(RenderCommand, BadArgumentsAndUnreadableFiles) {
    Scratch scratch;
    const std::string out = scratch.file("x.png");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"render", kIron},
          {"render", kIron, "-o", scratch.file("x.gif")},
          {"render", kIron, "-o", out, "--size", "big"},
          {"render", kIron, "-o", out, "--scheme", "9"},
          {"render", kIron, "-o", out, "--rotate", "4:10"},
          {"render", kIron, "-o", out, "--orient", "10 1"},
          {"render", kIron, "-o", out, "--select", "7 7 7"}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find("usage: "), std::string::npos);
    }
    const CliResult missing = runCli({"render", scratch.file("none.tvr"), "-o", out});
    EXPECT_EQ(missing.status, 1);
    const CliResult folder = runCli({"render", kIron, "-o", scratch.file("no/such/x.png")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace tavrel::cli
