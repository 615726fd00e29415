#include "app/recent_files.h"

#include "common/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavrel::app {

RecentFiles::RecentFiles(const QString& workFolder)
    : path_(QDir(workFolder).filePath(QString::fromLatin1(kRecentFilesName))) {
    const Result<std::string> content = readWholeFile(QFile::encodeName(path_).toStdString());
    if (!content) return;
    for (const std::string& line : splitLines(*content, kRecentFileCount)) {
        const QString file = QFile::decodeName(QByteArray::fromStdString(line));
        if (!file.isEmpty() && !files_.contains(file)) files_.append(file);
    }
}

void RecentFiles::remember(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    if (file.contains(QLatin1Char('\n'))) return;
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kRecentFileCount) files_.removeLast();
    save();
}

void RecentFiles::forget(const QString& path) {
    files_.removeAll(path);
    save();
}

QString RecentFiles::lastUsedFolder(const QString& fallback) const {
    for (const QString& file : files_) {
        const QString folder = QFileInfo(file).absolutePath();
        if (QFileInfo(folder).isDir()) return folder;
    }
    return fallback;
}

void RecentFiles::save() const {
    std::string content;
    for (const QString& file : files_) content += QFile::encodeName(file).toStdString() + "\n";
    (void)writeFileAtomically(QFile::encodeName(path_).toStdString(), content);
}

} // namespace tavrel::app
