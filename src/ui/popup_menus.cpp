#include "ui/popup_menus.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMouseEvent>

namespace tavrel::ui {

namespace {

void addCancel(QMenu& menu) {
    // Choosing it only closes the menu, as a click outside would.
    QAction* cancel = menu.addAction(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("popupCancel"));
    menu.addSeparator();
}

} // namespace

ListPopup::ListPopup(QAction* unselectAll, QAction* selectStrongest,
                     std::function<bool()> panesCollapsed, std::function<void()> collapsePanes,
                     QWidget* parent)
    : QMenu(QStringLiteral("Reflection List"), parent), panesCollapsed_(std::move(panesCollapsed)) {
    setObjectName(QStringLiteral("listPopup"));
    addCancel(*this);
    addActions({unselectAll, selectStrongest});
    expandList_ = addAction(QStringLiteral("Expand List"));
    expandList_->setObjectName(QStringLiteral("popupExpandList"));
    connect(expandList_, &QAction::triggered, this, [collapse = std::move(collapsePanes)] {
        if (collapse) collapse();
    });
    connect(this, &QMenu::aboutToShow, this,
            [this] { expandList_->setEnabled(!panesCollapsed_ || !panesCollapsed_()); });
}

void ListPopup::attachTo(QAbstractItemView* view) {
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
}

bool ListPopup::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton) return false;
        popup(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::ContextMenu: {
        // The keyboard's menu key opens it too; the pointer's right button already did.
        const auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() != QContextMenuEvent::Mouse) popup(request->globalPos());
        return true;
    }
    default:
        return QMenu::eventFilter(watched, event);
    }
}

PatternPopup::PatternPopup(QAction* stereographic, QAction* unselectAll, QAction* selectStrongest,
                           const std::vector<QAction*>& orientations, QWidget* parent)
    : QMenu(QStringLiteral("Pattern"), parent), stereographic_(stereographic) {
    setObjectName(QStringLiteral("patternPopup"));
    addCancel(*this);
    projection_ = addAction(QString());
    projection_->setObjectName(QStringLiteral("popupProjection"));
    connect(projection_, &QAction::triggered, stereographic_, &QAction::trigger);
    addActions({unselectAll, selectStrongest});
    addSeparator();
    for (QAction* orientation : orientations)
        if (orientation) addAction(orientation);
    nameProjection();
    connect(this, &QMenu::aboutToShow, this, &PatternPopup::nameProjection);
}

void PatternPopup::nameProjection() {
    projection_->setText(stereographic_->isChecked() ? QStringLiteral("Gnomonic Projection")
                                                     : QStringLiteral("Stereographic Projection"));
}

} // namespace tavrel::ui
