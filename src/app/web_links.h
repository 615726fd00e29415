#pragma once
// The addresses the Help menu and the about window lead to. They are configuration, kept in one
// table in web_links.cpp: a web or mail address goes to the desktop's handler, a page of the
// manual compiled into the program opens in the program's own help window. The program never
// fetches anything itself.

#include <QString>
#include <QUrl>

namespace tavrel::app {

enum class WebTarget {
    ProgramHomepage, // Help > Links > "Tavrel/Morwen Homepage"
    MakerHomepage,   // Help > Links > "Quorvex Homepage", "Donate ..." after Yes, the web line
    AuthorHomepage,  // Help > Links > "Author's Homepage"
    MakerEmail,      // the about window's e-mail line
};

struct WebLink {
    QString caption; // what the about window shows after "Web: " or "Email: "
    QUrl url;
};

WebLink webLink(WebTarget target);

// The manual as the program holds it; a fragment names a section ("#contact").
QUrl manualUrl(const QString& section = {});
// Whether the address is a page of that manual rather than one for the desktop.
bool isManualPage(const QUrl& url);

} // namespace tavrel::app
