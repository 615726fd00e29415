#pragma once
// The two popup menus: the reflection list's, opened when the right button is released over
// the list, and the pattern's, opened by a right click on the canvas. Their items are the
// window's own actions where the menus name the same command, so that both run one code path.

#include <QMenu>

#include <functional>
#include <vector>

class QAbstractItemView;

namespace tavrel::ui {

// "Cancel", "Unselect All", "Select Strongest", "Expand List". "Expand List" collapses the
// input panes and can be chosen only while they are not collapsed already.
class ListPopup : public QMenu {
    Q_OBJECT
public:
    ListPopup(QAction* unselectAll, QAction* selectStrongest, std::function<bool()> panesCollapsed,
              std::function<void()> collapsePanes, QWidget* parent);
    QAction* expandListAction() const { return expandList_; }

    // Opens the menu when the right button is released over `view`; the press does not change
    // the list's selection.
    void attachTo(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* expandList_;
    std::function<bool()> panesCollapsed_;
};

// "Cancel", the projection that is not active, "Unselect All", "Select Strongest" and the eight
// preset orientations.
class PatternPopup : public QMenu {
    Q_OBJECT
public:
    // `stereographic` is the View toggle; `orientations` are the Orient menu's items in order,
    // a null entry standing for its separator.
    PatternPopup(QAction* stereographic, QAction* unselectAll, QAction* selectStrongest,
                 const std::vector<QAction*>& orientations, QWidget* parent);
    QAction* projectionAction() const { return projection_; }

private:
    void nameProjection();

    QAction* stereographic_;
    QAction* projection_;
};

} // namespace tavrel::ui
