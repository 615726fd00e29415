#pragma once
// Help > "About": the program's name and version, what it simulates, the literature of the
// method and where to reach the maker. Not modal; dragged by its body like by a title bar;
// any key or "OK" closes it.

#include "app/web_links.h"

#include <QDialog>
#include <QPoint>

#include <functional>
#include <optional>

class QLabel;

namespace tavrel::ui {

// "Tavrel / Morwen         vX.Y" for a version "X.Y.Z": major and minor as plain integers.
QString aboutVersionText(const QString& version);

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    // `open` receives the target of a clicked web or e-mail line.
    AboutWindow(std::function<void(app::WebTarget)> open, QWidget* parent);

    QLabel* versionLabel() const { return version_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* linkLine(const QString& lead, app::WebTarget target);

    std::function<void(app::WebTarget)> open_;
    QLabel* version_ = nullptr;
    // Where the pointer holds the window while the program moves it itself (platforms that
    // cannot move a window for it).
    std::optional<QPoint> grip_;
};

} // namespace tavrel::ui
