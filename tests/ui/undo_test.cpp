// Undo and redo in the window: the Edit menu and its keys, turns as steps (a drag as one), the
// orientation field going back with presets and typed orientations, simulated edits, and the
// commands that start the steps afresh.

#include "support/point_moves.h"
#include "window_fixture.h"

#include <QMouseEvent>

namespace tavrel::test {
namespace {

struct UndoTest : WindowTest {
    QUndoStack& stack = undoStack;

    void SetUp() override { show(); }
    Mat3d orientation() const { return c.simulation().orientation; }
    const DocumentFields& fields() const { return c.simulation().fields; }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(canvas, key, modifiers);
    }
    void undo() { press(Qt::Key_Z, Qt::ControlModifier); }
    void redo() { press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    // A left drag in several moves, each applied.
    void drag(QPoint from) {
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        for (int dx : {4, 8, 12}) {
            const QPointF to = from + QPoint(dx, dx / 2);
            QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(canvas, &move);
            QApplication::processEvents();
        }
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, from + QPoint(12, 6));
    }
};

TEST_F(UndoTest, ArrowKeysAndAWholeDragAreOneStepEach) {
    const Mat3d start = orientation();
    press(Qt::Key_Left);
    press(Qt::Key_Up);
    const Mat3d keys = orientation();
    drag(QPoint(canvas->width() / 3, canvas->height() / 3));
    const Mat3d dragged = orientation();
    // A zoom and a click on nothing turn nothing: no steps.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(stack.count(), 3);
    EXPECT_EQ(stack.undoText(), "Drag");

    undo();
    EXPECT_EQ(orientation(), keys);
    undo();
    undo();
    EXPECT_EQ(orientation(), start);
    EXPECT_FALSE(stack.canUndo());
    redo();
    redo();
    redo();
    EXPECT_EQ(orientation(), dragged);
    // A new turn after an undo drops what could have been redone.
    undo();
    press(Qt::Key_Right);
    EXPECT_FALSE(stack.canRedo());
    EXPECT_EQ(stack.count(), 3);
}

TEST_F(UndoTest, PresetsAndTypedOrientationsBringTheFieldBack) {
    typeInto(in.orientationEdit, "1 1 0");
    QTest::keyClick(in.orientationEdit, Qt::Key_Return);
    const Mat3d typed = orientation();
    const PointTable typedPoints = points();
    action("actionOrient5")->trigger(); // a [100]
    ASSERT_EQ(stack.count(), 2);
    EXPECT_EQ(stack.text(0), "Typed Orientation");

    stack.undo();
    EXPECT_EQ(orientation(), typed);
    EXPECT_LT(largestMove(typedPoints, points()), 1e-4f)
        << "the points follow, not only the matrix";
    EXPECT_EQ(fields().orientation, "1 1 0");
    EXPECT_EQ(fields().orientationType, OrientationType::Reciprocal);
    EXPECT_EQ(in.orientationEdit->text(), "1 1 0");
    stack.undo();
    EXPECT_EQ(in.orientationEdit->text(), "0 0 1");
    stack.redo();
    stack.redo();
    EXPECT_EQ(fields().orientation, "1 0 0");
    EXPECT_EQ(fields().orientationType, OrientationType::Direct);

    // A text that orients nothing is no step; the field says so.
    typeInto(in.orientationEdit, "x");
    QTest::keyClick(in.orientationEdit, Qt::Key_Return);
    EXPECT_EQ(stack.count(), 2);
    EXPECT_EQ(in.orientationEdit->text(), "invalid");
    EXPECT_EQ(fields().orientation, "invalid");
    EXPECT_TRUE(dialogs.errors.empty() && dialogs.beeps == 0);
}

TEST_F(UndoTest, ASimulatedEditIsOneStepAndUndoSimulatesTheOldFields) {
    press(Qt::Key_Down);
    const Mat3d turned = orientation();
    const DocumentFields iron = fields();
    const auto ironCount = c.simulation().reflections.count();
    for (QLineEdit* edit : {in.cellEdits[0], in.cellEdits[1], in.cellEdits[2]})
        typeInto(edit, "4.0");
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(stack.count(), 2);
    EXPECT_EQ(stack.undoText(), "Simulation");

    undo();
    EXPECT_EQ(fields(), iron);
    EXPECT_EQ(in.cellEdits[0]->text(), "2.866");
    EXPECT_EQ(c.simulation().reflections.count(), ironCount);
    EXPECT_EQ(orientation(), turned) << "the turn made before the edit comes back";
    redo();
    EXPECT_EQ(in.cellEdits[0]->text(), "4.0");

    // The same fields again only discard the turns made since: a step that brings them back.
    press(Qt::Key_Left);
    const Mat3d before = orientation();
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(stack.count(), 4);
    stack.undo();
    EXPECT_EQ(orientation(), before);
}

// A typo refused by the simulation costs nothing: undo brings back the last good fields, list
// and orientation; redo refuses again; the simulation that mends the typo joins its step.
TEST_F(UndoTest, ARefusedSimulationIsAStepBackToTheLastGoodList) {
    press(Qt::Key_Down);
    const Mat3d turned = orientation();
    const DocumentFields iron = fields();
    const auto ironCount = c.simulation().reflections.count();
    typeInto(in.cellEdits[0], "abc");
    action("actionPerformSimulation")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].endsWith("Invalid unit cell parameters"));
    EXPECT_EQ(c.simulation().reflections.count(), 0);
    ASSERT_EQ(stack.count(), 2);
    EXPECT_TRUE(action("actionUndo")->isEnabled());

    undo();
    EXPECT_EQ(fields(), iron);
    EXPECT_EQ(in.cellEdits[0]->text(), "2.866");
    EXPECT_EQ(c.simulation().reflections.count(), ironCount);
    EXPECT_EQ(orientation(), turned);
    redo();
    EXPECT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(in.cellEdits[0]->text(), "abc");
    EXPECT_TRUE(stack.canUndo());

    typeInto(in.cellEdits[0], "4.0");
    action("actionPerformSimulation")->trigger();
    EXPECT_GT(c.simulation().reflections.count(), 0);
    EXPECT_EQ(stack.count(), 2);
    undo();
    EXPECT_EQ(fields(), iron);
    EXPECT_EQ(orientation(), turned);
}

TEST_F(UndoTest, NewAndASampleStartAfresh) {
    press(Qt::Key_Left);
    ASSERT_TRUE(stack.canUndo());
    action("actionNew")->trigger();
    EXPECT_EQ(stack.count(), 0);
    press(Qt::Key_Left);
    EXPECT_EQ(stack.count(), 0) << "nothing turns without reflections";
    w.applySample(0);
    press(Qt::Key_Left);
    EXPECT_EQ(stack.count(), 1);
    w.applySample(0);
    EXPECT_EQ(stack.count(), 0);
}

} // namespace
} // namespace tavrel::test
