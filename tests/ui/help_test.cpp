// The Help menu: the manual's links, the donation prompt and the about window.
#include "app/web_links.h"
#include "ui/about_window.h"
#include "ui/help_menu.h"
#include "ui/help_window.h"
#include "window_fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <set>

namespace tavrel::test {
namespace {

struct HelpTest : WindowTest {
    ui::HelpMenu& helpMenu = *part<ui::HelpMenu>(w);
    void trigger(const char* name) { action(name)->trigger(); }
};

TEST(Manual, EveryLinkLeadsToAnAnchorThatExists) {
    const QString html = ui::manualHtml();
    QTextDocument document;
    document.setHtml(html);
    // Every anchor name as Qt's text engine sees it.
    std::set<QString> anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString& name : it.fragment().charFormat().anchorNames())
                anchors.insert(name);

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

// The manual's figures as the help window draws them: no text runs past the picture's edge.
TEST(Manual, TheFiguresHoldTheirTexts) {
    const QRegularExpression figure(QStringLiteral("<img src=\"([^\"]+\\.svg)\""));
    int figures = 0;
    for (const QRegularExpressionMatch& m : figure.globalMatch(ui::manualHtml())) {
        ++figures;
        QFile file(QStringLiteral(":/manual/") + m.captured(1));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << m.captured(1).toStdString();
        const QString svg = QString::fromUtf8(file.readAll());
        QSvgRenderer renderer(svg.toUtf8());
        ASSERT_TRUE(renderer.isValid());
        const QRegularExpression text(QStringLiteral("<text[^>]*id=\"([^\"]+)\""));
        int named = 0;
        for (const QRegularExpressionMatch& t : text.globalMatch(svg)) {
            ++named;
            const QString id = t.captured(1);
            const QRectF bounds =
                renderer.transformForElement(id).mapRect(renderer.boundsOnElement(id));
            EXPECT_TRUE(renderer.viewBoxF().contains(bounds))
                << m.captured(1).toStdString() << " " << id.toStdString();
        }
        EXPECT_EQ(named, svg.count(QStringLiteral("<text"))) << "every text has an id";
    }
    EXPECT_GE(figures, 1);
}

TEST_F(HelpTest, DonateAsksAndOnlyYesOpensTheMakersPage) {
    trigger("actionDonate");
    EXPECT_EQ(dialogs.questions, 1);
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(helpMenu.helpWindow(), nullptr) << "No opens nothing";

    dialogs.answer = true;
    trigger("actionDonate");
    ASSERT_NE(helpMenu.helpWindow(), nullptr);
    EXPECT_EQ(helpMenu.helpWindow()->browser()->source(),
              app::webLink(app::WebTarget::MakerHomepage).url);
}

TEST(AboutVersion, MajorAndMinorAsPlainNumbers) {
    EXPECT_EQ(ui::aboutVersionText("0.1.0"), "Tavrel / Morwen         v0.1");
    EXPECT_EQ(ui::aboutVersionText("1.06.3"), "Tavrel / Morwen         v1.6");
    EXPECT_EQ(ui::aboutVersionText("2.10.0"), "Tavrel / Morwen         v2.10");
}

TEST_F(HelpTest, AboutIsNotModalAndAnyKeyOrOkClosesIt) {
    trigger("actionAbout");
    ui::AboutWindow* a = helpMenu.aboutWindow();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(a->isModal());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Tavrel / Morwen         v\\d+\\.\\d+$"))
                    .match(a->versionLabel()->text())
                    .hasMatch())
        << a->versionLabel()->text().toStdString();
    EXPECT_TRUE(w.isEnabled()) << "the main window takes input meanwhile";

    QTest::keyClick(a, Qt::Key_Shift);
    EXPECT_TRUE(a->isVisible()) << "a lone modifier is no key";
    auto* ok = a->findChild<QPushButton*>(QStringLiteral("okButton"));
    QTest::keyClick(ok, Qt::Key_X);
    EXPECT_FALSE(a->isVisible()) << "a key on the OK button";

    trigger("actionAbout");
    EXPECT_EQ(helpMenu.aboutWindow(), a) << "the same window again";
    QTest::keyClick(a, Qt::Key_Q);
    EXPECT_FALSE(a->isVisible());

    trigger("actionAbout");
    ok->click();
    EXPECT_FALSE(a->isVisible());
}

} // namespace
} // namespace tavrel::test
