// The window's part in matching a recorded pattern: File > Open Pattern Image, the Pattern
// Image pane, and Orient > Index Pattern. (Refining runs under the window's Escape watch, in
// main_window.cpp beside the other long commands.)

#include "ui/folding_pane.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/pattern_image_pane.h"
#include "ui/user_dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::ui {

using app::Change;

void MainWindow::buildPatternImagePane(QWidget* frameContent) {
    patternImage_ = new PatternImagePane(frameContent);
    patternImageFolding_ =
        new FoldingPane(QStringLiteral("Pattern Image"), patternImage_, false, frameContent);
    patternImageFolding_->setObjectName(QStringLiteral("patternImagePane"));
    patternImageFolding_->setFolded(true);
    connect(patternImage_, &PatternImagePane::settingsEdited, this, [this] {
        controller_->setUnderlaySettings(patternImage_->settings(controller_->underlay().settings));
    });
    connect(patternImage_, &PatternImagePane::distanceEdited, this, [this](const QString& text) {
        controller_->setFieldText(app::TextField::Film, 2, text);
    });
    connect(patternImage_, &PatternImagePane::removeRequested, controller_.get(),
            &app::SimulationController::removePatternImage);
}

void MainWindow::showPatternImage() {
    const app::SimulationController& c = *controller_;
    patternImage_->showUnderlay(c.underlay(),
                                QString::fromStdString(c.simulation().fields.film[2]));
    const bool loaded = c.underlay().loaded();
    for (const char* name :
         {"actionRefineOrientation", "actionRefineWithCentre", "actionIndexPattern"})
        command(name)->setEnabled(loaded && c.hasReflections());
}

void MainWindow::openPatternImage() {
    FileRequest request;
    request.title = QStringLiteral("Open Pattern Image");
    request.folder = lastImageFolder_.isEmpty() ? folders().image : lastImageFolder_;
    request.filters = {QStringLiteral("Pattern images (*.png *.jpg *.jpeg *.bmp *.tif *.tiff)"),
                       QStringLiteral("All files (*)")};
    request.addSuffix = false;
    const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
    if (!choice) return;
    lastImageFolder_ = QFileInfo(choice->path).absolutePath();
    if (const Outcome opened = controller_->openPatternImage(choice->path); !opened) {
        showProblem(dialogs_, this, opened.failure());
        return;
    }
    patternImageFolding_->setFolded(false);
}

void MainWindow::indexPatternImage() {
    const Result<std::vector<FoundOrientation>> found = controller_->indexImage();
    if (!found) {
        showProblem(dialogs_, this, found.failure());
        return;
    }
    IndexResultsDialog dialog(*found, this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted) return;
    if (const std::optional<FoundOrientation> chosen = dialog.chosen())
        controller_->applyFoundOrientation(*chosen);
}

} // namespace tavrel::ui
