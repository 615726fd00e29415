// What a desktop user takes for granted in the window: the keyboard focus and the Tab chain,
// messages when the desktop cannot show a file, the window's size on small and scaled screens,
// folding panes, the title, recent files, dropped files, the wheel, the colour schemes and the
// question before edits are lost.

#include "render/colour_table.h"
#include "ui/colour_scheme_pane.h"
#include "ui/folding_pane.h"
#include "ui/help_menu.h"
#include "ui/help_window.h"
#include "window_fixture.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QWheelEvent>

namespace tavrel::test {
namespace {

using DesktopTest = WindowTest;

TEST_F(DesktopTest, TabLeavesTheListAndTheCanvasKeepsTheKeysAfterEachCommand) {
    show();
    EXPECT_EQ(QApplication::focusWidget(), canvas) << "start-up";
    list->setFocus();
    list->selectRow(3);
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), canvas) << "the list is left for the pattern";
    EXPECT_EQ(list->selectionModel()->selectedRows(), selected) << "Tab selects nothing";

    // A frame in the highlight colour while the canvas has the focus, none without.
    const QColor frame = canvas->palette().color(QPalette::Highlight);
    auto edge = [&] { return canvas->grab().toImage().pixelColor(0, canvas->height() / 2); };
    EXPECT_EQ(edge(), frame);
    QTest::keyClick(canvas, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), canvas);
    EXPECT_NE(edge(), frame);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), canvas) << "the canvas is in the chain both ways";

    // The canvas takes the keys back after a simulation, a sample and a file.
    auto arrowTurns = [&] {
        const std::vector<RotatedPoint> before = points().rows;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        return QApplication::focusWidget() == canvas && points().rows != before;
    };
    EXPECT_TRUE(arrowTurns()) << "after Tab";
    // A click in a field gives the field the focus, and its arrows move the text cursor.
    QTest::mouseClick(in.titleEdit, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), in.titleEdit);
    action("actionPerformSimulation")->trigger();
    EXPECT_TRUE(arrowTurns()) << "simulation";
    in.cellEdits[0]->setFocus();
    action("actionSample3")->trigger();
    EXPECT_TRUE(arrowTurns()) << "sample";
    runWithFile("actionSave", dataFile("x.tvr"));
    in.titleEdit->setFocus();
    runWithFile("actionOpen", dataFile("x.tvr"));
    EXPECT_TRUE(arrowTurns()) << "file";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DesktopTest, ADesktopWithoutAHandlerIsNamedInAMessage) {
    dialogs.desktopTakes = false;
    for (const char* name : {"actionReport", "actionViewDataFolder", "actionViewImageFolder"})
        action(name)->trigger();
    ASSERT_EQ(dialogs.errors.size(), 3u);
    const std::pair<std::size_t, QString> shown[] = {
        {0, QDir::toNativeSeparators(dialogs.opened[0].toLocalFile())},
        {0, "Report.txt"},
        {1, "\"" + c.folders().data + "\""},
        {2, "\"" + c.folders().image + "\""}};
    for (const auto& [i, text] : shown)
        EXPECT_TRUE(dialogs.errors[i].contains(text)) << dialogs.errors[i].toStdString();
    // A desktop that takes them says nothing.
    dialogs.desktopTakes = true;
    action("actionViewDataFolder")->trigger();
    EXPECT_EQ(dialogs.errors.size(), 3u);
}

TEST_F(DesktopTest, TheWindowFitsAScaledScreenWithItsStatusBarAndNeverShrinksBelow600By600) {
    // The layout alone needs less than a 1280 x 1024 screen at scale 2 offers (640 x 512
    // logical pixels, less a panel and the title bar): the control frame scrolls instead.
    const QSize layoutLeast = w.minimumSizeHint();
    EXPECT_LE(layoutLeast.width(), 620);
    EXPECT_LE(layoutLeast.height(), 440);
    show();
    EXPECT_TRUE(w.screen()->availableGeometry().contains(w.frameGeometry()))
        << "opens within the screen";
    EXPECT_EQ(w.size(), QSize(850, 700)) << "the designed size where there is room";
    EXPECT_EQ(w.minimumSize(), layoutLeast.expandedTo(QSize(600, 600)));
    // The status bar's panels may ask for a little more width.
    w.resize(500, 400);
    settle();
    EXPECT_EQ(w.size(), QSize(std::max(600, w.minimumSizeHint().width()), 600));
    EXPECT_LE(w.statusBar()->geometry().bottom(), w.height());
    EXPECT_TRUE(w.statusBar()->isVisible());
    w.resize(700, 300);
    settle();
    EXPECT_EQ(w.size(), QSize(700, 600));
    EXPECT_EQ(canvas->picture().deviceIndependentSize().toSize(), canvas->size());

    // The next start opens where the window was.
    w.move(40, 50);
    w.resize(1000, 760);
    settle();
    window->close();
    ui::MainWindow& next = restart();
    EXPECT_EQ(QRect(next.pos(), next.size()), QRect(40, 50, 1000, 760));
}

