#include "ui/main_window.h"

#include "app/reflection_model.h"
#include "app/window_settings.h"
#include "common/numeric.h"
#include "output/painter_surface.h"
#include "output/raster_line_surface.h"
#include "session/orient.h"
#include "ui/angle_dialog.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"
#include "ui/colour_scheme_pane.h"
#include "ui/escape_watch.h"
#include "ui/folding_pane.h"
#include "ui/help_menu.h"
#include "ui/icons.h"
#include "ui/input_panes.h"
#include "ui/picture_export.h"
#include "ui/popup_menus.h"
#include "ui/threshold_controls.h"
#include "ui/user_dialogs.h"
#include "ui/wavelength_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel::ui {

using app::StatusPanel;
using app::ViewToggle;

namespace {

// The window's first size and the least it may shrink to.
constexpr QSize kFirstSize(850, 700);
constexpr QSize kLeastSize(600, 600);
// 90 twips: the gap around and between the panes, and above the canvas.
constexpr int kGap = 6;
constexpr int kControlFrameWidth = 285;

// Open also reads structures from CIF files; Save writes only the program's own two formats.
QStringList inputFileFilters(bool opening) {
    QStringList filters{QStringLiteral("Tavrel Input File (*.tvr)"),
                        QStringLiteral("HKL File (*.hkl)")};
    if (opening) filters << QStringLiteral("Crystallographic Information File (*.cif)");
    return filters;
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
        path += format == InputFormat::Hkl ? QStringLiteral(".hkl") : QStringLiteral(".tvr");
    return format;
}

QString programTitle() {
    return QString::fromLatin1(kProgramTitle);
}

} // namespace

struct MainWindow::Actions {
    QAction* newDocument = nullptr;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* copy = nullptr;
    QAction* print = nullptr;
    QAction* printDirect = nullptr;
    QAction* saveImage = nullptr;
    QAction* viewDataFolder = nullptr;
    QAction* viewImageFolder = nullptr;
    QAction* exit = nullptr;
    QAction* stereographic = nullptr;
    QAction* filmOutline = nullptr;
    QAction* rings = nullptr;
    QAction* labels = nullptr;
    QAction* report = nullptr;
    QAction* unselectAll = nullptr;
    QAction* selectStrongest = nullptr;
    QAction* colourScheme = nullptr;
    QAction* controls = nullptr;
    QAction* collapsePanes = nullptr;
    QAction* expandPanes = nullptr;
    QAction* angleCalculator = nullptr;
    QAction* editSamples = nullptr;
    std::array<QAction*, 9> orient{};
    QAction* helpContents = nullptr;
    QAction* programHomepage = nullptr;
    QAction* makerHomepage = nullptr;
    QAction* authorHomepage = nullptr;
    QAction* donate = nullptr;
    QAction* about = nullptr;
    QAction* toggleBackground = nullptr;
    QAction* performSimulation = nullptr;
    QAction* resetZoom = nullptr;
};

MainWindow::MainWindow(const app::StartupOptions& options, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), notifier_(dialogs, this),
      controller_(std::make_unique<app::SimulationController>(notifier_,
                                                              app::prepareFolders(options), this)),
      actions_(std::make_unique<Actions>()) {
    setWindowTitle(programTitle());
    buildActions();
    buildMenus();
    buildToolBar();
    buildCentralArea();
    buildStatusBar();
    buildSteering();
    connectController();
    connectPictureAndHelpCommands();

    setMinimumSize(kLeastSize);
    resize(kFirstSize);
    // Lay the window out now, before it is shown, so that the first list is fitted to the
    // canvas as the user will see it.
    layout()->activate();
    centralWidget()->layout()->activate();
    controller_->setPictureSize(canvas_->width(), canvas_->height());

    startedFromDump_ = controller_->start();
    syncToggleActions();
    redraw();
}

MainWindow::~MainWindow() {
    // The widgets write into the simulation's fields; they go before the controller that owns
    // it, so that nothing a widget emits while going away can reach a field that is gone.
    delete takeCentralWidget();
}

