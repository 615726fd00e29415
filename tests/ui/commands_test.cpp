#include "app/reflection_model.h"
#include "support/temp_dir.h"
#include "ui/canvas_widget.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <fstream>

namespace tavrel::test {
namespace {

using app::StatusPanel;

QAction* action(QWidget& window, const char* name) {
    auto* a = window.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

struct WindowTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    QString dataFile(const char* name) const {
        return QString::fromStdString(installation.program.file(std::string("data/") + name));
    }
};

TEST_F(WindowTest, NewThenTypedFieldsAreWhatTheSimulationReads) {
    w.collapsePanes();
    action(w, "actionNew")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 0);
    EXPECT_EQ(in.titleEdit->text(), "Untitled");
    EXPECT_EQ(in.cellEdits[0]->text(), "5");
    EXPECT_EQ(in.limitEdits[2]->text(), "2");
    EXPECT_EQ(in.dEdits[0]->text(), "1.0");
    EXPECT_EQ(in.spaceGroupList->currentText(), "225: F m 3 m");
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.9361") << "wavelengths stay";
    EXPECT_EQ(w.statusText(StatusPanel::Title), "Untitled");
    EXPECT_EQ(w.statusText(StatusPanel::Count), "");
    EXPECT_FALSE(w.samplePane()->isFolded()) << "New expands the panes";

    // Typed as a user types: a = 4,0 (a comma), the first wavelength Cu K-alpha.
    typeInto(in.cellEdits[0], "4,0");
    typeInto(in.wavelengthEdits[0], "1.5418");
    typeInto(in.titleEdit, "Cubic");
    action(w, "actionPerformSimulation")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 34);
    EXPECT_EQ(w.statusText(StatusPanel::Count), "34 hkl (34 visible)");
    EXPECT_EQ(w.statusText(StatusPanel::Title), "Cubic");
    EXPECT_EQ(w.reflectionModel()->index(0, 3).data().toString(), "19.500");
    EXPECT_EQ(in.cellEdits[0]->text(), "4.0") << "normalised text shown";
    EXPECT_EQ(in.cellEdits[2]->text(), "4.0") << "cubic: c follows a";
    EXPECT_EQ(in.dEdits[1]->text(), "20");
}

TEST_F(WindowTest, InvalidCellIsShownAsAnErrorBox) {
    typeInto(in.cellEdits[0], "0");
    action(w, "actionPerformSimulation")->trigger();
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.errors[0], "Tavrel/Morwen: Invalid unit cell parameters");
}

TEST_F(WindowTest, SaveAndOpenBothFormatsThroughTheDialogs) {
    // Save as a pattern input file, chosen by the first filter.
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron"), 0});
    action(w, "actionSave")->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const ui::FileRequest& save = dialogs.saveRequests[0];
    EXPECT_EQ(save.title, "Save File (*.tvr;*.hkl)");
    EXPECT_EQ(save.folder, w.folders().data);
    EXPECT_EQ(save.filters, (QStringList{"Tavrel Input File (*.tvr)", "HKL File (*.hkl)"}));
    EXPECT_TRUE(save.presetName.isEmpty());
    const std::string tvr = readFile(dataFile("iron.tvr").toStdString());
    EXPECT_EQ(tvr.substr(0, 31), "VELDTRACE INPUT 1.5\r\nIron (Fe)\r");

    // The second filter writes a reflection file.
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron"), 1});
    action(w, "actionSave")->trigger();
    const std::string hkl = readFile(dataFile("iron.hkl").toStdString());
    EXPECT_EQ(hkl.substr(0, 35), "2.866 2.866 2.866 90 90 90 229\r\n 54");

    // Open: the dialog starts at the file last saved as input file.
    action(w, "actionNew")->trigger();
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.tvr"), 0});
    action(w, "actionOpen")->trigger();
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].title, "Open Input Data (*.tvr;*.hkl)");
    EXPECT_TRUE(dialogs.openRequests[0].presetName.isEmpty()) << "input.tvr of New does not exist";
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);
    EXPECT_EQ(w.statusText(StatusPanel::Title), dataFile("iron.tvr"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");

    EXPECT_EQ(dialogs.openRequests[0].filters,
              (QStringList{"Tavrel Input File (*.tvr)", "HKL File (*.hkl)",
                           "Crystallographic Information File (*.cif)"}));
    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("iron.hkl"), 1});
    action(w, "actionOpen")->trigger();
    EXPECT_EQ(dialogs.openRequests[1].presetName, dataFile("iron.tvr"));
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");
    EXPECT_EQ(w.statusText(StatusPanel::Title), dataFile("iron.hkl"));
    EXPECT_TRUE(dialogs.errors.empty());

    // A cancelled dialog changes nothing.
    action(w, "actionOpen")->trigger();
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");
}

