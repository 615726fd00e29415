#include "ui/main_window.h"
#include "ui/map_window_part.h"

#include "app/reflection_model.h"
#include "app/window_settings.h"
#include "session/orient.h"
#include "ui/angle_dialog.h"
#include "ui/atoms_pane.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "ui/control_frame.h"
#include "ui/file_drops.h"
#include "ui/folding_pane.h"
#include "ui/help_menu.h"
#include "ui/icons.h"
#include "ui/input_panes.h"
#include "ui/messages.h"
#include "ui/orientation_dialogs.h"
#include "ui/picture_export.h"
#include "ui/popup_menus.h"
#include "ui/reflection_list.h"
#include "ui/status_panels.h"
#include "ui/threshold_controls.h"
#include "ui/undo_steps.h"
#include "ui/user_dialogs.h"
#include "ui/wavelength_dialog.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <initializer_list>
#include <vector>

namespace tavrel::ui {

using app::Change;
using app::ViewToggle;

namespace {

// The window's first size and the least it may shrink to.
constexpr QSize kFirstSize(850, 700);
constexpr QSize kLeastSize(600, 600);
// What a window manager's border and title bar take, in logical pixels, before the window is
// shown and its frame known.
constexpr QSize kFrameAllowance(8, 36);
// The gap around and between the panes, and above the canvas.
constexpr int kGap = 6;

} // namespace

MainWindow::MainWindow(const app::StartupOptions& options, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs),
      controller_(std::make_unique<app::SimulationController>(app::prepareFolders(options), this)),
      recentFiles_(folders().work), samples_(folders().work), settingsFile_(options.settingsFile) {
    controller_->setObjectName(QStringLiteral("controller"));
    setWindowTitle(programTitle());
    helpMenu_ = new HelpMenu(this, dialogs_);
    buildCommands();
    buildUndo();
    buildMenus();
    buildToolBar();
    buildCentralArea();
    status_ = new StatusPanels(*statusBar());
    connect(canvas_, &CanvasWidget::drawn, this, [this] { status_->show(*controller_); });
    buildSteering();
    connectInputs();
    connectUndoSteps();
    // Queued: the file manager waits for the drop to end, not for the file to be read.
    connect(new FileDrops(*this), &FileDrops::fileDropped, this, &MainWindow::openFile,
            Qt::QueuedConnection);
    connect(controller_.get(), &app::SimulationController::changed, this, &MainWindow::showChanges);

    fitIntoScreen();
    // Lay the window out now, before it is shown, so that the first list is fitted to the
    // canvas as the user will see it.
    layout()->activate();
    centralWidget()->layout()->activate();
    controller_->view().setPictureSize(canvas_->width(), canvas_->height());

    (void)controller_->start();
    map_ = new MapWindowPart(*this);
    map_->restoreSession();
    undo_->restart();
    syncToggleCommands();
    focusPattern();
}

MainWindow::~MainWindow() = default;

void MainWindow::fitIntoScreen() {
    const std::optional<app::WindowPlacement> saved =
        settingsFile_.isEmpty() ? std::nullopt : app::readWindowSettings(settingsFile_);
    // Where the window was last, on the screen it was on when that is still there.
    const QScreen* shownOn = saved ? QGuiApplication::screenAt(saved->geometry.center()) : nullptr;
    if (!shownOn) shownOn = screen();
    if (!shownOn) {
        setMinimumSize(kLeastSize);
        resize(kFirstSize);
        return;
    }
    const app::WindowFit fit = app::fitWindow(
        kFirstSize, kLeastSize, minimumSizeHint(), shownOn->availableGeometry(), kFrameAllowance,
        saved ? std::optional<QRect>(saved->geometry) : std::nullopt);
    setMinimumSize(fit.least);
    resize(fit.first);
    move(fit.position);
    // A window closed minimised opens normal: nobody looks for a window they cannot see.
    if (saved && saved->state == app::WindowState::Maximised) setWindowState(Qt::WindowMaximized);
}

QAction* MainWindow::command(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

QAction* MainWindow::presetCommand(std::size_t position) const {
    return findChild<QAction*>(QStringLiteral("actionOrient%1").arg(static_cast<int>(position)),
                               Qt::FindDirectChildrenOnly);
}

void MainWindow::buildCentralArea() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* separator = new QFrame(central);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    outer->addWidget(separator);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(kGap, kGap, kGap, 0);
    body->setSpacing(kGap);
    outer->addLayout(body, 1);

    controlFrame_ = new ControlFrame(
        controller_->simulation(), kGap,
        [this](QWidget* content) {
            buildPatternImagePane(content);
            return patternImageFolding_;
        },
        central);
    inputs_ = &controlFrame_->inputs();
    atoms_ = &controlFrame_->atoms();
    reflectionList_ = controlFrame_->list();
    connect(reflectionList_, &ReflectionList::selectionEdited, controller_.get(),
            &app::SimulationController::changeSelection);
    // A third of a wider window goes to the control frame, within its limits.
    body->addWidget(controlFrame_, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(kGap);
    body->addLayout(right, 2);
    canvas_ = new CanvasWidget(*controller_, central);
    threshold_ = new ThresholdControls(*canvas_, central);
    connect(threshold_, &ThresholdControls::positionChanged, this, [this](int position) {
        controller_->view().setThresholdPosition(position);
        showThreshold();
    });
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addStretch(1);
    sliderRow->addWidget(threshold_);
    right->addLayout(sliderRow);
    right->addWidget(canvas_, 1);
    // Tab goes from the list to the pattern, whose arrow keys turn the crystal.
    setTabOrder(reflectionList_, canvas_);
    // The gap below the canvas, above the status bar.
    right->addSpacing(kGap);

    setCentralWidget(central);
    pictureExport_ = new PictureExport(this, *controller_, *canvas_, dialogs_);
    connect(pictureExport_, &PictureExport::done, this,
            [this](const QString& note) { status_->showNote(note); });
    canvas_->addAction(command("actionCopy"));
}

void MainWindow::buildSteering() {
    auto* steering = new CanvasSteering(*canvas_, *controller_, this);
    std::vector<QAction*> orientations;
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i)
        orientations.push_back(presetCommand(i));
    auto* patternPopup =
        new PatternPopup(command("actionStereographic"), command("actionUnselectAll"),
                         command("actionSelectStrongest"), orientations, this);
    connect(steering, &CanvasSteering::patternPopupRequested, patternPopup,
            [patternPopup](QPoint at) { patternPopup->popup(at); });
    auto* listPopup = new ListPopup(
        command("actionUnselectAll"), command("actionSelectStrongest"),
        [this] { return controlFrame_->inputPanesFolded(); }, [this] { controlFrame_->collapse(); },
        this);
    listPopup->attachTo(reflectionList_);

    colourSchemePane_ = new ColourSchemePane(*controller_, dialogs_, canvas_);
    colourSchemePane_->move(kGap, kGap);
    connect(colourSchemePane_, &ColourSchemePane::closed, canvas_, &CanvasWidget::redraw);

    // Lines or reciprocal-lattice points: a hidden switch, with exactly these modifiers.
    auto* pointsMode = new QShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_M), this,
                                     [this] { controller_->view().switchLinesAndPoints(); });
    pointsMode->setObjectName(QStringLiteral("shortcutPointsMode"));
    pointsMode->setContext(Qt::WindowShortcut);
}