void MainWindow::buildActions() {
    Actions& a = *actions_;
    auto make = [this](const char* name, const QString& caption, const QString& toolTip = {}) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!toolTip.isEmpty()) action->setToolTip(toolTip);
        return action;
    };
    a.newDocument = make("actionNew", QStringLiteral("New"), QStringLiteral("New Input Data"));
    a.newDocument->setShortcut(QKeySequence::New);
    a.newDocument->setIcon(icon(QStringLiteral("new")));
    connect(a.newDocument, &QAction::triggered, this, &MainWindow::newDocument);

    a.open = make("actionOpen", QStringLiteral("Open (*.tvr,*.hkl)"),
                  QStringLiteral("Open Tavrel Input File"));
    a.open->setShortcut(QKeySequence::Open);
    a.open->setIcon(icon(QStringLiteral("open")));
    connect(a.open, &QAction::triggered, this, &MainWindow::openInputFile);

    a.save =
        make("actionSave", QStringLiteral("Save (*.tvr,*.hkl)"), QStringLiteral("Save Input Data"));
    a.save->setShortcut(QKeySequence::Save);
    a.save->setIcon(icon(QStringLiteral("save")));
    connect(a.save, &QAction::triggered, this, &MainWindow::saveInputFile);

    a.copy = make("actionCopy", QStringLiteral("Copy"), QStringLiteral("Copy to Clipboard"));
    a.copy->setIcon(icon(QStringLiteral("copy")));
    a.copy->setShortcut(QKeySequence::Copy);
    // Ctrl+C copies the picture while the canvas has the focus; in a text field it copies text.
    a.copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a.print = make("actionPrint", QStringLiteral("Print ..."));
    a.print->setShortcut(QKeySequence::Print);
    a.printDirect = make("actionPrintDirect", QStringLiteral("Print"), QStringLiteral("Print"));
    a.printDirect->setIcon(icon(QStringLiteral("print")));
    a.saveImage = make("actionSaveImage", QStringLiteral("Save Image (*.bmp)"));

    a.viewDataFolder = make("actionViewDataFolder", QStringLiteral("View Data Folder"));
    connect(a.viewDataFolder, &QAction::triggered, this, &MainWindow::viewDataFolder);
    a.viewImageFolder = make("actionViewImageFolder", QStringLiteral("View Image Folder"));
    connect(a.viewImageFolder, &QAction::triggered, this, &MainWindow::viewImageFolder);

    a.exit = make("actionExit", QStringLiteral("Exit"));
    a.exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    a.exit->setMenuRole(QAction::QuitRole);
    connect(a.exit, &QAction::triggered, this, &QWidget::close);

    auto toggle = [&](const char* name, const QString& caption, const QString& toolTip,
                      const char* iconName, ViewToggle which) {
        QAction* action = make(name, caption, toolTip);
        action->setCheckable(true);
        action->setIcon(icon(QString::fromLatin1(iconName)));
        connect(action, &QAction::triggered, this, [this, which](bool on) {
            controller_->setViewToggle(which, on);
            syncToggleActions();
        });
        return action;
    };
    a.stereographic = toggle("actionStereographic", QStringLiteral("Stereographic Projection"),
                             QStringLiteral("Stereographic Projection"), "stereographic",
                             ViewToggle::Stereographic);
    a.stereographic->setWhatsThis(QStringLiteral("Gnomonic/Stereographic Projection"));
    a.filmOutline = toggle("actionFilmOutline", QStringLiteral("Film Outline"),
                           QStringLiteral("Show Film Outline"), "outline", ViewToggle::FilmOutline);
    a.rings = toggle("actionRings", QStringLiteral("Stereographic Rings"),
                     QStringLiteral("Show 10 deg rings"), "rings", ViewToggle::Rings);
    a.labels = toggle("actionLabels", QStringLiteral("HKL Indices"), QStringLiteral("Show Label"),
                      "labels", ViewToggle::Labels);
    a.toggleBackground = toggle("actionToggleBackground", QStringLiteral("Toggle Background Color"),
                                QStringLiteral("Toggle Background Color"), "background",
                                ViewToggle::LightBackground);

    a.report = make("actionReport", QStringLiteral("Report"));
    connect(a.report, &QAction::triggered, this, &MainWindow::writeReport);

    a.unselectAll = make("actionUnselectAll", QStringLiteral("Unselect All"));
    connect(a.unselectAll, &QAction::triggered, controller_.get(),
            &app::SimulationController::unselectAll);
    a.selectStrongest = make("actionSelectStrongest", QStringLiteral("Select Strongest"));
    connect(a.selectStrongest, &QAction::triggered, controller_.get(),
            &app::SimulationController::selectStrongest);
    a.colourScheme = make("actionColorScheme", QStringLiteral("Color Scheme"));
    a.controls = make("actionControls", QStringLiteral("Controls"));
    a.controls->setCheckable(true);
    a.controls->setChecked(true);
    connect(a.controls, &QAction::toggled, this, &MainWindow::setControlsVisible);
    a.collapsePanes = make("actionCollapsePanes", QStringLiteral("Collapse Panes"));
    connect(a.collapsePanes, &QAction::triggered, this, &MainWindow::collapsePanes);
    a.expandPanes = make("actionExpandPanes", QStringLiteral("Expand Panes"));
    connect(a.expandPanes, &QAction::triggered, this, &MainWindow::expandPanes);
    a.angleCalculator = make("actionAngleCalculator", QStringLiteral("Angle Calculator"));
    connect(a.angleCalculator, &QAction::triggered, this, &MainWindow::openAngleCalculator);

    a.editSamples = make("actionEditSamples", QStringLiteral("Edit ..."));
    connect(a.editSamples, &QAction::triggered, this, &MainWindow::editSamples);

    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i) {
        const PresetOrientation& preset = kPresetOrientations[i];
        if (preset.text.empty()) continue;
        const int position = static_cast<int>(i);
        QAction* action = new QAction(
            QString::fromUtf8(preset.caption.data(), static_cast<qsizetype>(preset.caption.size())),
            this);
        action->setObjectName(QStringLiteral("actionOrient%1").arg(position));
        connect(action, &QAction::triggered, this,
                [this, position] { controller_->applyPresetOrientation(position); });
        a.orient[i] = action;
    }

    a.helpContents = make("actionHelpContents", QStringLiteral("Contents"));
    a.helpContents->setShortcut(QKeySequence::HelpContents);
    a.programHomepage = make("actionProgramHomepage", QStringLiteral("Tavrel/Morwen Homepage"));
    a.makerHomepage = make("actionMakerHomepage", QStringLiteral("Quorvex Homepage"));
    a.authorHomepage = make("actionAuthorHomepage", QStringLiteral("Author's Homepage"));
    a.donate = make("actionDonate", QStringLiteral("Donate ..."));
    a.about = make("actionAbout", QStringLiteral("About"));

    a.performSimulation = make("actionPerformSimulation", QStringLiteral("Perform Simulation"),
                               QStringLiteral("Perform Simulation"));
    a.performSimulation->setShortcut(QKeySequence(Qt::Key_F5));
    a.performSimulation->setIcon(icon(QStringLiteral("simulate")));
    connect(a.performSimulation, &QAction::triggered, this, &MainWindow::performSimulation);
    // Not in a menu: without this its shortcut would only work while the toolbar is shown.
    addAction(a.performSimulation);

    a.resetZoom =
        make("actionResetZoom", QStringLiteral("Reset Zoom"), QStringLiteral("Reset Zoom"));
    a.resetZoom->setIcon(icon(QStringLiteral("zoom")));
    connect(a.resetZoom, &QAction::triggered, controller_.get(),
            &app::SimulationController::fitToWindow);
}

