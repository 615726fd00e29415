#include "app/folders.h"

#include "app/window_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace tavrel::app {

namespace {

const char* const kWriteTestName = "~tmp.tmp";

// Creates the folder when missing; true when it exists afterwards.
bool ensureFolder(const QString& path) {
    return QDir().mkpath(path);
}

} // namespace

StartupOptions defaultStartupOptions() {
    StartupOptions options;
    options.programFolder = QCoreApplication::applicationDirPath();
    options.userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    options.settingsFile = windowSettingsPath();
    return options;
}

bool canWriteInFolder(const QString& folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kWriteTestName));
    // A file left by a run that died between creating and removing it must not make the test
    // fail for ever; where it cannot be removed, the folder is not ours to write anyway.
    if (QFile::exists(path) && !QFile::remove(path)) return false;
    QFile file(path);
    // NewOnly: never write through a link or into a file someone else just created.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const bool written = file.write("test\n") == 5 && file.flush();
    file.close();
    const bool removed = QFile::remove(path);
    return written && removed;
}

Folders prepareFolders(const StartupOptions& options) {
    Folders folders;
    folders.program = QDir::cleanPath(options.programFolder);
    const auto writeTest = options.writeTest ? options.writeTest : canWriteInFolder;

    QString base = folders.program;
    if (!writeTest(folders.program)) {
        base = QDir::cleanPath(options.userFolder);
        ensureFolder(base);
    }
    folders.work = base;
    // Every Open and Save dialog starts in these, so they must exist: where one cannot be made
    // beside the program it goes to the per-user folder too.
    auto subfolder = [&](const char* name) {
        const QString path = QDir(base).filePath(QString::fromLatin1(name));
        if (ensureFolder(path) || base != folders.program) return path;
        const QString fallback =
            QDir(QDir::cleanPath(options.userFolder)).filePath(QString::fromLatin1(name));
        ensureFolder(fallback);
        return fallback;
    };
    folders.data = subfolder("data");
    folders.image = subfolder("image");
    return folders;
}

} // namespace tavrel::app
