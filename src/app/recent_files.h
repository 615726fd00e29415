#pragma once
// The files opened or saved last, newest first, for File > Open Recent: one path a line in
// "recent.txt" in the work folder, beside the state of the last run. A file that cannot be
// read gives an empty list; the list is written through the program's atomic writer.

#include "common/result.h"

#include <QString>
#include <QStringList>

namespace tavrel::app {

inline constexpr int kRecentFileCount = 8;
inline constexpr const char* kRecentFilesName = "recent.txt";

QStringList loadRecentFiles(const QString& path);
Outcome saveRecentFiles(const QString& path, const QStringList& files);
// `file` at the top of `files`, once, the list cut to kRecentFileCount.
QStringList withRecentFile(QStringList files, const QString& file);

} // namespace tavrel::app
