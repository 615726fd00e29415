#include "app/recent_files.h"

#include "common/file_io.h"

#include <QFile>

namespace tavrel::app {

QStringList loadRecentFiles(const QString& path) {
    const Result<std::string> content = readWholeFile(QFile::encodeName(path).toStdString());
    if (!content) return {};
    QStringList files;
    for (const std::string& line : splitLines(*content, kRecentFileCount)) {
        const QString file = QFile::decodeName(QByteArray::fromStdString(line));
        if (!file.isEmpty() && !files.contains(file)) files.append(file);
    }
    return files;
}

Outcome saveRecentFiles(const QString& path, const QStringList& files) {
    std::string content;
    for (const QString& file : files) content += QFile::encodeName(file).toStdString() + "\n";
    return writeFileAtomically(QFile::encodeName(path).toStdString(), content);
}

QStringList withRecentFile(QStringList files, const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kRecentFileCount) files.removeLast();
    return files;
}

} // namespace tavrel::app
