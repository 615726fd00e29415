#include "app/window_settings.h"

#include <QSettings>

namespace tavrel::app {

void saveWindowSettings(QSettings& settings, const WindowPlacement& placement) {
    const QRect& g = placement.geometry;
    if (placement.state == WindowState::Normal) {
        settings.setValue(QStringLiteral("WNDO"), QStringLiteral("%1 %2 %3 %4")
                                                      .arg(g.left() * kTwipsPerPixel)
                                                      .arg(g.top() * kTwipsPerPixel)
                                                      .arg(g.width() * kTwipsPerPixel)
                                                      .arg(g.height() * kTwipsPerPixel));
    }
    settings.setValue(QStringLiteral("WNDS"), QString::number(static_cast<int>(placement.state)));
    settings.setValue(QStringLiteral("PATH"), placement.executablePath);
    settings.sync();
}

} // namespace tavrel::app
