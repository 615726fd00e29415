#pragma once
// Where the program keeps its files. The program folder is the folder of the executable; the
// working files (the state dump, the report, the symmetry listing) and the input and picture
// folders live there when the program may write there, and otherwise in the per-user
// application data folder: an installed program's folder is not writable, and a fixed folder
// in the shared temporary folder would let another user plant or read the files.

#include <QString>

#include <functional>

namespace tavrel::app {

struct Folders {
    QString program; // the folder of the executable
    QString work;    // state dump, report, symmetry listing
    QString data;    // input files
    QString image;   // pictures
};

// What start-up needs from the outside world, so that tests can give each run its own folders.
struct StartupOptions {
    QString programFolder;
    QString userFolder; // per-user application data (QStandardPaths::AppLocalDataLocation)
    // Whether files can be created in a folder; defaults to canWriteInFolder. Tests replace it,
    // because a test running as root may write anywhere.
    std::function<bool(const QString& folder)> writeTest;
    // The settings file that keeps the window's placement (windowSettingsPath()); none keeps
    // nothing.
    QString settingsFile;
};

// The options of the installed program: the executable's folder and the user's data folder.
StartupOptions defaultStartupOptions();

// Creates "~tmp.tmp" in the folder, writes a line into it and removes it again. True when all of
// that worked; the file is never left behind.
bool canWriteInFolder(const QString& folder);

// Chooses the folders and creates the missing ones: the program folder when it passes the
// write test, else the per-user folder, which is created when missing.
Folders prepareFolders(const StartupOptions& options);

} // namespace tavrel::app
