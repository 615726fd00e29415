#include "ui/escape_watch.h"

#include <QApplication>
#include <QKeyEvent>

namespace tavrel::ui {

EscapeWatch::EscapeWatch(std::chrono::milliseconds interval, std::function<void(int)> afterPoll)
    : interval_(interval), afterPoll_(std::move(afterPoll)) {
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

EscapeWatch::~EscapeWatch() {
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

void EscapeWatch::runPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceEvents_.start();
    if (afterPoll_) afterPoll_(polls_);
    ++polls_;
}

bool EscapeWatch::cancelled() {
    if (calls_++ == 0) {
        runPendingEvents();
        escape_ = false;
        return false;
    }
    if (sinceEvents_.elapsed() >= interval_.count()) runPendingEvents();
    return escape_;
}

bool EscapeWatch::eventFilter(QObject* watched, QEvent* event) {
    // A message box the generation raised (an invalid cell, a list cut short) must take its
    // own input; the window behind it gets none while it is up anyway.
    if (QApplication::activeModalWidget()) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escape_ = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::Close:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tavrel::ui