// Every cell shows its whole text, and the view holds every column; its header too.
void expectWhole(const QTableView& view) {
    const int grid = view.showGrid() ? 1 : 0;
    const QAbstractItemModel& m = *view.model();
    for (int column = 0; column < m.columnCount(); ++column) {
        const int width = view.columnWidth(column);
        EXPECT_LE(view.horizontalHeader()->sectionSizeHint(column), width) << column;
        for (int row = 0; row < m.rowCount(); ++row)
            EXPECT_LE(view.sizeHintForIndex(m.index(row, column)).width() + grid, width)
                << m.index(row, column).data().toString().toStdString();
    }
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0) << view.objectName().toStdString();
}

// With every pane open, at the window's first and least sizes, the list keeps rows in view and
// no number is cut (magnesium: atoms at thirds, intensities up to 100.0, four indices); the
// control frame takes a share of a wider window.
TEST_F(DesktopTest, TheListKeepsItsRowsAndNoNumberIsCut) {
    show();
    action("actionSample3")->trigger(); // Mg
    ASSERT_EQ(atoms.table()->rowCount(), 1);
    EXPECT_EQ(atoms.table()->item(0, 2)->text(), "1/3");
    for (ui::FoldingPane* p : w.findChildren<ui::FoldingPane*>()) p->setFolded(false);
    QWidget* frame = find("controlFrame");
    for (const QSize size : {QSize(850, 700), QSize(700, 600)}) {
        for (const bool fourIndex : {false, true}) {
            action("actionFourIndex")->setChecked(!fourIndex);
            action("actionFourIndex")->trigger();
            w.resize(size);
            for (int i = 0; i < 4; ++i) settle();
            SCOPED_TRACE(std::to_string(size.width()) + (fourIndex ? " four indices" : ""));
            EXPECT_GE(list->viewport()->height(), ui::ReflectionList::kLeastRowsShown *
                                                      list->verticalHeader()->defaultSectionSize());
            EXPECT_LE(pane("listPane")->geometry().bottom(), frame->height());
            expectWhole(*list);
            expectWhole(*atoms.table());
        }
    }
    w.resize(850, 700);
    settle();
    const int first = frame->width();
    w.resize(1250, 980);
    settle();
    EXPECT_GT(frame->width(), first + 20);
}

TEST_F(DesktopTest, PanesFoldByTheirTitleStrips) {
    show();
    ui::FoldingPane *sample = pane("samplePane"), *simulation = pane("simulationPane"),
                    *listPane = pane("listPane");
    QWidget* frame = find("controlFrame");
    auto pressTitle = [&](ui::FoldingPane* pane) {
        QTest::mouseClick(pane->titleStrip(), Qt::LeftButton);
        settle();
    };
    const int sampleFull = sample->height(), folded = ui::FoldingPane::kStripHeight;
    pressTitle(sample);
    EXPECT_TRUE(sample->isFolded());
    EXPECT_EQ(sample->height(), folded);
    const int listBefore = listPane->height();
    pressTitle(sample);
    EXPECT_EQ(sample->height(), sampleFull);

    // The list's title first collapses the input panes, giving the list their room...
    pressTitle(listPane);
    EXPECT_TRUE(sample->isFolded() && simulation->isFolded());
    EXPECT_FALSE(listPane->isFolded());
    EXPECT_GT(listPane->height(), listBefore);
    EXPECT_EQ(listPane->geometry().bottom() + 1 + 4, frame->height())
        << "the list reaches down to the frame's bottom gap";
    // ...and then folds the list itself, which keeps its height whatever the window's size.
    pressTitle(listPane);
    EXPECT_TRUE(listPane->isFolded());
    w.resize(900, 900);
    settle();
    EXPECT_EQ(listPane->height(), folded);
    EXPECT_TRUE(list->isHidden());

    action("actionExpandPanes")->trigger();
    settle();
    EXPECT_FALSE(sample->isFolded() || simulation->isFolded() || listPane->isFolded());
    EXPECT_EQ(sample->height(), sampleFull);
    action("actionCollapsePanes")->trigger();
    settle();
    EXPECT_TRUE(sample->isFolded());
    EXPECT_FALSE(listPane->isFolded());
}

