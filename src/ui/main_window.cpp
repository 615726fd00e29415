#include "ui/main_window.h"

#include "app/recent_files.h"
#include "app/reflection_model.h"
#include "app/window_settings.h"
#include "common/numeric.h"
#include "orientation/miller_indices.h"
#include "output/banded_surface.h"
#include "output/painter_surface.h"
#include "output/raster_line_surface.h"
#include "session/orient.h"
#include "ui/angle_dialog.h"
#include "ui/atoms_pane.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "ui/escape_watch.h"
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
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSizePolicy>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace tavrel::ui {

using app::Change;
using app::StatusPanel;
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
constexpr int kControlFrameWidth = 285;

// One command of the menus and the toolbar, declared once: the menus, the toolbar and the
// popups take the same action, found by its name.
struct CommandSpec {
    const char* name; // the action's object name
    const char* caption;
    const char* toolTip = ""; // none when empty
    QKeySequence shortcut = {};
    const char* icon = ""; // none when empty
    bool checkable = false;
    std::function<void(bool)> run = {};
};

// The names of the commands of a menu or a bar in order; null stands for a separator.
using CommandList = std::initializer_list<const char*>;

// Save writes CIF files too: they keep the atoms and the setting that a pattern input file loses.
QStringList inputFileFilters() {
    return {QStringLiteral("Tavrel Input File (*.tvr)"), QStringLiteral("HKL File (*.hkl)"),
            QStringLiteral("Crystallographic Information File (*.cif)")};
}

// Open shows every file it can read first; the others follow in the order Save offers them.
QStringList openFileFilters() {
    return QStringList{QStringLiteral("All pattern files (*.tvr *.hkl *.cif)")} +
           inputFileFilters();
}

InputFormat formatOfFilter(int filterIndex) {
    switch (filterIndex) {
    case 1:
        return InputFormat::Hkl;
    case 2:
        return InputFormat::Cif;
    default:
        return InputFormat::Tvr;
    }
}

// A name the user typed with a known extension is written and read in that format, whatever
// filter the dialog showed: a ".hkl" file holding a pattern input file could never be opened
// again. Only a name without one takes the filter's format (and its extension).
InputFormat chosenFormat(QString& path, int filterIndex, bool addExtension) {
    if (const auto known = inputFormatOf(path.toStdString())) return *known;
    const InputFormat format = formatOfFilter(filterIndex);
    if (addExtension)
        path += format == InputFormat::Hkl   ? QStringLiteral(".hkl")
                : format == InputFormat::Cif ? QStringLiteral(".cif")
                                             : QStringLiteral(".tvr");
    return format;
}

QString presetCommandName(std::size_t position) {
    return QStringLiteral("actionOrient%1").arg(static_cast<int>(position));
}

} // namespace

MainWindow::MainWindow(const app::StartupOptions& options, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs),
      controller_(std::make_unique<app::SimulationController>(app::prepareFolders(options))) {
    setWindowTitle(programTitle());
    helpMenu_ = new HelpMenu(this, dialogs_);
    buildCommands();
    buildUndo();
    buildMenus();
    buildToolBar();
    buildCentralArea();
    buildStatusBar();
    buildSteering();
    connectInputs();
    connectUndoSteps();
    acceptFileDrops();
    connect(controller_.get(), &app::SimulationController::changed, this, &MainWindow::showChanges);

    fitIntoScreen();
    // Lay the window out now, before it is shown, so that the first list is fitted to the
    // canvas as the user will see it.
    layout()->activate();
    centralWidget()->layout()->activate();
    controller_->setPictureSize(canvas_->width(), canvas_->height());

    startedFromDump_ = controller_->start();
    undo_->restart();
    syncToggleCommands();
    focusPattern();
}

MainWindow::~MainWindow() = default;

void MainWindow::fitIntoScreen() {
    const QScreen* shownOn = screen();
    if (!shownOn) {
        setMinimumSize(kLeastSize);
        resize(kFirstSize);
        return;
    }
    const app::WindowFit fit = app::fitWindow(kFirstSize, kLeastSize, minimumSizeHint(),
                                              shownOn->availableGeometry(), kFrameAllowance);
    setMinimumSize(fit.least);
    resize(fit.first);
    move(fit.position);
}

