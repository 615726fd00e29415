// What a desktop user takes for granted in the window: the keyboard focus and the Tab chain,
// messages when the desktop cannot show a file, the window's size on small and scaled screens,
// the title, recent files, dropped files, the wheel, undo and the question before edits are lost.

#include "app/reflection_model.h"
#include "render/colour_table.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "ui/help_menu.h"
#include "ui/help_window.h"
#include "ui/input_panes.h"
#include "ui/picture_export.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

struct DesktopTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    ui::CanvasWidget* canvas = w.canvas();

    void show() {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    QAction* action(const char* name) { return test::action(w, name); }
    const PointTable& points() const { return w.controller().simulation().points; }
    QString dataFile(const char* name) const {
        return QString::fromStdString(installation.program.file(std::string("data/") + name));
    }
};

TEST_F(DesktopTest, TabLeavesTheListAndTheCanvasShowsItHasTheFocus) {
    show();
    QTableView* list = w.reflectionView();
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
}

TEST_F(DesktopTest, ArrowKeysTurnTheCrystalAtOnceAfterStartSampleFileAndSimulation) {
    show();
    auto arrowTurns = [&] {
        const std::vector<RotatedPoint> before = points().rows;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        return QApplication::focusWidget() == canvas && points().rows != before;
    };
    EXPECT_TRUE(arrowTurns()) << "start-up";

    // A click in a field gives the field the focus, and its arrows move the text cursor.
    QTest::mouseClick(in.titleEdit, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), in.titleEdit);
    action("actionPerformSimulation")->trigger();
    EXPECT_TRUE(arrowTurns()) << "simulation";

    in.cellEdits[0]->setFocus();
    action("actionSample3")->trigger();
    EXPECT_TRUE(arrowTurns()) << "sample";

    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("x.tvr"), 0});
    action("actionSave")->trigger();
    in.titleEdit->setFocus();
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("x.tvr"), 0});
    action("actionOpen")->trigger();
    EXPECT_TRUE(arrowTurns()) << "file";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DesktopTest, ADesktopWithoutAHandlerIsNamedInAMessage) {
    dialogs.desktopTakes = false;
    action("actionReport")->trigger();
    action("actionViewDataFolder")->trigger();
    action("actionViewImageFolder")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_TRUE(
        dialogs.errors[0].contains(QDir::toNativeSeparators(dialogs.opened[0].toLocalFile())))
        << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains("Report.txt"));
    EXPECT_TRUE(dialogs.errors[1].contains("\"" + w.folders().data + "\""))
        << dialogs.errors[1].toStdString();
    EXPECT_TRUE(dialogs.errors[2].contains("\"" + w.folders().image + "\""))
        << dialogs.errors[2].toStdString();

    // A desktop that takes them says nothing.
    dialogs.desktopTakes = true;
    action("actionViewDataFolder")->trigger();
    EXPECT_EQ(dialogs.errors.size(), 3u);
}

TEST_F(DesktopTest, TheWindowFitsAScaledScreenWithItsStatusBar) {
    // The layout alone needs less than a 1280 x 1024 screen at scale 2 offers (640 x 512
    // logical pixels, less a panel and the title bar): the control frame scrolls instead.
    const QSize layoutLeast = w.minimumSizeHint();
    EXPECT_LE(layoutLeast.width(), 620);
    EXPECT_LE(layoutLeast.height(), 440);
    show();
    const QRect available = w.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(w.frameGeometry())) << "opens within the screen";
    EXPECT_EQ(w.size(), QSize(850, 700)) << "the designed size where there is room";
    EXPECT_EQ(w.minimumSize(), layoutLeast.expandedTo(QSize(600, 600)));
    w.resize(600, 600);
    QCoreApplication::processEvents();
    EXPECT_LE(w.statusBar()->geometry().bottom(), w.height());
    EXPECT_TRUE(w.statusBar()->isVisible());
}

TEST_F(DesktopTest, ANewListStartsAtItsTopWithoutTheOldClickOrPole) {
    show();
    // A click names a line; the list is scrolled down.
    for (int y = 1; y < 10 && w.statusText(app::StatusPanel::Clicked).isEmpty(); ++y)
        QTest::mouseClick(canvas, Qt::LeftButton, {},
                          QPoint(canvas->width() / 2, canvas->height() * y / 10));
    ASSERT_TRUE(w.statusText(app::StatusPanel::Clicked).startsWith("clicked ("));
    QTableView* list = w.reflectionView();
    list->scrollToBottom();
    ASSERT_GT(list->verticalScrollBar()->value(), 0);
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
    EXPECT_EQ(w.statusText(app::StatusPanel::Clicked), "");

    typeInto(in.cellEdits[0], "0");
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_FALSE(w.statusText(app::StatusPanel::Pole).contains("approx"))
        << w.statusText(app::StatusPanel::Pole).toStdString();
}

