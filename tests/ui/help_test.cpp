// The Help menu: the manual in the help window, the web targets, the donation prompt and the
// about window.
#include "app/web_links.h"
#include "ui/about_window.h"
#include "ui/help_menu.h"
#include "ui/help_window.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <set>

namespace tavrel::test {
namespace {

struct AnsweringDialogs : ScriptedDialogs {
    bool answer = false;
    std::vector<QString> questions;
    bool question(QWidget*, const QString& caption, const QString& text) override {
        questions.push_back(caption + "|" + text);
        return answer;
    }
};

QAction* action(QWidget& window, const char* name) {
    auto* a = window.findChild<QAction*>(QString::fromLatin1(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

// Every anchor name of a document as Qt's text engine sees it.
std::set<QString> anchorsOf(const QTextDocument& document) {
    std::set<QString> names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString& name : it.fragment().charFormat().anchorNames()) names.insert(name);
    return names;
}

struct HelpTest : ::testing::Test {
    Installation installation;
    AnsweringDialogs dialogs;
    std::unique_ptr<ui::MainWindow> window = startWindow(installation, dialogs);
    ui::MainWindow& w = *window;
    ui::HelpWindow* help() const { return w.helpMenu().helpWindow(); }
    ui::AboutWindow* about() const { return w.helpMenu().aboutWindow(); }
};

TEST(Manual, EveryLinkLeadsToAnAnchorThatExists) {
    const QString html = ui::manualHtml();
    ASSERT_FALSE(html.isEmpty()) << "the manual is compiled into the program";
    QTextDocument document;
    document.setHtml(html);
    const std::set<QString> anchors = anchorsOf(document);

    const qsizetype from = html.indexOf(QStringLiteral("<!-- contents -->"));
    const qsizetype to = html.indexOf(QStringLiteral("<!-- end of contents -->"));
    ASSERT_TRUE(from >= 0 && to > from);
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int contentsLinks = 0;
    for (const QRegularExpressionMatch& m : link.globalMatch(html)) {
        EXPECT_TRUE(anchors.count(m.captured(1))) << "#" << m.captured(1).toStdString();
        if (m.capturedStart() > from && m.capturedStart() < to) ++contentsLinks;
    }
    EXPECT_GE(contentsLinks, 20);
    // The sections the Help menu's links lead to.
    for (auto target : {app::WebTarget::ProgramHomepage, app::WebTarget::MakerHomepage,
                        app::WebTarget::AuthorHomepage, app::WebTarget::MakerEmail}) {
        const QUrl url = app::webLink(target).url;
        if (app::isManualPage(url)) {
            EXPECT_TRUE(anchors.count(url.fragment())) << url.toString().toStdString();
        }
    }
}

TEST_F(HelpTest, ContentsShowsTheManualWithBackAndForward) {
    EXPECT_EQ(help(), nullptr) << "made when first needed";
    action(w, "actionHelpContents")->trigger();
    ASSERT_NE(help(), nullptr);
    EXPECT_TRUE(help()->isVisible());
    EXPECT_FALSE(help()->isModal());
    QTextBrowser* browser = help()->browser();
    EXPECT_EQ(browser->source(), app::manualUrl());
    EXPECT_TRUE(browser->toPlainText().contains("Getting started with the Iron sample"));
    auto* back = help()->findChild<QAction*>(QStringLiteral("helpBack"));
    auto* forward = help()->findChild<QAction*>(QStringLiteral("helpForward"));
    ASSERT_TRUE(back && forward);
    EXPECT_FALSE(back->isEnabled());

    // A contents link stays in the manual; Back and Forward walk the history.
    emit browser->anchorClicked(QUrl(QStringLiteral("#printing")));
    EXPECT_EQ(browser->source(), app::manualUrl(QStringLiteral("printing")));
    EXPECT_TRUE(back->isEnabled());
    back->trigger();
    EXPECT_EQ(browser->source(), app::manualUrl());
    EXPECT_TRUE(forward->isEnabled());
    forward->trigger();
    EXPECT_EQ(browser->source(), app::manualUrl(QStringLiteral("printing")));

    // An address outside the manual goes to the desktop, and the browser stays where it was.
    emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/x")));
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], QUrl(QStringLiteral("https://example.org/x")));
    EXPECT_EQ(browser->source(), app::manualUrl(QStringLiteral("printing")));
}

TEST_F(HelpTest, LinksOfTheManualOpenInTheHelpWindowOthersOnTheDesktop) {
    action(w, "actionMakerHomepage")->trigger();
    ASSERT_NE(help(), nullptr);
    EXPECT_EQ(help()->browser()->source(), app::webLink(app::WebTarget::MakerHomepage).url);
    action(w, "actionProgramHomepage")->trigger();
    EXPECT_EQ(help()->browser()->source(), app::webLink(app::WebTarget::ProgramHomepage).url);
    EXPECT_TRUE(dialogs.opened.empty()) << "nothing leaves the program for a manual page";

    w.helpMenu().openAddress(QUrl(QStringLiteral("mailto:someone@example.org")));
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].scheme(), "mailto");
}