QAction* MainWindow::command(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void MainWindow::buildCommands() {
    auto toggle = [this](ViewToggle which) {
        return [this, which](bool on) {
            controller_->setViewToggle(which, on);
            syncToggleCommands();
        };
    };
    auto link = [this](app::WebTarget target) {
        return [this, target](bool) { helpMenu_->openTarget(target); };
    };
    const QKeySequence noKey;
    const CommandSpec commands[] = {
        {"actionNew", "New", "New Input Data", QKeySequence::New, "new", false,
         [this](bool) { newDocument(); }},
        {"actionOpen", "Open (*.tvr,*.hkl)", "Open Tavrel Input File", QKeySequence::Open, "open",
         false, [this](bool) { openInputFile(); }},
        {"actionSave", "Save (*.tvr,*.hkl)", "Save Input Data", QKeySequence::Save, "save", false,
         [this](bool) { saveInputFile(); }},
        {"actionCopy", "Copy", "Copy to Clipboard", QKeySequence::Copy, "copy", false,
         [this](bool) { pictureExport_->copyPicture(); }},
        {"actionPrint", "Print ...", "", QKeySequence::Print, "", false,
         [this](bool) { pictureExport_->printWithDialog(); }},
        {"actionPrintDirect", "Print", "Print", noKey, "print", false,
         [this](bool) { pictureExport_->printPage(); }},
        {"actionSaveImage", "Save Image (*.bmp)", "", noKey, "", false,
         [this](bool) { pictureExport_->saveImage(); }},
        {"actionViewDataFolder", "View Data Folder", "", noKey, "", false,
         [this](bool) { viewDataFolder(); }},
        {"actionViewImageFolder", "View Image Folder", "", noKey, "", false,
         [this](bool) { viewImageFolder(); }},
        {"actionExit", "Exit", "", QKeySequence(Qt::CTRL | Qt::Key_Q), "", false,
         [this](bool) { close(); }},
        {"actionStereographic", "Stereographic Projection", "Stereographic Projection", noKey,
         "stereographic", true, toggle(ViewToggle::Stereographic)},
        {"actionFilmOutline", "Film Outline", "Show Film Outline", noKey, "outline", true,
         toggle(ViewToggle::FilmOutline)},
        {"actionRings", "Stereographic Rings", "Show 10 deg rings", noKey, "rings", true,
         toggle(ViewToggle::Rings)},
        {"actionLabels", "HKL Indices", "Show Label", noKey, "labels", true,
         toggle(ViewToggle::Labels)},
        {"actionToggleBackground", "Toggle Background Color", "Toggle Background Color", noKey,
         "background", true, toggle(ViewToggle::LightBackground)},
        {"actionColourByIntensity", "Colour Lines by Intensity", "", noKey, "", true,
         toggle(ViewToggle::ColourByIntensity)},
        {"actionZoneAxes", "Zone Axes", "", noKey, "", true, toggle(ViewToggle::ZoneAxes)},
        {"actionFourIndex", "Miller–Bravais Indices", "", noKey, "", true,
         toggle(ViewToggle::FourIndex)},
        {"actionOrientationMatrix", "Orientation Matrix…", "", noKey, "", false,
         [this](bool) { showOrientationMatrix(); }},
        {"actionNearestZoneAxis", "Nearest Zone Axis", "", noKey, "", false,
         [this](bool) { turnToNearestZoneAxis(); }},
        {"actionTiltToZoneAxis", "Tilt to Zone Axis…", "", noKey, "", false,
         [this](bool) { tiltToZoneAxis(); }},
        {"actionOpenPatternImage", "Open Pattern Image…", "", noKey, "", false,
         [this](bool) { openPatternImage(); }},
        {"actionRefineOrientation", "Refine Orientation", "", noKey, "", false,
         [this](bool) { refineToPatternImage(false); }},
        {"actionRefineWithCentre", "Refine Orientation and Pattern Centre", "", noKey, "", false,
         [this](bool) { refineToPatternImage(true); }},
        {"actionIndexPattern", "Index Pattern", "", noKey, "", false,
         [this](bool) { indexPatternImage(); }},
        {"actionReport", "Report", "", noKey, "", false, [this](bool) { writeReport(); }},
        {"actionSymmetryListing", "Symmetry Operations", "", noKey, "", false,
         [this](bool) { showSymmetryListing(); }},
        {"actionUnselectAll", "Unselect All", "", noKey, "", false,
         [this](bool) { controller_->unselectAll(); }},
        {"actionSelectStrongest", "Select Strongest", "", noKey, "", false,
         [this](bool) { controller_->selectStrongest(); }},
        {"actionColorScheme", "Color Scheme", "", noKey, "", false,
         [this](bool) { colourSchemePane_->open(); }},
        {"actionControls", "Controls", "", noKey, "", true,
         [this](bool on) { setControlsVisible(on); }},
        {"actionCollapsePanes", "Collapse Panes", "", noKey, "", false,
         [this](bool) { collapsePanes(); }},
        {"actionExpandPanes", "Expand Panes", "", noKey, "", false,
         [this](bool) { expandPanes(); }},
        {"actionAngleCalculator", "Angle Calculator", "", noKey, "", false,
         [this](bool) { openAngleCalculator(); }},
        {"actionEditSamples", "Edit ...", "", noKey, "", false, [this](bool) { editSamples(); }},
        {"actionHelpContents", "Contents", "", QKeySequence::HelpContents, "", false,
         [this](bool) { helpMenu_->showContents(); }},
        {"actionProgramHomepage", "Tavrel/Morwen Homepage", "", noKey, "", false,
         link(app::WebTarget::ProgramHomepage)},
        {"actionMakerHomepage", "Quorvex Homepage", "", noKey, "", false,
         link(app::WebTarget::MakerHomepage)},
        {"actionAuthorHomepage", "Author's Homepage", "", noKey, "", false,
         link(app::WebTarget::AuthorHomepage)},
        {"actionDonate", "Donate ...", "", noKey, "", false, [this](bool) { helpMenu_->donate(); }},
        {"actionAbout", "About", "", noKey, "", false, [this](bool) { helpMenu_->showAbout(); }},
        {"actionPerformSimulation", "Perform Simulation", "Perform Simulation",
         QKeySequence(Qt::Key_F5), "simulate", false, [this](bool) { performSimulation(); }},
        {"actionResetZoom", "Reset Zoom", "Reset Zoom", noKey, "zoom", false,
         [this](bool) { controller_->fitToWindow(); }},
    };
    for (const CommandSpec& spec : commands) {
        auto* action = new QAction(QString::fromUtf8(spec.caption), this);
        action->setObjectName(QString::fromLatin1(spec.name));
        if (*spec.toolTip) action->setToolTip(QString::fromUtf8(spec.toolTip));
        if (!spec.shortcut.isEmpty()) {
            action->setShortcut(spec.shortcut);
            // The tip names the key, as the menu does.
            action->setToolTip(QStringLiteral("%1 (%2)").arg(
                action->toolTip(), spec.shortcut.toString(QKeySequence::NativeText)));
        }
        if (*spec.icon) action->setIcon(icon(QString::fromLatin1(spec.icon)));
        action->setCheckable(spec.checkable);
        // A toggle's icon would stand in the menu where its check mark belongs.
        if (spec.checkable) action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, this, spec.run);
    }
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i) {
        const PresetOrientation& preset = kPresetOrientations[i];
        if (preset.text.empty()) continue;
        auto* action = new QAction(
            QString::fromUtf8(preset.caption.data(), static_cast<qsizetype>(preset.caption.size())),
            this);
        action->setObjectName(presetCommandName(i));
        const int position = static_cast<int>(i);
        connect(action, &QAction::triggered, this,
                [this, position] { controller_->applyPresetOrientation(position); });
    }

    auto* largest = new QActionGroup(this);
    for (int i = 1; i <= 6; ++i) {
        auto* action = new QAction(QStringLiteral("|u|, |v|, |w| ≤ %1").arg(i), largest);
        action->setObjectName(QStringLiteral("actionZoneAxisIndex%1").arg(i));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] {
            controller_->setZoneAxisIndex(i);
            syncToggleCommands();
        });
    }

    command("actionStereographic")
        ->setWhatsThis(QStringLiteral("Gnomonic/Stereographic Projection"));
    command("actionExit")->setMenuRole(QAction::QuitRole);
    command("actionControls")->setChecked(true);
    // Ctrl+C copies the picture while the canvas has the focus; in a text field it copies text.
    command("actionCopy")->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    // Not in a menu: without this its shortcut would only work while the toolbar is shown.
    addAction(command("actionPerformSimulation"));
}