TEST_F(DesktopTest, ControlsHideTheFrameAndGiveItsRoomToTheCanvas) {
    show();
    const QRect canvasBefore = canvas->geometry();
    QWidget* frame = find("controlFrame");
    const int frameWidth = frame->width();
    action("actionControls")->trigger();
    settle();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(action("actionCollapsePanes")->isEnabled());
    EXPECT_FALSE(action("actionExpandPanes")->isEnabled());
    EXPECT_EQ(canvas->geometry().width(), canvasBefore.width() + frameWidth + 6);
    EXPECT_EQ(canvas->geometry().left(), frame->geometry().left());
    EXPECT_EQ(canvas->picture().deviceIndependentSize().toSize(), canvas->size())
        << "redrawn at the new size";
    action("actionControls")->trigger();
    settle();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(action("actionCollapsePanes")->isEnabled());
    EXPECT_EQ(canvas->geometry(), canvasBefore);
}

TEST_F(DesktopTest, ANewListStartsAtItsTopWithoutTheOldClickOrPole) {
    show();
    // A click names a line; the list is scrolled down.
    for (int y = 1; y < 10 && statusText(app::StatusPanel::Clicked).isEmpty(); ++y)
        QTest::mouseClick(canvas, Qt::LeftButton, {},
                          QPoint(canvas->width() / 2, canvas->height() * y / 10));
    ASSERT_TRUE(statusText(app::StatusPanel::Clicked).startsWith("clicked ("));
    list->scrollToBottom();
    ASSERT_GT(list->verticalScrollBar()->value(), 0);
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
    EXPECT_EQ(statusText(app::StatusPanel::Clicked), "");

    typeInto(in.cellEdits[0], "0");
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_FALSE(statusText(app::StatusPanel::Pole).contains("approx"))
        << statusText(app::StatusPanel::Pole).toStdString();
}

// The caption names the file last opened or saved and marks edits; commands leave a note; the
// picture's commands are grey while there is no picture.
TEST_F(DesktopTest, TheTitleNamesTheFileAndCommandsSayWhatTheyDid) {
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen");
    runWithFile("actionSave", dataFile("iron.tvr"));
    EXPECT_EQ(note(), "Saved iron.tvr");
    EXPECT_EQ(w.windowTitle(), "iron.tvr[*] \u2014 Tavrel/Morwen");
    EXPECT_FALSE(w.isWindowModified());
    action("actionCopy")->trigger();
    EXPECT_EQ(note(), "Pattern copied");
    typeInto(in.titleEdit, "Iron, edited");
    EXPECT_TRUE(w.isWindowModified());
    typeInto(in.titleEdit, "Iron (Fe)");
    EXPECT_FALSE(w.isWindowModified()) << "the fields are the file's again";
    in.autoLimitsBox->setChecked(true);
    EXPECT_TRUE(w.isWindowModified());

    runWithFile("actionOpen", dataFile("iron.tvr"));
    EXPECT_FALSE(w.isWindowModified());
    action("actionSample3")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen") << "a sample is no file";
    runWithFile("actionOpen", dataFile("iron.tvr"));
    const char* const output[] = {"actionCopy", "actionSaveImage", "actionPrint",
                                  "actionPrintDirect"};
    action("actionNew")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen");
    for (const char* name : output) EXPECT_FALSE(action(name)->isEnabled()) << name;
    action("actionPerformSimulation")->trigger();
    for (const char* name : output) EXPECT_TRUE(action(name)->isEnabled()) << name;
}

