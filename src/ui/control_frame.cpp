#include "ui/control_frame.h"

#include "ui/atoms_pane.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "ui/reflection_list.h"

#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::ui {

ControlFrame::ControlFrame(const Simulation& sim, int gap, const AddedPane& added, QWidget* parent)
    : QScrollArea(parent) {
    setObjectName(QStringLiteral("controlFrame"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedWidth(kWidth);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(gap);

    const auto pane = [&](const char* name, const QString& title, QWidget* shown, bool stretches) {
        auto* p = new FoldingPane(title, shown, stretches, content);
        p->setObjectName(QString::fromLatin1(name));
        return p;
    };
    inputs_ = new InputPanes(content);
    inputPanes_ = {
        pane("samplePane", QStringLiteral("Sample"), inputs_->sampleContent(), false),
        pane("simulationPane", QStringLiteral("Simulation "), inputs_->simulationContent(), false)};
    atoms_ = new AtomsPane(content);
    atoms_->setObjectName(QStringLiteral("atoms"));
    inputPanes_.push_back(pane("atomsPane", QStringLiteral("Atoms"), atoms_, false));
    inputPanes_.back()->setFolded(true);
    addedPane_ = added ? added(content) : nullptr;
    list_ = new ReflectionList(sim);
    list_->setObjectName(QStringLiteral("reflectionList"));
    listPane_ = pane("listPane", QStringLiteral("Reflection List "), list_, true);

    std::vector<FoldingPane*> stacked = inputPanes_;
    if (addedPane_) stacked.push_back(addedPane_);
    stacked.push_back(listPane_);
    for (FoldingPane* p : stacked) {
        layout->addWidget(p, p == listPane_ ? 1 : 0);
        connect(p, &FoldingPane::titlePressed, this, [this, p] { pressTitle(p); });
    }
    // Room the list pane leaves while folded stays below the panes.
    layout->addStretch(0);
    setWidget(content);
}

void ControlFrame::collapse() {
    for (FoldingPane* pane : inputPanes_) pane->setFolded(true);
    if (addedPane_) addedPane_->setFolded(true);
    listPane_->setFolded(false);
}

void ControlFrame::expand() {
    for (FoldingPane* pane : inputPanes_) pane->setFolded(false);
    listPane_->setFolded(false);
}

bool ControlFrame::inputPanesFolded() const {
    return std::all_of(inputPanes_.begin(), inputPanes_.end(),
                       [](const FoldingPane* pane) { return pane->isFolded(); });
}

void ControlFrame::pressTitle(FoldingPane* pane) {
    if (pane == listPane_ && !inputPanesFolded())
        collapse();
    else
        pane->setFolded(!pane->isFolded());
}

} // namespace tavrel::ui