void MainWindow::buildMenus() {
    auto menu = [this](const char* name, const QString& title, CommandList commands) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        for (const char* c : commands) {
            if (c)
                m->addAction(command(c));
            else
                m->addSeparator();
        }
        return m;
    };
    QMenu* file = menu("menuFile", QStringLiteral("&File"),
                       {"actionNew", "actionOpen", "actionSave", nullptr, "actionOpenPatternImage",
                        nullptr, "actionCopy", "actionPrint", "actionSaveImage", nullptr,
                        "actionViewDataFolder", "actionViewImageFolder", nullptr, "actionExit"});
    recentMenu_ = new QMenu(QStringLiteral("Open &Recent"), file);
    recentMenu_->setObjectName(QStringLiteral("menuOpenRecent"));
    file->insertMenu(command("actionSave"), recentMenu_);
    recentFiles_ = app::loadRecentFiles(recentFilesPath());
    showRecentFiles();
    menu("menuEdit", QStringLiteral("&Edit"), {"actionUndo", "actionRedo"});
    QMenu* view = menu("menuView", QStringLiteral("&View"),
                       {"actionStereographic", "actionFilmOutline", "actionRings", "actionLabels",
                        "actionColourByIntensity", nullptr, "actionZoneAxes"});
    QMenu* largest = view->addMenu(QStringLiteral("Zone Axis Indices"));
    largest->setObjectName(QStringLiteral("menuZoneAxisIndices"));
    for (int i = 1; i <= 6; ++i)
        largest->addAction(findChild<QAction*>(QStringLiteral("actionZoneAxisIndex%1").arg(i)));
    for (const char* c : {"actionFourIndex", "", "actionReport", "actionSymmetryListing"}) {
        if (*c)
            view->addAction(command(c));
        else
            view->addSeparator();
    }
    menu("menuOption", QStringLiteral("&Option"),
         {"actionUnselectAll", "actionSelectStrongest", nullptr, "actionColorScheme",
          "actionControls", "actionCollapsePanes", "actionExpandPanes", nullptr,
          "actionAngleCalculator"});
    QMenu* samples =
        menu("menuSamples", QStringLiteral("&Samples"), {"actionEditSamples", nullptr});
    buildSamplesMenu(samples);
    QMenu* orient = menu("menuOrient", QStringLiteral("&Orient"), {});
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i) {
        if (QAction* preset = findChild<QAction*>(presetCommandName(i)))
            orient->addAction(preset);
        else
            orient->addSeparator();
    }
    orient->addSeparator();
    orient->addActions({command("actionOrientationMatrix"), command("actionNearestZoneAxis"),
                        command("actionTiltToZoneAxis")});
    orient->addSeparator();
    orient->addActions({command("actionRefineOrientation"), command("actionRefineWithCentre"),
                        command("actionIndexPattern")});
    QMenu* help = menu("menuHelp", QStringLiteral("&Help"), {"actionHelpContents", nullptr});
    QMenu* links = help->addMenu(QStringLiteral("Links ..."));
    links->setObjectName(QStringLiteral("menuLinks"));
    links->addActions({command("actionProgramHomepage"), command("actionMakerHomepage"),
                       command("actionAuthorHomepage")});
    help->addAction(command("actionDonate"));
    help->addSeparator();
    help->addAction(command("actionAbout"));
}

