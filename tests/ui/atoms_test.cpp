// The Atoms pane: the sites of a sample, edits that the document takes or refuses, the colouring
// by intensity, and the sites kept across a restart.
#include "app/reflection_model.h"
#include "ui/atoms_pane.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace tavrel::test {
namespace {

struct AtomsTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::AtomsPane& atoms = w.atoms();

    void chooseSample(int index) {
        w.findChild<QAction*>(QStringLiteral("actionSample%1").arg(index))->trigger();
    }
    QString cell(int row, int column) const { return atoms.table()->item(row, column)->text(); }
};

TEST_F(AtomsTest, ASampleBringsItsAtomsAndTheListItsIntensities) {
    QAction* byIntensity = action(w, "actionColourByIntensity");
    EXPECT_FALSE(byIntensity->isVisible()) << "iron is a lattice without atoms";
    EXPECT_EQ(w.reflectionModel()->columnCount(), 5);

    chooseSample(1); // Si
    ASSERT_EQ(atoms.table()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), "Si");
    EXPECT_TRUE(byIntensity->isVisible());
    EXPECT_TRUE(byIntensity->isChecked());
    ASSERT_EQ(w.reflectionModel()->columnCount(), 6);
    EXPECT_EQ(w.reflectionModel()->headerData(5, Qt::Horizontal).toString(), "I");

    // A sample of the menu without atoms leaves none.
    chooseSample(7); // Ga
    EXPECT_EQ(atoms.table()->rowCount(), 0);
    EXPECT_FALSE(byIntensity->isVisible());
}

TEST_F(AtomsTest, EditsAreTakenOrRefusedNamingTheElement) {
    chooseSample(1);
    atoms.addButton()->click();
    ASSERT_EQ(atoms.table()->rowCount(), 2);
    EXPECT_EQ(w.controller().simulation().atoms.size(), 2u);

    atoms.table()->item(1, 1)->setText(QStringLiteral("Qq"));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("Qq")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(cell(1, 1), "H") << "the table shows the sites the document holds";

    atoms.table()->item(1, 1)->setText(QStringLiteral("O2-"));
    EXPECT_EQ(w.controller().simulation().atoms[1].typeSymbol, "O2-");
    atoms.table()->selectRow(1);
    atoms.removeButton()->click();
    EXPECT_EQ(w.controller().simulation().atoms.size(), 1u);

    // The minimum intensity greys the rows of the lines it leaves out.
    typeInto(atoms.minIntensityEdit(), QStringLiteral("50"));
    EXPECT_EQ(w.controller().simulation().document.minIntensity, 50.0f);
}

TEST_F(AtomsTest, TheAtomsComeBackAfterARestart) {
    chooseSample(1);
    atoms.table()->item(0, 6)->setText(QStringLiteral("0.5"));
    const std::vector<AtomSite> sites = w.controller().simulation().atoms;
    ASSERT_EQ(sites.size(), 1u);
    window->close();
    const auto next = startWindow(installation, dialogs);
    EXPECT_EQ(next->controller().simulation().atoms, sites);
    EXPECT_EQ(next->reflectionModel()->columnCount(), 6);
    EXPECT_EQ(next->atoms().table()->rowCount(), 1);
}

} // namespace
} // namespace tavrel::test
