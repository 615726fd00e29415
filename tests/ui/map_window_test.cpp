// A whole EBSD map in the real window, through its menus: opened and looked at, indexed (and
// stopped with Escape), a point clicked on the map pane made the pattern under the lines, saved,
// and back after a restart.
#include "app/map_commands.h"
#include "support/grain_map.h"
#include "ui/map_pane.h"
#include "ui/map_window_part.h"
#include "window_fixture.h"

#include <QDockWidget>
#include <QSpinBox>

#include <filesystem>

namespace tavrel::test {
namespace {

struct MapWindowTest : WindowTest {
    QString h5;
    void SetUp() override {
        const std::string tvr = installation.program.write(
            "si.tvr", "VELDTRACE INPUT 1.5\nSilicon\n226\n5.431\n5.431\n5.431\n90\n90\n90\n1\n\n"
                      "\n\n20\n0\n0 0 1\n0\n1.0\n0\n40\n40\n20\n");
        runWithFile("actionOpen", QString::fromStdString(tvr));
        ASSERT_TRUE(c.hasReflections());
        const GrainMap grains(PatternFit(c.simulation()).setup().bands,
                              {.rows = 5,
                               .columns = 6,
                               .side = 60,
                               .grains = 2,
                               .seed = 3,
                               .detector = {40, 40, 20, {0.5, 0.5}, {}}});
        h5 = QString::fromStdString(installation.program.file("grains.h5"));
        ASSERT_TRUE(grains.writeH5ebsd(h5.toStdString()));
        show();
    }
    ui::MapWindowPart& mapPart() { return *w.findChild<ui::MapWindowPart*>(); }
};

TEST_F(MapWindowTest, OpenedIndexedClickedSavedAndKept) {
    EXPECT_FALSE(action("actionIndexMap")->isEnabled());
    runWithFile("actionOpenMap", h5);
    auto* dock = find<QDockWidget>("mapPane");
    ASSERT_TRUE(dock->isVisible());
    EXPECT_TRUE(note().contains("30 points looked at")) << note().toStdString();
    EXPECT_TRUE(action("actionIndexMap")->isEnabled());

    // Escape at the first poll stops the run; the map keeps its quality and is not indexed.
    w.setGenerationPolling(std::chrono::milliseconds(0), [&](int round) {
        if (round == 1) QTest::keyClick(&w, Qt::Key_Escape);
    });
    action("actionIndexMap")->trigger();
    EXPECT_TRUE(note().contains("stopped")) << note().toStdString();
    w.setGenerationPolling(std::chrono::milliseconds(50), {});
    action("actionIndexMap")->trigger();
    EXPECT_TRUE(note().contains("30 points indexed")) << note().toStdString();
    ui::MapPane& pane = mapPart().pane();
    EXPECT_EQ(pane.shown(), static_cast<int>(app::MapPicture::Ipf));

    // A click on the point at row 3, column 4 puts its pattern under the lines, on a film of
    // the pattern's proportions.
    c.setFieldText(app::TextField::Film, 0, QStringLiteral("50"));
    QWidget* picture = pane.pictureWidget();
    const QRect area = picture->rect();
    const QPoint at(area.left() + area.width() / 2 + area.width() / 12 * 1 + 2, 0);
    std::optional<std::pair<int, int>> point;
    for (int y = 0; y < area.height() && !point; ++y) {
        const auto p = pane.pointAt({at.x(), y});
        if (p && p->first == 3)
            point = p, QTest::mouseClick(picture, Qt::LeftButton, {}, {at.x(), y});
    }
    ASSERT_TRUE(point);
    EXPECT_EQ(pane.markedPoint(), point);
    EXPECT_TRUE(c.patternImage().underlay().loaded());
    EXPECT_EQ(c.simulation().fields.film[0], "40");
    EXPECT_FALSE(w.patternImageFoldingPane()->isFolded());
    EXPECT_TRUE(action("actionIndexPattern")->isEnabled());

    const QString ang = QString::fromStdString(installation.program.file("grains.ang"));
    runWithFile("actionSaveMap", QString::fromStdString(installation.program.file("grains")));
    EXPECT_TRUE(std::filesystem::exists(ang.toStdString()));
    EXPECT_TRUE(dialogs.errors.empty());

    w.close();
    ui::MainWindow& again = restart();
    auto* restored = again.findChild<ui::MapWindowPart*>();
    EXPECT_TRUE(again.findChild<QDockWidget*>(QStringLiteral("mapPane"))->isVisibleTo(&again));
    EXPECT_TRUE(restored->map().indexed());
}

TEST_F(MapWindowTest, AMissingMapAtTheStartIsANote) {
    runWithFile("actionOpenMap", h5);
    w.close();
    std::filesystem::remove(h5.toStdString());
    ui::MainWindow& again = restart();
    EXPECT_FALSE(again.findChild<ui::MapWindowPart*>()->map().isOpen());
    EXPECT_TRUE(
        test::part<QLabel>(again, QStringLiteral("statusNote"))->text().contains("grains.h5"));
    // A picture chosen names its folder, whose shape the user is asked for.
    std::filesystem::create_directory(installation.program.file("points"));
    QImage picture(40, 40, QImage::Format_Grayscale8);
    for (int k = 0; k < 6; ++k) {
        picture.fill(40 * k);
        picture.save(QString::fromStdString(
            installation.program.file("points/p" + std::to_string(k) + ".png")));
    }
    std::pair<int, int> proposed;
    dialogs.modal = [&](QDialog& shown) {
        auto& ask = dynamic_cast<ui::MapShapeDialog&>(shown);
        proposed = ask.shape();
        ask.rowsBox()->setValue(3);
        ask.columnsBox()->setValue(2);
        return static_cast<int>(QDialog::Accepted);
    };
    dialogs.fileAnswers.push_back(
        ui::FileChoice{QString::fromStdString(installation.program.file("points/p0.png")), 0});
    test::action(again, "actionOpenMap")->trigger();
    EXPECT_EQ(proposed, std::pair(2, 3));
    const app::MapCommands& map = again.findChild<ui::MapWindowPart*>()->map();
    ASSERT_TRUE(map.isOpen()) << (dialogs.errors.empty() ? ""
                                                         : dialogs.errors.back().toStdString());
    EXPECT_EQ(map.header().rows, 3);
}

} // namespace
} // namespace tavrel::test
