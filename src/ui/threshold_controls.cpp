#include "ui/threshold_controls.h"

#include "common/numeric.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

namespace tavrel::ui {

ThresholdControls::ThresholdControls(QWidget& focusTarget, QWidget* parent)
    : QWidget(parent), label_(new QLabel(QStringLiteral("d-Threshold: 1.52"), this)),
      slider_(new QSlider(Qt::Horizontal, this)), focusTarget_(focusTarget) {
    setObjectName(QStringLiteral("sliderFrame"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label_->setObjectName(QStringLiteral("thresholdLabel"));
    label_->setToolTip(QStringLiteral("Click to Reset"));
    label_->setMinimumWidth(
        label_->fontMetrics().horizontalAdvance(QStringLiteral("d-Threshold: 00.00")) + 4);
    slider_->setObjectName(QStringLiteral("thresholdSlider"));
    slider_->setToolTip(QStringLiteral("d-Spacing threshold for line drawing"));
    slider_->setFixedWidth(180);
    connect(slider_, &QSlider::valueChanged, this, &ThresholdControls::positionChanged);
    layout->addWidget(label_);
    layout->addWidget(slider_);
    label_->setCursor(Qt::PointingHandCursor);
    label_->installEventFilter(this);
    slider_->installEventFilter(this);
}

void ThresholdControls::showRange(const ThresholdRange& range) {
    const QSignalBlocker blocker(slider_);
    slider_->setRange(range.minimum, range.maximum);
    slider_->setValue(range.minimum);
}

void ThresholdControls::showThreshold(float dMin) {
    label_->setText(QStringLiteral("d-Threshold: ") +
                    QString::fromStdString(formatNumber(dMin, "0.0#")));
}

bool ThresholdControls::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    if (watched == label_) {
        slider_->setValue(slider_->minimum());
        return true;
    }
    if (watched == slider_) {
        // After the slider has handled the release itself, so that it does not stay pressed.
        QTimer::singleShot(0, this, &ThresholdControls::handFocusBack);
    }
    return false;
}

void ThresholdControls::handFocusBack() {
    if (!slider_->hasFocus() && slider_->window()->focusWidget() != slider_) return;
    focusTarget_.setFocus(Qt::OtherFocusReason);
    slider_->setEnabled(false);
    QTimer::singleShot(kFocusPause, slider_, [slider = slider_] { slider->setEnabled(true); });
}

} // namespace tavrel::ui
