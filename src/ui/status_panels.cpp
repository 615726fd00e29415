#include "ui/status_panels.h"

#include "orientation/euler_angles.h"

#include <QLabel>
#include <QStatusBar>

namespace tavrel::ui {

using app::StatusPanel;

StatusPanels::StatusPanels(QStatusBar& bar) : QObject(&bar), note_(new QLabel(&bar)) {
    struct PanelEntry {
        StatusPanel panel;
        const char* tip;
        int width; // 0: takes the room that is left
    };
    // The orientation stands before the title, which takes what is left.
    static const std::array<PanelEntry, 5> kPanels{{
        {StatusPanel::Count, "Number of calculated hkl", 150},
        {StatusPanel::Pole, "Closest pole found", 140},
        {StatusPanel::Clicked, "Index for Clicked Line ", 140},
        {StatusPanel::Orientation, "Euler angles (Bunge) of the picture, in degrees", 0},
        {StatusPanel::Title, "", 0},
    }};
    note_->setObjectName(QStringLiteral("statusNote"));
    note_->setIndent(4);
    note_->hide();
    bar.addPermanentWidget(note_);
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(std::chrono::seconds(5));
    connect(&noteTimer_, &QTimer::timeout, note_, &QLabel::hide);
    for (const PanelEntry& entry : kPanels) {
        auto* panel = new QLabel(&bar);
        const int number = static_cast<int>(entry.panel);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(number));
        panel->setToolTip(QString::fromUtf8(entry.tip));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(4);
        if (entry.width > 0) panel->setMinimumWidth(entry.width);
        if (entry.panel == StatusPanel::Orientation)
            panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance(QString::fromStdString(
                                       eulerReadoutText({359.999, 179.999, 359.999}))) +
                                   12);
        // The title takes what the other panels leave, down to nothing on a narrow window,
        // rather than pushing its text over theirs.
        if (entry.panel == StatusPanel::Title)
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        // Permanent panels: a menu's status tip must not hide them.
        bar.addPermanentWidget(panel, entry.panel == StatusPanel::Title ? 1 : 0);
        panels_[static_cast<std::size_t>(number) - 1] = panel;
    }
}

void StatusPanels::show(const app::SimulationController& controller) {
    for (std::size_t i = 0; i < panels_.size(); ++i)
        panels_[i]->setText(controller.statusText(static_cast<StatusPanel>(i + 1)));
}

void StatusPanels::showNote(const QString& text) {
    note_->setText(text);
    note_->show();
    noteTimer_.start();
}

} // namespace tavrel::ui
