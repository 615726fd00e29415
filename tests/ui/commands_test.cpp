// The window's commands driven as a user drives them: new, typed fields and simulation, files,
// Escape during a generation, the shared selection, the Samples menu, the Atoms pane, the
// wavelength dialog and the angle calculator.
#include "support/comma_locale.h"
#include "ui/angle_dialog.h"
#include "ui/wavelength_dialog.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

#include <filesystem>

namespace tavrel::test {
namespace {

using app::StatusPanel;
using CommandsTest = WindowTest;

TEST_F(CommandsTest, NewThenTypedFieldsAreWhatTheSimulationReads) {
    action("actionCollapsePanes")->trigger();
    action("actionNew")->trigger();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(in.titleEdit->text(), "Untitled");
    EXPECT_EQ(in.cellEdits[0]->text(), "5");
    EXPECT_EQ(in.spaceGroupList->currentText(), "225: F m 3 m");
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.9361") << "wavelengths stay";
    EXPECT_FALSE(pane("samplePane")->isFolded()) << "New expands the panes";

    // Typed as a user types: a = 4,0 (a comma), the first wavelength Cu K-alpha.
    typeInto(in.cellEdits[0], "4,0");
    typeInto(in.wavelengthEdits[0], "1.5418");
    typeInto(in.titleEdit, "Cubic");
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(model->rowCount(), 34);
    EXPECT_EQ(statusText(StatusPanel::Count), "34 hkl (34 visible)");
    EXPECT_EQ(statusText(StatusPanel::Title), "Cubic");
    EXPECT_EQ(model->index(0, 3).data().toString(), "19.500");
    EXPECT_EQ(model->index(0, 4).data().toString(), "") << "no second wavelength";
    EXPECT_EQ(in.cellEdits[2]->text(), "4.0") << "cubic: c follows a";

    typeInto(in.cellEdits[0], "0");
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(dialogs.errors, std::vector<QString>{"Tavrel/Morwen: Invalid unit cell parameters"});
}

// The dialogs start in the data folder, then where the last file was, in this run or the last;
// a name without extension takes the format of the filter chosen (Open's first shows every
// pattern file), a name with a known extension keeps it whatever the filter.
TEST_F(CommandsTest, SaveAndOpenThroughTheDialogs) {
    runWithFile("actionSave", dataFile("iron"), 0);
    EXPECT_EQ(dialogs.saveRequests[0].folder, c.folders().data);
    EXPECT_EQ(dialogs.saveRequests[0].filters,
              (QStringList{"Tavrel Input File (*.tvr)", "HKL File (*.hkl)",
                           "Crystallographic Information File (*.cif)"}));
    EXPECT_EQ(readFile(dataFile("iron.tvr").toStdString()).substr(0, 31),
              "VELDTRACE INPUT 1.5\r\nIron (Fe)\r");
    runWithFile("actionSave", dataFile("iron"), 1);
    EXPECT_EQ(readFile(dataFile("iron.hkl").toStdString()).substr(0, 35),
              "2.866 2.866 2.866 90 90 90 229\r\n 54");
    runWithFile("actionSave", dataFile("named.hkl"), 0);
    EXPECT_EQ(readFile(dataFile("named.hkl").toStdString()).substr(0, 5), "2.866");
    // A document with atoms is offered the format that keeps them first.
    action("actionSample1")->trigger(); // Si
    runWithFile("actionSave", dataFile("si"), 0);
    EXPECT_EQ(dialogs.saveRequests.back().filters.first(),
              "Crystallographic Information File (*.cif)");
    EXPECT_TRUE(QFileInfo(dataFile("si.cif")).isFile());

    action("actionNew")->trigger();
    runWithFile("actionOpen", dataFile("iron.tvr"));
    EXPECT_EQ(dialogs.openRequests[0].filters.first(), "All pattern files (*.tvr *.hkl *.cif)");
    EXPECT_EQ(dialogs.openRequests[0].filters.size(), 4);
    EXPECT_EQ(model->rowCount(), 54);
    EXPECT_EQ(statusText(StatusPanel::Title), dataFile("iron.tvr"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");
    // The dialog offers the file last opened.
    runWithFile("actionOpen", dataFile("iron.hkl"), 1);
    EXPECT_EQ(dialogs.openRequests[1].presetName, dataFile("iron.tvr"));
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");
    action("actionOpen")->trigger(); // cancelled: nothing changes
    EXPECT_EQ(in.titleEdit->text(), "iron.hkl");

    const QString elsewhere = QString::fromStdString(installation.user.file("patterns"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    runWithFile("actionSave", elsewhere + "/iron.tvr");
    ASSERT_TRUE(QFile::copy(elsewhere + "/iron.tvr", elsewhere + "/iron-copy"));
    runWithFile("actionOpen", elsewhere + "/iron-copy", 1);
    EXPECT_EQ(dialogs.openRequests.back().folder, elsewhere);
    EXPECT_EQ(c.currentFile(), elsewhere + "/iron-copy");
    action("actionSave")->trigger();
    EXPECT_EQ(dialogs.saveRequests.back().folder, elsewhere);
    EXPECT_TRUE(dialogs.errors.empty());

    restart().openInputFile();
    EXPECT_EQ(dialogs.openRequests.back().folder, elsewhere);
}

// The captions say every format a command reads or writes.
TEST_F(CommandsTest, CaptionsNameWhatTheCommandsDo) {
    const std::pair<const char*, QStringList> captions[] = {
        {"actionOpen", {"*.tvr", "*.hkl", "*.cif"}},
        {"actionSave", {"*.tvr", "*.hkl", "*.cif"}},
        {"actionSaveImage", {"*.bmp", "*.png", "*.svg", "*.pdf"}}};
    for (const auto& [name, formats] : captions)
        for (const QString& format : formats)
            EXPECT_TRUE(action(name)->text().contains(format))
                << name << " " << format.toStdString();
}

TEST_F(CommandsTest, FilesThatCannotBeReadOrWritten) {
    auto file = [&](const char* name, const char* text) {
        return QString::fromStdString(installation.program.write(name, text));
    };
    runWithFile("actionOpen", file("old.tvr", "VELDTRACE INPUT 2.0\r\n"));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(dialogs.errors.empty()) << "a wrong header only beeps";
    EXPECT_EQ(model->rowCount(), 54);

    runWithFile("actionOpen", file("short.tvr", "VELDTRACE INPUT 1.5\r\nShort\r\n"));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("ends early"));
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)");

    runWithFile("actionSave", dataFile("missing/x.tvr"));
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains("cannot be written"));
    w.openFile(file("notes.txt", "x"));
    EXPECT_EQ(dialogs.errors.back(), "Tavrel/Morwen: \"" + installation.workFile("notes.txt") +
                                         "\" is neither a .tvr, a .hkl nor a .cif file");
}

TEST_F(CommandsTest, EscapeEndsAGenerationAndNothingElseGetsIn) {
    // Silicon with automatic limits and d-Min 0.5: 9261 loops.
    in.spaceGroupList->setCurrentIndex(226);
    typeInto(in.cellEdits[0], "5.431");
    typeInto(in.dEdits[0], "0.5");
    typeInto(in.dEdits[1], "0");
    typeInto(in.wavelengthEdits[0], "0.7107");
    in.autoLimitsBox->setChecked(true);
    QString loopsShown;
    w.setGenerationPolling(std::chrono::milliseconds(0), [&](int round) {
        if (round == 0) loopsShown = statusText(StatusPanel::Pole);
        if (round != 200) return;
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // Swallowed while generating: a shortcut, a click on a pane's title, a close request.
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QTest::mouseClick(pane("samplePane")->titleStrip(), Qt::LeftButton);
        w.close();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(loopsShown, "of 9260 loops");
    const int partial = model->rowCount();
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, 1224);
    EXPECT_EQ(in.titleEdit->text(), "Iron (Fe)") << "New did not run";
    EXPECT_FALSE(pane("samplePane")->isFolded());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const auto& d = c.simulation().reflections.d;
    EXPECT_TRUE(std::is_sorted(d.rbegin(), d.rend())) << "the partial list is sorted";
    EXPECT_EQ(statusText(StatusPanel::Count), QStringLiteral("%1 hkl (%1 visible)").arg(partial));

    // Without Escape the same generation runs to its end.
    w.setGenerationPolling(std::chrono::milliseconds(50), {});
    action("actionPerformSimulation")->trigger();
    EXPECT_EQ(model->rowCount(), 1224);
}

TEST_F(CommandsTest, ListAndPictureShareTheSelection) {
    const Selection& selection = c.pattern().selection;
    action("actionSelectStrongest")->trigger();
    QItemSelectionModel* rows = list->selectionModel();
    EXPECT_EQ(rows->selectedRows().size(), 12) << "the {110} planes";
    EXPECT_TRUE(selection.isSelected(11));
    EXPECT_FALSE(selection.isSelected(12));
    action("actionUnselectAll")->trigger();
    EXPECT_TRUE(rows->selectedRows().empty());

    const QImage plain = canvas->picture();
    list->selectAll();
    EXPECT_TRUE(selection.isSelected(40));
    EXPECT_NE(canvas->picture(), plain) << "selected lines are highlighted";
    rows->clearSelection();
    EXPECT_FALSE(selection.isSelected(40));
    EXPECT_EQ(canvas->picture(), plain);
}

// The Samples menu lists the cell menu file, a sample fills the fields and simulates, and
// "Edit ..." hands the file to the desktop or names it.
TEST_F(CommandsTest, TheSamplesMenuFillsTheFieldsAndEditOpensItsFile) {
    QStringList entries;
    for (QAction* a : w.menuBar()->findChild<QMenu*>(QStringLiteral("menuSamples"))->actions())
        entries.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries.size(), 2 + 22);
    EXPECT_EQ(entries.mid(0, 3), (QStringList{"Edit ...", "-", "Cu"}));

    const QImage iron = canvas->picture();
    action("actionSample20")->trigger(); // alpha-Pu
    EXPECT_EQ(in.titleEdit->text(), "alpha-Pu");
    EXPECT_EQ(c.simulation().document.title, "alpha-Pu");
    EXPECT_EQ(in.cellEdits[4]->text(), "101.79");
    EXPECT_EQ(in.spaceGroupList->currentIndex(), 10);
    EXPECT_EQ(in.dEdits[1]->text(), "10.963") << "d-Max 0 reads as the longest edge";
    EXPECT_GT(model->rowCount(), 0);
    EXPECT_NE(canvas->picture(), iron);

    const QString cellMenu = installation.workFile("lib/cellmenu.txt");
    action("actionEditSamples")->trigger();
    EXPECT_EQ(dialogs.opened, std::vector<QUrl>{QUrl::fromLocalFile(cellMenu)});
    EXPECT_TRUE(dialogs.errors.empty());
    dialogs.desktopTakes = false;
    action("actionEditSamples")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              "Tavrel/Morwen: No program could be started to edit \"" + cellMenu + "\".");
    // A file where the lib folder should be: nothing to hand to the desktop.
    std::filesystem::remove_all(installation.program.file("lib"));
    installation.program.write("lib", "not a folder");
    action("actionEditSamples")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains("cannot be written")) << dialogs.errors[1].toStdString();
    EXPECT_EQ(dialogs.opened.size(), 2u);
}

// The Atoms pane: the sites of a sample, edits that the document takes or refuses, the
// colouring by intensity, and the sites kept across a restart.
TEST_F(CommandsTest, ASampleBringsItsAtomsAndEditsAreTakenOrRefused) {
    QAction* byIntensity = action("actionColourByIntensity");
    EXPECT_FALSE(byIntensity->isVisible()) << "iron is a lattice without atoms";
    EXPECT_EQ(model->columnCount(), 5);
    action("actionSample1")->trigger(); // Si
    ASSERT_EQ(atoms.table()->rowCount(), 1);
    EXPECT_EQ(atoms.table()->item(0, 1)->text(), "Si");
    EXPECT_TRUE(byIntensity->isVisible() && byIntensity->isChecked());
    ASSERT_EQ(model->columnCount(), 6);
    EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), "I");
    action("actionSample7")->trigger(); // Ga: a sample without atoms leaves none
    EXPECT_EQ(atoms.table()->rowCount(), 0);
    EXPECT_FALSE(byIntensity->isVisible());
    action("actionSample1")->trigger();

    atoms.addButton()->click();
    EXPECT_EQ(c.simulation().atoms.size(), 2u);
    atoms.table()->item(1, 1)->setText(QStringLiteral("Qq"));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("Qq")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(atoms.table()->item(1, 1)->text(), "H")
        << "the table shows the sites the document holds";
    atoms.table()->item(1, 1)->setText(QStringLiteral("O2-"));
    EXPECT_EQ(c.simulation().atoms[1].typeSymbol, "O2-");
    // Numbers as CIF writers write them; anything else is refused naming the cell, which keeps
    // its value.
    const std::tuple<int, const char*, double, bool> numbers[] = {
        {2, "1/4", 0.25, false}, {3, " -2/3", -2.0 / 3, false}, {4, "0,5", 0.5, false},
        {5, "abc", 1, true},     {2, "1/4x", 0.25, true},       {6, "1/0", 0, true},
        {4, "", 0.5, true}};
    for (const auto& [column, text, value, refused] : numbers) {
        const std::size_t errors = dialogs.errors.size();
        const QString before = atoms.table()->item(1, column)->text();
        atoms.table()->item(1, column)->setText(QString::fromUtf8(text));
        const AtomSite& site = c.simulation().atoms[1];
        const std::array<double, 5> values{site.x, site.y, site.z, site.occupancy, site.bIso};
        EXPECT_EQ(values[std::size_t(column - 2)], value) << text;
        ASSERT_EQ(dialogs.errors.size(), errors + refused) << text;
        if (!refused) continue;
        const QString named = QStringLiteral("Atom site A2, %1: \"%2\" is no number")
                                  .arg(atoms.table()->horizontalHeaderItem(column)->text(), text);
        EXPECT_TRUE(dialogs.errors.back().contains(named)) << dialogs.errors.back().toStdString();
        EXPECT_EQ(atoms.table()->item(1, column)->text(), before);
    }
    atoms.table()->selectRow(1);
    atoms.removeButton()->click();
    typeInto(atoms.minIntensityEdit(), QStringLiteral("50"));
    EXPECT_EQ(c.simulation().document.minIntensity, 50.0f);
    atoms.table()->item(0, 6)->setText(QStringLiteral("0.5"));
    const std::vector<AtomSite> sites = c.simulation().atoms;
    ASSERT_EQ(sites.size(), 1u);

    window->close();
    ui::MainWindow& next = restart();
    EXPECT_EQ(controllerOf(next).simulation().atoms, sites);
    EXPECT_EQ(modelOf(next)->columnCount(), 6);
    EXPECT_EQ(part<ui::AtomsPane>(next)->table()->rowCount(), 1);
}