// A structure from a CIF file, named without its extension, through the third filter; picking
// another group afterwards forgets the file's setting.
TEST_F(WindowTest, OpenReadsAStructureFromACifFile) {
    const QString cif = dataFile("copper");
    std::ofstream(cif.toStdString()) << "data_cu\n_chemical_name_mineral Copper\n"
                                        "_cell_length_a 3.6149\n_cell_length_b 3.6149\n"
                                        "_cell_length_c 3.6149\n_cell_angle_alpha 90\n"
                                        "_cell_angle_beta 90\n_cell_angle_gamma 90\n"
                                        "_space_group_IT_number 225\n";
    dialogs.fileAnswers.push_back(ui::FileChoice{cif, 2});
    action(w, "actionOpen")->trigger();
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    EXPECT_EQ(in.titleEdit->text(), "Copper");
    EXPECT_EQ(in.spaceGroupList->currentIndex(), 224);
    EXPECT_GT(w.reflectionModel()->rowCount(), 0);
    in.spaceGroupList->setCurrentIndex(220);
    EXPECT_FALSE(w.controller().simulation().fields.settingRow.has_value());
}

TEST_F(WindowTest, FilesThatCannotBeReadOrWritten) {
    const std::string wrongHeader =
        installation.program.write("old.tvr", "VELDTRACE INPUT 2.0\r\n");
    dialogs.fileAnswers.push_back(ui::FileChoice{QString::fromStdString(wrongHeader), 0});
    action(w, "actionOpen")->trigger();
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(dialogs.errors.empty()) << "a wrong header only beeps";
    EXPECT_EQ(w.reflectionModel()->rowCount(), 54);

    const std::string shortFile =
        installation.program.write("short.tvr", "VELDTRACE INPUT 1.5\r\nShort\r\n");
    dialogs.fileAnswers.push_back(ui::FileChoice{QString::fromStdString(shortFile), 0});
    action(w, "actionOpen")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("ends early"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");

    dialogs.fileAnswers.push_back(ui::FileChoice{dataFile("missing/x.tvr"), 0});
    action(w, "actionSave")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains("cannot be written"));

    w.openFile(QString::fromStdString(installation.program.write("notes.txt", "x")));
    ASSERT_EQ(dialogs.errors.size(), 3u);
}

TEST_F(WindowTest, FileNamedOnTheCommandLineOpensAsOpenWould) {
    const std::string path = installation.program.write(
        "two.hkl", "4 4 4 90 90 90 225\r\n 2 \r\n   1   1   1\r\n   2   0   0\r\n");
    w.openFile(QString::fromStdString(path));
    EXPECT_EQ(w.reflectionModel()->rowCount(), 2);
    EXPECT_EQ(w.statusText(StatusPanel::Title), QString::fromStdString(path));
    EXPECT_EQ(in.dEdits[0]->text(), "2.0");
}

