// The colour-scheme pane and the light background, in the real window.

#include "render/colour_table.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "window_fixture.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

struct ColourSchemeTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::ColourSchemePane* pane = w.colourSchemePane();

    void SetUp() override {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_FALSE(pane->isVisible());
        w.findChild<QAction*>(QStringLiteral("actionColorScheme"))->trigger();
        ASSERT_TRUE(pane->isVisible());
    }
    const ColourTable& colours() const { return w.controller().pattern().colours; }
    void clickStrip(int y) { QTest::mouseClick(pane->strip(), Qt::LeftButton, {}, QPoint(100, y)); }
};

TEST_F(ColourSchemeTest, TheStripPicksTheSchemeOfTheNearestBand) {
    const QImage grey = w.canvas()->picture();
    clickStrip(15);
    EXPECT_EQ(colours().schemeIndex, 1);
    EXPECT_EQ(colours().colourLUT[100], schemeStripColour(100, 15));
    EXPECT_NE(w.canvas()->picture(), grey) << "redrawn in the new colours";
    clickStrip(14);
    EXPECT_EQ(colours().schemeIndex, 1);
    clickStrip(4);
    EXPECT_EQ(colours().schemeIndex, 0);
    clickStrip(10);
    EXPECT_EQ(colours().schemeIndex, 0) << "0.5 goes to the even band";
    EXPECT_EQ(w.canvas()->picture(), grey);
    clickStrip(30);
    EXPECT_EQ(colours().schemeIndex, 2);
    clickStrip(75);
    EXPECT_EQ(colours().schemeIndex, kMonochromeScheme) << "below the bands";
    EXPECT_EQ(pane->strip()->toolTip(), "Click to change color scheme");
}

TEST_F(ColourSchemeTest, ColourBoxesResetAndClose) {
    EXPECT_EQ(pane->colourBox(0)->toolTip(), "Click to change color 1");
    EXPECT_EQ(pane->colourBox(1)->toolTip(), "Click to change color 2");
    // Cancelling the chooser changes nothing.
    const QImage before = w.canvas()->picture();
    pane->colourBox(0)->click();
    ASSERT_EQ(dialogs.colourRequests.size(), 1u);
    EXPECT_EQ(dialogs.colourRequests[0], QColor(0, 0, 0));
    EXPECT_EQ(colours().baseColours, (ColourTable{}.baseColours));
    EXPECT_EQ(w.canvas()->picture(), before);

    // The dark background, then the light one while the background is light.
    dialogs.colourAnswers.push_back(QColor(0, 0, 96));
    pane->colourBox(0)->click();
    EXPECT_EQ(colours().baseColours[0], (Rgb{0, 0, 96}));
    EXPECT_EQ(w.canvas()->picture().pixel(2, 2), qRgb(0, 0, 96));
    w.findChild<QAction*>(QStringLiteral("actionToggleBackground"))->trigger();
    EXPECT_EQ(w.canvas()->picture().pixel(2, 2), qRgb(255, 255, 255));
    dialogs.colourAnswers.push_back(QColor(250, 240, 200));
    pane->colourBox(1)->click();
    EXPECT_EQ(dialogs.colourRequests.back(), QColor(255, 255, 255));
    EXPECT_EQ(w.canvas()->picture().pixel(2, 2), qRgb(250, 240, 200));
    dialogs.colourAnswers.push_back(QColor(0, 200, 0));
    pane->colourBox(2)->click();
    EXPECT_EQ(colours().baseColours[2], (Rgb{0, 200, 0}));

    clickStrip(45);
    pane->resetButton()->click();
    EXPECT_EQ(colours().baseColours, (ColourTable{}.baseColours));
    EXPECT_EQ(colours().schemeIndex, 0);
    EXPECT_EQ(w.canvas()->picture().pixel(2, 2), qRgb(255, 255, 255));

    pane->closeButton()->click();
    EXPECT_FALSE(pane->isVisible());
}

TEST_F(ColourSchemeTest, TheColoursSurviveARestart) {
    clickStrip(35);
    dialogs.colourAnswers.push_back(QColor(20, 30, 40));
    pane->colourBox(0)->click();
    dialogs.colourAnswers.push_back(QColor(255, 0, 255));
    pane->colourBox(2)->click();
    const ColourTable chosen = colours();
    const QImage picture = w.canvas()->picture();
    ASSERT_TRUE(w.close());
    window.reset();

    auto again = startWindow(installation, dialogs);
    ASSERT_TRUE(again->startedFromDump());
    const ColourTable& restored = again->controller().pattern().colours;
    EXPECT_EQ(restored.schemeIndex, 3);
    EXPECT_EQ(restored.baseColours, chosen.baseColours);
    EXPECT_EQ(restored.colourLUT, chosen.colourLUT);
    again->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    EXPECT_EQ(again->canvas()->picture(), picture);
}

} // namespace
} // namespace tavrel::test
