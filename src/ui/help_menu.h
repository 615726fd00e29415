#pragma once
// The Help menu's work: the manual in the help window, the web targets, the donation prompt and
// the about window. Addresses go to the desktop through UserDialogs; pages of the manual open
// in the help window instead.

#include "app/web_links.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace tavrel::ui {

class AboutWindow;
class HelpWindow;
class UserDialogs;

class HelpMenu : public QObject {
    Q_OBJECT
public:
    // `window` parents this object and the windows it opens; `dialogs` must outlive it.
    HelpMenu(QWidget* window, UserDialogs& dialogs);

    // "Contents": the manual from its beginning.
    void showContents();
    void openTarget(app::WebTarget target);
    void openAddress(const QUrl& url);
    void donate();
    // Shown without blocking the main window; a second call brings the same window forward.
    void showAbout();

    // Null until first shown.
    HelpWindow* helpWindow() const;
    AboutWindow* aboutWindow() const;

private:
    HelpWindow& ensureHelpWindow();

    QWidget* window_;
    UserDialogs& dialogs_;
    QPointer<HelpWindow> help_;
    QPointer<AboutWindow> about_;
};

} // namespace tavrel::ui
