#pragma once
// The toolbar's icons and the pointer's cursors: small SVG drawings compiled in as resources
// (":/icons/NAME.svg") and rendered at every size a desktop asks for, so they look the same under
// every icon theme.

#include <QCursor>
#include <QIcon>
#include <QString>

namespace tavrel::ui {

QIcon icon(const QString& name);

// The pointer's own looks, drawn the same way: the zoom (a magnifier, its hot spot in the
// lens) and the turn about the viewing axis (a circling arrow, its hot spot in the middle).
QCursor zoomCursor();
QCursor turnCursor();

} // namespace tavrel::ui
