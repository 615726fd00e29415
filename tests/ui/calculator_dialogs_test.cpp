// The wavelength dialog and the angle calculator, driven as a user drives them.
#include "support/comma_locale.h"
#include "ui/angle_dialog.h"
#include "ui/input_panes.h"
#include "ui/wavelength_dialog.h"
#include "window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

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

TEST_F(CalculatorWindowTest, OkFillsTheFieldOfThePressedButton) {
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        QTest::keyClicks(d.elementEdit(), "cu");
        d.okButton()->click();
    });
    in.retrieveWavelengthButtons[0]->click();
    EXPECT_EQ(in.wavelengthEdits[0]->text(), "1.54061");
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0") << "the other field stays";

    // Enter in the entry is OK; every opening starts empty on Kα1.
    nextDialog<ui::WavelengthDialog>([](ui::WavelengthDialog& d) {
        EXPECT_TRUE(d.elementEdit()->text().isEmpty());
        EXPECT_TRUE(d.lineButton(0)->isChecked());
        QTest::keyClicks(d.elementEdit(), "Mo");
        d.lineButton(2)->click();
        QTest::keyClick(d.elementEdit(), Qt::Key_Return);
    });
    in.retrieveWavelengthButtons[1]->click();
    EXPECT_EQ(in.wavelengthEdits[1]->text(), "0.63231");
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
    EXPECT_EQ(dialogs.errors.size(), 1u);
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
    EXPECT_EQ(dialogs.errors,
              (std::vector<QString>{"Invalid input: HKL(2): Please type SPACE between h k l"}));

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

TEST_F(CalculatorWindowTest, AngleCalculatorTakesTheCellOfTheFieldsAndChangesNothing) {
    // Typed but not simulated: the calculator takes what the fields hold now.
    typeInto(in.cellEdits[0], "3,2");
    typeInto(in.cellEdits[1], "3.2");
    typeInto(in.cellEdits[2], "5.2");
    typeInto(in.cellEdits[5], "120");
    const PatternDocument before = w.controller().simulation().document;

    nextDialog<ui::AngleCalculatorDialog>([](ui::AngleCalculatorDialog& d) {
        EXPECT_DOUBLE_EQ(d.calculator().directMatrix()[2][2], 5.2);
        const auto& f = d.frame(AngleKind::DirectionDirection);
        typeInto(f.first, "100");
        typeInto(f.second, "010");
        f.calculate->click();
        EXPECT_EQ(f.result->text(), "120.0 deg");
    });
    w.findChild<QAction*>("actionAngleCalculator")->trigger();
    ASSERT_EQ(dialogs.modalTitles, (std::vector<QString>{" Angle Calculator"}));
    EXPECT_EQ(w.controller().simulation().document.cell[0], before.cell[0]);
    EXPECT_EQ(w.controller().simulation().document.cell[5], before.cell[5]);
    EXPECT_EQ(in.cellEdits[0]->text(), "3,2");
}

} // namespace
} // namespace tavrel::test
