#pragma once
// The program's window: menus, toolbar, the control frame with its three folding panes
// ("Sample", "Simulation ", "Reflection List "), the canvas, the d slider at the top right and
// the status bar with four panels. It owns the controller (the simulation and what the canvas
// shows of it), turns commands into controller calls, shows what they have to tell through
// UserDialogs and shows what the controller says changed. The commands are declared once in a
// table; the pointer and the arrow keys on the canvas, the popup menus, the reflection list and
// the colour-scheme pane live in classes of their own.

#include "app/controller.h"
#include "app/folders.h"
#include "output/banded_surface.h"

#include <QMainWindow>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QSlider;

namespace tavrel::app {
class ReflectionTableModel;
}

namespace tavrel::ui {

class AtomsPane;
class PatternImagePane;
class CanvasSteering;
class CanvasWidget;
class ColourSchemePane;
class FoldingPane;
class HelpMenu;
class InputPanes;
class PictureExport;
class ListPopup;
class PatternPopup;
class ReflectionList;
class UndoSteps;
class UserDialogs;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Chooses the folders, builds the window at 850 x 700 (less on a small screen) and restores the
    // previous run (or simulates the Iron sample on a first start). Dialogs and the desktop go
    // through `dialogs`, which must outlive the window.
    MainWindow(const app::StartupOptions& options, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::SimulationController& controller() { return *controller_; }
    const app::Folders& folders() const { return controller_->folders(); }
    bool startedFromDump() const { return startedFromDump_; }

    // A command of the menus or the toolbar by its object name ("actionNew"); null for none.
    QAction* command(const char* name) const;

    InputPanes& inputs() { return *inputs_; }
    FoldingPane* samplePane() const { return samplePane_; }
    FoldingPane* simulationPane() const { return simulationPane_; }
    FoldingPane* listPane() const { return listPane_; }
    FoldingPane* atomsPane() const { return atomsPane_; }
    AtomsPane& atoms() const { return *atoms_; }
    FoldingPane* patternImageFoldingPane() const { return patternImageFolding_; }
    PatternImagePane& patternImagePane() const { return *patternImage_; }
    QWidget* controlFrame() const { return controlFrame_; }
    ReflectionList* reflectionView() const { return reflectionList_; }
    app::ReflectionTableModel* reflectionModel() const;
    CanvasWidget* canvas() const { return canvas_; }
    QSlider* thresholdSlider() const { return thresholdSlider_; }
    QLabel* thresholdLabel() const { return thresholdLabel_; }
    PictureExport& pictureExport() const { return *pictureExport_; }
    HelpMenu& helpMenu() const { return *helpMenu_; }
    CanvasSteering* steering() const { return steering_; }
    ListPopup* listPopup() const { return listPopup_; }
    PatternPopup* patternPopup() const { return patternPopup_; }
    ColourSchemePane* colourSchemePane() const { return colourSchemePane_; }
    UndoSteps& undoSteps() const { return *undo_; }
    QLabel* statusPanel(app::StatusPanel panel) const;
    QString statusText(app::StatusPanel panel) const;
    // The note a command left in the status bar; empty once it has gone.
    QString statusNote() const;

    // Each generation lets pending events run at most every `interval`, then calls `hook` with
    // the round's number (tests press keys at a known point).
    void setGenerationPolling(std::chrono::milliseconds interval, std::function<void(int)> hook);

    // Commands of the menus and the toolbar.
    void newDocument();
    void openInputFile();
    // Opens a file as Open does: a ".tvr", ".hkl" or ".cif" by its extension (the command line).
    void openFile(const QString& path);
    void saveInputFile();
    void performSimulation();
    void writeReport();
    // "symmetry.txt", the operations of the group the document was last read in, written into
    // the work folder and opened with the desktop's editor.
    void showSymmetryListing();
    // Orient menu: the orientation matrix dialog, the turn onto the nearest zone axis and the
    // holder tilts onto a typed one.
    void showOrientationMatrix();
    void turnToNearestZoneAxis();
    void tiltToZoneAxis();
    void viewDataFolder();
    void viewImageFolder();
    void collapsePanes();
    void expandPanes();
    void togglePane(FoldingPane* pane);
    // A press on a pane's title strip: the list pane's first collapses the input panes.
    void pressPaneTitle(FoldingPane* pane);
    void setControlsVisible(bool visible);
    // The "?" beside wavelength field `index` (0 or 1): OK in the wavelength dialog fills the
    // field, Cancel leaves it as it was.
    void retrieveWavelength(std::size_t index);
    // The angle calculator for the cell that stands in the cell fields now.
    void openAngleCalculator();
    // "Edit ...": the cell menu file with the desktop's editor, created first when missing.
    void editSamples();
    // Sample `index` of the Samples menu into the fields, then simulated.
    void applySample(std::size_t index);
    // The samples of the Samples menu, read from the cell menu file at start-up.
    const SampleList& samples() const { return samples_; }
    QString cellMenuPath() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The first size, the least size and the place on the screen the window opens on.
    void fitIntoScreen();
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildCentralArea();
    void buildStatusBar();
    void buildSteering();
    void buildSamplesMenu(QMenu* menu);
    // Undo and redo: the steps, Edit > Undo and Redo, and the commands that are steps.
    void buildUndo();
    void connectUndoSteps();
    void connectInputs();
    // Before a command that replaces the fields: while a named file has unsaved edits, asks
    // whether to save them; false when the user cancels or the file cannot be written.
    bool settleUnsavedEdits();
    // Pattern input files dropped on the window open as Open opens them.
    void acceptFileDrops();
    void editAtomSites(const std::vector<AtomSite>& sites);
    // The recorded pattern under the lines: File > Open Pattern Image, its pane, and matching
    // the lines to it (Orient > Refine Orientation, Index Pattern).
    void buildPatternImagePane(QWidget* frameContent);
    void openPatternImage();
    void refineToPatternImage(bool fitCentre);
    void indexPatternImage();
    void showPatternImage();

    // Shows what a command of the controller changed.
    void showChanges(app::Changes what);
    void redraw();
    void showNewList();
    void showStatus();
    void showThreshold();
    // "silicon.tvr[*] — Tavrel/Morwen", marked while the fields differ from the file.
    void showTitle();
    void syncToggleCommands();
    void setStatus(app::StatusPanel panel, const QString& text);
    void openChosenFile(const QString& path, InputFormat format);
    // A file or folder handed to the desktop; a message naming it when no program took it.
    void showOnDesktop(const QString& path, bool folder);
    // The keyboard to the pattern, so that the arrow keys turn the crystal at once.
    void focusPattern();
    // A note in the status bar for a few seconds.
    void showNote(const QString& text);
    // File > Open Recent: the file to the top of the list, the list into the menu.
    QString recentFilesPath() const;
    // Where Open and Save start: the folder of the file last opened or saved, by any way and in
    // any run; the data folder before there was one.
    QString lastUsedFolder() const;
    void rememberFile(const QString& path);
    void showRecentFiles();
    void openRecentFile(const QString& path);
    template <class Command> auto whileGenerating(Command&& command);

    UserDialogs& dialogs_;
    std::unique_ptr<app::SimulationController> controller_;
    bool startedFromDump_ = false;
    bool generating_ = false;
    SampleList samples_;
    std::chrono::milliseconds pollInterval_{50};
    std::function<void(int)> pollHook_;

    InputPanes* inputs_ = nullptr;
    QWidget* controlFrame_ = nullptr;
    FoldingPane* samplePane_ = nullptr;
    FoldingPane* simulationPane_ = nullptr;
    FoldingPane* listPane_ = nullptr;
    FoldingPane* atomsPane_ = nullptr;
    AtomsPane* atoms_ = nullptr;
    FoldingPane* patternImageFolding_ = nullptr;
    PatternImagePane* patternImage_ = nullptr;
    QString lastImageFolder_;
    ReflectionList* reflectionList_ = nullptr;
    CanvasWidget* canvas_ = nullptr;
    // What each picture records before it is painted, kept from one picture to the next.
    BandedSurface::Record pictureRecord_;
    QSlider* thresholdSlider_ = nullptr;
    QLabel* thresholdLabel_ = nullptr;
    std::array<QLabel*, 5> statusPanels_{};
    QLabel* statusNote_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QStringList recentFiles_;
    QTimer noteTimer_;
    PictureExport* pictureExport_ = nullptr;
    HelpMenu* helpMenu_ = nullptr;
    CanvasSteering* steering_ = nullptr;
    ListPopup* listPopup_ = nullptr;
    PatternPopup* patternPopup_ = nullptr;
    ColourSchemePane* colourSchemePane_ = nullptr;
    UndoSteps* undo_ = nullptr;
};

} // namespace tavrel::ui