void MainWindow::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(22, 22));
    for (const char* c :
         {"actionNew", "actionOpen", "actionSave", "actionCopy", "actionPrintDirect",
          "actionToggleBackground", "actionPerformSimulation", "", "actionStereographic",
          "actionFilmOutline", "actionRings", "actionLabels", "", "actionResetZoom"}) {
        if (*c)
            bar->addAction(command(c));
        else
            bar->addSeparator();
    }
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

    // The control frame: the three panes stacked with a gap, the list pane taking the rest.
    // It scrolls where the screen is too low for the open panes (a small or scaled screen), so
    // that the window's least height stays within the screen and the status bar on it.
    auto* scroller = new QScrollArea(central);
    scroller->setObjectName(QStringLiteral("controlFrame"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setFixedWidth(kControlFrameWidth);
    auto* frameContent = new QWidget;
    auto* frameLayout = new QVBoxLayout(frameContent);
    frameLayout->setContentsMargins(0, 0, 0, 4);
    frameLayout->setSpacing(kGap);

    inputs_ = new InputPanes(frameContent);
    samplePane_ =
        new FoldingPane(QStringLiteral("Sample"), inputs_->sampleContent(), false, frameContent);
    samplePane_->setObjectName(QStringLiteral("samplePane"));
    simulationPane_ = new FoldingPane(QStringLiteral("Simulation "), inputs_->simulationContent(),
                                      false, frameContent);
    simulationPane_->setObjectName(QStringLiteral("simulationPane"));
    atoms_ = new AtomsPane(frameContent);
    atomsPane_ = new FoldingPane(QStringLiteral("Atoms"), atoms_, false, frameContent);
    atomsPane_->setObjectName(QStringLiteral("atomsPane"));
    atomsPane_->setFolded(true);
    buildPatternImagePane(frameContent);

    reflectionList_ = new ReflectionList(controller_->simulation());
    connect(reflectionList_, &ReflectionList::selectionEdited, controller_.get(),
            &app::SimulationController::changeSelection);
    listPane_ =
        new FoldingPane(QStringLiteral("Reflection List "), reflectionList_, true, frameContent);
    listPane_->setObjectName(QStringLiteral("listPane"));

    for (FoldingPane* pane :
         {samplePane_, simulationPane_, atomsPane_, patternImageFolding_, listPane_}) {
        frameLayout->addWidget(pane, pane == listPane_ ? 1 : 0);
        connect(pane, &FoldingPane::titlePressed, this, [this, pane] { pressPaneTitle(pane); });
    }
    // Room the list pane leaves while folded stays below the panes.
    frameLayout->addStretch(0);
    scroller->setWidget(frameContent);
    controlFrame_ = scroller;
    body->addWidget(scroller);

    auto* right = new QVBoxLayout;
    right->setSpacing(kGap);
    body->addLayout(right, 1);

    auto* sliderFrame = new QWidget(central);
    sliderFrame->setObjectName(QStringLiteral("sliderFrame"));
    auto* sliderLayout = new QHBoxLayout(sliderFrame);
    sliderLayout->setContentsMargins(0, 0, 0, 0);
    thresholdLabel_ = new QLabel(QStringLiteral("d-Threshold: 1.52"), sliderFrame);
    thresholdLabel_->setObjectName(QStringLiteral("thresholdLabel"));
    thresholdLabel_->setToolTip(QStringLiteral("Click to Reset"));
    thresholdLabel_->setMinimumWidth(
        thresholdLabel_->fontMetrics().horizontalAdvance(QStringLiteral("d-Threshold: 00.00")) + 4);
    thresholdSlider_ = new QSlider(Qt::Horizontal, sliderFrame);
    thresholdSlider_->setObjectName(QStringLiteral("thresholdSlider"));
    thresholdSlider_->setToolTip(QStringLiteral("d-Spacing threshold for line drawing"));
    thresholdSlider_->setFixedWidth(180);
    connect(thresholdSlider_, &QSlider::valueChanged, this, [this](int position) {
        controller_->setThresholdPosition(position);
        showThreshold();
    });
    sliderLayout->addWidget(thresholdLabel_);
    sliderLayout->addWidget(thresholdSlider_);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addStretch(1);
    sliderRow->addWidget(sliderFrame);
    right->addLayout(sliderRow);

    canvas_ = new CanvasWidget(central);
    connect(canvas_, &CanvasWidget::resized, this, &MainWindow::redraw);
    right->addWidget(canvas_, 1);
    // Tab goes from the list to the pattern, whose arrow keys turn the crystal.
    setTabOrder(reflectionList_, canvas_);
    // The gap below the canvas, above the status bar.
    right->addSpacing(kGap);

    setCentralWidget(central);
    pictureExport_ = new PictureExport(this, *controller_, *canvas_, dialogs_);
    connect(pictureExport_, &PictureExport::done, this, &MainWindow::showNote);
    canvas_->addAction(command("actionCopy"));
}

void MainWindow::buildStatusBar() {
    struct PanelSpec {
        StatusPanel panel;
        const char* tip;
        int width; // 0: takes the room that is left
    };
    // The orientation stands before the title, which takes what is left.
    static const std::array<PanelSpec, 5> kPanels{{
        {StatusPanel::Count, "Number of calculated hkl", 150},
        {StatusPanel::Pole, "Closest pole found", 140},
        {StatusPanel::Clicked, "Index for Clicked Line ", 140},
        {StatusPanel::Orientation, "Euler angles (Bunge) of the picture, in degrees", 0},
        {StatusPanel::Title, "", 0},
    }};
    // Short notes on what a command did ("Saved iron.tvr"), on the left, for a few seconds.
    statusNote_ = new QLabel(this);
    statusNote_->setObjectName(QStringLiteral("statusNote"));
    statusNote_->setIndent(4);
    statusNote_->hide();
    statusBar()->addPermanentWidget(statusNote_);
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(std::chrono::seconds(5));
    connect(&noteTimer_, &QTimer::timeout, statusNote_, &QLabel::hide);
    for (const PanelSpec& spec : kPanels) {
        auto* panel = new QLabel(this);
        const int number = static_cast<int>(spec.panel);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(number));
        panel->setToolTip(QString::fromUtf8(spec.tip));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(4);
        if (spec.width > 0) panel->setMinimumWidth(spec.width);
        if (spec.panel == StatusPanel::Orientation)
            panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance(
                                       QStringLiteral("φ1 Φ φ2: 359.999 180.000 359.999")) +
                                   12);
        // The title takes what the other panels leave, down to nothing on a narrow window,
        // rather than pushing its text over theirs.
        if (spec.panel == StatusPanel::Title)
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        // Permanent panels: a menu's status tip must not hide them.
        statusBar()->addPermanentWidget(panel, spec.panel == StatusPanel::Title ? 1 : 0);
        statusPanels_[static_cast<std::size_t>(number) - 1] = panel;
    }
}