TEST_F(DesktopTest, CommandsSayWhatTheyDidAndNeedAPicture) {
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action("actionSave")->trigger();
    EXPECT_EQ(w.statusNote(), "Saved iron.tvr");
    action("actionCopy")->trigger();
    EXPECT_EQ(w.statusNote(), "Pattern copied");

    // Nothing to copy, save or print before a simulation: the commands say so by being grey.
    const char* const output[] = {"actionCopy", "actionSaveImage", "actionPrint",
                                  "actionPrintDirect"};
    action("actionNew")->trigger();
    for (const char* name : output) EXPECT_FALSE(action(name)->isEnabled()) << name;
    action("actionPerformSimulation")->trigger();
    for (const char* name : output) EXPECT_TRUE(action(name)->isEnabled()) << name;

    // Tool tips name the key; the View toggles show check marks, not their icons, in the menu.
    EXPECT_EQ(action("actionNew")->toolTip(),
              "New Input Data (" +
                  QKeySequence(QKeySequence::New).toString(QKeySequence::NativeText) + ")");
    EXPECT_EQ(action("actionPerformSimulation")->toolTip(), "Perform Simulation (F5)");
    for (const char* name :
         {"actionStereographic", "actionFilmOutline", "actionRings", "actionLabels"})
        EXPECT_FALSE(action(name)->isIconVisibleInMenu()) << name;
}

TEST_F(DesktopTest, TheTitleNamesTheFileAndMarksEdits) {
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen");
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action("actionSave")->trigger();
    EXPECT_EQ(w.windowTitle(), "iron.tvr[*] \u2014 Tavrel/Morwen");
    EXPECT_FALSE(w.isWindowModified());
    typeInto(in.titleEdit, "Iron, edited");
    EXPECT_TRUE(w.isWindowModified());
    typeInto(in.titleEdit, "Iron (Fe)");
    EXPECT_FALSE(w.isWindowModified()) << "the fields are the file's again";
    in.autoLimitsBox->setChecked(true);
    EXPECT_TRUE(w.isWindowModified());

    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action("actionOpen")->trigger();
    EXPECT_FALSE(w.isWindowModified());
    action("actionSample3")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen") << "a sample is no file";
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action("actionOpen")->trigger();
    action("actionNew")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tavrel/Morwen");
}

TEST_F(DesktopTest, RecentFilesKeepTheLastEightOpenedOrSaved) {
    EXPECT_FALSE(w.menuBar()->findChild<QMenu*>("menuOpenRecent")->isEnabled());
    for (int i = 0; i < 9; ++i) {
        dialogs.fileAnswers.push_back(
            ui::FileChoice{dataFile(QStringLiteral("f%1.tvr").arg(i).toUtf8().constData()), 0});
        action("actionSave")->trigger();
    }
    // Opened again (here from the command line), a file goes back to the top, once.
    w.openFile(dataFile("f3.tvr"));
    EXPECT_EQ(action("actionRecent0")->text(), "&1 " + dataFile("f3.tvr"));
    EXPECT_EQ(action("actionRecent1")->text(), "&2 " + dataFile("f8.tvr"));
    EXPECT_EQ(w.findChild<QAction*>("actionRecent8"), nullptr) << "eight at most";
    EXPECT_EQ(w.findChildren<QAction*>(QRegularExpression("^actionRecent")).size(), 8);

    // The next start lists the same; a file that has gone is taken off with a word.
    window.reset();
    window = startWindow(installation, dialogs);
    ui::MainWindow& again = *window;
    ASSERT_TRUE(QFile::remove(dataFile("f8.tvr")));
    test::action(again, "actionRecent1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(dataFile("f8.tvr")));
    EXPECT_EQ(test::action(again, "actionRecent1")->text(), "&2 " + dataFile("f7.tvr"));
    test::action(again, "actionRecent1")->trigger();
    EXPECT_EQ(again.controller().currentFile(), dataFile("f7.tvr"));
    EXPECT_EQ(test::action(again, "actionRecent0")->text(), "&1 " + dataFile("f7.tvr"));
}

} // namespace
} // namespace tavrel::test

