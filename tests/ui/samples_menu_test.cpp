// The Samples menu: built from the cell menu file at start-up, applying a sample, "Edit ...".
#include "app/reflection_model.h"
#include "samples/sample_list.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrel::test {
namespace {

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

struct SamplesTest : ::testing::Test {
    Installation installation;
    ScriptedDialogs dialogs;

    std::string cellMenu() const { return installation.program.file("lib/cellmenu.txt"); }
    std::unique_ptr<ui::MainWindow> start() { return startWindow(installation, dialogs); }
};

TEST_F(SamplesTest, FirstStartWritesTheDefaultFileAndListsItsSamples) {
    const auto window = start();
    const QStringList entries = menuEntries(*window);
    ASSERT_EQ(entries.size(), 2 + 22);
    EXPECT_EQ(entries.mid(0, 3), (QStringList{"Edit ...", "-", "Cu"}));
    EXPECT_EQ(entries[23], "beta-Sn");
    EXPECT_EQ(readFile(cellMenu()), fullDefaultCellMenu());
    EXPECT_EQ(window->cellMenuPath().toStdString(), cellMenu());
    // The next start reads the same samples from the file.
    EXPECT_EQ(start()->samples().samples(), SampleList::builtIn().samples());
}

TEST_F(SamplesTest, ChoosingASampleFillsTheFieldsAndShowsItsPattern) {
    const auto window = start();
    ui::MainWindow& w = *window;
    ui::InputPanes& in = w.inputs();
    const QImage iron = w.canvas()->picture();

    w.findChild<QAction*>(QStringLiteral("actionSample20"))->trigger(); // alpha-Pu
    EXPECT_EQ(in.titleEdit->text(), "alpha-Pu");
    EXPECT_EQ(w.controller().simulation().document.title, "alpha-Pu");
    const QStringList cell{"6.183", "4.822", "10.963", "90", "101.79", "90"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(in.cellEdits[static_cast<std::size_t>(i)]->text(), cell[i]) << i;
    EXPECT_EQ(in.spaceGroupList->currentIndex(), 10);
    EXPECT_EQ(in.dEdits[1]->text(), "10.963") << "d-Max 0 reads as the longest edge";
    EXPECT_GT(w.reflectionModel()->rowCount(), 0);
    EXPECT_NE(w.canvas()->picture(), iron);
    EXPECT_TRUE(dialogs.errors.empty());
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

    // An existing file is only opened.
    installation.program.write("lib/cellmenu.txt", "Mine: 225 FM3M 4 4 4 90 90 90\r\n");
    edit->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], QUrl::fromLocalFile(QString::fromStdString(cellMenu())));
    EXPECT_EQ(readFile(cellMenu()), "Mine: 225 FM3M 4 4 4 90 90 90\r\n");

    // A removed file, even with its folder, is created short.
    std::filesystem::remove_all(installation.program.file("lib"));
    edit->trigger();
    EXPECT_EQ(dialogs.opened.size(), 2u);
    EXPECT_EQ(readFile(cellMenu()), shortDefaultCellMenu());
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

} // namespace
} // namespace tavrel::test
