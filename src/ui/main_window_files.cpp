// The window's part in files: New, Open, Save As, File > Open Recent and the question whether
// to save unsaved edits before a command replaces them.

#include "ui/control_frame.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/status_panels.h"
#include "ui/undo_steps.h"
#include "ui/user_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>
#include <vector>

namespace tavrel::ui {

namespace {

// The captions of the input file formats, by InputFormat.
QString inputFileFilter(InputFormat format) {
    switch (format) {
    case InputFormat::Tvr:
        return QStringLiteral("Tavrel Input File (*.tvr)");
    case InputFormat::Hkl:
        return QStringLiteral("HKL File (*.hkl)");
    case InputFormat::Cif:
        break;
    }
    return QStringLiteral("Crystallographic Information File (*.cif)");
}

// The formats in the order a dialog offers them: that of kInputFormats, except that a document
// with atoms is offered the CIF first, which keeps the atoms and the setting that a pattern
// input file loses.
std::vector<InputFormat> offeredFormats(bool atomsFirst) {
    std::vector<InputFormat> formats(kInputFormats.begin(), kInputFormats.end());
    if (atomsFirst)
        std::stable_partition(formats.begin(), formats.end(),
                              [](InputFormat f) { return f == InputFormat::Cif; });
    return formats;
}

QStringList inputFileFilters(const std::vector<InputFormat>& formats) {
    QStringList filters;
    for (InputFormat format : formats) filters << inputFileFilter(format);
    return filters;
}

} // namespace

void MainWindow::newDocument() {
    if (!settleUnsavedEdits()) return;
    controller_->newDocument();
    undo_->restart();
    controlFrame_->expand();
}

InputFormat MainWindow::formatOfChoice(QString& path, const std::vector<InputFormat>& formats,
                                       int filterIndex, bool addExtension) {
    const InputFormat offered = filterIndex >= 0 && filterIndex < int(formats.size())
                                    ? formats[std::size_t(filterIndex)]
                                    : InputFormat::Tvr;
    std::string chosen = path.toStdString();
    const InputFormat format = chosenFormat(chosen, offered, addExtension);
    path = QString::fromStdString(chosen);
    return format;
}

void MainWindow::openInputFile() {
    if (!settleUnsavedEdits()) return;
    FileRequest request;
    request.title = QStringLiteral("Open (*.tvr, *.hkl, *.cif)");
    request.folder = recentFiles_.lastUsedFolder(folders().data);
    // Every file it can read first; the others follow.
    const std::vector<InputFormat> formats = offeredFormats(false);
    request.filters = QStringList{QStringLiteral("All pattern files (*.tvr *.hkl *.cif)")} +
                      inputFileFilters(formats);
    const QString current = QString::fromStdString(controller_->simulation().document.filePath);
    const QFileInfo currentFile(current);
    if (currentFile.isFile() && currentFile.size() > 0 &&
        currentFile.absolutePath() == QFileInfo(request.folder).absoluteFilePath())
        request.presetName = current;
    const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    // Past the first filter.
    openChosenFile(path, formatOfChoice(path, formats, choice->filterIndex - 1, false));
}

void MainWindow::openFile(const QString& path) {
    const std::optional<InputFormat> format = inputFormatOf(path.toStdString());
    if (!format) {
        dialogs_.error(
            this, programTitle(),
            QStringLiteral("\"%1\" is neither a .tvr, a .hkl nor a .cif file").arg(path));
        return;
    }
    if (!settleUnsavedEdits()) return;
    openChosenFile(path, *format);
}

void MainWindow::openChosenFile(const QString& path, InputFormat format) {
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->openFile(path, format, cancelled);
                }));
    if (controller_->currentFile() == path) {
        rememberFile(path);
        undo_->restart();
    }
    focusPattern();
}

void MainWindow::saveInputFile() {
    FileRequest request;
    request.title = QStringLiteral("Save As (*.tvr, *.hkl, *.cif)");
    request.folder = recentFiles_.lastUsedFolder(folders().data);
    const std::vector<InputFormat> formats = offeredFormats(controller_->hasAtoms());
    request.filters = inputFileFilters(formats);
    const std::optional<FileChoice> choice = dialogs_.saveFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    const InputFormat format = formatOfChoice(path, formats, choice->filterIndex, true);
    const auto saved = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->saveFile(path, format, cancelled);
    });
    showOutcome(dialogs_, this, saved);
    if (!saved) return;
    status_->showNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
    rememberFile(path);
}

void MainWindow::rememberFile(const QString& path) {
    recentFiles_.remember(path);
    showRecentFiles();
}

void MainWindow::showRecentFiles() {
    recentMenu_->clear();
    const QStringList& files = recentFiles_.files();
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        // "&1 silicon.tvr": a key for each; a "&" in a name is a letter of the name.
        QString caption = QDir::toNativeSeparators(file);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        entry->setObjectName(QStringLiteral("actionRecent%1").arg(i));
        connect(entry, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void MainWindow::openRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        recentFiles_.forget(path);
        showRecentFiles();
        dialogs_.error(this, programTitle(),
                       QStringLiteral("\"%1\" is no longer there; it was taken off the recent "
                                      "files.")
                           .arg(QDir::toNativeSeparators(path)));
        return;
    }
    openFile(path);
}

bool MainWindow::settleUnsavedEdits() {
    if (!controller_->modified()) return true;
    const QString path = controller_->currentFile();
    const SaveAnswer answer = dialogs_.askToSave(
        this, programTitle(),
        QStringLiteral("Save changes to \"%1\"?").arg(QFileInfo(path).fileName()));
    if (answer == SaveAnswer::Cancel) return false;
    if (answer == SaveAnswer::Discard) return true;
    // Into the file the edits belong to, in its own format.
    const InputFormat format = inputFormatOf(path.toStdString()).value_or(InputFormat::Tvr);
    const auto saved = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->saveFile(path, format, cancelled);
    });
    showOutcome(dialogs_, this, saved);
    if (!saved) return false;
    status_->showNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
    return true;
}

} // namespace tavrel::ui
