#include "ui/control_frame.h"

#include "ui/atoms_pane.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "ui/reflection_list.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::ui {

namespace {

// The input panes, which scroll where the frame is too low for them: as wide as they need with
// room for the scroll bar whether it shows or not (so that showing it hides nothing), as high as
// they are, and no higher.
class PaneScroller : public QScrollArea {
public:
    explicit PaneScroller(QWidget* parent) : QScrollArea(parent) {
        setObjectName(QStringLiteral("paneScroller"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    }

    void hold(QWidget* content) {
        setWidget(content);
        // A table's wider columns or a pane that opens change what the content needs; the
        // content is no item of a layout, so its needs reach the frame only through here.
        content->installEventFilter(this);
    }

    QSize minimumSizeHint() const override { return {neededWidth(), FoldingPane::kStripHeight}; }
    QSize sizeHint() const override {
        return {neededWidth(), widget()->sizeHint().height() + 2 * frameWidth()};
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    int neededWidth() const {
        return std::max(ControlFrame::kWidth, widget()->minimumSizeHint().width() +
                                                  verticalScrollBar()->sizeHint().width() +
                                                  2 * frameWidth());
    }
};

} // namespace

ControlFrame::ControlFrame(const Simulation& sim, int gap, const AddedPane& added, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("controlFrame"));
    setMaximumWidth(kWidestWidth);
    auto* frameLayout = new QVBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 4);
    frameLayout->setSpacing(gap);
    auto* scroller = new PaneScroller(this);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(gap);

    const auto pane = [](const char* name, const QString& title, QWidget* shown, bool stretches,
                         QWidget* parentWidget) {
        auto* p = new FoldingPane(title, shown, stretches, parentWidget);
        p->setObjectName(QString::fromLatin1(name));
        return p;
    };
    inputs_ = new InputPanes(content);
    inputPanes_ = {
        pane("samplePane", QStringLiteral("Sample"), inputs_->sampleContent(), false, content),
        pane("simulationPane", QStringLiteral("Simulation "), inputs_->simulationContent(), false,
             content)};
    atoms_ = new AtomsPane(content);
    atoms_->setObjectName(QStringLiteral("atoms"));
    inputPanes_.push_back(pane("atomsPane", QStringLiteral("Atoms"), atoms_, false, content));
    inputPanes_.back()->setFolded(true);
    addedPane_ = added ? added(content) : nullptr;
    list_ = new ReflectionList(sim);
    list_->setObjectName(QStringLiteral("reflectionList"));
    // Below the scrolling panes, so that its rows always show.
    listPane_ = pane("listPane", QStringLiteral("Reflection List "), list_, true, this);

    std::vector<FoldingPane*> stacked = inputPanes_;
    if (addedPane_) stacked.push_back(addedPane_);
    for (FoldingPane* p : stacked) layout->addWidget(p);
    stacked.push_back(listPane_);
    for (FoldingPane* p : stacked)
        connect(p, &FoldingPane::titlePressed, this, [this, p] { pressTitle(p); });
    scroller->hold(content);
    frameLayout->addWidget(scroller);
    frameLayout->addWidget(listPane_, 1);
    // Room the list pane leaves while folded stays below it.
    frameLayout->addStretch(0);
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
