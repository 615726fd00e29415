#include "render/colour_table.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "window_fixture.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

TEST(ColourScheme, TheStripPicksTheSchemeOfTheNearestBand) {
    Installation installation;
    ScriptedDialogs dialogs;
    ui::MainWindow w(installation.options(), dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ui::ColourSchemePane* pane = w.colourSchemePane();
    w.findChild<QAction*>(QStringLiteral("actionColorScheme"))->trigger();
    ASSERT_TRUE(pane->isVisible());
    const ColourTable& colours = w.controller().pattern().colours;
    const QImage grey = w.canvas()->picture();
    const auto clickStrip = [&](int y) {
        QTest::mouseClick(pane->strip(), Qt::LeftButton, {}, QPoint(100, y));
        return colours.schemeIndex;
    };

    EXPECT_EQ(clickStrip(15), 1);
    EXPECT_EQ(colours.colourLUT[100], schemeStripColour(100, 15));
    EXPECT_NE(w.canvas()->picture(), grey) << "redrawn in the new colours";
    EXPECT_EQ(clickStrip(4), 0);
    EXPECT_EQ(clickStrip(10), 0) << "0.5 goes to the even band";
    EXPECT_EQ(w.canvas()->picture(), grey);
    EXPECT_EQ(clickStrip(30), 2);
    EXPECT_EQ(clickStrip(75), kMonochromeScheme) << "below the bands";
}

} // namespace
} // namespace tavrel::test