void MainWindow::buildMenus() {
    Actions& a = *actions_;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addActions({a.newDocument, a.open, a.save});
    file->addSeparator();
    file->addActions({a.copy, a.print, a.saveImage});
    file->addSeparator();
    file->addActions({a.viewDataFolder, a.viewImageFolder});
    file->addSeparator();
    file->addAction(a.exit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    view->addActions({a.stereographic, a.filmOutline, a.rings, a.labels});
    view->addSeparator();
    view->addAction(a.report);

    QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
    option->setObjectName(QStringLiteral("menuOption"));
    option->addActions({a.unselectAll, a.selectStrongest});
    option->addSeparator();
    option->addActions({a.colourScheme, a.controls, a.collapsePanes, a.expandPanes});
    option->addSeparator();
    option->addAction(a.angleCalculator);

    QMenu* samples = menuBar()->addMenu(QStringLiteral("&Samples"));
    samples->setObjectName(QStringLiteral("menuSamples"));
    samples->addAction(a.editSamples);
    samples->addSeparator();
    buildSamplesMenu(samples);

    QMenu* orient = menuBar()->addMenu(QStringLiteral("&Orient"));
    orient->setObjectName(QStringLiteral("menuOrient"));
    for (QAction* action : a.orient) {
        if (action)
            orient->addAction(action);
        else
            orient->addSeparator();
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addAction(a.helpContents);
    help->addSeparator();
    QMenu* links = help->addMenu(QStringLiteral("Links ..."));
    links->setObjectName(QStringLiteral("menuLinks"));
    links->addActions({a.programHomepage, a.makerHomepage, a.authorHomepage});
    help->addAction(a.donate);
    help->addSeparator();
    help->addAction(a.about);
}

void MainWindow::buildToolBar() {
    Actions& a = *actions_;
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(22, 22));
    bar->addActions({a.newDocument, a.open, a.save, a.copy, a.printDirect, a.toggleBackground,
                     a.performSimulation});
    bar->addSeparator();
    bar->addActions({a.stereographic, a.filmOutline, a.rings, a.labels});
    bar->addSeparator();
    bar->addAction(a.resetZoom);
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
    controlFrame_ = new QWidget(central);
    controlFrame_->setObjectName(QStringLiteral("controlFrame"));
    controlFrame_->setFixedWidth(kControlFrameWidth);
    auto* frameLayout = new QVBoxLayout(controlFrame_);
    frameLayout->setContentsMargins(0, 0, 0, 4);
    frameLayout->setSpacing(kGap);

    inputs_ = new InputPanes(controller_->simulation().fields, controlFrame_);
    connect(inputs_, &InputPanes::orientationApplied, controller_.get(),
            &app::SimulationController::applyOrientation);
    connect(inputs_, &InputPanes::filmEdited, controller_.get(),
            &app::SimulationController::readFilmFields);
    for (std::size_t i = 0; i < inputs_->retrieveWavelengthButtons.size(); ++i)
        connect(inputs_->retrieveWavelengthButtons[i], &QToolButton::clicked, this,
                [this, i] { retrieveWavelength(i); });
    samplePane_ =
        new FoldingPane(QStringLiteral("Sample"), inputs_->sampleContent(), false, controlFrame_);
    samplePane_->setObjectName(QStringLiteral("samplePane"));
    simulationPane_ = new FoldingPane(QStringLiteral("Simulation "), inputs_->simulationContent(),
                                      false, controlFrame_);
    simulationPane_->setObjectName(QStringLiteral("simulationPane"));

    reflectionModel_ = new app::ReflectionTableModel(controller_->simulation(), this);
    reflectionView_ = new QTableView;
    reflectionView_->setObjectName(QStringLiteral("reflectionView"));
    reflectionView_->setModel(reflectionModel_);
    reflectionView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    reflectionView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    reflectionView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    reflectionView_->setShowGrid(false);
    reflectionView_->setWordWrap(false);
    reflectionView_->setAlternatingRowColors(true);
    reflectionView_->verticalHeader()->hide();
    // Every row is one line high: the view never measures the rows of a long list.
    reflectionView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    reflectionView_->verticalHeader()->setDefaultSectionSize(
        reflectionView_->fontMetrics().height() + 4);
    reflectionView_->horizontalHeader()->setHighlightSections(false);
    reflectionView_->horizontalHeader()->setStretchLastSection(true);
    connect(reflectionView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (showingSelection_) return;
                Selection& selection = controller_->pattern().selection;
                for (const QItemSelectionRange& range : deselected)
                    for (int row = range.top(); row <= range.bottom(); ++row)
                        selection.set(static_cast<std::size_t>(row), false);
                for (const QItemSelectionRange& range : selected)
                    for (int row = range.top(); row <= range.bottom(); ++row)
                        selection.set(static_cast<std::size_t>(row), true);
                controller_->selectionEdited();
            });
    listPane_ =
        new FoldingPane(QStringLiteral("Reflection List "), reflectionView_, true, controlFrame_);
    listPane_->setObjectName(QStringLiteral("listPane"));

    for (FoldingPane* pane : {samplePane_, simulationPane_, listPane_}) {
        frameLayout->addWidget(pane, pane == listPane_ ? 1 : 0);
        connect(pane, &FoldingPane::titlePressed, this, [this, pane] { pressPaneTitle(pane); });
    }
    // Room the list pane leaves while folded stays below the panes.
    frameLayout->addStretch(0);
    body->addWidget(controlFrame_);

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
        reflectionModel_->thresholdChanged();
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
    // The gap below the canvas, above the status bar.
    right->addSpacing(kGap);

    setCentralWidget(central);
}

