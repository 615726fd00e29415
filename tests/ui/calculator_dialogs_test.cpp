// The wavelength dialog and the angle calculator, driven as a user drives them, and the window's
// "?" buttons and "Angle Calculator" entry that open them.
#include "support/comma_locale.h"
#include "ui/angle_dialog.h"
#include "ui/input_panes.h"
#include "ui/wavelength_dialog.h"
#include "window_fixture.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

struct CalculatorWindowTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();

    // The next modal dialog is the user's: `play` drives it while it is shown, and its result is
    // what the window gets.
    template <class Dialog> void nextDialog(std::function<void(Dialog&)> play) {
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
};

TEST(WavelengthDialog, ShowsTheThreeKLinesWithGreekLetters) {
    ScriptedDialogs dialogs;
    ui::WavelengthDialog dialog(dialogs);
    EXPECT_EQ(dialog.windowTitle(), "Characteristic X-ray Wavelength [A]");
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), "Element symbol or Atomic number");
    EXPECT_EQ(dialog.lineButton(0)->text(), QString::fromUtf8("Kα1"));
    EXPECT_EQ(dialog.lineButton(1)->text(), QString::fromUtf8("Kα2"));
    EXPECT_EQ(dialog.lineButton(2)->text(), QString::fromUtf8("Kβ1"));
    EXPECT_TRUE(dialog.lineButton(0)->isChecked());
    EXPECT_TRUE(dialog.elementEdit()->text().isEmpty());
    EXPECT_EQ(dialog.okButton()->text().remove('&'), "OK");
    EXPECT_EQ(dialog.cancelButton()->text().remove('&'), "Cancel");
    dialog.lineButton(2)->click();
    EXPECT_FALSE(dialog.lineButton(0)->isChecked()) << "one line at a time";
    EXPECT_EQ(dialog.selectedLine(), EmissionLine::KBeta1);
}

TEST_F(CalculatorWindowTest, OkFillsTheFieldOfThePressedButton) {
    ASSERT_TRUE(in.retrieveWavelengthButtons[0]->isEnabled());
    EXPECT_EQ(in.retrieveWavelengthButtons[1]->toolTip(), "Retrieve wavelength 2");

    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "cu");
        d.okButton()->click();
    });
    in.retrieveWavelengthButtons[0]->click();
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.54061");
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0") << "the other field stays";
    EXPECT_EQ(w.controller().simulation().fields.wavelength[0], "1.54061");
    EXPECT_FLOAT_EQ(w.controller().simulation().document.wavelength[0], 1.9361f)
        << "the document changes when it is read next";

    // Enter in the entry is OK; the second button fills the second field.
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        EXPECT_TRUE(d.elementEdit()->text().isEmpty()) << "every opening starts empty";
        EXPECT_TRUE(d.lineButton(0)->isChecked());
        QTest::keyClicks(d.elementEdit(), "Mo");
        d.lineButton(2)->click();
        QTest::keyClick(d.elementEdit(), Qt::Key_Return);
    });
    in.retrieveWavelengthButtons[1]->click();
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0.63231");
    EXPECT_EQ(dialogs.modalTitles.size(), 2u);

    w.performSimulation();
    EXPECT_FLOAT_EQ(w.controller().simulation().document.wavelength[0], 1.54061f);
}

TEST_F(CalculatorWindowTest, CancelLeavesTheFieldAsItWas) {
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "29");
        d.cancelButton()->click();
    });
    in.retrieveWavelengthButtons[0]->click();
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.9361");

    // Escape cancels too, also after a refused OK.
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "Xx");
        d.okButton()->click();
        QTest::keyClick(d.elementEdit(), Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    in.retrieveWavelengthButtons[0]->click();
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.9361");
    EXPECT_TRUE(dialogs.errors.size() == 1u);
}