// The next modal dialog is the user's: `play` drives it while it is shown, and its result is
// what the window gets.
template <class Dialog>
void nextDialog(ScriptedDialogs& dialogs, std::function<void(Dialog&)> play) {
    dialogs.modal = [play](QDialog& shown) {
        auto* dialog = dynamic_cast<Dialog*>(&shown);
        EXPECT_NE(dialog, nullptr);
        if (!dialog) return static_cast<int>(QDialog::Rejected);
        dialog->show();
        play(*dialog);
        // Still open (a refused OK) counts as the user closing it with the close control.
        if (dialog->isVisible()) dialog->reject();
        return dialog->result();
    };
}

// OK fills the field of the pressed button (Enter in the entry is OK; every opening starts
// empty on Kα1); Cancel leaves it as it was. A refused element or line is named, its text
// selected for retyping, and the dialog stays for a correction or Escape.
TEST_F(CommandsTest, TheWavelengthDialogFillsTheFieldOfItsButton) {
    const auto pick = [&](std::size_t button, std::function<void(ui::WavelengthDialog&)> play) {
        nextDialog<ui::WavelengthDialog>(dialogs, [play](ui::WavelengthDialog& d) {
            EXPECT_TRUE(d.elementEdit()->text().isEmpty());
            EXPECT_TRUE(d.lineButton(0)->isChecked());
            play(d);
        });
        in.retrieveWavelengthButtons[button]->click();
    };
    pick(0, [](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "cu");
        d.okButton()->click();
    });
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.54061");
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0") << "the other field stays";
    pick(1, [](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "Mo");
        d.lineButton(2)->click();
        QTest::keyClick(d.elementEdit(), Qt::Key_Return);
    });
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0.63231");
    pick(0, [](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "29");
        d.cancelButton()->click();
    });
    pick(0, [](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "Xx");
        d.okButton()->click();
        QTest::keyClick(d.elementEdit(), Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.54061");

    dialogs.errors.clear();
    pick(0, [](ui::WavelengthDialog& d) {
        const std::pair<const char*, int> refused[] = {
            {"Copper", 0}, {"2.5", 0}, {"Li", 1}, {"Np", 0}, {"", 0}};
        for (const auto& [text, line] : refused) {
            d.elementEdit()->setText(QString::fromLatin1(text));
            d.lineButton(static_cast<std::size_t>(line))->click();
            d.okButton()->click();
            EXPECT_TRUE(d.isVisible()) << text;
            EXPECT_EQ(d.elementEdit()->selectedText(), d.elementEdit()->text()) << text;
        }
        typeInto(d.elementEdit(), "Tc");
        d.lineButton(1)->click();
        d.okButton()->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{QString::fromUtf8("Tavrel/Morwen: Unknown element: Copper"),
                                    QString::fromUtf8("Tavrel/Morwen: Unknown element: 2.5"),
                                    QString::fromUtf8("Tavrel/Morwen: Li has no Kα2 line"),
                                    QString::fromUtf8("Tavrel/Morwen: Np has no Kα1 line"),
                                    QString::fromUtf8("Tavrel/Morwen: Unknown element: ")}));
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "0.67934");
}