void MainWindow::buildSteering() {
    steering_ = new CanvasSteering(*canvas_, *controller_, this);
    std::vector<QAction*> orientations;
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i)
        orientations.push_back(findChild<QAction*>(presetCommandName(i)));
    patternPopup_ = new PatternPopup(command("actionStereographic"), command("actionUnselectAll"),
                                     command("actionSelectStrongest"), orientations, this);
    connect(steering_, &CanvasSteering::patternPopupRequested, patternPopup_,
            [this](QPoint at) { patternPopup_->popup(at); });
    listPopup_ = new ListPopup(
        command("actionUnselectAll"), command("actionSelectStrongest"),
        [this] {
            return samplePane_->isFolded() && simulationPane_->isFolded() && atomsPane_->isFolded();
        },
        [this] { collapsePanes(); }, this);
    listPopup_->attachTo(reflectionList_);

    new ThresholdControls(*thresholdLabel_, *thresholdSlider_, *canvas_, this);

    colourSchemePane_ = new ColourSchemePane(*controller_, dialogs_, canvas_);
    colourSchemePane_->move(kGap, kGap);
    connect(colourSchemePane_, &ColourSchemePane::closed, this, &MainWindow::redraw);

    // Lines or reciprocal-lattice points: a hidden switch, with exactly these modifiers.
    auto* pointsMode = new QShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_M), this,
                                     [this] { controller_->switchLinesAndPoints(); });
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
    connect(inputs_, &InputPanes::orientationApplied, this, [this] {
        const Outcome applied = controller_->applyOrientation();
        // An invalid text says so in its field; a refused one in a message.
        if (!applied && !applied.problem().empty()) showProblem(dialogs_, this, applied.failure());
    });
    for (std::size_t i = 0; i < inputs_->retrieveWavelengthButtons.size(); ++i)
        connect(inputs_->retrieveWavelengthButtons[i], &QToolButton::clicked, this,
                [this, i] { retrieveWavelength(i); });
    connect(atoms_, &AtomsPane::sitesEdited, this, &MainWindow::editAtomSites);
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

void MainWindow::acceptFileDrops() {
    auto* drops = new FileDrops(*this);
    // Queued: the file manager waits for the drop to end, not for the file to be read.
    connect(drops, &FileDrops::fileDropped, this, &MainWindow::openFile, Qt::QueuedConnection);
}

