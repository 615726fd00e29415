#include "ui/canvas_widget.h"

#include "app/controller.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>

namespace tavrel::ui {

namespace {

// Wide enough to be seen on a busy pattern, narrow enough to hide little of it.
constexpr int kFocusFrameWidth = 2;

} // namespace

CanvasWidget::CanvasWidget(app::SimulationController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    setObjectName(QStringLiteral("canvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(50, 50);
}

void CanvasWidget::redraw() {
    controller_.view().setPictureSize(width(), height());
    // Drawn in logical pixels on an image of device pixels: sharp on a HiDPI screen, with the
    // same geometry everywhere.
    const qreal ratio = devicePixelRatioF();
    QImage picture(size() * ratio, QImage::Format_RGB32);
    if (picture.isNull()) return;
    picture.setDevicePixelRatio(ratio);
    {
        // Painted in bands on every core. A drag frame lives until the next pointer move: its
        // thin lines go straight into the pixels, several times faster than QPainter's, so that
        // large patterns keep up with the pointer. The picture left standing after the release
        // is QPainter's.
        const BandedSurface::Lines lines = controller_.view().dragging()
                                               ? BandedSurface::Lines::Fast
                                               : BandedSurface::Lines::Painter;
        BandedSurface surface(picture, width(), height(), 0, lines, &record_);
        (void)controller_.draw(surface);
        surface.paint();
    }
    picture_ = std::move(picture);
    update();
    emit drawn();
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), picture_);
    // Until the next redraw after a resize, uncovered room is filled rather than left to chance.
    const QSizeF shown = picture_.deviceIndependentSize();
    if (shown.width() < width())
        painter.fillRect(QRectF(shown.width(), 0, width() - shown.width(), height()), Qt::black);
    if (shown.height() < height())
        painter.fillRect(QRectF(0, shown.height(), width(), height() - shown.height()), Qt::black);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusFrameWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = kFocusFrameWidth / 2.0;
        painter.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
    }
}

void CanvasWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CanvasWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    redraw();
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    emit pointerPressed(event->position(), event->button());
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(event->position(), event->buttons());
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    emit pointerReleased(event->position(), event->button());
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit arrowKeyPressed(static_cast<Qt::Key>(event->key()));
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    // One notch of an ordinary wheel is 120 units (15 degrees in eighths).
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) emit wheelTurned(notches, event->modifiers().testFlag(Qt::ControlModifier));
    event->accept();
}

void CanvasWidget::contextMenuEvent(QContextMenuEvent* event) {
    // The pointer's popup follows the right button's release, which tells a click from a drag.
    if (event->reason() != QContextMenuEvent::Mouse) emit menuKeyPressed(event->pos());
    event->accept();
}

} // namespace tavrel::ui