void MainWindow::buildStatusBar() {
    static const std::array<const char*, 4> kTips{"Number of calculated hkl", "Closest pole found",
                                                  "Index for Clicked Line ", ""};
    static const std::array<int, 4> kWidths{150, 140, 140, 0};
    for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(static_cast<int>(i) + 1));
        panel->setToolTip(QString::fromLatin1(kTips[i]));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(4);
        if (kWidths[i] > 0) panel->setMinimumWidth(kWidths[i]);
        // Permanent panels: a menu's status tip must not hide them.
        statusBar()->addPermanentWidget(panel, i == 3 ? 1 : 0);
        statusPanels_[i] = panel;
    }
}

void MainWindow::buildSteering() {
    const Actions& a = *actions_;
    steering_ = new CanvasSteering(*canvas_, *controller_, this);
    patternPopup_ =
        new PatternPopup(a.stereographic, a.unselectAll, a.selectStrongest, a.orient, this);
    connect(steering_, &CanvasSteering::patternPopupRequested, patternPopup_,
            [this](QPoint at) { patternPopup_->popup(at); });
    listPopup_ = new ListPopup(
        a.unselectAll, a.selectStrongest,
        [this] { return samplePane_->isFolded() && simulationPane_->isFolded(); },
        [this] { collapsePanes(); }, this);
    listPopup_->attachTo(reflectionView_);

    new ThresholdControls(*thresholdLabel_, *thresholdSlider_, *canvas_, this);

    colourSchemePane_ = new ColourSchemePane(*controller_, dialogs_, canvas_);
    colourSchemePane_->move(kGap, kGap);
    connect(a.colourScheme, &QAction::triggered, colourSchemePane_, &ColourSchemePane::open);
    connect(colourSchemePane_, &ColourSchemePane::closed, this, &MainWindow::redraw);

    // Lines or reciprocal-lattice points: a hidden switch, with exactly these modifiers.
    auto* pointsMode = new QShortcut(QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_M), this,
                                     [this] { controller_->switchLinesAndPoints(); });
    pointsMode->setObjectName(QStringLiteral("shortcutPointsMode"));
    pointsMode->setContext(Qt::WindowShortcut);
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

