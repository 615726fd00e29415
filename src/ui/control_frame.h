#pragma once
// The control frame on the left of the window: the folding panes "Sample", "Simulation ",
// "Atoms", any pane added later and "Reflection List " stacked with a gap, the list pane taking
// the rest. The panes above the list scroll where the frame is too low for them (a small or
// scaled screen, every pane open), so that the window's least height stays within the screen
// and the list keeps its rows in view. The frame is as wide as the panes' tables need to show
// their columns whole. The panes are found by their object names: "samplePane",
// "simulationPane", "atomsPane", "listPane".

#include <QWidget>

#include <functional>
#include <vector>

namespace tavrel {
struct Simulation;
}

namespace tavrel::ui {

class AtomsPane;
class FoldingPane;
class InputPanes;
class ReflectionList;

class ControlFrame : public QWidget {
    Q_OBJECT
public:
    // The frame is at least kWidth wide, wider where a table's columns need it, and grows with
    // the window up to kWidestWidth.
    static constexpr int kWidth = 285;
    static constexpr int kWidestWidth = 2 * kWidth;

    // A pane of the caller's, made in the frame's content below the input panes (before the
    // list, so that Tab reaches it in that order); Collapse folds it, Expand leaves it as it is.
    using AddedPane = std::function<FoldingPane*(QWidget* content)>;

    // The list shows `sim`, which must outlive the frame.
    ControlFrame(const Simulation& sim, int gap, const AddedPane& added, QWidget* parent = nullptr);

    InputPanes& inputs() const { return *inputs_; }
    AtomsPane& atoms() const { return *atoms_; }
    ReflectionList* list() const { return list_; }

    // The input panes and the added one folded, the list open.
    void collapse();
    // The input panes and the list open.
    void expand();
    bool inputPanesFolded() const;

private:
    // The list pane's title first collapses the other panes; every other title folds its pane.
    void pressTitle(FoldingPane* pane);

    InputPanes* inputs_;
    AtomsPane* atoms_;
    ReflectionList* list_;
    std::vector<FoldingPane*> inputPanes_; // sample, simulation, atoms
    FoldingPane* addedPane_;
    FoldingPane* listPane_;
};

} // namespace tavrel::ui
