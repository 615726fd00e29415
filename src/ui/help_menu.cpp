#include "ui/help_menu.h"

#include "ui/about_window.h"
#include "ui/help_window.h"
#include "ui/user_dialogs.h"

#include <QWidget>

namespace tavrel::ui {

HelpMenu::HelpMenu(QWidget* window, UserDialogs& dialogs)
    : QObject(window), window_(window), dialogs_(dialogs) {}

HelpWindow* HelpMenu::helpWindow() const {
    return help_;
}

AboutWindow* HelpMenu::aboutWindow() const {
    return about_;
}

HelpWindow& HelpMenu::ensureHelpWindow() {
    if (!help_) help_ = new HelpWindow([this](const QUrl& url) { dialogs_.openUrl(url); }, window_);
    return *help_;
}

void HelpMenu::showContents() {
    ensureHelpWindow().showTopic(app::manualUrl());
}

void HelpMenu::openTarget(app::WebTarget target) {
    openAddress(app::webLink(target).url);
}

void HelpMenu::openAddress(const QUrl& url) {
    if (app::isManualPage(url))
        ensureHelpWindow().showTopic(url);
    else
        dialogs_.openUrl(url);
}

void HelpMenu::donate() {
    const QString text =
        QStringLiteral("Would you like to make a donation, \n"
                       "in order to help us maintain this software ?\n\n"
                       "If so, please click the Donate button on the Quorvex web site.");
    if (dialogs_.question(window_, QStringLiteral(" Make a Donation"), text))
        openTarget(app::WebTarget::MakerHomepage);
}

void HelpMenu::showAbout() {
    if (!about_)
        about_ = new AboutWindow([this](app::WebTarget target) { openTarget(target); }, window_);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

} // namespace tavrel::ui
