// The window's part in matching a recorded pattern: File > Open Pattern Image, the Pattern
// Image pane, and Orient > Index Pattern and Refine, which run off the window's thread.

#include "common/text.h"
#include "session/geometry.h"
#include "ui/escape_watch.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"
#include "ui/messages.h"
#include "ui/off_thread.h"
#include "ui/pattern_image_pane.h"
#include "ui/status_panels.h"
#include "ui/undo_steps.h"
#include "ui/user_dialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <mutex>

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
        undo_->detectorMoved(withCentre ? QStringLiteral("Pattern Centre")
                                        : QStringLiteral("Detector"));
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
            if (index == 2) takeFilmDistance();
        });
    connect(controller_.get(), &app::SimulationController::changed, this,
            [this](app::Changes what) {
                if (what & Change::Picture)
                    patternImage_->showFilm(controller_->simulation().fields.film);
            });
    connect(patternImage_, &PatternImagePane::removeRequested, this,
            [this] { controller_->patternImage().remove(); });

    // The background correction: a file or none refused (unreadable, another size) keeps the
    // correction as it was, and the pane shows it.
    auto takeBackground = [this](const std::string& staticPath) {
        const Outcome taken =
            controller_->patternImage().setBackground(staticPath, patternImage_->dynamic());
        if (!taken) showProblem(dialogs_, this, taken.failure());
        showPatternImage();
    };
    connect(patternImage_, &PatternImagePane::staticBackgroundRequested, this,
            [this, takeBackground] {
                FileRequest request;
                request.title = QStringLiteral("Static Background");
                request.folder = lastImageFolder_.isEmpty() ? folders().image : lastImageFolder_;
                request.filters = {
                    QStringLiteral("Pattern images (*.png *.jpg *.jpeg *.bmp *.tif *.tiff)"),
                    QStringLiteral("All files (*)")};
                request.addSuffix = false;
                const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
                if (choice) takeBackground(QDir::toNativeSeparators(choice->path).toStdString());
            });
    connect(patternImage_, &PatternImagePane::staticBackgroundCleared, this,
            [takeBackground] { takeBackground({}); });
    connect(patternImage_, &PatternImagePane::dynamicChosen, this, [this, takeBackground] {
        takeBackground(controller_->patternImage().underlay().settings.staticBackground);
    });
    connect(patternImage_, &PatternImagePane::addPhaseRequested, this, [this] {
        FileRequest request;
        request.title = QStringLiteral("Add Phase");
        request.folder = recentFiles_.lastUsedFolder(folders().data);
        request.filters = {QStringLiteral("Crystal files (*.cif *.tvr)"),
                           QStringLiteral("All files (*)")};
        request.addSuffix = false;
        const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
        if (!choice) return;
        const Outcome added = controller_->patternImage().addPhase(
            QDir::toNativeSeparators(choice->path).toStdString());
        if (!added) showProblem(dialogs_, this, added.failure());
    });
    connect(patternImage_, &PatternImagePane::removePhaseRequested, this, [this](int index) {
        controller_->patternImage().removePhase(static_cast<std::size_t>(index));
    });
}

void MainWindow::whileWorking(const std::function<void(const CancelCheck&)>& work,
                              const std::function<void()>& tick) {
    whileBusy([&](EscapeWatch& watch) { runOffThread(watch, work, tick); });
}

namespace {

// "Indexing the pattern … 3 s (Escape stops)", each second anew: the seconds show the window
// is at work.
class SecondsNote {
public:
    SecondsNote(StatusPanels& status, QString what) : status_(status), what_(std::move(what)) {
        clock_.start();
    }
    void operator()() {
        const qint64 second = clock_.elapsed() / 1000;
        if (second == shown_) return;
        shown_ = second;
        status_.showNote(what_ + QStringLiteral(" … %1 s (Escape stops)").arg(second));
    }

private:
    StatusPanels& status_;
    QString what_;
    QElapsedTimer clock_;
    qint64 shown_ = -1;
};

} // namespace

