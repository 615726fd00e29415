#include "ui/canvas_widget.h"
#include "ui/folding_pane.h"
#include "window_fixture.h"

#include <QAction>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

struct ShownWindow : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;

    void SetUp() override {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    QAction* action(const char* name) { return test::action(w, name); }
    // Lets the layout follow a change, as the event loop would.
    void settle() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    void pressTitle(ui::FoldingPane* pane) {
        QTest::mouseClick(pane->titleStrip(), Qt::LeftButton);
        settle();
    }
};

TEST_F(ShownWindow, PanesFoldByTheirTitleStrips) {
    ui::FoldingPane* sample = w.samplePane();
    ui::FoldingPane* simulation = w.simulationPane();
    ui::FoldingPane* list = w.listPane();
    const int sampleFull = sample->height();

    pressTitle(sample);
    EXPECT_TRUE(sample->isFolded());
    EXPECT_EQ(sample->height(), ui::FoldingPane::kStripHeight);
    const int listBefore = list->height();
    pressTitle(sample);
    EXPECT_EQ(sample->height(), sampleFull);

    // The list's title first collapses the input panes, giving the list their room...
    pressTitle(list);
    EXPECT_TRUE(sample->isFolded());
    EXPECT_TRUE(simulation->isFolded());
    EXPECT_FALSE(list->isFolded());
    EXPECT_GT(list->height(), listBefore);
    EXPECT_EQ(list->geometry().bottom() + 1 + 4, w.controlFrame()->height())
        << "the list reaches down to the frame's bottom gap";
    // ...and then folds the list itself.
    pressTitle(list);
    EXPECT_TRUE(list->isFolded());
    EXPECT_EQ(list->height(), ui::FoldingPane::kStripHeight);

    // A folded list keeps its height whatever the window's size.
    w.resize(900, 900);
    settle();
    EXPECT_EQ(list->height(), ui::FoldingPane::kStripHeight);
    EXPECT_TRUE(w.reflectionView()->isHidden());

    action("actionExpandPanes")->trigger();
    settle();
    EXPECT_FALSE(sample->isFolded());
    EXPECT_FALSE(simulation->isFolded());
    EXPECT_FALSE(list->isFolded());
    EXPECT_EQ(sample->height(), sampleFull);
    action("actionCollapsePanes")->trigger();
    settle();
    EXPECT_TRUE(sample->isFolded());
    EXPECT_FALSE(list->isFolded());
}

TEST_F(ShownWindow, ControlsHideTheFrameAndGiveItsRoomToTheCanvas) {
    const QRect canvasBefore = w.canvas()->geometry();
    const int frameWidth = w.controlFrame()->width();
    QAction* controls = action("actionControls");
    controls->trigger();
    settle();
    EXPECT_FALSE(w.controlFrame()->isVisible());
    EXPECT_FALSE(action("actionCollapsePanes")->isEnabled());
    EXPECT_FALSE(action("actionExpandPanes")->isEnabled());
    const QRect canvasAfter = w.canvas()->geometry();
    EXPECT_EQ(canvasAfter.width(), canvasBefore.width() + frameWidth + 6);
    EXPECT_EQ(canvasAfter.left(), w.controlFrame()->geometry().left());
    EXPECT_EQ(w.canvas()->picture().deviceIndependentSize().toSize(), w.canvas()->size())
        << "redrawn at the new size";
    controls->trigger();
    settle();
    EXPECT_TRUE(w.controlFrame()->isVisible());
    EXPECT_TRUE(action("actionCollapsePanes")->isEnabled());
    EXPECT_EQ(w.canvas()->geometry(), canvasBefore);
}

TEST_F(ShownWindow, NeverSmallerThan600By600WhereTheScreenHasRoom) {
    // The status bar's panels may ask for a little more width.
    const int least = std::max(600, w.minimumSizeHint().width());
    w.resize(500, 400);
    settle();
    EXPECT_EQ(w.size(), QSize(least, 600));
    w.resize(700, 300);
    settle();
    EXPECT_EQ(w.size(), QSize(700, 600));
    // At the least size the panes still fit: nothing overlaps the list's title.
    EXPECT_GE(w.listPane()->geometry().top(), w.simulationPane()->geometry().bottom());
    EXPECT_LE(w.listPane()->geometry().bottom(), w.controlFrame()->height());
    EXPECT_EQ(w.canvas()->picture().deviceIndependentSize().toSize(), w.canvas()->size());
}

} // namespace
} // namespace tavrel::test
