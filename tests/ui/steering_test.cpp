// The pattern steered in the real window: the pointer's events reaching the steering (drags,
// zoom, clicks), the arrow keys and the hidden points key, the popup menus and the d slider.
// What the steering does with them is the controller's, tested without a window.

#include "session/orient.h"
#include "support/point_moves.h"
#include "support/recording_surface.h"
#include "ui/popup_menus.h"
#include "window_fixture.h"

#include <QMouseEvent>
#include <QSlider>

#include <algorithm>

namespace tavrel::test {
namespace {

using app::StatusPanel;

struct SteeringTest : WindowTest {
    void SetUp() override { show(); }
    void TearDown() override {
        part<ui::PatternPopup>(w)->close();
        part<ui::ListPopup>(w)->close();
    }
    float scale() const { return c.pattern().view.patternScale; }
    // A whole-numbered place, as the window system reports the pointer.
    QPointF at(double xPart, double yPart) const {
        return QPoint(static_cast<int>(canvas->width() * xPart),
                      static_cast<int>(canvas->height() * yPart));
    }
    // A move as the window system delivers it while buttons are held; it waits for the next
    // turn of the event loop.
    void moveTo(QPointF position, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, position, canvas->mapToGlobal(position), Qt::NoButton,
                         held, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
    }
    void drag(Qt::MouseButton button, QPointF from, QPointF to) {
        QTest::mousePress(canvas, button, {}, from.toPoint());
        moveTo(to, button);
        settle();
        QTest::mouseRelease(canvas, button, {}, to.toPoint());
    }
    bool nothingPicked() {
        return statusText(StatusPanel::Clicked).isEmpty() &&
               list->selectionModel()->selectedRows().empty();
    }
};

TEST_F(SteeringTest, AClickOnALineReportsAndTogglesItsReflection) {
    // A point that the renderer drew: the end of a segment of some line.
    RecordingSurface recording(c.pattern().width, c.pattern().height);
    c.draw(recording);
    const auto drawn = recording.segmentsIn(PenStyle::Solid);
    ASSERT_GT(drawn.size(), 200u);
    const QPoint on(drawn[200].x2, drawn[200].y2);
    ASSERT_TRUE(nothingPicked());

    QTest::mouseClick(canvas, Qt::LeftButton, {}, on);
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    const int row = selected[0].row();
    const QString report = statusText(StatusPanel::Clicked);
    EXPECT_EQ(report, "clicked (" + model->index(row, 1).data().toString() + ")");
    EXPECT_TRUE(c.pattern().selection.isSelected(static_cast<std::size_t>(row)));

    // A second click on the same line unselects it; the report stays.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, on);
    EXPECT_TRUE(list->selectionModel()->selectedRows().empty());
    EXPECT_EQ(statusText(StatusPanel::Clicked), report);
}

TEST_F(SteeringTest, MovesAreAppliedOnceAndAPressThatMovedDoesNotPick) {
    int pictures = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&c, &app::SimulationController::changed, [&pictures](app::Changes what) {
            pictures += what.testFlag(app::Change::Picture);
        });
    PointTable expected = points();
    const QPointF from = at(0.3, 0.4);
    QTest::mousePress(canvas, Qt::LeftButton, {}, from.toPoint());
    for (double dx : {1.0, 2.0, 10.0}) moveTo(from + QPointF(dx, -4), Qt::LeftButton);
    EXPECT_EQ(pictures, 0) << "moves wait for the event loop";
    settle();
    EXPECT_EQ(pictures, 1) << "one redraw for the latest position";
    EXPECT_TRUE(c.view().dragging()) << "drawn with fewer samples";
    rotatePoints(expected, ViewAxis::Vertical, 5.0f);
    rotatePoints(expected, ViewAxis::Horizontal, -2.0f);
    EXPECT_EQ(largestMove(points(), expected), 0.0f);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, (from + QPointF(10, -4)).toPoint());
    EXPECT_EQ(pictures, 2) << "the full-quality picture after the drag";
    QObject::disconnect(counting);

    // One unit of movement is a drag, not a click: it turns, redraws and picks nothing.
    const QImage before = canvas->picture();
    drag(Qt::LeftButton, from, from + QPointF(1, 0));
    EXPECT_TRUE(nothingPicked());
    EXPECT_NE(canvas->picture(), before);

    // A right drag on the right half zooms and asks for no popup.
    const float zoom = scale();
    drag(Qt::RightButton, at(0.75, 0.5), at(0.75, 0.5) + QPointF(5, 5));
    EXPECT_EQ(scale(), zoom + 20);
    EXPECT_FALSE(part<ui::PatternPopup>(w)->isVisible());
}

