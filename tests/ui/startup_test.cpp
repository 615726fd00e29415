// The window's start: iron on the first, the state dump on the next, damaged dumps, a read-only
// program folder and what others put in the way of the files.
#include "app/window_settings.h"
#include "support/file_size_limit.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace tavrel::test {
namespace {

using app::StatusPanel;

// Pixels that differ from the corner's (the background).
int drawnPixels(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) ++n;
    return n;
}

// A restored dump's list is loaded; the iron sample's is generated.
bool restored(const ui::MainWindow& w) {
    return controllerOf(w).listOrigin() == NewList::Loaded;
}

void expectIronStart(const ui::MainWindow& w) {
    EXPECT_FALSE(restored(w));
    EXPECT_EQ(statusOf(w, StatusPanel::Count), "54 hkl (54 visible)");
    EXPECT_EQ(statusOf(w, StatusPanel::Title), "Iron (Fe)");
    EXPECT_EQ(modelOf(w)->rowCount(), 54);
    EXPECT_EQ(controllerOf(w).simulation().fields.title, "Iron (Fe)");
}

using StartupTest = WindowTest;

// The first start simulates the iron sample; so does a start after a dump cut short (every other
// damage, zero length, random bytes, ..., the dump reader refuses on its own).
TEST_F(StartupTest, FirstStartAndATruncatedDumpSimulateTheIronSample) {
    expectIronStart(w);
    EXPECT_EQ(w.size(), QSize(850, 700));
    EXPECT_EQ(statusText(StatusPanel::Pole), "approx. (0 0 2)");
    EXPECT_EQ(in.cellEdits[0]->text(), "2.866");
    EXPECT_EQ(in.dEdits[1]->text(), "2.866");
    EXPECT_EQ(find<QLabel>("thresholdLabel")->text(), "d-Threshold: 0.9");
    EXPECT_TRUE(dialogs.errors.empty());

    // The picture fills the canvas at its device resolution and shows lines.
    show();
    const QImage& picture = canvas->picture();
    EXPECT_EQ(picture.deviceIndependentSize().toSize(), canvas->size());
    EXPECT_EQ(picture.size(), canvas->size() * canvas->devicePixelRatioF());
    EXPECT_GT(drawnPixels(picture), 1000);

    typeInto(in.titleEdit, "Kept");
    ASSERT_TRUE(w.close());
    QFile dump(installation.workFile("tavrel.dmp"));
    ASSERT_TRUE(dump.resize(dump.size() / 2));
    expectIronStart(restart());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(StartupTest, SecondStartRestoresWithoutGenerating) {
    // A reflection file keeps its own order, which no generation would give.
    const std::string hkl = installation.program.write(
        "three.hkl",
        "4 4 4 90 90 90 221\r\n 3 \r\n   2   2   0\r\n   1   1   1\r\n   2   0   0\r\n");
    dialogs.fileAnswers.push_back(ui::FileChoice{QString::fromStdString(hkl), 1});
    w.openInputFile();
    ASSERT_EQ(model->rowCount(), 3);
    for (const char* name : {"actionLabels", "actionToggleBackground", "actionFilmOutline"})
        action(name)->trigger();
    const QImage before = canvas->picture();
    EXPECT_TRUE(w.close());
    ASSERT_TRUE(QFileInfo(installation.workFile("tavrel.dmp")).size() > 0);

    ui::MainWindow& again = restart();
    EXPECT_TRUE(restored(again));
    const auto& sim = controllerOf(again).simulation();
    const app::ReflectionTableModel* rows = modelOf(again);
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->index(0, 1).data().toString(), "2 2 0");
    EXPECT_EQ(rows->index(2, 1).data().toString(), "2 0 0");
    EXPECT_FLOAT_EQ(sim.document.dMin, 1.4142135f);
    EXPECT_FLOAT_EQ(sim.document.dMax, 2.3094f);
    EXPECT_EQ(statusOf(again, StatusPanel::Count), "3 hkl (3 visible)");
    EXPECT_EQ(statusOf(again, StatusPanel::Title), "three.hkl");
    EXPECT_EQ(part<ui::InputPanes>(again)->spaceGroupList->currentIndex(), 220);
    for (const char* name : {"actionLabels", "actionToggleBackground"})
        EXPECT_TRUE(test::action(again, name)->isChecked()) << name;
    EXPECT_FALSE(test::action(again, "actionFilmOutline")->isChecked());
    EXPECT_EQ(part<ui::CanvasWidget>(again)->picture(), before);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(Startup, ReadOnlyProgramFolderKeepsEverythingInThePerUserFolder) {
    Installation installation;
    installation.programWritable = false;
    ScriptedDialogs dialogs;
    {
        auto w = startWindow(installation, dialogs);
        expectIronStart(*w);
        const QString perUser = QString::fromStdString(installation.user.file("Tavrel"));
        EXPECT_EQ(controllerOf(*w).folders().work, perUser);
        w->openInputFile(); // cancelled
        ASSERT_EQ(dialogs.openRequests.size(), 1u);
        EXPECT_EQ(dialogs.openRequests[0].folder, perUser + "/data");
        // The samples' file too.
        EXPECT_TRUE(QFileInfo(perUser + "/lib/cellmenu.txt").isFile());
        w->close();
    }
    EXPECT_TRUE(QFileInfo(installation.workFile("tavrel.dmp")).size() > 0);
    EXPECT_EQ(QDir(QString::fromStdString(installation.program.path()))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{})
        << "nothing written beside the program, no ~tmp.tmp";
    auto w = startWindow(installation, dialogs);
    EXPECT_TRUE(restored(*w));
}

// What others put in the way never holds up the start or the quit: a FIFO as the dump starts
// on the iron sample, a FIFO as the settings file stays, a full disk at the quit keeps the
// previous dump, and a failed report names its file.
TEST(Startup, FifosFullDisksAndFailedWritesNeverCostTheSession) {
    ScriptedDialogs dialogs;
    Installation installation;
    const QString dump = installation.workFile("tavrel.dmp"), settings = app::windowSettingsPath();
    QDir().mkpath(QFileInfo(settings).absolutePath());
    for (const QString& path : {dump, settings}) {
        QFile::remove(path); // other tests' windows wrote settings
        ASSERT_EQ(mkfifo(QFile::encodeName(path), 0644), 0);
    }
    auto quitWithTitle = [&](const char* title, rlim_t diskSpace) {
        auto w = startWindow(installation, dialogs);
        EXPECT_EQ(restored(*w), QFileInfo(dump).isFile());
        part<ui::InputPanes>(*w)->titleEdit->setText(QString::fromLatin1(title));
        const FileSizeLimit full(diskSpace);
        EXPECT_TRUE(w->close());
    };
    quitWithTitle("Lost", RLIM_INFINITY);
    EXPECT_FALSE(QFileInfo(settings).isFile());
    for (const QString& path : {dump, settings}) QFile::remove(path);
    quitWithTitle("Kept", RLIM_INFINITY);
    quitWithTitle("Lost", 1000);
    auto w = startWindow(installation, dialogs);
    EXPECT_EQ(controllerOf(*w).simulation().fields.title, "Kept");

    ASSERT_TRUE(QDir().mkpath(installation.workFile("Report.txt")));
    action(*w, "actionReport")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(
        dialogs.errors[0].endsWith("Report.txt\" cannot be written: it is a folder, not a file"));
}

} // namespace
} // namespace tavrel::test
