#pragma once
// The canvas's pointer and arrow keys turned into commands of the controller. A move is not
// applied when it arrives: the latest position waits for the next turn of the event loop and
// is applied once, so a redraw never queues behind moves that are already stale. The pointer
// shows what a drag does: the move cursor while turning the crystal, the zoom and turn cursors
// for the right button.

#include "app/pointer_steering.h"

#include <QCursor>
#include <QObject>
#include <QPointF>
#include <QTimer>

#include <optional>

namespace tavrel::app {
class SimulationController;
}

namespace tavrel::ui {

class CanvasWidget;

class CanvasSteering : public QObject {
    Q_OBJECT
public:
    CanvasSteering(CanvasWidget& canvas, app::SimulationController& controller,
                   QObject* parent = nullptr);

    bool movePending() const { return pendingMove_.has_value(); }
    // Applies the move that waits, if any, now rather than at the next turn of the event loop.
    void applyPendingMove();

signals:
    // A right click, or the menu key, on the canvas: the pattern's popup at this place of the
    // screen.
    void patternPopupRequested(QPoint globalPosition);

private:
    struct PendingMove {
        QPointF position;
        Qt::MouseButtons buttons;
    };

    void pressed(QPointF position, Qt::MouseButton button);
    void moved(QPointF position, Qt::MouseButtons buttons);
    void released(QPointF position, Qt::MouseButton button);
    void arrowKey(Qt::Key key);
    void show(std::optional<app::PointerLook> look);

    CanvasWidget& canvas_;
    app::SimulationController& controller_;
    app::PointerSteering steering_;
    QTimer moveTimer_;
    std::optional<PendingMove> pendingMove_;
    app::PointerLook look_ = app::PointerLook::Normal;
    QCursor zoomCursor_;
    QCursor turnCursor_;
};

} // namespace tavrel::ui
