// The Samples menu: built from the cell menu file at start-up, applying a sample, "Edit ...".
#include "app/reflection_model.h"
#include "samples/sample_list.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrel::test {
namespace {

using app::StatusPanel;

// The entries of the Samples menu as the user sees them, "-" for the separator.
QStringList menuEntries(ui::MainWindow& w) {
    QStringList entries;
    auto* menu = w.menuBar()->findChild<QMenu*>(QStringLiteral("menuSamples"));
    EXPECT_NE(menu, nullptr);
    if (!menu) return entries;
    for (QAction* action : menu->actions())
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return entries;
}

QAction* sampleAction(ui::MainWindow& w, int index) {
    return w.findChild<QAction*>(QStringLiteral("actionSample%1").arg(index));
}

struct SamplesTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;

    std::string cellMenu() const { return installation.program.file("lib/cellmenu.txt"); }
    void writeCellMenu(const std::string& content) const {
        std::filesystem::create_directories(installation.program.file("lib"));
        installation.program.write("lib/cellmenu.txt", content);
    }
    std::unique_ptr<ui::MainWindow> start() { return startWindow(installation, dialogs); }
};

TEST_F(SamplesTest, FirstStartWritesTheDefaultFileAndListsItsSamples) {
    const auto window = start();
    const QStringList entries = menuEntries(*window);
    ASSERT_EQ(entries.size(), 2 + 22);
    EXPECT_EQ(entries[0], "Edit ...");
    EXPECT_EQ(entries[1], "-");
    EXPECT_EQ(entries[2], "Cu");
    EXPECT_EQ(entries[11], "P(black)");
    EXPECT_EQ(entries[23], "beta-Sn");
    EXPECT_EQ(readFile(cellMenu()), fullDefaultCellMenu());
    EXPECT_EQ(window->cellMenuPath().toStdString(), cellMenu());

    // The next start reads the same samples from the file.
    const auto again = start();
    EXPECT_EQ(menuEntries(*again), entries);
    EXPECT_EQ(again->samples().samples(), SampleList::builtIn().samples());
}

TEST_F(SamplesTest, ChoosingASampleFillsTheFieldsAndShowsItsPattern) {
    const auto window = start();
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    const QImage iron = w.canvas()->picture();
    w.controller().simulation().fields.settingRow = 3;

    sampleAction(w, 20)->trigger(); // alpha-Pu
    EXPECT_EQ(in.titleEdit->text(), "alpha-Pu");
    EXPECT_EQ(w.controller().simulation().document.title, "alpha-Pu");
    const QStringList cell{"6.183", "4.822", "10.963", "90", "101.79", "90"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(in.cellEdits[static_cast<std::size_t>(i)]->text(), cell[i]) << i;
    EXPECT_EQ(in.spaceGroupList->currentIndex(), 10);
    EXPECT_FALSE(w.controller().simulation().fields.settingRow) << "a setting of another group";
    EXPECT_EQ(in.dEdits[1]->text(), "10.963") << "d-Max 0 reads as the longest edge";
    EXPECT_GT(w.reflectionModel()->rowCount(), 0);
    EXPECT_EQ(w.statusText(StatusPanel::Title), "alpha-Pu");
    EXPECT_NE(w.canvas()->picture(), iron);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SamplesTest, ASampleGenerationEndsWithEscapeAsPerformSimulationDoes) {
    const auto window = start();
    ui::MainWindow& w = *window;
    for (QLineEdit* edit : w.inputs().limitEdits) edit->setText("8");
    w.setGenerationPolling(std::chrono::milliseconds(0), [&](int round) {
        if (round == 20) QTest::keyClick(&w, Qt::Key_Escape);
    });
    sampleAction(w, 1)->trigger(); // Si
    const int partial = w.reflectionModel()->rowCount();
    EXPECT_EQ(w.inputs().titleEdit->text(), "Si");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    w.setGenerationPolling(std::chrono::milliseconds(50), {});
    sampleAction(w, 1)->trigger();
    EXPECT_LT(partial, w.reflectionModel()->rowCount());
}

TEST_F(SamplesTest, MenuFollowsTheFileAsWritten) {
    writeCellMenu("'comment\r\n"
                  "   ' Indented comment : 1 P1 1 1 1 90 90 90 x\r\n"
                  "Fe & Ni: 225 FM3M 3,59 3.59 3.59 90 90 90\r\n"
                  "NoColon 225 FM3M 3 3 3 90 90 90\r\n"
                  "Blank symbol : 225 F M3M 3 3 3 90 90 90\r\n"
                  "Beyond: 231 P1 3 3 3 90 90 90\r\n"
                  "Tight:194 P63/MMC 3.2 3.2 5.2 90 90 120\r\n");
    const auto window = start();
    EXPECT_EQ(menuEntries(*window), (QStringList{"Edit ...", "-", "Fe && Ni", "Tight"}));
    sampleAction(*window, 0)->trigger();
    EXPECT_EQ(window->inputs().cellEdits[0]->text(), "3.59") << "the decimal comma is a point";
    EXPECT_EQ(window->inputs().spaceGroupList->currentIndex(), 224);
    EXPECT_EQ(readFile(cellMenu()).substr(0, 10), "'comment\r\n") << "the file stays as it is";
}

TEST_F(SamplesTest, AFileWithoutSamplesGivesADisabledEntry) {
    writeCellMenu("'only comments\r\n\r\n");
    const auto window = start();
    EXPECT_EQ(menuEntries(*window), (QStringList{"Edit ...", "-", "(no samples)"}));
    auto* none = window->findChild<QAction*>(QStringLiteral("actionNoSamples"));
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->isEnabled());
}

