#include "ui/icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library, where nothing would pull them in otherwise; the
// macro must be used outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace tavrel::ui {

QIcon icon(const QString& name) {
    static const bool loaded = (initIconResources(), true);
    (void)loaded;
    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    QIcon result;
    if (!renderer.isValid()) return result;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace tavrel::ui