TEST_F(CalculatorWindowTest, ARefusedElementIsNamedAndTheDialogStaysForACorrection) {
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        const std::vector<std::pair<const char*, int>> refused{
            {"Copper", 0}, {"2.5", 0}, {"Li", 1}, {"Np", 0}, {"", 0}};
        for (const auto& [text, line] : refused) {
            d.elementEdit()->setText(QString::fromLatin1(text));
            d.lineButton(static_cast<std::size_t>(line))->click();
            d.okButton()->click();
            EXPECT_TRUE(d.isVisible()) << text;
            EXPECT_EQ(d.elementEdit()->selectedText(), d.elementEdit()->text())
                << "the text is selected for retyping";
        }
        typeInto(d.elementEdit(), "Tc");
        d.lineButton(1)->click();
        d.okButton()->click();
        EXPECT_FALSE(d.isVisible());
    });
    in.retrieveWavelengthButtons[0]->click();
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{QString::fromUtf8("Tavrel/Morwen: Unknown element: Copper"),
                                    QString::fromUtf8("Tavrel/Morwen: Unknown element: 2.5"),
                                    QString::fromUtf8("Tavrel/Morwen: Li has no Kα2 line"),
                                    QString::fromUtf8("Tavrel/Morwen: Np has no Kα1 line"),
                                    QString::fromUtf8("Tavrel/Morwen: Unknown element: ")}));
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "0.67934");
}

TEST(AngleCalculatorDialog, FramesCaptionsAndNote) {
    ScriptedDialogs dialogs;
    ui::AngleCalculatorDialog dialog({5, 5, 5, 90, 90, 90}, dialogs);
    EXPECT_EQ(dialog.windowTitle(), " Angle Calculator");
    const std::array<const char*, 3> captions{"Angle between two (HKL) vectors",
                                              "Angle between two [UVW] vectors",
                                              "Angle between [UVW] - (HKL) vectors"};
    const std::array<QStringList, 3> words{QStringList{"hkl1", "hkl2", "Angle ="},
                                           QStringList{"uvw1", "uvw2", "Angle ="},
                                           QStringList{"uvw", "hkl", "Angle ="}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& frame = dialog.frame(static_cast<AngleKind>(i));
        EXPECT_EQ(frame.box->title(), captions[i]);
        EXPECT_EQ(frame.calculate->text(), "?");
        EXPECT_EQ(frame.calculate->toolTip(), "Calculate Angle");
        QStringList shown;
        for (QLabel* label : frame.box->findChildren<QLabel*>()) shown.append(label->text());
        EXPECT_EQ(shown, words[i]);
        EXPECT_TRUE(frame.first->text().isEmpty());
        EXPECT_TRUE(frame.result->isReadOnly());
    }
    EXPECT_EQ(dialog.noteLabel()->text(), "The correct unit cell parameters are required in order "
                                          "to obtain correct results in the angle calculations.");
}

// Each frame reads its own two fields as its own kind of vector: in a hexagonal cell the same
// indices give three different angles.
TEST(AngleCalculatorDialog, EachFrameComputesItsKindOfAngle) {
    const CommaLocale comma;
    ScriptedDialogs dialogs;
    ui::AngleCalculatorDialog hexagonal({3.2, 3.2, 5.2, 90, 90, 120}, dialogs);
    auto angle = [&](AngleKind kind, const char* first, const char* second, bool enter) {
        const auto& f = hexagonal.frame(kind);
        typeInto(f.first, first);
        typeInto(f.second, second);
        // Enter in a field calculates in its frame, as the frame's "?" does.
        if (enter)
            QTest::keyClick(f.second, Qt::Key_Return);
        else
            f.calculate->click();
        return f.result->text();
    };
    EXPECT_EQ(angle(AngleKind::DirectionDirection, "1 0 0", "0 1 0", false), "120.0 deg");
    EXPECT_EQ(angle(AngleKind::PlanePlane, "100", "010", true), "60.0 deg");
    EXPECT_EQ(angle(AngleKind::DirectionPlane, "1 0 0", "1 0 0", false), "30.0 deg");
    EXPECT_EQ(angle(AngleKind::PlanePlane, "1 0 0", "1 1 0", false), "30.0 deg");
    EXPECT_EQ(angle(AngleKind::DirectionPlane, "1 1 0", "0 0 1", true), "90.0 deg");
    EXPECT_EQ(hexagonal.frame(AngleKind::DirectionDirection).result->text(), "120.0 deg")
        << "frames keep their own results";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(AngleCalculatorDialog, RefusedInputIsNamedAndLeavesTheResultEmpty) {
    ScriptedDialogs dialogs;
    ui::AngleCalculatorDialog dialog({5, 5, 5, 90, 90, 90}, dialogs);
    const auto& planes = dialog.frame(AngleKind::PlanePlane);
    typeInto(planes.first, "1 0 0");
    typeInto(planes.second, "1 1 1");
    planes.calculate->click();
    ASSERT_FALSE(planes.result->text().isEmpty());
    typeInto(planes.second, "1 1");
    planes.calculate->click();
    EXPECT_TRUE(planes.result->text().isEmpty()) << "the last result does not stay";

    const auto& mixed = dialog.frame(AngleKind::DirectionPlane);
    typeInto(mixed.first, "12");
    typeInto(mixed.second, "x");
    mixed.calculate->click(); // stops at the first bad field
    const auto& directions = dialog.frame(AngleKind::DirectionDirection);
    typeInto(directions.first, "1 0 0");
    directions.calculate->click();
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{"Invalid input: HKL(2): Please type SPACE between h k l",
                                    "Invalid input: UVW(1): Please type SPACE between u v w",
                                    "Invalid input: UVW(2): Please type SPACE between u v w"}));
    EXPECT_TRUE(mixed.result->text().isEmpty());
    EXPECT_TRUE(directions.result->text().isEmpty());

    // A cell without volume gives no angles, not angles formed with the wrong basis.
    dialogs.errors.clear();
    ui::AngleCalculatorDialog flat({0, 5, 5, 90, 90, 90}, dialogs);
    const auto& flatPlanes = flat.frame(AngleKind::PlanePlane);
    typeInto(flatPlanes.first, "1 0 0");
    typeInto(flatPlanes.second, "0 1 0");
    flatPlanes.calculate->click();
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{"Tavrel/Morwen: Invalid unit cell parameters"}));
    EXPECT_TRUE(flatPlanes.result->text().isEmpty());
}