TEST_F(HelpTest, DonateAsksAndOnlyYesOpensTheMakersPage) {
    action(w, "actionDonate")->trigger();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].startsWith(" Make a Donation|Would you like to make a "
                                                "donation, \nin order to help us maintain this "
                                                "software ?\n\n"))
        << dialogs.questions[0].toStdString();
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(help(), nullptr) << "No opens nothing";

    dialogs.answer = true;
    action(w, "actionDonate")->trigger();
    ASSERT_NE(help(), nullptr);
    EXPECT_EQ(help()->browser()->source(), app::webLink(app::WebTarget::MakerHomepage).url);
}

TEST(AboutVersion, MajorAndMinorAsPlainNumbers) {
    EXPECT_EQ(ui::aboutVersionText("0.1.0"), "Tavrel / Morwen         v0.1");
    EXPECT_EQ(ui::aboutVersionText("1.6"), "Tavrel / Morwen         v1.6");
    EXPECT_EQ(ui::aboutVersionText("1.06.3"), "Tavrel / Morwen         v1.6");
    EXPECT_EQ(ui::aboutVersionText("2.10.0"), "Tavrel / Morwen         v2.10");
}

TEST_F(HelpTest, AboutIsNotModalAndAnyKeyOrOkClosesIt) {
    action(w, "actionAbout")->trigger();
    ui::AboutWindow* a = about();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(a->isModal());
    EXPECT_EQ(a->parentWidget(), &w);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Tavrel / Morwen         v\\d+\\.\\d+$"))
                    .match(a->versionLabel()->text())
                    .hasMatch())
        << a->versionLabel()->text().toStdString();
    EXPECT_TRUE(w.isEnabled()) << "the main window takes input meanwhile";

    QTest::keyClick(a, Qt::Key_Shift);
    EXPECT_TRUE(a->isVisible()) << "a lone modifier is no key";
    QTest::keyClick(a->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::Key_X);
    EXPECT_FALSE(a->isVisible()) << "a key on the OK button";

    action(w, "actionAbout")->trigger();
    EXPECT_EQ(about(), a) << "the same window again";
    EXPECT_TRUE(a->isVisible());
    QTest::keyClick(a, Qt::Key_Q);
    EXPECT_FALSE(a->isVisible());

    action(w, "actionAbout")->trigger();
    a->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_FALSE(a->isVisible());
}

TEST_F(HelpTest, TheAboutWindowIsDraggedByItsBodyWithTheLeftButton) {
    action(w, "actionAbout")->trigger();
    ui::AboutWindow* a = about();
    ASSERT_NE(a, nullptr);
    a->move(100, 100);
    const QPoint start = a->pos();
    auto send = [a](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(at), QPointF(a->mapToGlobal(at)), button, held, modifiers);
        QApplication::sendEvent(a, &event);
    };
    const QPoint body(5, 5);
    send(QEvent::MouseButtonPress, body, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, body + QPoint(40, 30), Qt::NoButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, body + QPoint(40, 30), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(a->pos(), start) << "the right button does not move it";

    send(QEvent::MouseButtonPress, body, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    send(QEvent::MouseMove, body + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, body + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(a->pos(), start) << "nor does a press with a modifier";

    send(QEvent::MouseButtonPress, body, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, body + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, body + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(a->pos(), start + QPoint(40, 30));
}

} // namespace
} // namespace tavrel::test