void MainWindow::connectController() {
    app::SimulationController* c = controller_.get();
    connect(c, &app::SimulationController::reflectionPicked, this, &MainWindow::showPickedInList);
    connect(c, &app::SimulationController::reflectionsReplaced, this, &MainWindow::showNewList);
    connect(c, &app::SimulationController::fieldsChanged, this, [this] { inputs_->showFields(); });
    connect(c, &app::SimulationController::pictureChanged, this, &MainWindow::redraw);
    connect(c, &app::SimulationController::selectionChanged, this,
            &MainWindow::showSelectionInList);
    connect(c, &app::SimulationController::statusText, this, &MainWindow::setStatus);
}

void MainWindow::connectPictureAndHelpCommands() {
    const Actions& a = *actions_;
    pictureExport_ = new PictureExport(this, *controller_, *canvas_, dialogs_);
    canvas_->addAction(a.copy);
    connect(a.copy, &QAction::triggered, pictureExport_, &PictureExport::copyPicture);
    connect(a.saveImage, &QAction::triggered, pictureExport_, &PictureExport::saveImage);
    connect(a.print, &QAction::triggered, pictureExport_, &PictureExport::printWithDialog);
    connect(a.printDirect, &QAction::triggered, pictureExport_, &PictureExport::printPage);

    helpMenu_ = new HelpMenu(this, dialogs_);
    connect(a.helpContents, &QAction::triggered, helpMenu_, &HelpMenu::showContents);
    auto link = [this](QAction* action, app::WebTarget target) {
        connect(action, &QAction::triggered, helpMenu_,
                [this, target] { helpMenu_->openTarget(target); });
    };
    link(a.programHomepage, app::WebTarget::ProgramHomepage);
    link(a.makerHomepage, app::WebTarget::MakerHomepage);
    link(a.authorHomepage, app::WebTarget::AuthorHomepage);
    connect(a.donate, &QAction::triggered, helpMenu_, &HelpMenu::donate);
    connect(a.about, &QAction::triggered, helpMenu_, &HelpMenu::showAbout);
}

