// The orientation on the command line: described, tilted onto a zone axis, drawn from Euler
// angles, and drawn for a whole list of orientations.

#include "cli_test_util.h"
#include "orientation/euler_angles.h"

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>

namespace tavrel::cli {
namespace {

const std::string kSilicon = std::string(TAVREL_EXAMPLES) + "/silicon.tvr";

QJsonObject jsonOf(const std::string& out) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

QJsonValue at(const QJsonObject& o, const char* outer, const char* inner) {
    return o.value(QLatin1String(outer)).toObject().value(QLatin1String(inner));
}

std::array<double, 3> numbers(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    return {a[0].toDouble(), a[1].toDouble(), a[2].toDouble()};
}

TEST(OrientationCommand, EulerAnglesMatrixAxesAndZoneAxes) {
    QJsonObject o = jsonOf(outputOf({"orientation", kSilicon, "--euler", "30 40 50", "--json"}));
    const std::array<double, 3> euler = numbers(o["euler"]);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(euler[i], 30 + 10.0 * double(i), 1e-9);
    const Mat3d g = eulerMatrix({30, 40, 50});
    for (std::size_t i = 0; i < 3; ++i) {
        const std::array<double, 3> row = numbers(o["matrix"].toArray()[int(i)]);
        for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(row[j], g[i][j], 1e-8) << i << j;
    }

    // A typed direction lies along Z, exactly, and is the nearest zone axis.
    o = jsonOf(outputOf({"orientation", kSilicon, "--orient", "0 1 1", "--uvw", "--json"}));
    const std::array<double, 3> z = numbers(at(o, "z", "uvw"));
    EXPECT_EQ(z, (std::array<double, 3>{0, 1, 1}));
    EXPECT_TRUE(at(o, "z", "exact").toBool());
    const QJsonObject nearest = o["zoneAxes"].toArray()[0].toObject();
    EXPECT_EQ(numbers(nearest["uvw"]), (std::array<double, 3>{0, 1, 1}));
    EXPECT_EQ(nearest["angle"].toDouble(), 0);
    EXPECT_LE(o["zoneAxes"].toArray().last()["angle"].toDouble(), 15); // those within 15 degrees

    // The text says the same; a turn away from the axis makes Z only near it.
    const std::string text =
        outputOf({"orientation", kSilicon, "--orient", "0 1 1", "--uvw", "--rotate", "2:2"});
    EXPECT_TRUE(text.starts_with("Euler angles (\u03c61 \u03a6 \u03c62): ")) << text;
    EXPECT_NE(text.find("Zone axes within 15\u00b0: [0 1 1] 2.0\u00b0, "), std::string::npos)
        << text;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"orientation", kSilicon, "--euler", "1 2"},
          {"orientation", kSilicon, "--euler", "1 2 nan"},
          {"orientation", kSilicon, "--euler", "1 2 3", "--orient", "1 0 0"},
          {"orientation", kSilicon, "--euler", "1 2 3", "--uvw"},
          {"tilt", kSilicon},
          {"tilt", kSilicon, "--to", "0 0 0"}})
        EXPECT_EQ(runCli(bad).status, 2) << bad[2];
}

// The tilts themselves are checked where they are computed; here their two forms of output.
TEST(TiltCommand, PrintsTheTiltsAsTextOrJson) {
    const QJsonObject tilts = jsonOf(
        outputOf({"tilt", kSilicon, "--orient", "0 0 1", "--uvw", "--to", "1 1 0", "--json"}));
    EXPECT_NEAR(std::max(std::fabs(tilts["alpha"].toDouble()), std::fabs(tilts["beta"].toDouble())),
                90, 1e-4);
    EXPECT_FALSE(tilts["opposite"].toBool());
    EXPECT_TRUE(outputOf({"tilt", kSilicon, "--to", "1 1 1"}).starts_with("alpha "));
}

TEST(RenderCommand, EulerAnglesZoneAxesAndOrientationLists) {
    Scratch scratch;
    const std::string plain = scratch.file("plain.png"), marked = scratch.file("marked.png");
    outputOf({"render", kSilicon, "-o", plain, "--euler", "10 20 30"});
    outputOf({"render", kSilicon, "-o", marked, "--euler", "10 20 30", "--zone-axes",
              "--zone-axis-index", "2"});
    EXPECT_NE(QImage(QString::fromStdString(plain)), QImage(QString::fromStdString(marked)));
    EXPECT_EQ(runCli({"render", kSilicon, "-o", plain, "--zone-axis-index", "7"}).status, 2);

    const std::string list = scratch.write("list.txt", "# phi1 Phi phi2\n"
                                                       "10 20 30\n"
                                                       "\n"
                                                       "0 0 0\n"
                                                       "1 2 x\n"
                                                       "45, 54.7356, 0\n");
    const CliResult r =
        runCli({"render", kSilicon, "--orientations", list, "-o", scratch.file("si_%03d.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3 pictures written, 1 line skipped\n");
    EXPECT_NE(r.err.find("line 5"), std::string::npos) << r.err;
    for (const char* name : {"si_002.png", "si_004.png", "si_006.png"})
        EXPECT_TRUE(std::filesystem::exists(scratch.file(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(scratch.file("si_005.png")));
    // A picture of the list is the picture of its angles drawn alone.
    EXPECT_EQ(QImage(QString::fromStdString(scratch.file("si_002.png"))),
              QImage(QString::fromStdString(plain)));

    for (const char* name : {"none.png", "two_%d_%d.png", "s_%s.png", "z_%0d.png"})
        EXPECT_EQ(
            runCli({"render", kSilicon, "--orientations", list, "-o", scratch.file(name)}).status,
            2)
            << name;
    EXPECT_EQ(runCli({"render", kSilicon, "--orientations", list, "--euler", "1 2 3", "-o",
                      scratch.file("e_%d.png")})
                  .status,
              2);
}

} // namespace
} // namespace tavrel::cli
