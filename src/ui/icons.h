#pragma once
// The toolbar's icons: small SVG drawings compiled in as resources (":/icons/NAME.svg") and
// rendered at every size a desktop asks for, so they look the same under every icon theme.

#include <QIcon>
#include <QString>

namespace tavrel::ui {

QIcon icon(const QString& name);

} // namespace tavrel::ui
