#include "app/web_links.h"

#include <array>

namespace tavrel::app {

namespace {

constexpr const char* kManualPage = "qrc:/manual/manual.html";

struct Entry {
    WebTarget target;
    const char* caption;
    // A full address, or "#section" for a section of the manual.
    const char* address;
};

// Until the maker has pages of its own, every target is a section of the manual: "About" says
// what the program is and who makes it, "Contact" how to reach them.
constexpr std::array kTable{
    Entry{WebTarget::ProgramHomepage, "Tavrel manual: About", "#about"},
    Entry{WebTarget::MakerHomepage, "Tavrel manual: Contact", "#contact"},
    Entry{WebTarget::AuthorHomepage, "Tavrel manual: About", "#about"},
    Entry{WebTarget::MakerEmail, "Tavrel manual: Contact", "#contact"},
};

} // namespace

WebLink webLink(WebTarget target) {
    for (const Entry& e : kTable) {
        if (e.target != target) continue;
        const QString address = QString::fromUtf8(e.address);
        return WebLink{QString::fromUtf8(e.caption), address.startsWith(QLatin1Char('#'))
                                                         ? manualUrl(address.mid(1))
                                                         : QUrl(address)};
    }
    return WebLink{QString(), manualUrl()};
}

QUrl manualUrl(const QString& section) {
    QUrl url(QString::fromLatin1(kManualPage));
    if (!section.isEmpty()) url.setFragment(section);
    return url;
}

bool isManualPage(const QUrl& url) {
    return url.adjusted(QUrl::RemoveFragment) == manualUrl();
}

} // namespace tavrel::app
