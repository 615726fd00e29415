#pragma once
// Files dragged onto the window from a file manager. A pattern input file (".tvr", ".hkl" or
// ".cif") dropped anywhere on the window, text fields included, is announced for opening; other
// files are refused everywhere, so that a text field never takes a dropped file's address as
// text. Dragged text still goes into the fields as before.

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace tavrel::ui {

class FileDrops : public QObject {
    Q_OBJECT
public:
    // Watches every widget of `window`'s window, including those made later.
    explicit FileDrops(QWidget& window);
    ~FileDrops() override;

    // The first local pattern input file the data names; empty for none.
    static QString patternFileOf(const QMimeData* data);

signals:
    void fileDropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};

} // namespace tavrel::ui