// The picture follows the search; Escape keeps the best orientation found so far.
void MainWindow::refineToPatternImage(bool fitCentre) {
    app::PatternImageCommands& image = controller_->patternImage();
    Result<app::MatchJob> job = image.matchJob();
    if (!job) {
        showProblem(dialogs_, this, job.failure());
        return;
    }
    const Mat3d start = controller_->simulation().orientation;
    std::mutex mutex;
    std::optional<Mat3d> trial;
    std::optional<Result<Refinement>> refined;
    SecondsNote note(*status_, QStringLiteral("Refining the orientation"));
    whileWorking(
        [&](const CancelCheck& cancelled) {
            RefineRequest request;
            request.fitDetector = fitCentre;
            request.cancelled = cancelled;
            request.progress = [&](const fit::RefineProgress& p) {
                const std::lock_guard lock(mutex);
                trial = p.best.orientation;
            };
            refined.emplace(job->refine(request));
        },
        [&] {
            std::optional<Mat3d> reached;
            {
                const std::lock_guard lock(mutex);
                reached = std::exchange(trial, std::nullopt);
            }
            if (reached) image.showTrial(*reached);
            note();
        });
    const Result<Refinement> taken =
        image.takeRefinement(*job, std::move(*refined), fitCentre, start);
    status_->showNote(QString());
    if (!taken) showProblem(dialogs_, this, taken.failure());
}

void MainWindow::takeFilmDistance() {
    if (controller_->takeFilmDistance()) undo_->detectorMoved(QStringLiteral("Film Distance"));
}

void MainWindow::showPatternImage() {
    const app::SimulationController& c = *controller_;
    const app::PatternImageCommands& image = c.patternImage();
    const Result<CentreCoordinates> stated = statedCentreOf(c.simulation(), {}, image.imageSize());
    patternImage_->showUnderlay(image.underlay(), c.simulation().fields.film,
                                c.simulation().detector, image.detector(),
                                stated ? std::optional(*stated) : std::nullopt,
                                QString::fromStdString(trim(c.simulation().document.title)));
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

// Escape gives nothing and says so in the status bar.
void MainWindow::indexPatternImage() {
    app::PatternImageCommands& image = controller_->patternImage();
    Result<app::MatchJob> job = image.matchJob();
    if (!job) {
        showProblem(dialogs_, this, job.failure());
        return;
    }
    std::optional<Result<std::vector<app::IndexAnswer>>> found;
    SecondsNote note(*status_, QStringLiteral("Indexing the pattern"));
    whileWorking([&](const CancelCheck& cancelled) { found.emplace(job->index(cancelled)); },
                 [&note] { note(); });
    image.keepPrepared(*job);
    if (!*found) {
        const bool stopped = found->failure().kind == Problem::Kind::Stopped;
        status_->showNote(stopped ? QString::fromStdString(found->problem()) : QString());
        if (!stopped) showProblem(dialogs_, this, found->failure());
        return;
    }
    status_->showNote(QString());
    IndexResultsDialog dialog(**found, orientationFrameOf(controller_->simulation()), this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted) return;
    const std::optional<app::IndexAnswer> chosen = dialog.chosen();
    if (!chosen) return;
    if (chosen->phase == 0)
        image.apply(chosen->found);
    else
        openPhaseAnswer(*chosen);
}

void MainWindow::openPhaseAnswer(const app::IndexAnswer& answer) {
    const QString path = QString::fromStdString(answer.path);
    if (!dialogs_.question(
            this, QStringLiteral("Index Pattern"),
            QStringLiteral("The orientation is one of %1. Open \"%2\" as the "
                           "document, with the pattern's radiation and detector, "
                           "turned to it?")
                .arg(QString::fromStdString(answer.phaseName), QFileInfo(path).fileName())))
        return;
    const std::optional<InputFormat> format = inputFormatOf(answer.path);
    if (!format || !settleUnsavedEdits()) return;
    const QString before = controller_->currentFile();
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->openFile(path, *format, cancelled, true);
                }));
    if (controller_->currentFile() != path) return;
    rememberFile(path);
    undo_->restart();
    app::PatternImageCommands& image = controller_->patternImage();
    // The crystal it was becomes a further phase in its place.
    const std::vector<std::string>& phases = image.underlay().settings.phases;
    if (const auto at = std::find(phases.begin(), phases.end(), answer.path); at != phases.end())
        image.removePhase(static_cast<std::size_t>(at - phases.begin()));
    if (!before.isEmpty()) (void)image.addPhase(QDir::toNativeSeparators(before).toStdString());
    image.apply(answer.found);
    focusPattern();
}

} // namespace tavrel::ui