// The calculator takes the cell the fields hold now, typed but not simulated, and changes
// nothing; each frame reads its own two fields as its own kind of vector: in a hexagonal cell
// the same indices give three different angles.
TEST_F(CommandsTest, AngleCalculatorTakesTheCellOfTheFieldsAndEachFrameItsKind) {
    const CommaLocale comma;
    for (const auto& [field, text] :
         {std::pair(0, "3,2"), std::pair(1, "3.2"), std::pair(2, "5.2"), std::pair(5, "120")})
        typeInto(in.cellEdits[std::size_t(field)], text);
    const PatternDocument before = c.simulation().document;
    nextDialog<ui::AngleCalculatorDialog>(dialogs, [](ui::AngleCalculatorDialog& d) {
        auto angle = [&](AngleKind kind, const char* first, const char* second, bool enter) {
            const auto& f = d.frame(kind);
            typeInto(f.first, first);
            typeInto(f.second, second);
            if (enter)
                QTest::keyClick(f.second, Qt::Key_Return);
            else
                f.calculate->click();
            return f.result->text();
        };
        EXPECT_EQ(angle(AngleKind::DirectionDirection, "1 0 0", "0 1 0", false), "120.0 deg");
        EXPECT_EQ(angle(AngleKind::PlanePlane, "100", "010", true), "60.0 deg");
        EXPECT_EQ(angle(AngleKind::DirectionPlane, "1 0 0", "1 0 0", false), "30.0 deg");
        EXPECT_EQ(angle(AngleKind::DirectionPlane, "1 1 0", "0 0 1", true), "90.0 deg");
        EXPECT_EQ(d.frame(AngleKind::DirectionDirection).result->text(), "120.0 deg")
            << "frames keep their own results";
    });
    action("actionAngleCalculator")->trigger();
    ASSERT_EQ(dialogs.modalTitles, (std::vector<QString>{" Angle Calculator"}));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(c.simulation().document.cell[0], before.cell[0]);
    EXPECT_EQ(c.simulation().document.cell[5], before.cell[5]);
    EXPECT_EQ(in.cellEdits[0]->text(), "3,2");
}

TEST(AngleCalculatorDialog, RefusedInputIsNamedAndLeavesTheResultEmpty) {
    ScriptedDialogs dialogs;
    ui::AngleCalculatorDialog dialog({5, 5, 5, 90, 90, 90}, dialogs);
    // A cell without volume gives no angles, not angles formed with the wrong basis.
    ui::AngleCalculatorDialog flat({0, 5, 5, 90, 90, 90}, dialogs);
    auto calculate = [](ui::AngleCalculatorDialog& d, const char* first, const char* second) {
        const auto& planes = d.frame(AngleKind::PlanePlane);
        typeInto(planes.first, first);
        typeInto(planes.second, second);
        planes.calculate->click();
        return planes.result->text();
    };
    ASSERT_FALSE(calculate(dialog, "1 0 0", "1 1 1").isEmpty());
    EXPECT_TRUE(calculate(dialog, "1 0 0", "1 1").isEmpty()) << "the last result does not stay";
    EXPECT_TRUE(calculate(flat, "1 0 0", "0 1 0").isEmpty());
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{"Invalid input: HKL(2): Please type SPACE between h k l",
                                    "Tavrel/Morwen: Invalid unit cell parameters"}));
}

} // namespace
} // namespace tavrel::test