void MainWindow::connectInputs() {
    app::SimulationController* c = controller_.get();
    connect(inputs_, &InputPanes::textEdited, c,
            [c](app::TextField field, int index, const QString& text) {
                c->setFieldText(field, static_cast<std::size_t>(index), text);
            });
    connect(inputs_, &InputPanes::spaceGroupPicked, c,
            &app::SimulationController::setSpaceGroupPosition);
    connect(inputs_, &InputPanes::autoLimitsToggled, c, &app::SimulationController::setAutoLimits);
    connect(inputs_, &InputPanes::orientationTypePicked, c,
            &app::SimulationController::setOrientationType);
    connect(inputs_, &InputPanes::orientationApplied, this, &MainWindow::applyOrientation);
    connect(inputs_, &InputPanes::filmDistanceFinished, this, &MainWindow::takeFilmDistance);
    for (std::size_t i = 0; i < inputs_->retrieveWavelengthButtons.size(); ++i)
        connect(inputs_->retrieveWavelengthButtons[i], &QToolButton::clicked, this,
                [this, i] { retrieveWavelength(i); });
    connect(atoms_, &AtomsPane::sitesEdited, this, &MainWindow::editAtomSites);
    connect(atoms_, &AtomsPane::sitesRefused, this, [this](const QString& message) {
        // The cell goes back to what the document holds.
        atoms_->showAtoms(controller_->simulation().atoms);
        showProblem(dialogs_, this, Problem{message.toStdString()});
    });
    connect(atoms_, &AtomsPane::minIntensityEdited, this, [this](const QString& text) {
        controller_->setFieldText(app::TextField::MinIntensity, 0, text);
        reflectionList_->showThreshold();
    });
    connect(atoms_, &AtomsPane::electronScatteringToggled, c,
            &app::SimulationController::setElectronScattering);
    // After the controller has taken the edit: the title's modified marker follows the fields.
    connect(inputs_, &InputPanes::textEdited, this, &MainWindow::showTitle);
    connect(inputs_, &InputPanes::spaceGroupPicked, this, &MainWindow::showTitle);
    connect(inputs_, &InputPanes::autoLimitsToggled, this, &MainWindow::showTitle);
    connect(inputs_, &InputPanes::orientationTypePicked, this, &MainWindow::showTitle);
    connect(atoms_, &AtomsPane::minIntensityEdited, this, &MainWindow::showTitle);
    connect(atoms_, &AtomsPane::electronScatteringToggled, this, &MainWindow::showTitle);
}