QLabel* MainWindow::statusPanel(StatusPanel panel) const {
    return statusPanels_[static_cast<std::size_t>(panel) - 1];
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
        QPainter painter(&picture);
        // A drag frame lives until the next pointer move: its thin lines go straight into the
        // pixels, several times faster than QPainter's, so that large patterns keep up with the
        // pointer. The picture left standing after the release is QPainter's.
        if (controller_->dragging()) {
            RasterLineSurface surface(painter, picture, size.width(), size.height());
            summary = controller_->draw(surface);
        } else {
            PainterSurface surface(painter, size.width(), size.height());
            summary = controller_->draw(surface);
        }
    }
    canvas_->setPicture(std::move(picture));
    if (summary) {
        setStatus(StatusPanel::Count, QString::fromStdString(summary->countText));
        setStatus(StatusPanel::Pole, QString::fromStdString(summary->nearestPoleText));
    }
}

void MainWindow::showNewList(SimulationChange change) {
    reflectionModel_->reload();
    fitListColumns();
    const app::SimulationController& c = *controller_;
    {
        const QSignalBlocker blocker(thresholdSlider_);
        const ThresholdRange range = c.thresholdRange();
        thresholdSlider_->setRange(range.minimum, range.maximum);
        thresholdSlider_->setValue(range.minimum);
    }
    if (change != SimulationChange::Cleared) showThreshold();
}

void MainWindow::fitListColumns() {
    const QFontMetrics cells(reflectionView_->font());
    const QFontMetrics header(reflectionView_->horizontalHeader()->font());
    for (int column = 0; column < app::ReflectionTableModel::kColumnCount; ++column) {
        const QStringList samples = reflectionModel_->widthSamples(column);
        int width = header.horizontalAdvance(samples.first()) + 16;
        for (const QString& s : samples) width = std::max(width, cells.horizontalAdvance(s) + 12);
        reflectionView_->setColumnWidth(column, width);
    }
}