// The pattern's popup switches the projection; the list's offers to expand the list unless the
// panes are collapsed already.
TEST_F(SteeringTest, ThePopupsSwitchTheProjectionAndExpandTheList) {
    auto* popup = part<ui::PatternPopup>(w);
    QAction* resetZoom = action("actionResetZoom");
    QTest::mouseClick(canvas, Qt::RightButton, {}, at(0.7, 0.5).toPoint());
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->projectionAction()->text(), "Stereographic Projection");
    popup->projectionAction()->trigger();
    popup->close();
    EXPECT_TRUE(c.pattern().view.viewStereographic);
    EXPECT_TRUE(action("actionStereographic")->isChecked()) << "menu and toolbar follow";
    EXPECT_FALSE(resetZoom->isVisible());

    // The item names the projection that is not active.
    QTest::mouseClick(canvas, Qt::RightButton, {}, at(0.2, 0.5).toPoint());
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->projectionAction()->text(), "Gnomonic Projection");
    popup->close();
    action("actionStereographic")->trigger();
    EXPECT_TRUE(resetZoom->isVisible());

    auto* listPopup = part<ui::ListPopup>(w);
    const QPoint onRow = list->visualRect(model->index(2, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, onRow);
    ASSERT_TRUE(listPopup->isVisible());
    EXPECT_TRUE(listPopup->expandListAction()->isEnabled());
    listPopup->close();
    action("actionCollapsePanes")->trigger();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, onRow);
    ASSERT_TRUE(listPopup->isVisible());
    EXPECT_FALSE(listPopup->expandListAction()->isEnabled());
}

TEST_F(SteeringTest, ArrowKeysTurnByFiveDegreesAndResortTheRows) {
    canvas->setFocus();
    const PointTable start = points();
    const QImage before = canvas->picture();
    for (int i = 0; i < 4; ++i) QTest::keyClick(canvas, Qt::Key_Right);
    PointTable expected = start;
    rotatePoints(expected, ViewAxis::Vertical, 20.0f);
    EXPECT_LT(largestMove(points(), expected), 1e-5f);
    const auto& rows = points().rows;
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                               [](const auto& a, const auto& b) { return a.x > b.x; }));
    for (int i = 0; i < 4; ++i) QTest::keyClick(canvas, Qt::Key_Left);
    EXPECT_LT(largestMove(points(), start), 1e-5f);
    EXPECT_EQ(canvas->picture(), before);
}

TEST_F(SteeringTest, OnlyShiftCtrlAltMSwitchesLinesAndPoints) {
    const QImage lines = canvas->picture();
    for (Qt::KeyboardModifiers held :
         {Qt::ControlModifier | Qt::AltModifier, Qt::ShiftModifier | Qt::ControlModifier,
          Qt::ShiftModifier | Qt::AltModifier, Qt::KeyboardModifiers(Qt::NoModifier)}) {
        QTest::keyClick(canvas, Qt::Key_M, held);
        EXPECT_TRUE(c.pattern().view.showLines) << held.toInt();
    }
    EXPECT_EQ(canvas->picture(), lines);
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    // The whole window: also while typing in a field.
    QTest::keyClick(in.titleEdit, Qt::Key_M, all);
    EXPECT_FALSE(c.pattern().view.showLines);
    EXPECT_NE(canvas->picture(), lines);
    QTest::keyClick(canvas, Qt::Key_M, all);
    EXPECT_EQ(canvas->picture(), lines);
}

TEST_F(SteeringTest, TheSliderGreysRowsWithoutLines) {
    // Body-centred a = 3: (2 0 0) and its kin lie at d = 1.5 exactly.
    typeInto(in.cellEdits[0], "3.0");
    action("actionPerformSimulation")->trigger();
    auto* slider = find<QSlider>("thresholdSlider");
    auto* label = find<QLabel>("thresholdLabel");
    slider->setValue(15);
    EXPECT_EQ(label->text(), "d-Threshold: 1.5");
    const auto& d = c.simulation().reflections.d;
    int greyRows = 0, at15 = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QVariant colour = model->index(row, 4).data(Qt::ForegroundRole);
        const float spacing = d[static_cast<std::size_t>(row)];
        at15 += spacing == 1.5f;
        EXPECT_EQ(colour.isValid(), spacing <= 1.5f) << row;
        greyRows += colour.isValid();
        EXPECT_EQ(colour.value<QColor>(), colour.isValid() ? QColor(200, 200, 200) : QColor());
    }
    EXPECT_EQ(at15, 6) << "{2 0 0}";
    EXPECT_GT(greyRows, at15);

    // A click on the label moves the slider back to its start: every row has its line.
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(slider->value(), slider->minimum());
    EXPECT_FALSE(model->index(0, 0).data(Qt::ForegroundRole).isValid());
}

} // namespace
} // namespace tavrel::test
