#pragma once
// Everything by which the window asks the user or reaches outside itself: file dialogs, message
// boxes, the colour chooser, the print dialog, the beep and the desktop's handler for files,
// folders and addresses. The program uses the Qt implementation; tests script the answers, so
// that no test ever waits on a real dialog or starts another program.

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;
class QUrl;
class QWidget;

namespace tavrel::ui {

struct FileRequest {
    QString title;
    QString folder;        // where the dialog starts
    QStringList filters;   // "Tavrel Input File (*.tvr)", ...
    QString presetName;    // a file name (or full path) the dialog starts with; may be empty
    bool addSuffix = true; // a name typed without an extension receives the filter's
};

struct FileChoice {
    QString path;
    int filterIndex = 0; // the position of the chosen filter in FileRequest::filters
};

// The answer to "Save changes to ...?".
enum class SaveAnswer { Save, Discard, Cancel };

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // No value when the user cancels.
    virtual std::optional<FileChoice> openFileName(QWidget* parent, const FileRequest& request) = 0;
    virtual std::optional<FileChoice> saveFileName(QWidget* parent, const FileRequest& request) = 0;

    virtual void error(QWidget* parent, const QString& caption, const QString& text) = 0;
    virtual void information(QWidget* parent, const QString& caption, const QString& text) = 0;
    // True for Yes.
    virtual bool question(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Save, Discard or Cancel for edits that a command would lose.
    virtual SaveAnswer askToSave(QWidget* parent, const QString& caption, const QString& text) = 0;
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) = 0;
    // True when the user confirmed the printer settings.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;

    // Runs a modal dialog of the window until it closes; its result (QDialog::Accepted or
    // Rejected). Tests drive the dialog's widgets here instead of waiting on it.
    virtual int runModal(QDialog& dialog) = 0;

    virtual void beep() = 0;
    // Opens a file, a folder or an address with the desktop's handler; false when none took it.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The real dialogs (Qt's own, so that they look the same on every desktop) and QDesktopServices.
class QtUserDialogs : public UserDialogs {
public:
    std::optional<FileChoice> openFileName(QWidget* parent, const FileRequest& request) override;
    std::optional<FileChoice> saveFileName(QWidget* parent, const FileRequest& request) override;
    void error(QWidget* parent, const QString& caption, const QString& text) override;
    void information(QWidget* parent, const QString& caption, const QString& text) override;
    bool question(QWidget* parent, const QString& caption, const QString& text) override;
    SaveAnswer askToSave(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
    int runModal(QDialog& dialog) override;
    void beep() override;
    bool openUrl(const QUrl& url) override;
};

} // namespace tavrel::ui
