// The window's commands, declared once in a table, and the menus and the toolbar that show them.

#include "ui/angle_dialog.h"
#include "ui/colour_scheme_pane.h"
#include "ui/control_frame.h"
#include "ui/help_menu.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/picture_export.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <functional>
#include <initializer_list>

namespace tavrel::ui {

using app::ViewToggle;

namespace {

// One command of the menus and the toolbar, declared once: the menus, the toolbar and the
// popups take the same action, found by its name.
struct CommandEntry {
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

} // namespace

void MainWindow::buildCommands() {
    auto toggle = [this](ViewToggle which) {
        return [this, which](bool on) {
            controller_->view().setToggle(which, on);
            syncToggleCommands();
        };
    };
    auto link = [this](app::WebTarget target) {
        return [this, target](bool) { helpMenu_->openTarget(target); };
    };
    const QKeySequence noKey;
    const CommandEntry commands[] = {
        {"actionNew", "New", "New Input Data", QKeySequence::New, "new", false,
         [this](bool) { newDocument(); }},
        {"actionOpen", "Open… (*.tvr, *.hkl, *.cif)", "Open Tavrel Input File", QKeySequence::Open,
         "open", false, [this](bool) { openInputFile(); }},
        {"actionSave", "Save As… (*.tvr, *.hkl, *.cif)", "Save Input Data", QKeySequence::Save,
         "save", false, [this](bool) { saveInputFile(); }},
        {"actionCopy", "Copy", "Copy to Clipboard", QKeySequence::Copy, "copy", false,
         [this](bool) { pictureExport_->copyPicture(); }},
        {"actionPrint", "Print ...", "", QKeySequence::Print, "", false,
         [this](bool) { pictureExport_->printWithDialog(); }},
        {"actionPrintDirect", "Print", "Print", noKey, "print", false,
         [this](bool) { pictureExport_->printPage(); }},
        {"actionSaveImage", "Save Image… (*.bmp, *.png, *.svg, *.pdf)", "", noKey, "", false,
         [this](bool) { pictureExport_->saveImage(); }},
        {"actionViewDataFolder", "View Data Folder", "", noKey, "", false,
         [this](bool) { showOnDesktop(folders().data, true); }},
        {"actionViewImageFolder", "View Image Folder", "", noKey, "", false,
         [this](bool) { showOnDesktop(folders().image, true); }},
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
        {"actionReport", "Report", "", noKey, "", false,
         [this](bool) { showWrittenFile(controller_->writeReport()); }},
        {"actionSymmetryListing", "Symmetry Operations", "", noKey, "", false,
         [this](bool) { showWrittenFile(controller_->writeSymmetryListing()); }},
        {"actionUnselectAll", "Unselect All", "", noKey, "", false,
         [this](bool) { controller_->unselectAll(); }},
        {"actionSelectStrongest", "Select Strongest", "", noKey, "", false,
         [this](bool) { controller_->selectStrongest(); }},
        {"actionColorScheme", "Color Scheme", "", noKey, "", false,
         [this](bool) { colourSchemePane_->open(); }},
        {"actionControls", "Controls", "", noKey, "", true,
         [this](bool on) { setControlsVisible(on); }},
        {"actionCollapsePanes", "Collapse Panes", "", noKey, "", false,
         [this](bool) { controlFrame_->collapse(); }},
        {"actionExpandPanes", "Expand Panes", "", noKey, "", false,
         [this](bool) { controlFrame_->expand(); }},
        {"actionAngleCalculator", "Angle Calculator", "", noKey, "", false,
         [this](bool) {
             AngleCalculatorDialog dialog(controller_->cellOfFields(), dialogs_, this);
             dialogs_.runModal(dialog);
         }},
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
         [this](bool) { controller_->view().fitToWindow(); }},
    };
    for (const CommandEntry& entry : commands) {
        auto* action = new QAction(QString::fromUtf8(entry.caption), this);
        action->setObjectName(QString::fromLatin1(entry.name));
        if (*entry.toolTip) action->setToolTip(QString::fromUtf8(entry.toolTip));
        if (!entry.shortcut.isEmpty()) {
            action->setShortcut(entry.shortcut);
            // The tip names the key, as the menu does.
            action->setToolTip(QStringLiteral("%1 (%2)").arg(
                action->toolTip(), entry.shortcut.toString(QKeySequence::NativeText)));
        }
        if (*entry.icon) action->setIcon(icon(QString::fromLatin1(entry.icon)));
        action->setCheckable(entry.checkable);
        // A toggle's icon would stand in the menu where its check mark belongs.
        if (entry.checkable) action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, this, entry.run);
    }
    for (std::size_t i = 0; i < kPresetOrientations.size(); ++i) {
        const PresetOrientation& preset = kPresetOrientations[i];
        if (preset.text.empty()) continue;
        auto* action = new QAction(
            QString::fromUtf8(preset.caption.data(), static_cast<qsizetype>(preset.caption.size())),
            this);
        action->setObjectName(QStringLiteral("actionOrient%1").arg(static_cast<int>(i)));
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
            controller_->view().setZoneAxisIndex(i);
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
        if (QAction* preset = presetCommand(i))
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

} // namespace tavrel::ui