// The menu shows the recent files, newest first with a key each; the next start shows the
// same; a file that has gone is taken off with a word.
TEST_F(DesktopTest, OpenRecentShowsTheLastFilesAndDropsOneThatHasGone) {
    EXPECT_FALSE(w.menuBar()->findChild<QMenu*>("menuOpenRecent")->isEnabled());
    for (const char* name : {"f0.tvr", "f&1.tvr", "f2.tvr"})
        runWithFile("actionSave", dataFile(name));
    w.openFile(dataFile("f0.tvr")); // as the command line opens it
    EXPECT_EQ(action("actionRecent0")->text(), "&1 " + dataFile("f0.tvr"));
    EXPECT_EQ(action("actionRecent2")->text(), "&3 " + dataFile("f&&1.tvr"));
    EXPECT_EQ(w.findChildren<QAction*>(QRegularExpression("^actionRecent")).size(), 3);

    ui::MainWindow& again = restart();
    ASSERT_TRUE(QFile::remove(dataFile("f2.tvr")));
    test::action(again, "actionRecent1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(dataFile("f2.tvr")));
    EXPECT_EQ(test::action(again, "actionRecent1")->text(), "&2 " + dataFile("f&&1.tvr"));
    test::action(again, "actionRecent1")->trigger();
    EXPECT_EQ(controllerOf(again).currentFile(), dataFile("f&1.tvr"));
    EXPECT_EQ(test::action(again, "actionRecent0")->text(), "&1 " + dataFile("f&&1.tvr"));
}

// Drags `files` over `target` and drops them there, as a file manager does; whether the
// target took the drag.
bool dropFiles(QWidget* target, const QStringList& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files) urls.push_back(QUrl::fromLocalFile(file));
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

TEST_F(DesktopTest, AFileDroppedAnywhereOpensAndNeverBecomesFieldText) {
    for (const char* name : {"iron.tvr", "iron.hkl", "iron.cif"})
        runWithFile("actionSave", dataFile(name));
    action("actionNew")->trigger();
    // On a text field: opened, and the field keeps its text.
    EXPECT_TRUE(dropFiles(in.titleEdit, {dataFile("notes.txt"), dataFile("iron.hkl")}));
    EXPECT_EQ(c.currentFile(), dataFile("iron.hkl"));
    EXPECT_FALSE(in.titleEdit->text().contains("file:"));
    EXPECT_TRUE(dropFiles(canvas, {dataFile("iron.cif")}));
    EXPECT_EQ(c.currentFile(), dataFile("iron.cif"));
    EXPECT_TRUE(dropFiles(list->viewport(), {dataFile("iron.tvr")}));
    EXPECT_EQ(c.currentFile(), dataFile("iron.tvr"));
    EXPECT_EQ(action("actionRecent0")->text(), "&1 " + dataFile("iron.tvr"));

    // Other files are refused everywhere, a text field included.
    const QString before = in.cellEdits[0]->text();
    EXPECT_FALSE(dropFiles(in.cellEdits[0], {dataFile("notes.txt")}));
    EXPECT_FALSE(dropFiles(canvas, {dataFile("picture.bmp")}));
    EXPECT_EQ(in.cellEdits[0]->text(), before);
    EXPECT_EQ(c.currentFile(), dataFile("iron.tvr"));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DesktopTest, EditsOfANamedFileAreNotLostWithoutAQuestion) {
    // No file behind the fields: nothing to ask.
    typeInto(in.titleEdit, "Scratch");
    action("actionNew")->trigger();
    EXPECT_TRUE(dialogs.saveQuestions.empty());

    const QString iron = dataFile("iron.tvr");
    auto fileText = [&] { return QString::fromStdString(readFile(iron.toStdString())); };
    action("actionSample3")->trigger();
    runWithFile("actionSave", iron);
    const QString saved = fileText();

    // Cancel: New does nothing.
    typeInto(in.titleEdit, "Edited once");
    dialogs.saveAnswers = {ui::SaveAnswer::Cancel};
    action("actionNew")->trigger();
    ASSERT_EQ(dialogs.saveQuestions.size(), 1u);
    EXPECT_EQ(dialogs.saveQuestions[0], "Save changes to \"iron.tvr\"?");
    EXPECT_EQ(in.titleEdit->text(), "Edited once");
    EXPECT_EQ(c.currentFile(), iron);

    // Save: the edits go into the file before Open asks for another.
    dialogs.saveAnswers = {ui::SaveAnswer::Save};
    action("actionOpen")->trigger();
    EXPECT_EQ(dialogs.saveQuestions.size(), 2u);
    EXPECT_TRUE(fileText().contains("Edited once"));
    EXPECT_FALSE(w.isWindowModified());

    // Discard: the sample replaces the edits and the file stays as saved.
    typeInto(in.titleEdit, "Edited twice");
    dialogs.saveAnswers = {ui::SaveAnswer::Discard};
    action("actionSample3")->trigger();
    EXPECT_EQ(dialogs.saveQuestions.size(), 3u);
    EXPECT_TRUE(fileText().contains("Edited once"));
    EXPECT_NE(in.titleEdit->text(), "Edited twice");
    EXPECT_NE(saved, fileText());

    // Quit: Cancel keeps the window; Discard closes it, and the next start shows the edits all
    // the same, from the state dump.
    w.openFile(iron);
    typeInto(in.titleEdit, "Edited thrice");
    dialogs.saveAnswers = {ui::SaveAnswer::Cancel, ui::SaveAnswer::Discard};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dialogs.saveQuestions.size(), 5u);
    EXPECT_TRUE(fileText().contains("Edited once"));
    EXPECT_EQ(part<ui::InputPanes>(restart())->titleEdit->text(), "Edited thrice");
    EXPECT_TRUE(dialogs.errors.empty());
}

