#pragma once
// Columns of the window's tables as wide as their texts: a number that does not fit is elided
// ("10…"), which reads as another number.

#include <QStringList>

#include <functional>

class QTableView;

namespace tavrel::ui {

// The width a cell of `view` needs to show `text` whole, margins of the style included.
int cellWidth(const QTableView& view, const QString& text);

// Sets every column of `view` to the width of its header and of the texts `texts(column)` gives
// (those of the rows that may be the widest); the last column takes what room is left. Returns
// the width the view needs to show every column whole beside a vertical scroll bar.
int fitColumns(QTableView& view, const std::function<QStringList(int column)>& texts);

} // namespace tavrel::ui
