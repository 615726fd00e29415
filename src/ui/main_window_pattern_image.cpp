// The window's part in matching a recorded pattern: File > Open Pattern Image, the Pattern
// Image pane, and Orient > Index Pattern. (Refining runs under the window's Escape watch, in
// main_window.cpp beside the other long commands.)

#include "session/geometry.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
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
        app::PatternImageCommands& image = controller_->patternImage();
        image.setSettings(patternImage_->settings(image.underlay().settings));
    });
    // A detector the pane's fields give that no pattern can lie on is refused naming the field,
    // and the pane shows the detector as it was.
    auto takeDetector = [this](bool withCentre) {
        app::PatternImageCommands& image = controller_->patternImage();
        const DetectorSetup setup = patternImage_->setup(controller_->simulation().detector);
        const Outcome taken = image.setDetector(
            setup, withCentre ? std::optional(patternImage_->statedCentre()) : std::nullopt);
        if (!taken) showProblem(dialogs_, this, taken.failure());
        showPatternImage();
        inputs_->showFields(controller_->simulation().fields);
    };
    connect(patternImage_, &PatternImagePane::centreEdited, this,
            [takeDetector] { takeDetector(true); });
    connect(patternImage_, &PatternImagePane::detectorEdited, this,
            [takeDetector] { takeDetector(false); });
    connect(patternImage_, &PatternImagePane::conventionChosen, this,
            [takeDetector] { takeDetector(false); });
    connect(patternImage_, &PatternImagePane::frameChosen, this,
            [this] { controller_->patternImage().setEulerFrame(patternImage_->frame()); });
    // The film is the document's: both panes that show it follow every edit of it.
    connect(
        patternImage_, &PatternImagePane::filmEdited, this, [this](int index, const QString& text) {
            controller_->setFieldText(app::TextField::Film, static_cast<std::size_t>(index), text);
            inputs_->showFields(controller_->simulation().fields);
        });
    connect(controller_.get(), &app::SimulationController::changed, this,
            [this](app::Changes what) {
                if (what & Change::Picture)
                    patternImage_->showFilm(controller_->simulation().fields.film);
            });
    connect(patternImage_, &PatternImagePane::removeRequested, this,
            [this] { controller_->patternImage().remove(); });
}

void MainWindow::showPatternImage() {
    const app::SimulationController& c = *controller_;
    const app::PatternImageCommands& image = c.patternImage();
    const Result<CentreCoordinates> stated = statedCentreOf(c.simulation(), {}, image.imageSize());
    patternImage_->showUnderlay(image.underlay(), c.simulation().fields.film,
                                c.simulation().detector, image.detector(),
                                stated ? std::optional(*stated) : std::nullopt);
    const bool loaded = image.underlay().loaded();
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
    if (const Outcome opened = controller_->patternImage().open(choice->path); !opened) {
        showProblem(dialogs_, this, opened.failure());
        return;
    }
    patternImageFolding_->setFolded(false);
}

void MainWindow::indexPatternImage() {
    const Result<std::vector<fit::FoundOrientation>> found = controller_->patternImage().index();
    if (!found) {
        showProblem(dialogs_, this, found.failure());
        return;
    }
    IndexResultsDialog dialog(*found, controller_->simulation().document.matrices,
                              orientationFrameOf(controller_->simulation()), this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted) return;
    if (const std::optional<fit::FoundOrientation> chosen = dialog.chosen())
        controller_->patternImage().apply(*chosen);
}

} // namespace tavrel::ui