void MainWindow::applyOrientation() {
    const Outcome applied = controller_->applyOrientation();
    if (applied) return;
    if (applied.failure().kind == Problem::Kind::WrongKind)
        // Through the widget, which announces the edit to the controller.
        inputs_->orientationEdit->setText(QString::fromLatin1(kInvalidOrientationText));
    else
        showProblem(dialogs_, this, applied.failure());
}

void MainWindow::editAtomSites(const std::vector<AtomSite>& sites) {
    const Outcome taken = controller_->setAtomSites(sites);
    if (taken) return;
    // The table goes back to the sites the document holds.
    atoms_->showAtoms(controller_->simulation().atoms);
    showProblem(dialogs_, this, taken.failure());
}

void MainWindow::buildSamplesMenu(QMenu* menu) {
    const SampleList& samples = samples_.samples();
    if (samples.empty()) {
        QAction* none = menu->addAction(QStringLiteral("(no samples)"));
        none->setObjectName(QStringLiteral("actionNoSamples"));
        none->setEnabled(false);
        return;
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        // A "&" in a name is a letter of the name, not a mnemonic.
        QString caption = QString::fromStdString(samples.samples()[i].name);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(caption);
        action->setObjectName(QStringLiteral("actionSample%1").arg(i));
        connect(action, &QAction::triggered, this, [this, i] { applySample(i); });
    }
}

void MainWindow::setGenerationPolling(std::chrono::milliseconds interval,
                                      std::function<void(int)> hook) {
    pollInterval_ = interval;
    pollHook_ = std::move(hook);
}

void MainWindow::buildUndo() {
    undo_ = new UndoSteps(
        *controller_,
        [this](const DocumentFields& fields, const Mat3d& orientation) {
            const Result<NewListReport> report = whileGenerating([&](const CancelCheck& cancelled) {
                return controller_->resimulate(fields, orientation, cancelled);
            });
            showOutcome(dialogs_, this, report);
            return report && controller_->hasReflections();
        },
        this);
    QAction* undo = undo_->stack().createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcuts(QKeySequence::Undo);
    QAction* redo = undo_->stack().createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    // Ctrl+Shift+Z on every desktop, besides what the desktop itself calls redo.
    QList<QKeySequence> redoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!redoKeys.contains(key)) redoKeys.append(key);
    redo->setShortcuts(redoKeys);
}