TEST_F(WindowTest, ReportAndFoldersGoToTheDesktop) {
    action(w, "actionReport")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    const QString report = dialogs.opened[0].toLocalFile();
    EXPECT_EQ(report, QString::fromStdString(installation.program.file("Report.txt")));
    EXPECT_TRUE(readFile(report.toStdString()).find("Number of Generated HKL: 54") !=
                std::string::npos);
    action(w, "actionViewDataFolder")->trigger();
    action(w, "actionViewImageFolder")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 3u);
    EXPECT_EQ(dialogs.opened[1].toLocalFile(), w.folders().data);
    EXPECT_EQ(dialogs.opened[2].toLocalFile(), w.folders().image);
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
    action(w, "actionPerformSimulation")->trigger();
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
    action(w, "actionPerformSimulation")->trigger();
    EXPECT_EQ(w.reflectionModel()->rowCount(), 1224);
}

TEST_F(WindowTest, ListAndPictureShareTheSelection) {
    const Selection& selection = w.controller().pattern().selection;
    action(w, "actionSelectStrongest")->trigger();
    QItemSelectionModel* model = w.reflectionView()->selectionModel();
    EXPECT_EQ(model->selectedRows().size(), 12) << "the {110} planes";
    EXPECT_TRUE(selection.isSelected(11));
    EXPECT_FALSE(selection.isSelected(12));

    action(w, "actionUnselectAll")->trigger();
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

TEST_F(WindowTest, OrientationFieldPresetsAndAutoLimits) {
    const QImage along001 = w.canvas()->picture();
    typeInto(in.orientationEdit, "1 1 1");
    QTest::keyClick(in.orientationEdit, Qt::Key_Return);
    const QImage along111 = w.canvas()->picture();
    EXPECT_NE(along111, along001);
    typeInto(in.orientationEdit, "x");
    in.applyOrientationButton->click();
    EXPECT_EQ(in.orientationEdit->text(), "invalid");
    EXPECT_EQ(w.canvas()->picture(), along111) << "an invalid text turns nothing";

    action(w, "actionOrient5")->trigger(); // a   [100]
    EXPECT_EQ(in.orientationEdit->text(), "1 0 0");
    EXPECT_EQ(in.orientationTypeList->currentText(), "uvw");
    action(w, "actionOrient2")->trigger(); // c*  (001)
    EXPECT_EQ(in.orientationTypeList->currentText(), "hkl");
    EXPECT_EQ(w.canvas()->picture(), along001);

    in.autoLimitsBox->click();
    EXPECT_TRUE(w.controller().simulation().fields.autoLimits);
    EXPECT_EQ(in.autoLimitsBox->text(), "Automatic hkl limits");
    EXPECT_TRUE(in.limitEdits[0]->isHidden());
    in.autoLimitsBox->click();
    EXPECT_EQ(in.autoLimitsBox->text(), "Auto");
    EXPECT_FALSE(in.limitEdits[0]->isHidden());

    // A film field acts at once: a wider film shows more of the pattern outline.
    typeInto(in.filmEdits[0], "60");
    EXPECT_EQ(w.controller().simulation().document.film[0], 60.0f);
    EXPECT_NE(w.canvas()->picture(), along001);
}

TEST_F(WindowTest, ViewTogglesMirrorMenuAndToolbar) {
    QAction* stereo = action(w, "actionStereographic");
    QAction* resetZoom = action(w, "actionResetZoom");
    EXPECT_TRUE(resetZoom->isVisible());
    stereo->trigger();
    EXPECT_TRUE(stereo->isChecked());
    EXPECT_TRUE(w.controller().pattern().view.viewStereographic);
    EXPECT_FALSE(resetZoom->isVisible()) << "no Reset Zoom in the stereographic projection";
    stereo->trigger();
    EXPECT_TRUE(resetZoom->isVisible());
    QAction* outline = action(w, "actionFilmOutline");
    EXPECT_TRUE(outline->isChecked());
    outline->trigger();
    EXPECT_FALSE(w.controller().pattern().view.viewFilmOutline);
}

} // namespace
} // namespace tavrel::test
