#include "ui/canvas_steering.h"

#include "app/controller.h"
#include "session/orient.h"
#include "ui/canvas_widget.h"
#include "ui/icons.h"

#include <utility>

namespace tavrel::ui {

namespace {

app::PointerButton pointerButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return app::PointerButton::Left;
    case Qt::RightButton:
        return app::PointerButton::Right;
    default:
        return app::PointerButton::Other;
    }
}

} // namespace

CanvasSteering::CanvasSteering(CanvasWidget& canvas, app::SimulationController& controller,
                               QObject* parent)
    : QObject(parent), canvas_(canvas), controller_(controller), steering_(controller),
      zoomCursor_(zoomCursor()), turnCursor_(turnCursor()) {
    moveTimer_.setSingleShot(true);
    moveTimer_.setInterval(0);
    connect(&moveTimer_, &QTimer::timeout, this, &CanvasSteering::applyPendingMove);
    connect(&canvas, &CanvasWidget::pointerPressed, this, &CanvasSteering::pressed);
    connect(&canvas, &CanvasWidget::pointerMoved, this, &CanvasSteering::moved);
    connect(&canvas, &CanvasWidget::pointerReleased, this, &CanvasSteering::released);
    connect(&canvas, &CanvasWidget::arrowKeyPressed, this, &CanvasSteering::arrowKey);
    connect(&canvas, &CanvasWidget::wheelTurned, this,
            [this](double notches, bool control) { steering_.wheel(notches, control); });
    connect(&canvas, &CanvasWidget::menuKeyPressed, this, [this](QPoint position) {
        if (controller_.hasReflections()) emit patternPopupRequested(canvas_.mapToGlobal(position));
    });
}

void CanvasSteering::pressed(QPointF position, Qt::MouseButton button) {
    // A second button pressed during a drag starts over from here, as a press does.
    applyPendingMove();
    show(steering_.press(pointerButton(button), position));
}

void CanvasSteering::moved(QPointF position, Qt::MouseButtons buttons) {
    if (!(buttons & (Qt::LeftButton | Qt::RightButton))) return;
    pendingMove_ = PendingMove{position, buttons};
    if (!moveTimer_.isActive()) moveTimer_.start();
}

void CanvasSteering::applyPendingMove() {
    moveTimer_.stop();
    const std::optional<PendingMove> move = std::exchange(pendingMove_, std::nullopt);
    if (!move) return;
    show(steering_.move(move->buttons.testFlag(Qt::LeftButton),
                        move->buttons.testFlag(Qt::RightButton), move->position));
}

void CanvasSteering::released(QPointF position, Qt::MouseButton button) {
    // The drag ends where the pointer was last seen, then the release acts from there.
    applyPendingMove();
    const bool popup = steering_.release(pointerButton(button), position);
    show(app::PointerLook::Normal);
    if (popup) emit patternPopupRequested(canvas_.mapToGlobal(position.toPoint()));
}

void CanvasSteering::arrowKey(Qt::Key key) {
    switch (key) {
    case Qt::Key_Left:
        controller_.turnByArrowKey(ArrowKey::Left);
        break;
    case Qt::Key_Right:
        controller_.turnByArrowKey(ArrowKey::Right);
        break;
    case Qt::Key_Up:
        controller_.turnByArrowKey(ArrowKey::Up);
        break;
    case Qt::Key_Down:
        controller_.turnByArrowKey(ArrowKey::Down);
        break;
    default:
        break;
    }
}

void CanvasSteering::show(std::optional<app::PointerLook> look) {
    if (!look || *look == look_) return;
    look_ = *look;
    switch (look_) {
    case app::PointerLook::Normal:
        canvas_.unsetCursor();
        break;
    case app::PointerLook::Move:
        canvas_.setCursor(Qt::SizeAllCursor);
        break;
    case app::PointerLook::Turn:
        canvas_.setCursor(turnCursor_);
        break;
    case app::PointerLook::Zoom:
        canvas_.setCursor(zoomCursor_);
        break;
    }
}

} // namespace tavrel::ui
