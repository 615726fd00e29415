#pragma once
// The manual in a window of the program's own: a text browser over the manual compiled into
// the program, with Back, Forward and Contents, so that help works on every desktop and
// offline. Links that leave the manual go to the desktop.

#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QTextBrowser;

namespace tavrel::ui {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // `openOutside` receives addresses that are not pages of the manual.
    explicit HelpWindow(std::function<void(const QUrl&)> openOutside, QWidget* parent = nullptr);

    // Shows a page of the manual (a section by its fragment) and brings the window forward.
    void showTopic(const QUrl& url);
    QTextBrowser* browser() const { return browser_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Its first size, within the free area of the screen it opens on.
    void fitIntoScreen();
    void follow(const QUrl& link);

    std::function<void(const QUrl&)> openOutside_;
    QTextBrowser* browser_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    bool fitted_ = false;
};

// The manual's HTML as the program holds it.
QString manualHtml();

} // namespace tavrel::ui