// Each connection runs after the command's own, when the orientation has already moved.
void MainWindow::connectUndoSteps() {
    const auto turned = [this](const QString& label, bool withField = false) {
        return [this, label, withField] { undo_->turned(label, withField); };
    };
    connect(canvas_, &CanvasWidget::arrowKeyPressed, this, turned(QStringLiteral("Turn")));
    connect(canvas_, &CanvasWidget::wheelTurned, this, turned(QStringLiteral("Turn")));
    // The moves of a drag turn the crystal; its release makes them one step.
    connect(canvas_, &CanvasWidget::pointerReleased, this, turned(QStringLiteral("Drag")));
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i)
        if (QAction* preset = presetCommand(i))
            connect(preset, &QAction::triggered, this,
                    turned(QStringLiteral("Orientation ") + preset->text(), true));
    connect(inputs_, &InputPanes::orientationApplied, this,
            turned(QStringLiteral("Typed Orientation"), true));
    // These write the orientation they set into the field, which undo writes back.
    for (const char* name : {"actionNearestZoneAxis", "actionTiltToZoneAxis",
                             "actionRefineOrientation", "actionIndexPattern"}) {
        QAction* c = command(name);
        connect(c, &QAction::triggered, this,
                turned(QString(c->text()).remove(QChar(0x2026)), true));
    }
    // The fitted film distance is no part of an orientation step: the steps go on from here.
    connect(command("actionRefineWithCentre"), &QAction::triggered, this,
            [this] { undo_->resync(); });
}

void MainWindow::showChanges(app::Changes what) {
    const app::SimulationController& c = *controller_;
    if (what & (Change::List | Change::Strengths))
        reflectionList_->model()->setFourIndex(c.showsFourIndices());
    if (what & Change::Fields) {
        inputs_->showFields(c.simulation().fields);
        atoms_->showFields(c.simulation().fields);
    }
    if (what & (Change::Underlay | Change::Fields | Change::List)) showPatternImage();
    if (what & Change::List) {
        showNewList();
        // A picture leaves the window only while there is one.
        for (const char* name :
             {"actionCopy", "actionSaveImage", "actionPrint", "actionPrintDirect"})
            command(name)->setEnabled(c.hasReflections());
    }
    if (what & Change::Strengths) {
        // The intensity column comes or goes; the list is shown anew, its selection with it.
        if (!(what & Change::List)) reflectionList_->showNewList();
        reflectionList_->showSelection(c.pattern().selection);
        reflectionList_->showThreshold();
        atoms_->showAtoms(c.simulation().atoms);
        syncToggleCommands();
    }
    if (what & Change::Selection) {
        reflectionList_->showSelection(c.pattern().selection);
        if (c.pickedReflection()) reflectionList_->showReflection(*c.pickedReflection());
    }
    // The status texts come first: a picture drawn after them writes its own counts.
    if (what & Change::Status) status_->show(c);
    if (what & Change::Picture) canvas_->redraw();
    showTitle();
}

void MainWindow::showTitle() {
    const QString& file = controller_->currentFile();
    if (file.isEmpty()) {
        setWindowModified(false);
        setWindowTitle(programTitle());
        return;
    }
    // "[*]" in a file's name is a part of the name, not the modified marker.
    QString name = QFileInfo(file).fileName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(name + QStringLiteral("[*] — ") + programTitle());
    setWindowModified(controller_->modified());
}

void MainWindow::showNewList() {
    reflectionList_->showNewList();
    threshold_->showRange(controller_->simulation().document.threshold);
    if (controller_->listOrigin() != NewList::Cleared) showThreshold();
}

void MainWindow::showThreshold() {
    threshold_->showThreshold(controller_->simulation().document.displayDMin);
    reflectionList_->showThreshold();
}

void MainWindow::syncToggleCommands() {
    const app::SimulationController& c = *controller_;
    const app::ViewCommands& view = c.view();
    const std::pair<const char*, ViewToggle> toggles[] = {
        {"actionStereographic", ViewToggle::Stereographic},
        {"actionFilmOutline", ViewToggle::FilmOutline},
        {"actionRings", ViewToggle::Rings},
        {"actionLabels", ViewToggle::Labels},
        {"actionToggleBackground", ViewToggle::LightBackground},
        {"actionColourByIntensity", ViewToggle::ColourByIntensity},
        {"actionZoneAxes", ViewToggle::ZoneAxes},
        {"actionFourIndex", ViewToggle::FourIndex}};
    for (const auto& [name, toggle] : toggles) command(name)->setChecked(view.toggle(toggle));
    // Fitting the film is a gnomonic matter: the stereographic picture always shows all.
    command("actionResetZoom")->setVisible(!view.toggle(ViewToggle::Stereographic));
    // Line strengths come with atoms; four indices only mean something for a hexagonal cell.
    command("actionColourByIntensity")->setVisible(c.hasAtoms());
    command("actionFourIndex")->setEnabled(c.hexagonalCell());
    if (QAction* largest =
            findChild<QAction*>(QStringLiteral("actionZoneAxisIndex%1").arg(view.zoneAxisIndex())))
        largest->setChecked(true);
}