namespace tavrel::test {
namespace {

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
    for (const char* name : {"iron.tvr", "iron.hkl", "iron.cif"}) {
        dialogs.fileAnswers.push_back(ui::FileChoice{dataFile(name), 0});
        action("actionSave")->trigger();
    }
    action("actionNew")->trigger();
    const QString title = in.titleEdit->text();
    // On a text field: opened, and the field keeps its text.
    EXPECT_TRUE(dropFiles(in.titleEdit, {dataFile("notes.txt"), dataFile("iron.hkl")}));
    EXPECT_EQ(w.controller().currentFile(), dataFile("iron.hkl"));
    EXPECT_FALSE(in.titleEdit->text().contains("file:"));
    EXPECT_TRUE(dropFiles(canvas, {dataFile("iron.cif")}));
    EXPECT_EQ(w.controller().currentFile(), dataFile("iron.cif"));
    EXPECT_TRUE(dropFiles(w.reflectionView()->viewport(), {dataFile("iron.tvr")}));
    EXPECT_EQ(w.controller().currentFile(), dataFile("iron.tvr"));
    EXPECT_EQ(action("actionRecent0")->text(), "&1 " + dataFile("iron.tvr"));

    // Other files are refused everywhere, a text field included.
    const QString before = in.cellEdits[0]->text();
    EXPECT_FALSE(dropFiles(in.cellEdits[0], {dataFile("notes.txt")}));
    EXPECT_FALSE(dropFiles(canvas, {dataFile("picture.bmp")}));
    EXPECT_EQ(in.cellEdits[0]->text(), before);
    EXPECT_EQ(w.controller().currentFile(), dataFile("iron.tvr"));
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
} // namespace tavrel::test

namespace tavrel::test {
namespace {

QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST_F(DesktopTest, EditsOfANamedFileAreNotLostWithoutAQuestion) {
    // No file behind the fields: nothing to ask.
    typeInto(in.titleEdit, "Scratch");
    action("actionNew")->trigger();
    EXPECT_TRUE(dialogs.saveQuestions.empty());

    const QString iron = dataFile("iron.tvr");
    action("actionSample3")->trigger();
    dialogs.fileAnswers.push_back(ui::FileChoice{iron, 0});
    action("actionSave")->trigger();
    const QString saved = fileText(iron);

    // Cancel: New does nothing.
    typeInto(in.titleEdit, "Edited once");
    dialogs.saveAnswers = {ui::SaveAnswer::Cancel};
    action("actionNew")->trigger();
    ASSERT_EQ(dialogs.saveQuestions.size(), 1u);
    EXPECT_EQ(dialogs.saveQuestions[0], "Save changes to \"iron.tvr\"?");
    EXPECT_EQ(in.titleEdit->text(), "Edited once");
    EXPECT_EQ(w.controller().currentFile(), iron);

    // Save: the edits go into the file before Open asks for another.
    dialogs.saveAnswers = {ui::SaveAnswer::Save};
    action("actionOpen")->trigger();
    EXPECT_EQ(dialogs.saveQuestions.size(), 2u);
    EXPECT_TRUE(fileText(iron).contains("Edited once"));
    EXPECT_FALSE(w.isWindowModified());

    // Discard: the sample replaces the edits and the file stays as saved.
    typeInto(in.titleEdit, "Edited twice");
    dialogs.saveAnswers = {ui::SaveAnswer::Discard};
    action("actionSample3")->trigger();
    EXPECT_EQ(dialogs.saveQuestions.size(), 3u);
    EXPECT_TRUE(fileText(iron).contains("Edited once"));
    EXPECT_NE(in.titleEdit->text(), "Edited twice");
    EXPECT_NE(saved, fileText(iron));

    // Quit: Cancel keeps the window; Discard closes it, and the next start shows the edits all
    // the same, from the state dump.
    w.openFile(iron);
    typeInto(in.titleEdit, "Edited thrice");
    dialogs.saveAnswers = {ui::SaveAnswer::Cancel, ui::SaveAnswer::Discard};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dialogs.saveQuestions.size(), 5u);
    EXPECT_TRUE(fileText(iron).contains("Edited once"));
    window.reset();
    window = startWindow(installation, dialogs);
    EXPECT_EQ(window->inputs().titleEdit->text(), "Edited thrice");
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
} // namespace tavrel::test

namespace tavrel::test {
namespace {

void turnWheel(QWidget* target, double notches, Qt::KeyboardModifiers modifiers = {}) {
    const QPointF at(target->width() * 0.8, target->height() * 0.3);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(),
                      QPoint(0, static_cast<int>(notches * 120)), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

TEST_F(DesktopTest, TheWheelZoomsTheGnomonicPatternAndCtrlTurnsIt) {
    const app::SimulationController& c = w.controller();
    auto scale = [&] { return c.pattern().view.patternScale; };
    auto euler = [&] { return w.statusText(app::StatusPanel::Orientation); };
    const float first = scale();
    const QString orientation = euler();
    // A notch zooms as far as a zoom drag of ten units; the crystal stays as it was.
    turnWheel(canvas, 1);
    EXPECT_FLOAT_EQ(scale(), first + 20);
    turnWheel(canvas, -0.5);
    EXPECT_FLOAT_EQ(scale(), first + 10);
    EXPECT_EQ(euler(), orientation);
    turnWheel(canvas, -1000);
    EXPECT_FLOAT_EQ(scale(), 100.0f) << "never below the zoom drag's least scale";

    // Stereographic: the wheel alone does nothing; with Ctrl it turns about the viewing axis,
    // as a turn drag of ten units does.
    action("actionStereographic")->trigger();
    turnWheel(canvas, 3);
    EXPECT_FLOAT_EQ(scale(), 100.0f);
    EXPECT_EQ(euler(), orientation);
    turnWheel(canvas, 1, Qt::ControlModifier);
    EXPECT_NE(euler(), orientation);
    w.controller().turnAboutViewingAxis(-5);
    EXPECT_EQ(euler(), orientation);
}

} // namespace
} // namespace tavrel::test

namespace tavrel::test {
namespace {

TEST_F(DesktopTest, FileDialogsStartWhereTheLastFileWasAndOpenOffersAllPatternFiles) {
    action("actionOpen")->trigger();
    action("actionSave")->trigger();
    EXPECT_EQ(dialogs.openRequests.back().folder, w.folders().data) << "first start";
    EXPECT_EQ(dialogs.saveRequests.back().folder, w.folders().data);
    EXPECT_EQ(dialogs.openRequests.back().filters.first(), "All pattern files (*.tvr *.hkl *.cif)");
    EXPECT_EQ(dialogs.openRequests.back().filters.size(), 4);

    const QString elsewhere = QString::fromStdString(installation.user.file("patterns"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    dialogs.fileAnswers.push_back(ui::FileChoice{elsewhere + "/iron.tvr", 0});
    action("actionSave")->trigger();
    action("actionOpen")->trigger();
    action("actionSave")->trigger();
    EXPECT_EQ(dialogs.openRequests.back().folder, elsewhere);
    EXPECT_EQ(dialogs.saveRequests.back().folder, elsewhere);
    // A name without extension is read in the format of the filter chosen, the first aside.
    ASSERT_TRUE(QFile::copy(elsewhere + "/iron.tvr", elsewhere + "/iron-copy"));
    dialogs.fileAnswers.push_back(ui::FileChoice{elsewhere + "/iron-copy", 1});
    action("actionOpen")->trigger();
    EXPECT_EQ(w.controller().currentFile(), elsewhere + "/iron-copy");
    EXPECT_TRUE(dialogs.errors.empty());

    // The next run starts there too.
    window.reset();
    window = startWindow(installation, dialogs);
    window->openInputFile();
    EXPECT_EQ(dialogs.openRequests.back().folder, elsewhere);
}

TEST_F(DesktopTest, HelpAndColourPaneCloseWithTheirKeys) {
    show();
    w.helpMenu().showContents();
    QWidget* help = w.helpMenu().helpWindow();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(w.screen()->availableGeometry().contains(help->geometry()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    w.helpMenu().showContents();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(help->isVisible());

    // The pane frames the scheme in use, follows a click and closes with Escape.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.controller().selectColourScheme(2);
    action("actionColorScheme")->trigger();
    ui::ColourSchemePane* pane = w.colourSchemePane();
    EXPECT_EQ(pane->strip()->shownScheme(), 2);
    const QImage framed = pane->strip()->grab().toImage();
    QTest::mouseClick(pane->strip(), Qt::LeftButton, {}, QPoint(100, 75));
    EXPECT_EQ(pane->strip()->shownScheme(), kMonochromeScheme);
    EXPECT_NE(pane->strip()->grab().toImage(), framed);
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(pane->isVisible());
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
    EXPECT_EQ(w.controller().simulation().fields.spaceGroupIndex, 224) << "taken as a pick";
}

} // namespace
} // namespace tavrel::test
