#include "ui/threshold_controls.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTimer>

namespace tavrel::ui {

ThresholdControls::ThresholdControls(QLabel& label, QSlider& slider, QWidget& focusTarget,
                                     QObject* parent)
    : QObject(parent), label_(label), slider_(slider), focusTarget_(focusTarget) {
    label_.setCursor(Qt::PointingHandCursor);
    label_.installEventFilter(this);
    slider_.installEventFilter(this);
}

bool ThresholdControls::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    if (watched == &label_) {
        slider_.setValue(slider_.minimum());
        return true;
    }
    if (watched == &slider_) {
        // After the slider has handled the release itself, so that it does not stay pressed.
        QTimer::singleShot(0, this, &ThresholdControls::handFocusBack);
    }
    return false;
}

void ThresholdControls::handFocusBack() {
    if (!slider_.hasFocus() && slider_.window()->focusWidget() != &slider_) return;
    focusTarget_.setFocus(Qt::OtherFocusReason);
    slider_.setEnabled(false);
    QTimer::singleShot(kFocusPause, &slider_, [slider = &slider_] { slider->setEnabled(true); });
}

} // namespace tavrel::ui