void MainWindow::showOrientationMatrix() {
    const Result<OrientationSummary> summary = controller_->orientationSummary();
    if (!summary) {
        showProblem(dialogs_, this, summary.failure());
        return;
    }
    OrientationMatrixDialog dialog(
        QString::fromStdString(orientationSummaryText(*summary, controller_->showsFourIndices())),
        this);
    dialogs_.runModal(dialog);
}

void MainWindow::turnToNearestZoneAxis() {
    const Result<ZoneAxis> axis = controller_->turnToNearestZoneAxis();
    if (!axis) showProblem(dialogs_, this, axis.failure());
}

void MainWindow::tiltToZoneAxis() {
    const Result<OrientationSummary> summary = controller_->orientationSummary();
    if (!summary) {
        showProblem(dialogs_, this, summary.failure());
        return;
    }
    TiltDialog dialog([this](const QString& text) { return controller_->holderTiltsTo(text); },
                      controller_->hexagonalCell(), this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted || !dialog.tilts()) return;
    controller_->applyHolderTilts(*dialog.tilts());
}

void MainWindow::performSimulation() {
    const UndoSteps::SimulationStart start = undo_->simulationStarts();
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->performSimulation(cancelled);
                }));
    undo_->simulated(start);
    focusPattern();
}

void MainWindow::showWrittenFile(const Result<QString>& written) {
    if (written)
        showOnDesktop(*written, false);
    else
        showProblem(dialogs_, this, written.failure());
}

void MainWindow::showOnDesktop(const QString& path, bool folder) {
    if (dialogs_.openUrl(QUrl::fromLocalFile(path))) return;
    // A desktop without a handler only says so on the terminal, which the user never sees.
    const QString shown = QDir::toNativeSeparators(path);
    dialogs_.error(this, programTitle(),
                   folder ? QStringLiteral("No file manager could be started to show the folder "
                                           "\"%1\".")
                                .arg(shown)
                          : QStringLiteral("No program could be started to show \"%1\".\n"
                                           "The file has been written and can be opened by hand.")
                                .arg(shown));
}

void MainWindow::focusPattern() {
    canvas_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::setControlsVisible(bool visible) {
    controlFrame_->setVisible(visible);
    command("actionCollapsePanes")->setEnabled(visible);
    command("actionExpandPanes")->setEnabled(visible);
}

void MainWindow::retrieveWavelength(std::size_t index) {
    WavelengthDialog dialog(dialogs_, this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted) return;
    // Through the widget, which announces the edit; the document follows at its next reading.
    inputs_->wavelengthEdits.at(index)->setText(dialog.wavelengthText());
}

void MainWindow::editSamples() {
    if (const Outcome ready = samples_.prepareForEditing(); !ready) {
        showProblem(dialogs_, this, ready.failure());
        return;
    }
    if (!dialogs_.openUrl(QUrl::fromLocalFile(samples_.path())))
        dialogs_.error(this, programTitle(),
                       QStringLiteral("No program could be started to edit \"%1\".")
                           .arg(QDir::toNativeSeparators(samples_.path())));
}

void MainWindow::applySample(std::size_t index) {
    const std::optional<Sample> sample = samples_.samples().sample(index);
    if (!sample || !settleUnsavedEdits()) return;
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->applySample(*sample, cancelled);
                }));
    undo_->restart();
    focusPattern();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (generating_ || !settleUnsavedEdits()) {
        event->ignore();
        return;
    }
    // A dump that cannot be written leaves the previous one in place; the next start then
    // shows the state before this run, which is all that can be done while closing.
    (void)controller_->saveState();
    map_->saveSession();
    app::WindowPlacement placement;
    placement.geometry = QRect(pos(), size());
    placement.state = isMinimized()   ? app::WindowState::Minimised
                      : isMaximized() ? app::WindowState::Maximised
                                      : app::WindowState::Normal;
    placement.executablePath = QCoreApplication::applicationFilePath();
    // A file that cannot be written is not worth holding up the quit: the next start opens the
    // window where it opened before.
    if (!settingsFile_.isEmpty()) (void)app::saveWindowSettings(settingsFile_, placement);
    event->accept();
}

} // namespace tavrel::ui
