// tavrel: the desktop program. `tavrel [FILE]` starts the window and, with a file (as a file
// manager's "Open with" passes it), opens that file as Open would.

#include "app/folders.h"
#include "common/version.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <iostream>

int main(int argc, char** argv) {
    // The options are read before the application exists, so that --version and --help work
    // without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tavrel: line patterns of the diffraction cones of crystals."));
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A pattern input file (.tvr), reflection file "
                                                "(.hkl) or CIF (.cif) to open."),
                                 QStringLiteral("[file]"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments)) {
        std::cerr << "tavrel: " << parser.errorText().toStdString() << "\n";
        return 2;
    }
    if (parser.isSet(version)) {
        std::cout << "tavrel " << tavrel::kVersion << "\n";
        return 0;
    }
    if (parser.isSet(help)) {
        std::cout << parser.helpText()
                         .replace(QStringLiteral("<executable_name>"), QStringLiteral("tavrel"))
                         .toStdString();
        return 0;
    }
    if (parser.positionalArguments().size() > 1) {
        std::cerr << "tavrel: give at most one file to open\n";
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(tavrel::kVersion));

    tavrel::ui::QtUserDialogs dialogs;
    tavrel::ui::MainWindow window(tavrel::app::defaultStartupOptions(), dialogs);
    window.show();

    if (!parser.positionalArguments().isEmpty()) {
        const QString path =
            QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
        // Once the window is on the screen, so that a message about the file has a parent.
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    }
    return QApplication::exec();
}