TEST_F(SamplesTest, AnUnreadableFileGivesTheBuiltInListAndIsKept) {
    // A folder where the file should be: it exists but cannot be read as a file.
    std::filesystem::create_directories(cellMenu());
    const auto window = start();
    EXPECT_EQ(menuEntries(*window).size(), 2 + 22);
    EXPECT_TRUE(std::filesystem::is_directory(cellMenu()));
}

TEST_F(SamplesTest, WithoutAWritableProgramFolderTheFileIsThePerUserOne) {
    installation.programWritable = false;
    const auto window = start();
    const QString perUser = installation.workFile("lib/cellmenu.txt");
    EXPECT_EQ(window->cellMenuPath(), perUser);
    EXPECT_EQ(readFile(perUser.toStdString()), fullDefaultCellMenu());
    EXPECT_FALSE(std::filesystem::exists(cellMenu()));
}

TEST_F(SamplesTest, EditOpensTheFileCreatingTheShortOneWhenMissing) {
    const auto window = start();
    QAction* edit = window->findChild<QAction*>(QStringLiteral("actionEditSamples"));
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isEnabled());

    // An existing file is only opened.
    writeCellMenu("Mine: 225 FM3M 4 4 4 90 90 90\r\n");
    edit->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], QUrl::fromLocalFile(QString::fromStdString(cellMenu())));
    EXPECT_EQ(readFile(cellMenu()), "Mine: 225 FM3M 4 4 4 90 90 90\r\n");

    // A removed file, even with its folder, is created short.
    std::filesystem::remove_all(installation.program.file("lib"));
    edit->trigger();
    EXPECT_EQ(dialogs.opened.size(), 2u);
    EXPECT_EQ(readFile(cellMenu()), shortDefaultCellMenu());
    EXPECT_EQ(menuEntries(*window).size(), 2 + 22) << "the menu changes at the next start";
    EXPECT_TRUE(dialogs.errors.empty());
}

struct NoHandlerDialogs : ScriptedDialogs {
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return false;
    }
};

TEST_F(SamplesTest, EditSaysWhenItCannotWriteOrOpenTheFile) {
    NoHandlerDialogs noHandler;
    const auto window = std::make_unique<ui::MainWindow>(installation.options(), noHandler);
    QAction* edit = window->findChild<QAction*>(QStringLiteral("actionEditSamples"));
    edit->trigger();
    ASSERT_EQ(noHandler.errors.size(), 1u);
    EXPECT_TRUE(noHandler.errors[0].startsWith("Tavrel/Morwen: No program could be started"));
    EXPECT_TRUE(noHandler.errors[0].contains(QString::fromStdString(cellMenu())));

    // A file where the lib folder should be: nothing can be created below it.
    std::filesystem::remove_all(installation.program.file("lib"));
    installation.program.write("lib", "not a folder");
    edit->trigger();
    ASSERT_EQ(noHandler.errors.size(), 2u);
    EXPECT_TRUE(noHandler.errors[1].contains("cannot be written"))
        << noHandler.errors[1].toStdString();
    EXPECT_EQ(noHandler.opened.size(), 1u) << "nothing to open";
    EXPECT_EQ(readFile(installation.program.file("lib")), "not a folder");
}

TEST_F(SamplesTest, PickingAListPositionForgetsTheChosenSetting) {
    const auto window = start();
    DocumentFields& fields = window->controller().simulation().fields;
    fields.settingRow = 7;
    window->inputs().spaceGroupList->setCurrentIndex(20);
    EXPECT_FALSE(fields.settingRow);
    EXPECT_EQ(fields.spaceGroupIndex, 20);
}

} // namespace
} // namespace tavrel::test
