#include "ui/file_drops.h"

#include "session/input_files.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace tavrel::ui {

FileDrops::FileDrops(QWidget& window) : QObject(&window), window_(window) {
    // Widgets without drop handling of their own pass a drag on to the window.
    window.setAcceptDrops(true);
    // Seen before any widget of the window: a text field would take the address as text.
    qApp->installEventFilter(this);
}

FileDrops::~FileDrops() {
    qApp->removeEventFilter(this);
}

QString FileDrops::patternFileOf(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (inputFormatOf(path.toStdString())) return path;
    }
    return {};
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    // Only dragged files are the window's matter; dragged text goes where it is dropped.
    if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
    const QString path = patternFileOf(drop->mimeData());
    if (path.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) emit fileDropped(path);
    return true;
}

} // namespace tavrel::ui
