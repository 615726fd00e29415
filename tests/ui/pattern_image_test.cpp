// A recorded pattern in the window: opened under the lines, shown as the pane says, indexed
// and refined through the Orient menu, kept with the session and removed. The pattern is made
// by the test with the program's band geometry (silicon at 20 kV on a 40 mm screen at 20 mm).

#include "orientation/euler_angles.h"
#include "render/projection.h"
#include "support/pattern_picture.h"
#include "ui/folding_pane.h"
#include "ui/pattern_image_pane.h"
#include "window_fixture.h"

#include <QListWidget>
#include <QSlider>
#include <QTest>

#include <filesystem>

namespace tavrel::test {
namespace {

using app::StatusPanel;

struct PatternImageTest : WindowTest {
    Mat3d truth;
    QString picture;

    void SetUp() override {
        const std::string tvr = installation.program.write(
            "si_sem.tvr", "VELDTRACE INPUT 1.5\nSilicon 20 kV\n226\n5.431\n5.431\n5.431\n90\n90\n"
                          "90\n1\n\n\n\n20\n0\n0 0 1\n0\n0.9\n0\n40\n40\n20\n");
        runWithFile("actionOpen", QString::fromStdString(tvr));
        ASSERT_TRUE(c.hasReflections());
        truth = orientationFromEulerAngles({30, 40, 50}, c.simulation().document.matrices);
        picture = QString::fromStdString(installation.program.file("si.png"));
        ASSERT_TRUE(savePattern(c.simulation(), truth, picture.toStdString()));
    }
    void openPicture() { runWithFile("actionOpenPatternImage", picture); }
    const PatternUnderlay& underlay() const { return c.patternImage().underlay(); }
    double missedBy() const {
        return fit::misorientationDegrees(c.simulation().orientation, truth,
                                          PatternFit(c.simulation()).setup().symmetry);
    }
};

TEST_F(PatternImageTest, IndexedAndRefinedThroughTheOrientMenu) {
    EXPECT_FALSE(action("actionIndexPattern")->isEnabled()) << "no image yet";
    openPicture();
    ASSERT_TRUE(underlay().loaded());
    EXPECT_FALSE(w.patternImageFoldingPane()->isFolded());
    EXPECT_TRUE(w.patternImagePane().fileLabel()->text().startsWith("si.png"));
    for (const char* name :
         {"actionRefineOrientation", "actionRefineWithCentre", "actionIndexPattern"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;

    // Index runs off the window's thread, which shows it at work; Escape gives nothing.
    const Mat3d before = c.simulation().orientation;
    QString shown;
    w.setGenerationPolling(std::chrono::milliseconds(0), [&](int round) {
        if (round == 1) shown = note(), QTest::keyClick(&w, Qt::Key_Escape);
    });
    action("actionIndexPattern")->trigger();
    EXPECT_TRUE(shown.startsWith("Indexing the pattern")) << shown.toStdString();
    EXPECT_TRUE(note().contains("stopped")) << note().toStdString();
    EXPECT_EQ(c.simulation().orientation, before);
    w.setGenerationPolling(std::chrono::milliseconds(50), {});

    // The dialog offers the solutions, best first; OK takes the first.
    dialogs.modal = [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("indexSolutions"));
        EXPECT_TRUE(list && list->count() >= 1);
        return static_cast<int>(QDialog::Accepted);
    };
    action("actionIndexPattern")->trigger();
    EXPECT_LT(missedBy(), 1.0);
    EXPECT_TRUE(statusText(StatusPanel::Clicked).startsWith("indexed: score"));

    // Refine from 4 to 6 degrees away.
    c.turnByDrag(4, 4);
    ASSERT_GT(missedBy(), 4.0);
    action("actionRefineOrientation")->trigger();
    EXPECT_LT(missedBy(), 0.2);
    EXPECT_TRUE(statusText(StatusPanel::Clicked).startsWith("refined: score"));
    // With the pattern centre and the distance free, a shift of the centre and a small turn
    // nearly stand in for each other: both stay close. The pane shows the fitted detector.
    action("actionRefineWithCentre")->trigger();
    EXPECT_LT(missedBy(), 0.5);
    const Detector d = c.patternImage().detector();
    EXPECT_NEAR(d.centre.x, 0.5, 0.02);
    EXPECT_NEAR(d.centre.y, 0.5, 0.02);
    EXPECT_EQ(w.patternImagePane().filmEdit(2)->text().toStdString(),
              c.simulation().fields.film[2]);
    EXPECT_EQ(d.distance, c.simulation().document.film[2]);
    // The film's caption shows the distance as the field does, the field the orientation found.
    EXPECT_EQ(filmCaption(c.simulation().document.film),
              "40 x 40 D=" + c.simulation().fields.film[2]);
    EXPECT_EQ(c.simulation().fields.orientationType, OrientationType::Euler);
}

TEST_F(PatternImageTest, ThePaneShowsItAndTheSessionKeepsIt) {
    openPicture();
    ui::PatternImagePane& pane = w.patternImagePane();
    pane.opacitySlider()->setValue(35);
    pane.showCorrectedBox()->setChecked(false);
    EXPECT_FLOAT_EQ(underlay().settings.opacity, 0.35f);
    EXPECT_FALSE(underlay().settings.showCorrected);
    pane.centreXEdit()->setText("0,45");
    emit pane.centreXEdit()->editingFinished();
    EXPECT_EQ(c.patternImage().detector().centre, (PatternCentre{0.45, 0.5}));
    // The film is the document's: an edit in either pane shows in the other.
    pane.filmEdit(0)->setText("44");
    emit pane.filmEdit(0)->editingFinished();
    EXPECT_EQ(part<ui::InputPanes>(w)->filmEdits[0]->text(), "44");
    EXPECT_EQ(c.patternImage().detector().filmWidth, 44);
    part<ui::InputPanes>(w)->filmEdits[2]->setText("21");
    EXPECT_EQ(pane.filmEdit(2)->text(), "21");

    // Kept with the session; a file that has gone is a status message, not an error.
    ASSERT_TRUE(c.saveState().ok());
    c.patternImage().remove();
    EXPECT_EQ(c.patternImage().detector().centre, PatternCentre{});
    ASSERT_TRUE(c.restoreState());
    EXPECT_TRUE(underlay().loaded());
    EXPECT_FLOAT_EQ(underlay().settings.opacity, 0.35f);
    EXPECT_EQ(c.patternImage().detector().centre, (PatternCentre{0.45, 0.5}));
    std::filesystem::remove(picture.toStdString());
    ASSERT_TRUE(c.restoreState());
    EXPECT_FALSE(underlay().loaded());
    EXPECT_TRUE(statusText(StatusPanel::Clicked).contains("si.png"));
    EXPECT_TRUE(dialogs.errors.empty());

    // A file that is no picture is refused with a message and changes nothing.
    runWithFile("actionOpenPatternImage",
                QString::fromStdString(installation.program.file("si_sem.tvr")));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_FALSE(underlay().loaded());
    EXPECT_FALSE(action("actionIndexPattern")->isEnabled());
}

} // namespace
} // namespace tavrel::test
