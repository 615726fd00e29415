#include "ui/column_widths.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <algorithm>

namespace tavrel::ui {

int cellWidth(const QTableView& view, const QString& text) {
    // As the item delegate sizes a cell of plain text.
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.font = view.font();
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    return view.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &view).width();
}

int fitColumns(QTableView& view, const std::function<QStringList(int column)>& texts) {
    QHeaderView& header = *view.horizontalHeader();
    const int columns = header.count();
    // A grid line takes a pixel of each cell.
    const int grid = view.showGrid() ? 1 : 0;
    int total = 0;
    for (int column = 0; column < columns; ++column) {
        int width = header.sectionSizeHint(column);
        for (const QString& text : texts(column))
            width = std::max(width, cellWidth(view, text) + grid);
        view.setColumnWidth(column, width);
        total += width;
    }
    if (view.verticalHeader()->isVisible()) total += view.verticalHeader()->width();
    return total + 2 * view.frameWidth() + view.verticalScrollBar()->sizeHint().width();
}

} // namespace tavrel::ui
