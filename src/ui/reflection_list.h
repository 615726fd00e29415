#pragma once
// The reflection list: a table of the simulation's reflections whose selection is the picture's.
// The user's own selection edits are announced; selections made by commands are shown without
// being announced back.

#include <QTableView>

#include <cstdint>

namespace tavrel {
struct Simulation;
class Selection;
} // namespace tavrel

namespace tavrel::app {
class ReflectionTableModel;
}

namespace tavrel::ui {

class ReflectionList : public QTableView {
    Q_OBJECT
public:
    // The rows the list keeps room for however full the panes above it are.
    static constexpr int kLeastRowsShown = 6;

    ReflectionList(const Simulation& sim, QWidget* parent = nullptr);

    app::ReflectionTableModel* model() const { return model_; }

    // A new list: rows, column widths, and the view back at its top.
    void showNewList();
    // The rows of the selected reflections selected, the others not.
    void showSelection(const Selection& selection);
    // Scrolls to the entry of a reflection a click on the picture named.
    void showReflection(std::int32_t reflection);
    // Rows at or below the d threshold turn grey.
    void showThreshold();

    // As wide as its columns, as high as kLeastRowsShown rows.
    QSize minimumSizeHint() const override;

signals:
    // The user changed the selection in the list.
    void selectionEdited(const QItemSelection& selected, const QItemSelection& deselected);

private:
    void fitColumns();

    app::ReflectionTableModel* model_;
    bool showingSelection_ = false;
    int neededWidth_ = 0;
};

} // namespace tavrel::ui
