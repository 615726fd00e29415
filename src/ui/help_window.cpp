#include "ui/help_window.h"

#include "app/web_links.h"
#include "app/window_settings.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

// The manual lives in a static library, where nothing would pull it in otherwise; the macro
// must be used outside any namespace.
static void initManualResource() {
    Q_INIT_RESOURCE(manual);
}

namespace tavrel::ui {

namespace {

void loadManual() {
    static const bool loaded = (initManualResource(), true);
    (void)loaded;
}

} // namespace

QString manualHtml() {
    loadManual();
    QFile file(QStringLiteral(":/manual/manual.html"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

HelpWindow::HelpWindow(std::function<void(const QUrl&)> openOutside, QWidget* parent)
    : QWidget(parent, Qt::Window), openOutside_(std::move(openOutside)) {
    loadManual();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Tavrel/Morwen Help"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(bar);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    // Every link passes through follow(), which keeps the browser on the manual.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    layout->addWidget(browser_);

    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"),
                           browser_, &QTextBrowser::backward);
    back_->setObjectName(QStringLiteral("helpBack"));
    back_->setShortcut(QKeySequence::Back);
    back_->setEnabled(false);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                              QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    forward_->setObjectName(QStringLiteral("helpForward"));
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);
    QAction* contents = bar->addAction(
        style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"), this,
        [this] { browser_->setSource(app::manualUrl(QStringLiteral("contents"))); });
    contents->setObjectName(QStringLiteral("helpContents"));
    contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));

    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);

    browser_->setSource(app::manualUrl());
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Closed as a desktop's other document windows are; the browser passes these keys on.
    if (event->matches(QKeySequence::Cancel) ||
        (event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::showEvent(QShowEvent* event) {
    if (!fitted_) {
        fitted_ = true;
        fitIntoScreen();
    }
    QWidget::showEvent(event);
}

void HelpWindow::fitIntoScreen() {
    const QScreen* shownOn = parentWidget() ? parentWidget()->screen() : screen();
    if (!shownOn) return;
    // The window manager's title bar and border are not known before the window is shown.
    const app::WindowFit fit = app::fitWindow(QSize(820, 680), QSize(320, 240), minimumSizeHint(),
                                              shownOn->availableGeometry(), QSize(8, 36));
    setMinimumSize(fit.least);
    resize(fit.first);
    move(fit.position);
}

void HelpWindow::follow(const QUrl& link) {
    const QUrl target = browser_->source().resolved(link);
    if (app::isManualPage(target))
        browser_->setSource(target);
    else if (openOutside_)
        openOutside_(target);
}

void HelpWindow::showTopic(const QUrl& url) {
    if (url.isValid() && app::isManualPage(url)) browser_->setSource(url);
    show();
    raise();
    activateWindow();
}

} // namespace tavrel::ui
