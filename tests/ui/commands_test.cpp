#include "app/reflection_model.h"
#include "ui/canvas_widget.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

using app::StatusPanel;

struct WindowTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    QAction* action(const char* name) { return test::action(w, name); }
    QString dataFile(const char* name) const {
        return QString::fromStdString(installation.program.file(std::string("data/") + name));
    }
};

TEST_F(WindowTest, NewThenTypedFieldsAreWhatTheSimulationReads) {
    w.collapsePanes();
    action("actionNew")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 0);
    EXPECT_EQ(in.titleEdit->text(), "Untitled");
    EXPECT_EQ(in.cellEdits[0]->text(), "5");
    EXPECT_EQ(in.spaceGroupList->currentText(), "225: F m 3 m");
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.9361") << "wavelengths stay";
    EXPECT_FALSE(w.samplePane()->isFolded()) << "New expands the panes";

    // Typed as a user types: a = 4,0 (a comma), the first wavelength Cu K-alpha.
    typeInto(in.cellEdits[0], "4,0");
    typeInto(in.wavelengthEdits[0], "1.5418");
    typeInto(in.titleEdit, "Cubic");
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 34);
    EXPECT_EQ(w.statusText(StatusPanel::Count), "34 hkl (34 visible)");
    EXPECT_EQ(w.statusText(StatusPanel::Title), "Cubic");
    EXPECT_EQ(w.reflectionModel()->index(0, 3).data().toString(), "19.500");
    EXPECT_EQ(in.cellEdits[2]->text(), "4.0") << "cubic: c follows a";

    typeInto(in.cellEdits[0], "0");
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "Tavrel/Morwen: Invalid unit cell parameters");
}

TEST_F(WindowTest, SaveAndOpenBothFormatsThroughTheDialogs) {
    // The filter chosen, not the name typed, gives the format.
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron"), 0});
    action("actionSave")->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].folder, w.folders().data);
    EXPECT_EQ(dialogs.saveRequests[0].filters,
              (QStringList{"Tavrel Input File (*.tvr)", "HKL File (*.hkl)",
                           "Crystallographic Information File (*.cif)"}));
    const std::string tvr = readFile(dataFile("iron.tvr").toStdString());
    EXPECT_EQ(tvr.substr(0, 31), "VELDTRACE INPUT 1.5\r\nIron (Fe)\r");
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron"), 1});
    action("actionSave")->trigger();
    const std::string hkl = readFile(dataFile("iron.hkl").toStdString());
    EXPECT_EQ(hkl.substr(0, 35), "2.866 2.866 2.866 90 90 90 229\r\n 54");

    action("actionNew")->trigger();
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action("actionOpen")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);
    EXPECT_EQ(w.statusText(StatusPanel::Title), dataFile("iron.tvr"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");

    // The dialog starts at the file last saved as input file.
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.hkl"), 1});
    action("actionOpen")->trigger();
    EXPECT_EQ(dialogs.openRequests[1].presetName, dataFile("iron.tvr"));
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");
    EXPECT_TRUE(dialogs.errors.empty());

    // A cancelled dialog changes nothing.
    action("actionOpen")->trigger();
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");
}

TEST_F(WindowTest, FilesThatCannotBeReadOrWritten) {
    const std::string wrongHeader =
        installation.program.write("old.tvr", "VELDTRACE INPUT 2.0\r\n");
    dialogs.fileAnswers.push_back(ui::FileChoice{QString::fromStdString(wrongHeader), 0});
    action("actionOpen")->trigger();
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(dialogs.errors.empty()) << "a wrong header only beeps";
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);

    const std::string shortFile =
        installation.program.write("short.tvr", "VELDTRACE INPUT 1.5\r\nShort\r\n");
    dialogs.fileAnswers.push_back(ui::FileChoice{QString::fromStdString(shortFile), 0});
    action("actionOpen")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("ends early"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");

    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("missing/x.tvr"), 0});
    action("actionSave")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains("cannot be written"));

    w.openFile(QString::fromStdString(installation.program.write("notes.txt", "x")));
    EXPECT_EQ(dialogs.errors.size(), 3u);
}

TEST_F(WindowTest, EscapeEndsAGenerationAndNothingElseGetsIn) {
    // Silicon with automatic limits and d-Min 0.5: 9261 loops.
    in.spaceGroupList->setCurrentIndex(226);
    typeInto(in.cellEdits[0], "5.431");
    typeInto(in.dEdits[0], "0.5");
    typeInto(in.dEdits[1], "0");
    typeInto(in.wavelengthEdits[0], "0.7107");
    in.autoLimitsBox->setChecked(true);
    QString loopsShown;
    w.setGenerationPolling(std::chrono::milliseconds(0), [&](int round) {
        if (round == 0) loopsShown = w.statusText(StatusPanel::Pole);
        if (round != 200) return;
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // Swallowed while generating: a shortcut, a click on a pane's title, a close request.
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QTest::mouseClick(w.samplePane()->titleStrip(), Qt::LeftButton);
        w.close();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(loopsShown, "of 9260 loops");
    const int partial = w.reflectionModel()->rowCount();
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, 1224);
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)") << "New did not run";
    EXPECT_FALSE(w.samplePane()->isFolded());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const auto& d = w.controller().simulation().reflections.d;
    EXPECT_TRUE(std::is_sorted(d.rbegin(), d.rend())) << "the partial list is sorted";
    EXPECT_EQ(w.statusText(StatusPanel::Count), QStringLiteral("%1 hkl (%1 visible)").arg(partial));

    // Without Escape the same generation runs to its end.
    w.setGenerationPolling(std::chrono::milliseconds(50), {});
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 1224);
}

TEST_F(WindowTest, ListAndPictureShareTheSelection) {
    const Selection& selection = w.controller().pattern().selection;
    action("actionSelectStrongest")->trigger();
    QItemSelectionModel* model = w.reflectionView()->selectionModel();
    EXPECT_EQ(model->selectedRows().size(), 12) << "the {110} planes";
    EXPECT_TRUE(selection.isSelected(11));
    EXPECT_FALSE(selection.isSelected(12));
    action("actionUnselectAll")->trigger();
    EXPECT_TRUE(model->selectedRows().empty());
    EXPECT_FALSE(selection.isSelected(0));

    const QImage plain = w.canvas()->picture();
    w.reflectionView()->selectAll();
    EXPECT_TRUE(selection.isSelected(40));
    EXPECT_NE(w.canvas()->picture(), plain) << "selected lines are highlighted";
    model->clearSelection();
    EXPECT_FALSE(selection.isSelected(40));
    EXPECT_EQ(w.canvas()->picture(), plain);
}

} // namespace
} // namespace tavrel::test