TEST(AngleCalculatorDialog, CellFieldsAreReadAsTheDocumentReadsThem) {
    const CommaLocale comma;
    const std::array<double, 6> cell =
        ui::cellOfFields({" 5,431", "5.431 A", "x", "90", "", "1e400"});
    EXPECT_DOUBLE_EQ(cell[0], 5.431);
    EXPECT_DOUBLE_EQ(cell[1], 5.431);
    EXPECT_EQ(cell[2], 0.0);
    EXPECT_EQ(cell[4], 0.0);
    EXPECT_TRUE(std::isinf(cell[5]));
    ScriptedDialogs dialogs;
    ui::AngleCalculatorDialog dialog(cell, dialogs);
    EXPECT_FALSE(dialog.calculator().hasValidCell());
}

TEST_F(CalculatorWindowTest, AngleCalculatorTakesTheCellOfTheFieldsAndChangesNothing) {
    QAction* entry = w.findChild<QAction*>("actionAngleCalculator");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isEnabled());
    // Typed but not simulated: the calculator takes what the fields hold now.
    typeInto(in.cellEdits[0], "3,2");
    typeInto(in.cellEdits[1], "3.2");
    typeInto(in.cellEdits[2], "5.2");
    typeInto(in.cellEdits[5], "120");
    const PatternDocument before = w.controller().simulation().document;
    const std::size_t count = w.controller().simulation().reflections.d.size();

    nextDialog<ui::AngleCalculatorDialog>([](ui::AngleCalculatorDialog& d) {
        EXPECT_DOUBLE_EQ(d.calculator().directMatrix()[2][2], 5.2);
        const auto& f = d.frame(AngleKind::DirectionDirection);
        typeInto(f.first, "100");
        typeInto(f.second, "010");
        f.calculate->click();
        EXPECT_EQ(f.result->text(), "120.0 deg");
        EXPECT_TRUE(d.isVisible()) << "open for further calculations";
        QTest::keyClick(f.first, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible()) << "Escape closes it";
    });
    entry->trigger();
    ASSERT_EQ(dialogs.modalTitles, (std::vector<QString>{" Angle Calculator"}));
    EXPECT_EQ(w.controller().simulation().document.cell[0], before.cell[0]);
    EXPECT_EQ(w.controller().simulation().document.cell[5], before.cell[5]);
    EXPECT_EQ(w.controller().simulation().reflections.d.size(), count);
    EXPECT_EQ(in.cellEdits[0]->text(), "3,2");
}

} // namespace
} // namespace tavrel::test
