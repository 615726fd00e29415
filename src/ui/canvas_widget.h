#pragma once
// The drawing surface: draws the controller's picture into an image when something changed or
// the canvas was resized, and reports the pointer and the arrow keys. A paint event only paints
// the stored picture.

#include "output/banded_surface.h"

#include <QImage>
#include <QWidget>

namespace tavrel::app {
class SimulationController;
}

namespace tavrel::ui {

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    // `controller` must outlive the canvas.
    explicit CanvasWidget(app::SimulationController& controller, QWidget* parent = nullptr);

    // Draws the picture anew at the canvas's size.
    void redraw();
    // The picture in logical pixels (its device pixel ratio says how sharp it is).
    const QImage& picture() const { return picture_; }

signals:
    // After each picture: the controller's status texts are now those of the picture.
    void drawn();
    // The pointer, in logical pixels of the picture.
    void pointerPressed(QPointF position, Qt::MouseButton button);
    void pointerMoved(QPointF position, Qt::MouseButtons buttons);
    void pointerReleased(QPointF position, Qt::MouseButton button);
    // Left, Right, Up or Down, whatever modifiers are held; other keys go on to the window.
    void arrowKeyPressed(Qt::Key key);
    // The keyboard's menu key; the pointer's right button is a press and release instead.
    void menuKeyPressed(QPoint position);
    // The wheel turned by `notches` (positive away from the user; a fine wheel gives
    // fractions), Ctrl held or not.
    void wheelTurned(double notches, bool control);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // A frame in the highlight colour while the canvas has the keyboard focus: the arrow keys
    // then turn the crystal.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    app::SimulationController& controller_;
    QImage picture_;
    // What each picture records before it is painted, kept from one picture to the next.
    BandedSurface::Record record_;
};

} // namespace tavrel::ui
