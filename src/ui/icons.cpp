#include "ui/icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

// The resources live in a static library, where nothing would pull them in otherwise; the
// macro must be used outside any namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace tavrel::ui {

namespace {

QString resourcePath(const QString& name) {
    static const bool loaded = (initIconResources(), true);
    (void)loaded;
    return QStringLiteral(":/icons/%1.svg").arg(name);
}

// Cursors are 32 units square, drawn sharp at the screen's device pixel ratio.
QCursor cursorOf(const QString& name, int hotX, int hotY) {
    constexpr int kSide = 32;
    QSvgRenderer renderer(resourcePath(name));
    const qreal ratio = std::max<qreal>(1, qApp ? qApp->devicePixelRatio() : 1);
    const int side = static_cast<int>(std::lround(kSide * ratio));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return QCursor(pixmap, hotX, hotY);
}

} // namespace

QCursor zoomCursor() {
    return cursorOf(QStringLiteral("cursor-zoom"), 13, 13);
}

QCursor turnCursor() {
    return cursorOf(QStringLiteral("cursor-turn"), 16, 16);
}

QIcon icon(const QString& name) {
    QSvgRenderer renderer(resourcePath(name));
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
