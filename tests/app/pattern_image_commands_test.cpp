// The recorded nickel pattern pattern_1.png (60 x 60 pixels, as the detector wrote it) matched
// through the window's commands: the background correction changes what matching reads and a
// static background of another size is refused, as is an image on a film of other proportions; of
// nickel and iron, nickel is chosen whichever is the document; the settings survive a restart, a
// static background that went does not stop it.

#include "app/controller.h"
#include "fit/rotation_math.h"
#include "orientation/euler_frames.h"
#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrel::app {
namespace {

const std::string kFolder = std::string(TAVREL_TEST_DATA) + "/ebsd/ni-60px/";
// Nickel and iron at 20 kV on a film 60 mm square, 30 mm from the specimen.
constexpr const char* kNickel = "VELDTRACE INPUT 1.5\nNickel\n224\n3.5236\n3.5236\n3.5236\n90\n90\n"
                                "90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n60\n60\n30\n";
constexpr const char* kIron = "VELDTRACE INPUT 1.5\nIron\n228\n2.8665\n2.8665\n2.8665\n90\n90\n"
                              "90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n60\n60\n30\n";

struct PatternImageCommandsTest : ::testing::Test {
    test::TempDir dir;
    SimulationController c{folders()};
    std::string nickel = dir.write("ni.tvr", kNickel), iron = dir.write("fe.tvr", kIron);

    Folders folders() const {
        const QString d = QString::fromStdString(dir.path());
        return {d, d, d, d};
    }
    void open(const std::string& crystal) {
        ASSERT_TRUE(c.openFile(QString::fromStdString(crystal), InputFormat::Tvr));
        ASSERT_TRUE(c.patternImage().open(QString::fromStdString(kFolder + "pattern_1.png")));
        DetectorSetup setup = c.simulation().detector;
        setup.convention = CentreConvention::Bruker;
        ASSERT_TRUE(
            c.patternImage().setDetector(setup, CentreCoordinates{0.42415, 0.21014, 0.50104}));
    }
    // How far an answer lies from the reference orientation, up to nickel's symmetry.
    double missedBy(const IndexAnswer& a) const {
        const Mat3d truth =
            orientationFromEulerIn({EulerFrame::Specimen, {}}, {291.81, 61.731, 181.071}, a.cell);
        return fit::misorientationDegrees(a.found.fit.orientation, truth,
                                          PatternFit(c.simulation()).setup().symmetry);
    }
};

TEST_F(PatternImageCommandsTest, TheBackgroundCorrectionIsWhatMatchingReads) {
    open(nickel);
    PatternImageCommands& image = c.patternImage();
    double score = 0;
    for (const std::string& background : {std::string(), kFolder + "static_background.png"}) {
        ASSERT_TRUE(image.setBackground(background, fit::DynamicCorrection::Divide));
        const auto found = image.index();
        ASSERT_TRUE(found) << found.problem();
        EXPECT_LT(missedBy(found->front()), 1.0) << background;
        EXPECT_NE(found->front().found.fit.score, score) << "prepared again";
        score = found->front().found.fit.score;
    }
    // A picture of another size, or none, is refused naming it; the correction stays.
    const std::string small = dir.file("small.png");
    ASSERT_TRUE(QImage(30, 30, QImage::Format_Grayscale8).save(QString::fromStdString(small)));
    for (const std::string& wrong : {small, dir.file("missing.png")}) {
        const Outcome refused = image.setBackground(wrong, fit::DynamicCorrection::None);
        ASSERT_FALSE(refused);
        EXPECT_NE(refused.problem().find(wrong), std::string::npos) << refused.problem();
        EXPECT_EQ(image.underlay().settings.staticBackground, kFolder + "static_background.png");
        EXPECT_EQ(image.underlay().settings.dynamic, fit::DynamicCorrection::Divide);
    }
    EXPECT_EQ(image.index()->front().found.fit.score, score);

    // On a film of other proportions than the image both are refused, naming both.
    c.setFieldText(TextField::Film, 0, QStringLiteral("80"));
    for (const std::string& problem : {image.index().problem(), image.refine(false).problem()})
        EXPECT_NE(problem.find("is 60 x 60 pixels, not in the proportions of the 80 x 60 mm film"),
                  std::string::npos)
            << problem;
}

TEST_F(PatternImageCommandsTest, NickelIsChosenOverIronAndTheSettingsSurviveARestart) {
    open(iron);
    PatternImageCommands& image = c.patternImage();
    EXPECT_FALSE(image.addPhase(kFolder + "pattern_1.png")) << "a picture is no crystal";
    ASSERT_TRUE(image.addPhase(nickel));
    const auto found = image.index();
    ASSERT_TRUE(found) << found.problem();
    EXPECT_EQ(found->front().phase, 1u);
    EXPECT_EQ(found->front().phaseName, "Nickel");
    EXPECT_EQ(found->front().path, nickel);
    EXPECT_LT(missedBy(found->front()), 1.0);

    // The dump keeps the correction and the phases; a static background gone at the next start
    // is a note, and the pattern comes back without it.
    const std::string background = dir.file("background.png");
    std::filesystem::copy_file(kFolder + "static_background.png", background);
    ASSERT_TRUE(image.setBackground(background, fit::DynamicCorrection::Subtract));
    ASSERT_TRUE(c.saveState());
    std::filesystem::remove(background);
    ASSERT_TRUE(c.restoreState());
    EXPECT_TRUE(image.underlay().loaded());
    EXPECT_EQ(image.underlay().settings.dynamic, fit::DynamicCorrection::Subtract);
    EXPECT_EQ(image.underlay().settings.phases, std::vector<std::string>{nickel});
    EXPECT_TRUE(image.underlay().settings.staticBackground.empty());
    EXPECT_TRUE(c.statusText(StatusPanel::Clicked).contains("background.png"));
}

} // namespace
} // namespace tavrel::app
