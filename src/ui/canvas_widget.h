#pragma once
// The drawing surface: shows the picture the window drew for it and reports its size, the
// pointer and the arrow keys. A paint event only paints the stored picture; all drawing happens
// when something changed.

#include <QImage>
#include <QWidget>

namespace tavrel::ui {

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // The picture in logical pixels (its device pixel ratio says how sharp it is).
    void setPicture(QImage picture);
    const QImage& picture() const { return picture_; }

signals:
    void resized();
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
    QImage picture_;
};

} // namespace tavrel::ui
