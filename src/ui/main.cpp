// tavrel: the desktop program. `tavrel [FILE.tvr | FILE.hkl]` starts the window and, with a
// file (as a file manager's "Open with" passes it), opens that file as Open would.

#include "app/folders.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationName(QStringLiteral("Tavrel"));

    tavrel::ui::QtUserDialogs dialogs;
    tavrel::ui::MainWindow window(tavrel::app::defaultStartupOptions(), dialogs);
    window.show();

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
        // Once the window is on the screen, so that a message about the file has a parent.
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    }
    return QApplication::exec();
}
