#include "ui/canvas_widget.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "window_fixture.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QToolBar>

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
    QAction* action(const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }
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
    EXPECT_EQ(sample->titleStrip()->cursor().shape(), Qt::PointingHandCursor);
    const int sampleFull = sample->height();
    EXPECT_EQ(sampleFull, sample->fullHeight());

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
    EXPECT_TRUE(controls->isChecked());
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

TEST_F(ShownWindow, NeverSmallerThan600By600) {
    w.resize(500, 400);
    settle();
    EXPECT_EQ(w.size(), QSize(600, 600));
    w.resize(700, 300);
    settle();
    EXPECT_EQ(w.size(), QSize(700, 600));
    // At the least size the panes still fit: nothing overlaps the list's title.
    EXPECT_GE(w.listPane()->geometry().top(), w.simulationPane()->geometry().bottom());
    EXPECT_LE(w.listPane()->geometry().bottom(), w.controlFrame()->height());
    EXPECT_EQ(w.canvas()->picture().deviceIndependentSize().toSize(), w.canvas()->size());
}

// Every command of the menus and the toolbar, with its caption and tool tip; the ones of later
// parts are in place but disabled.
TEST_F(ShownWindow, MenusToolbarAndStatusBarAreComplete) {
    struct Entry {
        const char* name;
        const char* caption;
        const char* toolTip; // nullptr: not checked
        bool enabled;
    };
    const std::vector<Entry> entries{
        {"actionNew", "New", "New Input Data", true},
        {"actionOpen", "Open (*.tvr,*.hkl)", "Open Tavrel Input File", true},
        {"actionSave", "Save (*.tvr,*.hkl)", "Save Input Data", true},
        {"actionCopy", "Copy", "Copy to Clipboard", true},
        {"actionPrint", "Print ...", nullptr, true},
        {"actionPrintDirect", "Print", "Print", true},
        {"actionSaveImage", "Save Image (*.bmp)", nullptr, true},
        {"actionViewDataFolder", "View Data Folder", nullptr, true},
        {"actionViewImageFolder", "View Image Folder", nullptr, true},
        {"actionExit", "Exit", nullptr, true},
        {"actionStereographic", "Stereographic Projection", "Stereographic Projection", true},
        {"actionFilmOutline", "Film Outline", "Show Film Outline", true},
        {"actionRings", "Stereographic Rings", "Show 10 deg rings", true},
        {"actionLabels", "HKL Indices", "Show Label", true},
        {"actionReport", "Report", nullptr, true},
        {"actionUnselectAll", "Unselect All", nullptr, true},
        {"actionSelectStrongest", "Select Strongest", nullptr, true},
        {"actionColorScheme", "Color Scheme", nullptr, true},
        {"actionControls", "Controls", nullptr, true},
        {"actionCollapsePanes", "Collapse Panes", nullptr, true},
        {"actionExpandPanes", "Expand Panes", nullptr, true},
        {"actionAngleCalculator", "Angle Calculator", nullptr, true},
        {"actionEditSamples", "Edit ...", nullptr, true},
        {"actionOrient0", "a*  (100)", nullptr, true},
        {"actionOrient3", "d*  (111)", nullptr, true},
        {"actionOrient5", "a   [100]", nullptr, true},
        {"actionOrient8", "d   [111]", nullptr, true},
        {"actionHelpContents", "Contents", nullptr, true},
        {"actionProgramHomepage", "Tavrel/Morwen Homepage", nullptr, true},
        {"actionMakerHomepage", "Quorvex Homepage", nullptr, true},
        {"actionAuthorHomepage", "Author's Homepage", nullptr, true},
        {"actionDonate", "Donate ...", nullptr, true},
        {"actionAbout", "About", nullptr, true},
        {"actionToggleBackground", "Toggle Background Color", "Toggle Background Color", true},
        {"actionPerformSimulation", "Perform Simulation", "Perform Simulation", true},
        {"actionResetZoom", "Reset Zoom", "Reset Zoom", true},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        QAction* a = action(e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), e.caption);
        if (e.toolTip) {
            EXPECT_EQ(a->toolTip(), e.toolTip);
        }
        EXPECT_EQ(a->isEnabled(), e.enabled);
    }
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Option", "&Samples", "&Orient", "&Help"}));
    EXPECT_EQ(action("actionNew")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(action("actionExit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(action("actionPerformSimulation")->shortcut(), QKeySequence(Qt::Key_F5));

    // The toolbar: 12 buttons and two separators, in the order of the table.
    auto* bar = w.findChild<QToolBar*>(QStringLiteral("toolBar"));
    ASSERT_NE(bar, nullptr);
    QStringList order;
    for (QAction* a : bar->actions()) order << (a->isSeparator() ? "-" : a->objectName());
    EXPECT_EQ(order,
              (QStringList{"actionNew", "actionOpen", "actionSave", "actionCopy",
                           "actionPrintDirect", "actionToggleBackground", "actionPerformSimulation",
                           "-", "actionStereographic", "actionFilmOutline", "actionRings",
                           "actionLabels", "-", "actionResetZoom"}));
    for (QAction* a : bar->actions()) EXPECT_TRUE(a->isSeparator() || !a->icon().isNull());

    const std::vector<std::pair<app::StatusPanel, QString>> tips{
        {app::StatusPanel::Count, "Number of calculated hkl"},
        {app::StatusPanel::Pole, "Closest pole found"},
        {app::StatusPanel::Clicked, "Index for Clicked Line "},
        {app::StatusPanel::Title, ""}};
    for (const auto& [panel, tip] : tips) EXPECT_EQ(w.statusPanel(panel)->toolTip(), tip);
    EXPECT_EQ(w.thresholdSlider()->toolTip(), "d-Spacing threshold for line drawing");
    EXPECT_EQ(w.thresholdLabel()->toolTip(), "Click to Reset");
    EXPECT_GT(w.thresholdSlider()->mapTo(&w, QPoint(0, 0)).x(),
              w.canvas()->mapTo(&w, w.canvas()->rect().center()).x())
        << "the slider sits at the top right";
}

TEST_F(ShownWindow, F5PerformsTheSimulation) {
    w.inputs().cellEdits[0]->setText("2.5");
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(w.controller().simulation().document.cell.a(), 2.5f);
}

TEST_F(ShownWindow, ExitClosesAndSavesTheState) {
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
    EXPECT_GT(QFileInfo(installation.workFile("tavrel.dmp")).size(), 0);
}

} // namespace
} // namespace tavrel::test