void MainWindow::editAtomSites(const std::vector<AtomSite>& sites) {
    const Outcome taken = controller_->setAtomSites(sites);
    if (taken) return;
    // The table goes back to the sites the document holds.
    atoms_->showAtoms(controller_->simulation().atoms);
    showProblem(dialogs_, this, taken.failure());
}

void MainWindow::buildSamplesMenu(QMenu* menu) {
    const QString path = cellMenuPath();
    // A new installation has no lib folder yet; the default file is written into it.
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A file that cannot be read leaves the built-in list, and the file stays as it is.
    samples_ = loadSampleList(path.toStdString()).list;
    if (samples_.empty()) {
        QAction* none = menu->addAction(QStringLiteral("(no samples)"));
        none->setObjectName(QStringLiteral("actionNoSamples"));
        none->setEnabled(false);
        return;
    }
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        // A "&" in a name is a letter of the name, not a mnemonic.
        QString caption = QString::fromStdString(samples_.samples()[i].name);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(caption);
        action->setObjectName(QStringLiteral("actionSample%1").arg(i));
        connect(action, &QAction::triggered, this, [this, i] { applySample(i); });
    }
}

app::ReflectionTableModel* MainWindow::reflectionModel() const {
    return reflectionList_->model();
}

QLabel* MainWindow::statusPanel(StatusPanel panel) const {
    return statusPanels_[static_cast<std::size_t>(panel) - 1];
}

QString MainWindow::statusNote() const {
    return statusNote_->isHidden() ? QString() : statusNote_->text();
}

QString MainWindow::statusText(StatusPanel panel) const {
    return statusPanel(panel)->text();
}

void MainWindow::setStatus(StatusPanel panel, const QString& text) {
    statusPanel(panel)->setText(text);
}

void MainWindow::setGenerationPolling(std::chrono::milliseconds interval,
                                      std::function<void(int)> hook) {
    pollInterval_ = interval;
    pollHook_ = std::move(hook);
}

template <class Command> auto MainWindow::whileGenerating(Command&& command) {
    generating_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{generating_};
    EscapeWatch watch(pollInterval_, pollHook_);
    return command([&watch] { return watch.cancelled(); });
}

// The picture follows the search; Escape keeps the best orientation found so far.
void MainWindow::refineToPatternImage(bool fitCentre) {
    const Result<Refinement> refined = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->patternImage().refine(fitCentre, cancelled);
    });
    if (!refined) showProblem(dialogs_, this, refined.failure());
}

// Defined after whileGenerating, whose return type it needs.
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
        if (QAction* preset = findChild<QAction*>(presetCommandName(i)))
            connect(preset, &QAction::triggered, this,
                    turned(QStringLiteral("Orientation ") + preset->text(), true));
    connect(inputs_, &InputPanes::orientationApplied, this,
            turned(QStringLiteral("Typed Orientation"), true));
    for (const char* name : {"actionNearestZoneAxis", "actionTiltToZoneAxis",
                             "actionRefineOrientation", "actionIndexPattern"}) {
        QAction* c = command(name);
        connect(c, &QAction::triggered, this, turned(QString(c->text()).remove(QChar(0x2026))));
    }
    // The fitted film distance is no part of an orientation step: the steps go on from here.
    connect(command("actionRefineWithCentre"), &QAction::triggered, this,
            [this] { undo_->resync(); });
}

