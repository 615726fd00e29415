#pragma once
// The d slider at the top right with its label ("sliderFrame", "thresholdSlider",
// "thresholdLabel"). A click on the label moves the slider back to its minimum (every
// reflection gets its line again), and once the pointer has used the slider the keyboard focus
// returns to the canvas, so that the arrow keys keep turning the crystal. The slider pauses
// briefly meanwhile, so that the release that ended its use cannot take the focus again.

#include "crystal/document.h"

#include <QWidget>

#include <chrono>

class QLabel;
class QSlider;

namespace tavrel::ui {

class ThresholdControls : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kFocusPause{150};

    ThresholdControls(QWidget& focusTarget, QWidget* parent = nullptr);

    // A new list's range, the slider at its start, without announcing a move.
    void showRange(const ThresholdRange& range);
    // The label names the spacing below which no line is drawn.
    void showThreshold(float dMin);

signals:
    // The user moved the slider (or reset it by the label).
    void positionChanged(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handFocusBack();

    QLabel* label_;
    QSlider* slider_;
    QWidget& focusTarget_;
};

} // namespace tavrel::ui
