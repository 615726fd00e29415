#pragma once
// The d slider's companions: a click on its label moves the slider back to its minimum (every
// reflection gets its line again), and once the pointer has used the slider the keyboard focus
// returns to the canvas, so that the arrow keys keep turning the crystal. The slider pauses
// briefly meanwhile, so that the release that ended its use cannot take the focus again.

#include <QObject>

#include <chrono>

class QLabel;
class QSlider;
class QWidget;

namespace tavrel::ui {

class ThresholdControls : public QObject {
public:
    static constexpr std::chrono::milliseconds kFocusPause{150};

    ThresholdControls(QLabel& label, QSlider& slider, QWidget& focusTarget,
                      QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handFocusBack();

    QLabel& label_;
    QSlider& slider_;
    QWidget& focusTarget_;
};

} // namespace tavrel::ui