void MainWindow::showSelectionInList() {
    const Selection& selection = controller_->pattern().selection;
    QItemSelection rows;
    const int count = reflectionModel_->rowCount();
    const int lastColumn = app::ReflectionTableModel::kColumnCount - 1;
    for (int row = 0; row < count;) {
        if (!selection.isSelected(static_cast<std::size_t>(row))) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < count && selection.isSelected(static_cast<std::size_t>(end) + 1)) ++end;
        rows.select(reflectionModel_->index(row, 0), reflectionModel_->index(end, lastColumn));
        row = end + 1;
    }
    showingSelection_ = true;
    reflectionView_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    showingSelection_ = false;
}

void MainWindow::showPickedInList(std::int32_t reflection) {
    reflectionView_->scrollTo(reflectionModel_->index(reflection, 0));
}

void MainWindow::showThreshold() {
    thresholdLabel_->setText(QStringLiteral("d-Threshold: ") +
                             QString::fromStdString(formatNumber(
                                 controller_->simulation().document.displayDMin, "0.0#")));
}

void MainWindow::syncToggleActions() {
    const Actions& a = *actions_;
    const app::SimulationController& c = *controller_;
    a.stereographic->setChecked(c.viewToggle(ViewToggle::Stereographic));
    a.filmOutline->setChecked(c.viewToggle(ViewToggle::FilmOutline));
    a.rings->setChecked(c.viewToggle(ViewToggle::Rings));
    a.labels->setChecked(c.viewToggle(ViewToggle::Labels));
    a.toggleBackground->setChecked(c.viewToggle(ViewToggle::LightBackground));
    // Fitting the film is a gnomonic matter: the stereographic picture always shows all.
    a.resetZoom->setVisible(!c.viewToggle(ViewToggle::Stereographic));
}

void MainWindow::newDocument() {
    controller_->newDocument();
    expandPanes();
}

void MainWindow::openInputFile() {
    FileRequest request;
    request.title = QStringLiteral("Open Input Data (*.tvr;*.hkl)");
    request.folder = folders().data;
    request.filters = inputFileFilters(true);
    const QString current = QString::fromStdString(controller_->simulation().document.filePath);
    const QFileInfo currentFile(current);
    if (currentFile.isFile() && currentFile.size() > 0) request.presetName = current;
    const std::optional<FileChoice> choice = dialogs_.openFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    openChosenFile(path, chosenFormat(path, choice->filterIndex, false));
}

void MainWindow::openFile(const QString& path) {
    const std::optional<InputFormat> format = inputFormatOf(path.toStdString());
    if (!format) {
        dialogs_.error(
            this, programTitle(),
            QStringLiteral("\"%1\" is neither a .tvr, a .hkl nor a .cif file").arg(path));
        return;
    }
    openChosenFile(path, *format);
}

void MainWindow::openChosenFile(const QString& path, InputFormat format) {
    const int beepsBefore = notifier_.beeps();
    const FileOutcome outcome = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->openFile(path, format, cancelled);
    });
    showFailure(outcome, beepsBefore);
}

void MainWindow::showFailure(const FileOutcome& outcome, int beepsBefore) {
    // A wrong header only beeps; every other failure names the file and the problem, since a
    // command that silently did nothing looks as if it had worked.
    if (!outcome.ok && notifier_.beeps() == beepsBefore)
        dialogs_.error(this, programTitle(), QString::fromStdString(outcome.error));
}

void MainWindow::saveInputFile() {
    FileRequest request;
    request.title = QStringLiteral("Save File (*.tvr;*.hkl)");
    request.folder = folders().data;
    request.filters = inputFileFilters(false);
    const std::optional<FileChoice> choice = dialogs_.saveFileName(this, request);
    if (!choice) return;
    QString path = choice->path;
    const InputFormat format = chosenFormat(path, choice->filterIndex, true);
    const int beepsBefore = notifier_.beeps();
    const FileOutcome outcome = whileGenerating([&](const CancelCheck& cancelled) {
        return controller_->saveFile(path, format, cancelled);
    });
    showFailure(outcome, beepsBefore);
}

