// Matching recorded patterns on the command line, against patterns the test draws itself with
// the program's band geometry (blurred, on an uneven background, with noise): index finds the
// orientation with no guess, refine from a few degrees away, and neither claims an orientation
// in an image without a pattern.

#include "cli_test_util.h"

#include "orientation/euler_angles.h"
#include "orientation/euler_frames.h"
#include "session/input_files.h"
#include "support/pattern_picture.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <utility>

namespace tavrel::cli {
namespace {

// Silicon in a 20 kV scanning microscope: a 40 x 40 mm screen 20 mm from the crystal.
std::string siliconSem(const Scratch& scratch) {
    return scratch.write("si_sem.tvr", "VELDTRACE INPUT 1.5\nSilicon 20 kV\n226\n5.431\n5.431\n"
                                       "5.431\n90\n90\n90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n40\n"
                                       "40\n20\n");
}

struct Recorded {
    Simulation sim;
    explicit Recorded(const std::string& path) {
        const Result<InputFile> file = readInputFile(path, InputFormat::Tvr, sim.fields);
        EXPECT_TRUE(file && takeInputFile(sim, *file).ok()) << file.problem();
    }
    Mat3d orientation(const EulerAngles& euler) const {
        return orientationFromEulerAngles(euler, sim.document.matrices);
    }
    // The pattern of orientation m as a 240 x 240 grey PNG.
    std::string picture(const Scratch& scratch, const std::string& name, const Mat3d& m) const {
        EXPECT_TRUE(test::savePattern(sim, m, scratch.file(name)));
        return scratch.file(name);
    }
    // Angles in the frame given (the picture frame unless told).
    double missedBy(const QJsonValue& euler, const Mat3d& truth,
                    const OrientationFrame& frame = {}) const {
        const QJsonArray a = euler.toArray();
        const EulerAngles angles{a[0].toDouble(), a[1].toDouble(), a[2].toDouble()};
        return fit::misorientationDegrees(
            orientationFromEulerIn(frame, angles, sim.document.matrices), truth,
            PatternFit(sim).setup().symmetry);
    }
};

QJsonObject jsonOf(const CliResult& r) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

TEST(PatternCommands, IndexAndRefineRecoverTheOrientation) {
    Scratch scratch;
    const std::string tvr = siliconSem(scratch);
    const Recorded si(tvr);
    const Mat3d truth = si.orientation({30, 40, 50});
    const std::string image = si.picture(scratch, "si.png", truth);

    CliResult r = runCli({"index", tvr, "--image", image, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonArray solutions = jsonOf(r)["solutions"].toArray();
    ASSERT_FALSE(solutions.isEmpty());
    const QJsonObject best = solutions[0].toObject();
    // Electrons and an image: the specimen frame of EDAX TSL, tilted by 70 degrees.
    EXPECT_EQ(jsonOf(r)["geometry"].toObject()["frame"].toString(), "specimen");
    EXPECT_LT(si.missedBy(best["euler"], truth, {EulerFrame::Specimen, {70, 0}}), 1.0) << r.out;
    EXPECT_GE(best["bands"].toInt(), 3);
    EXPECT_LT(best["deviation"].toDouble(), 2.0);

    // Of iron and silicon, silicon; the answer names it.
    const std::string iron = scratch.write(
        "fe_sem.tvr", "VELDTRACE INPUT 1.5\nIron 20 kV\n228\n2.8665\n2.8665\n2.8665\n90\n90\n90\n"
                      "1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n40\n40\n20\n");
    r = runCli({"index", iron, tvr, "--image", image, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonOf(r)["phase"].toString(), "Silicon 20 kV") << r.out;

    // Refined from 5 degrees away.
    r = runCli(
        {"refine", tvr, "--image", image, "--euler", "33 44 48", "--frame", "picture", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject refined = jsonOf(r);
    EXPECT_LT(si.missedBy(refined["euler"], truth), 0.2) << r.out;
    EXPECT_GT(refined["moved"].toDouble(), 4.0);

    // The image under the lines fills the film and nothing beyond it; the stereographic
    // projection leaves it out.
    const std::string plain = scratch.file("plain.png"), under = scratch.file("under.png");
    for (const auto& [out, extra] :
         {std::pair{plain, std::vector<std::string>{}},
          std::pair{under, std::vector<std::string>{"--image", image, "--opacity", "1"}}}) {
        std::vector<std::string> args = {
            "render",  tvr,       "-o", out, "--size", "300x300", "--no-film-outline",
            "--euler", "30 40 50"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_EQ(runCli(args).status, 0) << out;
    }
    const QImage withLines(QString::fromStdString(plain)), withImage(QString::fromStdString(under));
    int grey = 0, changedOutside = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            const QRgb a = withLines.pixel(x, y), b = withImage.pixel(x, y);
            const bool onFilm = withImage.rect().adjusted(30, 30, -30, -30).contains(x, y);
            if (onFilm && a == qRgb(0, 0, 0)) grey += qGray(b) > 20;
            // The film fills the picture's middle; its corners stay as drawn.
            if ((x < 3 || x > 296) && (y < 3 || y > 296)) changedOutside += a != b;
        }
    EXPECT_GT(grey, 20000) << "the image shows between the lines";
    EXPECT_EQ(changedOutside, 0);
    EXPECT_EQ(runCli({"render", tvr, "-o", plain, "--pc", "0.5 0.5"}).status, 2);

    // Several images (a folder and a file) on every core, one line each.
    std::filesystem::create_directories(scratch.file("many"));
    si.picture(scratch, "many/a.png", si.orientation({100, 60, 20}));
    // A 16-bit TIFF reads as well as an 8-bit PNG.
    ASSERT_TRUE(QImage(QString::fromStdString(scratch.file("many/a.png")))
                    .convertToFormat(QImage::Format_Grayscale16)
                    .save(QString::fromStdString(scratch.file("many/b.tif"))));
    r = runCli({"index", tvr, "--image", scratch.file("many"), "--image", image});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 3u) << r.out;
    EXPECT_EQ(lines(r.out)[2].rfind(image + ": \u03c61 \u03a6 \u03c62 (specimen): ", 0), 0u)
        << r.out;
    // The two pictures of one orientation give one orientation.
    EXPECT_EQ(lines(r.out)[0].substr(lines(r.out)[0].find(':')),
              lines(r.out)[1].substr(lines(r.out)[1].find(':')));
}

// Images without a pattern give no orientation, each with its message, in a batch as alone.
TEST(PatternCommands, NoOrientationInAnImageWithoutAPattern) {
    Scratch scratch;
    const std::string tvr = siliconSem(scratch);
    const std::string blank = scratch.file("blank.png"), noise = scratch.file("noise.png");
    QImage flat(200, 200, QImage::Format_Grayscale8);
    flat.fill(128);
    ASSERT_TRUE(flat.save(QString::fromStdString(blank)));
    ASSERT_TRUE(test::saveGrey(test::noiseImage(200, 200, 7), noise));
    CliResult r = runCli({"index", tvr, "--image", blank, "--image", noise});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(lines(r.out).size(), 2u) << r.out;
    for (const std::string& line : lines(r.out))
        EXPECT_NE(line.find(": No orientation found"), std::string::npos) << line;
    r = runCli({"refine", tvr, "--image", noise, "--euler", "1 2 3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No orientation found"), std::string::npos) << r.err;

    // A file that is no picture, and bad command lines.
    r = runCli({"index", tvr, "--image", tvr});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a picture"), std::string::npos) << r.err;
    EXPECT_EQ(runCli({"index", tvr}).status, 2);
    EXPECT_EQ(runCli({"index", tvr, "--image", tvr, "--pc", "0.5"}).status, 2);
    EXPECT_EQ(runCli({"refine", tvr, "--image", tvr, "--euler", "1 2"}).status, 2);
}

// The background options and what index refuses: --json prints one object even when nothing
// is found; an image in other proportions than the film, a background of another size and an
// unknown mode are refused, naming what does not fit.
TEST(PatternCommands, BackgroundOptionsAndRefusals) {
    Scratch scratch;
    const std::string tvr = siliconSem(scratch);
    const Recorded si(tvr);
    const std::string image = si.picture(scratch, "si.png", si.orientation({30, 40, 50}));
    const std::string noise = scratch.file("noise.png"), wide = scratch.file("wide.png");
    const std::string flat = scratch.file("flat.png");
    QImage grey(240, 240, QImage::Format_Grayscale8);
    grey.fill(128);
    ASSERT_TRUE(grey.save(QString::fromStdString(flat)));
    ASSERT_TRUE(test::saveGrey(test::noiseImage(240, 240, 7), noise));
    ASSERT_TRUE(test::saveGrey(test::noiseImage(240, 180, 7), wide));
    struct Case {
        std::vector<std::string> extra;
        int status;
        std::string message; // in the error output
    } cases[] = {
        {{"--image", image, "--static-background", flat, "--dynamic-background", "divide"}, 0, ""},
        {{"--image", image, "--static-background", "mean"}, 1, "needs several images"},
        {{"--image", noise, "--json"}, 1, "No orientation found"},
        {{"--image", wide}, 1, "240 x 180 pixels, not in the proportions of the 40 x 40 mm film"},
        {{"--image", image, "--static-background", wide}, 1, "the static background 240 x 180"},
        {{"--image", image, "--dynamic-background", "blur"}, 2, "divide, subtract or none"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"index", tvr};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, c.status) << c.extra[1] << " " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.extra.back() == "--json") {
            EXPECT_TRUE(jsonOf(r)["solutions"].toArray().isEmpty()) << r.out;
            EXPECT_NE(jsonOf(r)["problem"].toString().toStdString().find(c.message),
                      std::string::npos)
                << r.out;
        }
    }
    // In a batch too: the image in other proportions is refused, the other one indexed.
    const CliResult batch = runCli({"index", tvr, "--image", image, "--image", wide});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.out.find("'" + wide +
                             "' is 240 x 180 pixels, not in the proportions of the 40 "
                             "x 40 mm film"),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find(image + ": "), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
