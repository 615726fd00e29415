#pragma once
// The files opened or saved last, newest first, for File > Open Recent: one path a line in
// "recent.txt" in the work folder, beside the state of the last run. A file that cannot be
// read gives an empty list; the list is written through the program's atomic writer, and one
// that cannot be written is not worth a message (it is a convenience).

#include <QString>
#include <QStringList>

namespace tavrel::app {

inline constexpr int kRecentFileCount = 8;
inline constexpr const char* kRecentFilesName = "recent.txt";

class RecentFiles {
public:
    // The list kept in the work folder, read now.
    explicit RecentFiles(const QString& workFolder);

    const QStringList& files() const { return files_; }
    // `path`, made absolute, at the top once, the list cut to kRecentFileCount and written. A
    // name with a line break cannot stand on a line of its own and is not kept.
    void remember(const QString& path);
    // A file that has gone comes off the list.
    void forget(const QString& path);
    // Where Open and Save start: the folder of the newest file whose folder is still there
    // (whichever way it was opened or saved, in any run); `fallback` when there is none.
    QString lastUsedFolder(const QString& fallback) const;

private:
    void save() const;

    QString path_;
    QStringList files_;
};

} // namespace tavrel::app