void MainWindow::performSimulation() {
    whileGenerating(
        [&](const CancelCheck& cancelled) { return controller_->performSimulation(cancelled); });
}

void MainWindow::writeReport() {
    QString error;
    const QString path = controller_->writeReport(error);
    if (path.isEmpty()) {
        dialogs_.error(this, programTitle(), error);
        return;
    }
    dialogs_.openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::viewDataFolder() {
    dialogs_.openUrl(QUrl::fromLocalFile(folders().data));
}

void MainWindow::viewImageFolder() {
    dialogs_.openUrl(QUrl::fromLocalFile(folders().image));
}

void MainWindow::collapsePanes() {
    samplePane_->setFolded(true);
    simulationPane_->setFolded(true);
    listPane_->setFolded(false);
}

void MainWindow::expandPanes() {
    for (FoldingPane* pane : {samplePane_, simulationPane_, listPane_}) pane->setFolded(false);
}

void MainWindow::togglePane(FoldingPane* pane) {
    pane->setFolded(!pane->isFolded());
}

void MainWindow::pressPaneTitle(FoldingPane* pane) {
    if (pane == listPane_ && (!samplePane_->isFolded() || !simulationPane_->isFolded()))
        collapsePanes();
    else
        togglePane(pane);
}

void MainWindow::setControlsVisible(bool visible) {
    controlFrame_->setVisible(visible);
    actions_->collapsePanes->setEnabled(visible);
    actions_->expandPanes->setEnabled(visible);
}

void MainWindow::retrieveWavelength(std::size_t index) {
    WavelengthDialog dialog(dialogs_, this);
    if (dialogs_.runModal(dialog) != QDialog::Accepted) return;
    // Through the widget, which writes the field; the document follows at its next reading.
    inputs_->wavelengthEdits.at(index)->setText(dialog.wavelengthText());
}

void MainWindow::openAngleCalculator() {
    AngleCalculatorDialog dialog(cellOfFields(controller_->simulation().fields.cell), dialogs_,
                                 this);
    dialogs_.runModal(dialog);
}

QString MainWindow::cellMenuPath() const {
    return QString::fromStdString(tavrel::cellMenuPath(folders().work.toStdString()));
}

void MainWindow::editSamples() {
    const QString path = cellMenuPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::string reason;
    if (!createCellMenuIfMissing(path.toStdString(), reason)) {
        dialogs_.error(this, programTitle(),
                       QStringLiteral("\"%1\" cannot be written: %2")
                           .arg(QDir::toNativeSeparators(path), QString::fromStdString(reason)));
        return;
    }
    if (!dialogs_.openUrl(QUrl::fromLocalFile(path)))
        dialogs_.error(this, programTitle(),
                       QStringLiteral("No program could be started to edit \"%1\".")
                           .arg(QDir::toNativeSeparators(path)));
}

void MainWindow::applySample(std::size_t index) {
    const std::optional<Sample> sample = samples_.sample(index);
    if (!sample) return;
    whileGenerating(
        [&](const CancelCheck& cancelled) { return controller_->applySample(*sample, cancelled); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (generating_) {
        event->ignore();
        return;
    }
    // A dump that cannot be written leaves the previous one in place; the next start then
    // shows the state before this run, which is all that can be done while closing.
    controller_->saveState();
    app::WindowPlacement placement;
    placement.geometry = frameGeometry();
    placement.state = isMinimized()   ? app::WindowState::Minimised
                      : isMaximized() ? app::WindowState::Maximised
                                      : app::WindowState::Normal;
    placement.executablePath = QCoreApplication::applicationFilePath();
    QSettings settings(QStringLiteral("Quorvex"), QStringLiteral("Tavrel"));
    app::saveWindowSettings(settings, placement);
    event->accept();
}

} // namespace tavrel::ui