void MainWindow::showChanges(app::Changes what) {
    const app::SimulationController& c = *controller_;
    if (what & (Change::List | Change::Strengths))
        reflectionModel()->setFourIndex(c.showsFourIndices());
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
    if (what & Change::Status) showStatus();
    if (what & Change::Picture) redraw();
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

void MainWindow::showStatus() {
    for (const StatusPanel panel : {StatusPanel::Count, StatusPanel::Pole, StatusPanel::Clicked,
                                    StatusPanel::Title, StatusPanel::Orientation})
        setStatus(panel, controller_->statusText(panel));
}

void MainWindow::redraw() {
    const QSize size = canvas_->size();
    controller_->setPictureSize(size.width(), size.height());
    // Drawn in logical pixels on an image of device pixels: sharp on a HiDPI screen, with the
    // same geometry everywhere.
    const qreal ratio = canvas_->devicePixelRatioF();
    QImage picture(size * ratio, QImage::Format_RGB32);
    if (picture.isNull()) return;
    picture.setDevicePixelRatio(ratio);
    std::optional<DrawSummary> summary;
    {
        // Painted in bands on every core. A drag frame lives until the next pointer move: its
        // thin lines go straight into the pixels, several times faster than QPainter's, so that
        // large patterns keep up with the pointer. The picture left standing after the release
        // is QPainter's.
        const BandedSurface::Lines lines =
            controller_->dragging() ? BandedSurface::Lines::Fast : BandedSurface::Lines::Painter;
        BandedSurface surface(picture, size.width(), size.height(), 0, lines, &pictureRecord_);
        summary = controller_->draw(surface);
        surface.paint();
    }
    canvas_->setPicture(std::move(picture));
    if (summary) {
        setStatus(StatusPanel::Count, QString::fromStdString(summary->countText));
        // No pole is near when nothing is drawn (an empty list after a refused cell).
        setStatus(StatusPanel::Pole, summary->nearestPole
                                         ? QString::fromStdString(summary->nearestPoleText)
                                         : QString());
    }
    // Every picture may show another orientation.
    setStatus(StatusPanel::Orientation, controller_->statusText(StatusPanel::Orientation));
}

void MainWindow::showNewList() {
    reflectionList_->showNewList();
    const app::SimulationController& c = *controller_;
    {
        const QSignalBlocker blocker(thresholdSlider_);
        const ThresholdRange range = c.simulation().document.threshold;
        thresholdSlider_->setRange(range.minimum, range.maximum);
        thresholdSlider_->setValue(range.minimum);
    }
    if (c.listOrigin() != NewList::Cleared) showThreshold();
}

void MainWindow::showThreshold() {
    thresholdLabel_->setText(QStringLiteral("d-Threshold: ") +
                             QString::fromStdString(formatNumber(
                                 controller_->simulation().document.displayDMin, "0.0#")));
    reflectionList_->showThreshold();
}

void MainWindow::syncToggleCommands() {
    const app::SimulationController& c = *controller_;
    const std::pair<const char*, ViewToggle> toggles[] = {
        {"actionStereographic", ViewToggle::Stereographic},
        {"actionFilmOutline", ViewToggle::FilmOutline},
        {"actionRings", ViewToggle::Rings},
        {"actionLabels", ViewToggle::Labels},
        {"actionToggleBackground", ViewToggle::LightBackground}};
    for (const auto& [name, toggle] : toggles) command(name)->setChecked(c.viewToggle(toggle));
    // Fitting the film is a gnomonic matter: the stereographic picture always shows all.
    command("actionResetZoom")->setVisible(!c.viewToggle(ViewToggle::Stereographic));
    // Line strengths come with atoms.
    QAction* byIntensity = command("actionColourByIntensity");
    byIntensity->setChecked(c.viewToggle(ViewToggle::ColourByIntensity));
    byIntensity->setVisible(c.hasAtoms());
    command("actionZoneAxes")->setChecked(c.viewToggle(ViewToggle::ZoneAxes));
    if (QAction* largest =
            findChild<QAction*>(QStringLiteral("actionZoneAxisIndex%1").arg(c.zoneAxisIndex())))
        largest->setChecked(true);
    // Four indices only mean something for a hexagonal cell.
    QAction* fourIndex = command("actionFourIndex");
    fourIndex->setChecked(c.viewToggle(ViewToggle::FourIndex));
    fourIndex->setEnabled(c.hexagonalCell());
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
    const bool hexagonal = controller_->hexagonalCell();
    TiltDialog dialog(
        [this, hexagonal](const QString& text) -> Result<HolderTilts> {
            const Result<Vec3d> uvw = parseDirectionText(text.toStdString(), hexagonal);
            if (!uvw) return uvw.failure();
            return controller_->holderTiltsTo(*uvw);
        },
        hexagonal, this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted || !dialog.tilts()) return;
    controller_->applyHolderTilts(*dialog.tilts());
}

void MainWindow::newDocument() {
    if (!settleUnsavedEdits()) return;
    controller_->newDocument();
    undo_->restart();
    expandPanes();
}

void MainWindow::openInputFile() {
    if (!settleUnsavedEdits()) return;
    FileRequest request;
    request.title = QStringLiteral("Open Input Data (*.tvr;*.hkl)");
    request.folder = lastUsedFolder();
    request.filters = openFileFilters();
    const QString current = QString::fromStdString(controller_->simulation().document.filePath);
    const QFileInfo currentFile(current);
    if (currentFile.isFile() && currentFile.size() > 0 &&
        currentFile.absolutePath() == QFileInfo(request.folder).absoluteFilePath())
        request.presetName = current;
    const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    // Past the first filter, as Save's filters count.
    openChosenFile(path, chosenFormat(path, choice->filterIndex - 1, false));
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
    request.title = QStringLiteral("Save File (*.tvr;*.hkl)");
    request.folder = lastUsedFolder();
    request.filters = inputFileFilters();
    const std::optional<FileChoice> choice = dialogs_.saveFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    const InputFormat format = chosenFormat(path, choice->filterIndex, true);
    const auto saved = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->saveFile(path, format, cancelled);
    });
    showOutcome(dialogs_, this, saved);
    if (!saved) return;
    showNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
    rememberFile(path);
}

void MainWindow::performSimulation() {
    const UndoSteps::SimulationStart start = undo_->simulationStarts();
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->performSimulation(cancelled);
                }));
    undo_->simulated(start);
    focusPattern();
}

void MainWindow::writeReport() {
    const Result<QString> path = controller_->writeReport();
    if (!path) {
        showProblem(dialogs_, this, path.failure());
        return;
    }
    showOnDesktop(*path, false);
}

