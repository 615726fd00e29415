#pragma once
// The status bar's permanent panels, numbered as the user sees them (the counts, the pole, the
// clicked line, the orientation and the title, which takes what the others leave), and on
// their left a note of what a command did ("Saved iron.tvr") that goes after a few seconds.
// Tests find them by their object names, "statusPanel1" to "statusPanel5" and "statusNote".

#include "app/controller.h"

#include <QObject>
#include <QTimer>

#include <array>

class QLabel;
class QStatusBar;

namespace tavrel::ui {

class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QStatusBar& bar);

    // Every panel shows what the controller says now.
    void show(const app::SimulationController& controller);
    void showNote(const QString& text);

private:
    std::array<QLabel*, 5> panels_{};
    QLabel* note_;
    QTimer noteTimer_;
};

} // namespace tavrel::ui
