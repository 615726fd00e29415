#include "cli/cli_test_util.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavrel::cli {
namespace {

TEST(ReflectionsCommand, TextJsonAndReport) {
    const auto l = lines(outputOf({"reflections", kIron}));
    ASSERT_EQ(l.size(), 54u);
    EXPECT_EQ(l[0], "1 0 -1 2.0266 28.534 -");
    EXPECT_EQ(l[53], "2 2 0 1.0133 72.816 -");

    const QJsonObject o = QJsonDocument::fromJson(
                              QByteArray::fromStdString(outputOf({"reflections", kIron, "--json"})))
                              .object();
    EXPECT_EQ(o["count"].toInt(), 54);
    EXPECT_DOUBLE_EQ(o["dMax"].toDouble(), 2.026568); // the 4-byte value, not its rounding
    EXPECT_DOUBLE_EQ(o["wavelength1"].toDouble(), 1.9361);
    ASSERT_EQ(o["reflections"].toArray().size(), 54);
    const QJsonObject first = o["reflections"].toArray()[0].toObject();
    EXPECT_EQ(QJsonArray({first["h"], first["k"], first["l"]}), QJsonArray({1, 0, -1}));
    EXPECT_DOUBLE_EQ(first["d"].toDouble(), 2.026568);
    EXPECT_NEAR(first["theta1"].toDouble(), 28.534, 5e-4);
    EXPECT_TRUE(first["theta2"].isNull()); // no second wavelength

    const std::string report = outputOf({"report", kIron});
    EXPECT_TRUE(report.starts_with("Tavrel/Morwen Simulation Report ("));
    EXPECT_NE(report.find("Number of Generated HKL: 54\r\n"), std::string::npos);
}

TEST(RenderCommand, WritesEveryFormatAndPrintsTheStatus) {
    Scratch scratch;
    for (const char* ext : {".png", ".bmp", ".svg", ".pdf"})
        EXPECT_EQ(outputOf({"render", kIron, "-o", scratch.file(std::string("i") + ext)}),
                  "54 hkl (54 visible)\napprox. (0 0 2)\n");
    // The extension chooses the format (each is checked where pictures are written).
    EXPECT_EQ(QImage(QString::fromStdString(scratch.file("i.bmp"))).size(), QSize(850, 620));
    EXPECT_EQ(readFile(scratch.file("i.pdf")).substr(0, 5), "%PDF-");

    const std::string view = scratch.file("v.png");
    const CliResult r =
        runCli({"render",          kIron,     "-o",       view,      "--size",      "400x300",
                "--stereographic", "--rings", "--labels", "--light", "--scheme",    "3",
                "--orient",        "1 1 0",   "--rotate", "1:30",    "--rotate",    "2:-5",
                "--select",        "1 1 0",   "--select", "2 0 0",   "--threshold", "1.2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out)[0], "54 hkl (18 visible)");
    EXPECT_EQ(QImage(QString::fromStdString(view)).size(), QSize(400, 300));
    EXPECT_EQ(QImage(QString::fromStdString(view)).pixel(1, 1), qRgb(255, 255, 255));
}

} // namespace
} // namespace tavrel::cli