void MainWindow::showSymmetryListing() {
    const Result<QString> path = controller_->writeSymmetryListing();
    if (!path) {
        showProblem(dialogs_, this, path.failure());
        return;
    }
    showOnDesktop(*path, false);
}

void MainWindow::viewDataFolder() {
    showOnDesktop(folders().data, true);
}

void MainWindow::viewImageFolder() {
    showOnDesktop(folders().image, true);
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

QString MainWindow::recentFilesPath() const {
    return QDir(folders().work).filePath(QString::fromLatin1(app::kRecentFilesName));
}

QString MainWindow::lastUsedFolder() const {
    for (const QString& file : recentFiles_) {
        const QString folder = QFileInfo(file).absolutePath();
        if (QFileInfo(folder).isDir()) return folder;
    }
    return folders().data;
}

void MainWindow::rememberFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    // A name with a line break cannot stand on a line of its own.
    if (file.contains(QLatin1Char('\n'))) return;
    recentFiles_ = app::withRecentFile(recentFiles_, file);
    // The list is a convenience: one that cannot be written is not worth a message.
    (void)app::saveRecentFiles(recentFilesPath(), recentFiles_);
    showRecentFiles();
}

void MainWindow::showRecentFiles() {
    recentMenu_->clear();
    for (int i = 0; i < recentFiles_.size(); ++i) {
        const QString file = recentFiles_[i];
        // "&1 silicon.tvr": a key for each; a "&" in a name is a letter of the name.
        QString caption = QDir::toNativeSeparators(file);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        entry->setObjectName(QStringLiteral("actionRecent%1").arg(i));
        connect(entry, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    }
    recentMenu_->setEnabled(!recentFiles_.isEmpty());
}

void MainWindow::openRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        recentFiles_.removeAll(path);
        (void)app::saveRecentFiles(recentFilesPath(), recentFiles_);
        showRecentFiles();
        dialogs_.error(this, programTitle(),
                       QStringLiteral("\"%1\" is no longer there; it was taken off the recent "
                                      "files.")
                           .arg(QDir::toNativeSeparators(path)));
        return;
    }
    openFile(path);
}

void MainWindow::showNote(const QString& text) {
    statusNote_->setText(text);
    statusNote_->show();
    noteTimer_.start();
}

void MainWindow::focusPattern() {
    canvas_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::collapsePanes() {
    for (FoldingPane* pane : {samplePane_, simulationPane_, atomsPane_, patternImageFolding_})
        pane->setFolded(true);
    listPane_->setFolded(false);
}

void MainWindow::expandPanes() {
    for (FoldingPane* pane : {samplePane_, simulationPane_, atomsPane_, listPane_})
        pane->setFolded(false);
}

void MainWindow::togglePane(FoldingPane* pane) {
    pane->setFolded(!pane->isFolded());
}

void MainWindow::pressPaneTitle(FoldingPane* pane) {
    if (pane == listPane_ &&
        (!samplePane_->isFolded() || !simulationPane_->isFolded() || !atomsPane_->isFolded()))
        collapsePanes();
    else
        togglePane(pane);
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

void MainWindow::openAngleCalculator() {
    AngleCalculatorDialog dialog(controller_->cellOfFields(), dialogs_, this);
    dialogs_.runModal(dialog);
}

QString MainWindow::cellMenuPath() const {
    return QString::fromStdString(tavrel::cellMenuPath(folders().work.toStdString()));
}

void MainWindow::editSamples() {
    const QString path = cellMenuPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (const Outcome created = createCellMenuIfMissing(path.toStdString()); !created) {
        dialogs_.error(
            this, programTitle(),
            QStringLiteral("\"%1\" cannot be written: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(created.problem())));
        return;
    }
    if (!dialogs_.openUrl(QUrl::fromLocalFile(path)))
        dialogs_.error(this, programTitle(),
                       QStringLiteral("No program could be started to edit \"%1\".")
                           .arg(QDir::toNativeSeparators(path)));
}

void MainWindow::applySample(std::size_t index) {
    const std::optional<Sample> sample = samples_.sample(index);
    if (!sample || !settleUnsavedEdits()) return;
    showOutcome(dialogs_, this, whileGenerating([&](const CancelCheck& cancelled) {
                    return controller_->applySample(*sample, cancelled);
                }));
    undo_->restart();
    focusPattern();
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
    showNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (generating_ || !settleUnsavedEdits()) {
        event->ignore();
        return;
    }
    // A dump that cannot be written leaves the previous one in place; the next start then
    // shows the state before this run, which is all that can be done while closing.
    (void)controller_->saveState();
    app::WindowPlacement placement;
    placement.geometry = frameGeometry();
    placement.state = isMinimized()   ? app::WindowState::Minimised
                      : isMaximized() ? app::WindowState::Maximised
                                      : app::WindowState::Normal;
    placement.executablePath = QCoreApplication::applicationFilePath();
    // Nobody reads the settings back; a file that cannot be written is not worth holding up
    // the quit.
    (void)app::saveWindowSettings(app::windowSettingsPath(), placement);
    event->accept();
}

} // namespace tavrel::ui
