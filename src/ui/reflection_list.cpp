#include "ui/reflection_list.h"

#include "app/reflection_model.h"
#include "render/selection.h"
#include "ui/column_widths.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

namespace tavrel::ui {

ReflectionList::ReflectionList(const Simulation& sim, QWidget* parent)
    : QTableView(parent), model_(new app::ReflectionTableModel(sim, this)) {
    setObjectName(QStringLiteral("reflectionView"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control instead of walking its cells (and the selection).
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    // Every row is one line high: the view never measures the rows of a long list.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (!showingSelection_) emit selectionEdited(selected, deselected);
            });
}

void ReflectionList::showNewList() {
    model_->reload();
    fitColumns();
    scrollToTop();
}

void ReflectionList::fitColumns() {
    // The header's own text is measured by the header, in its font.
    neededWidth_ =
        ui::fitColumns(*this, [this](int column) { return model_->widthSamples(column).mid(1); });
    updateGeometry();
}

QSize ReflectionList::minimumSizeHint() const {
    // Every column whole, and a few rows however full the panes above are.
    const int rows = kLeastRowsShown * verticalHeader()->defaultSectionSize();
    return {neededWidth_, horizontalHeader()->sizeHint().height() + rows + 2 * frameWidth()};
}

void ReflectionList::showSelection(const Selection& selection) {
    QItemSelection rows;
    const int count = model_->rowCount();
    const int lastColumn = model_->columnCount() - 1;
    for (int row = 0; row < count;) {
        if (!selection.isSelected(static_cast<std::size_t>(row))) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < count && selection.isSelected(static_cast<std::size_t>(end) + 1)) ++end;
        rows.select(model_->index(row, 0), model_->index(end, lastColumn));
        row = end + 1;
    }
    showingSelection_ = true;
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    showingSelection_ = false;
}

void ReflectionList::showReflection(std::int32_t reflection) {
    scrollTo(model_->index(reflection, 0));
}

void ReflectionList::showThreshold() {
    model_->thresholdChanged();
}

} // namespace tavrel::ui