// A notch of the wheel (120 units) zooms; with Ctrl it turns the crystal instead.
TEST_F(DesktopTest, TheWheelZoomsAndCtrlWheelTurns) {
    auto turnWheel = [&](int units, Qt::KeyboardModifiers modifiers = {}) {
        const QPointF at(canvas->width() * 0.8, canvas->height() * 0.3);
        QWheelEvent event(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, units), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &event);
    };
    const float first = c.pattern().view.patternScale;
    const QString orientation = statusText(app::StatusPanel::Orientation);
    turnWheel(-120);
    EXPECT_FLOAT_EQ(c.pattern().view.patternScale, first / 1.1f) << "a notch towards the user";
    EXPECT_EQ(statusText(app::StatusPanel::Orientation), orientation);
    turnWheel(120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(c.pattern().view.patternScale, first / 1.1f);
    EXPECT_NE(statusText(app::StatusPanel::Orientation), orientation);
    EXPECT_EQ(undoStack.undoText(), "Turn");
}

TEST_F(DesktopTest, TheHelpWindowFitsTheScreenAndClosesWithItsKeys) {
    show();
    ui::HelpMenu& helpMenu = *part<ui::HelpMenu>(w);
    helpMenu.showContents();
    QWidget* help = helpMenu.helpWindow();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(w.screen()->availableGeometry().contains(help->geometry()));
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Escape), Qt::ControlModifier | Qt::Key_W}) {
        helpMenu.showContents();
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, key.key(), key.keyboardModifiers());
        EXPECT_FALSE(help->isVisible());
    }
}

// The pane frames the scheme in use; a click on the strip picks the nearest band's scheme (below
// the bands, black and white) and redraws; a colour box takes the chooser's colour; Escape
// closes the pane.
TEST_F(DesktopTest, TheColourPanePicksSchemesAndColours) {
    show();
    c.view().selectColourScheme(2);
    action("actionColorScheme")->trigger();
    auto* schemes = find<ui::ColourSchemePane>("colourSchemePane");
    ASSERT_TRUE(schemes->isVisible());
    EXPECT_EQ(schemes->strip()->shownScheme(), 2);
    const ColourTable& colours = c.pattern().colours;
    const QImage framed = schemes->strip()->grab().toImage();
    const auto clickStrip = [&](int y) {
        QTest::mouseClick(schemes->strip(), Qt::LeftButton, {}, QPoint(100, y));
        return colours.schemeIndex;
    };
    EXPECT_EQ(clickStrip(4), 0);
    const QImage grey = canvas->picture();
    EXPECT_EQ(clickStrip(15), 1);
    EXPECT_EQ(colours.colourLUT[100], schemeStripColour(100, 15));
    EXPECT_NE(canvas->picture(), grey) << "redrawn in the new colours";
    EXPECT_EQ(clickStrip(10), 0) << "0.5 goes to the even band";
    EXPECT_EQ(canvas->picture(), grey);
    EXPECT_EQ(clickStrip(30), 2);
    EXPECT_EQ(clickStrip(75), kMonochromeScheme) << "below the bands";
    EXPECT_EQ(schemes->strip()->shownScheme(), kMonochromeScheme);
    EXPECT_NE(schemes->strip()->grab().toImage(), framed);

    dialogs.colourAnswers = {QColor(10, 20, 30), std::nullopt};
    schemes->colourBox(0)->click();
    schemes->colourBox(0)->click(); // cancelled
    EXPECT_EQ(colours.baseColours[0], (Rgb{10, 20, 30}));
    schemes->resetButton()->click();
    EXPECT_EQ(colours.baseColours, ColourTable{}.baseColours);
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(schemes->isVisible());
}

TEST_F(DesktopTest, TypingANumberOrASymbolOnTheGroupListPicksTheGroup) {
    show();
    QComboBox* list = in.spaceGroupList;
    auto type = [&](const QString& keys) {
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        list->setFocus();
        QTest::keyClicks(list, keys);
        return list->currentIndex() + 1;
    };
    EXPECT_EQ(type("11"), 11);
    EXPECT_EQ(type("Fd-3m"), 227);
    EXPECT_EQ(type("P21/c"), 14);
    EXPECT_EQ(type("225"), 225);
    EXPECT_EQ(c.simulation().fields.spaceGroupIndex, 224) << "taken as a pick";
}

} // namespace
} // namespace tavrel::test
