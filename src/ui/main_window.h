#pragma once
// The program's window: menus, toolbar, the control frame with its folding panes, the canvas,
// the d slider at the top right and the status bar. It owns the controller (the simulation and
// what the canvas shows of it), turns commands into controller calls, shows what they have to
// tell through UserDialogs and shows what the controller says changed. The commands are
// declared once in a table; the pointer and the arrow keys on the canvas, the popup menus, the
// panes, the reflection list and the colour-scheme pane live in classes of their own, which
// tests find by their object names as they find the commands.

#include "app/controller.h"
#include "app/folders.h"
#include "app/recent_files.h"
#include "app/sample_catalogue.h"
#include "ui/escape_watch.h"

#include <QMainWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace tavrel::ui {

class AtomsPane;
class CanvasWidget;
class ColourSchemePane;
class ControlFrame;
class FoldingPane;
class HelpMenu;
class MapWindowPart;
class InputPanes;
class PatternImagePane;
class PictureExport;
class ReflectionList;
class StatusPanels;
class ThresholdControls;
class UndoSteps;
class UserDialogs;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Chooses the folders, builds the window where it was when it last closed (else at 850 x 700,
    // less on a small screen) and restores the previous run (or simulates the Iron sample on a
    // first start). Dialogs and the desktop go
    // through `dialogs`, which must outlive the window.
    MainWindow(const app::StartupOptions& options, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // A command of the menus or the toolbar by its object name ("actionNew"); null for none.
    QAction* command(const char* name) const;
    FoldingPane* patternImageFoldingPane() const { return patternImageFolding_; }
    PatternImagePane& patternImagePane() const { return *patternImage_; }

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
    // Sample `index` of the Samples menu into the fields, then simulated.
    void applySample(std::size_t index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The first size, the least size and the place on the screen the window opens on.
    void fitIntoScreen();
    // The command table, the menus and the toolbar (main_window_commands.cpp).
    void buildCommands();
    QAction* presetCommand(std::size_t position) const;
    void buildMenus();
    void buildToolBar();
    void buildCentralArea();
    void buildSteering();
    void buildSamplesMenu(QMenu* menu);
    // Undo and redo: the steps, Edit > Undo and Redo, and the commands that are steps.
    void buildUndo();
    void connectUndoSteps();
    void connectInputs();
    // Before a command that replaces the fields: while a named file has unsaved edits, asks
    // whether to save them; false when the user cancels or the file cannot be written.
    bool settleUnsavedEdits();
    void editAtomSites(const std::vector<AtomSite>& sites);
    // The orientation field: a text that names no orientation says so in the field, a refused
    // one in a message.
    void applyOrientation();
    // The recorded pattern under the lines: File > Open Pattern Image, its pane, and matching
    // the lines to it (Orient > Refine Orientation, Index Pattern).
    void buildPatternImagePane(QWidget* frameContent);
    void openPatternImage();
    void refineToPatternImage(bool fitCentre);
    void indexPatternImage();
    void showPatternImage();
    // A film distance typed in either pane moves the detector at once, as the centre's z does,
    // so that the other pane and z follow it; one undo step.
    void takeFilmDistance();

    // "symmetry.txt", the operations of the group the document was last read in, written into
    // the work folder and opened with the desktop's editor; "Report.txt" likewise.
    void showWrittenFile(const Result<QString>& written);
    // Orient menu: the orientation matrix dialog, the turn onto the nearest zone axis and the
    // holder tilts onto a typed one.
    void showOrientationMatrix();
    void turnToNearestZoneAxis();
    void tiltToZoneAxis();
    void setControlsVisible(bool visible);
    // The "?" beside wavelength field `index` (0 or 1): OK in the wavelength dialog fills the
    // field, Cancel leaves it as it was.
    void retrieveWavelength(std::size_t index);
    // "Edit ...": the cell menu file with the desktop's editor, created first when missing.
    void editSamples();

    // Shows what a command of the controller changed.
    void showChanges(app::Changes what);
    void showNewList();
    void showThreshold();
    // "silicon.tvr[*] — Tavrel/Morwen", marked while the fields differ from the file.
    void showTitle();
    void syncToggleCommands();
    void openChosenFile(const QString& path, InputFormat format);
    // The format of the file a dialog returned, as its filter `filterIndex` (of those of
    // `formats`, in the order the dialog offered them) and its name say.
    static InputFormat formatOfChoice(QString& path, const std::vector<InputFormat>& formats,
                                      int filterIndex, bool addExtension);
    // A file or folder handed to the desktop; a message naming it when no program took it.
    void showOnDesktop(const QString& path, bool folder);
    // The keyboard to the pattern, so that the arrow keys turn the crystal at once.
    void focusPattern();
    // A file opened or saved goes to the top of File > Open Recent.
    void rememberFile(const QString& path);
    void showRecentFiles();
    void openRecentFile(const QString& path);
    // Runs `command` with a cancel check that Escape answers; meanwhile the window refuses to
    // close and no other command starts.
    template <class Command> auto whileGenerating(Command&& command) {
        return whileBusy(
            [&](EscapeWatch& watch) { return command([&watch] { return watch.cancelled(); }); });
    }
    // Runs `command` with the window's Escape watch while the window counts as busy.
    template <class Command> auto whileBusy(Command&& command) {
        generating_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{generating_};
        EscapeWatch watch(pollInterval_, pollHook_);
        return command(watch);
    }

    // Runs `work` on a worker thread (off_thread.h), `tick` meanwhile on the window's; the
    // window refuses to close and no other command starts until it ends.
    void whileWorking(const std::function<void(const CancelCheck&)>& work,
                      const std::function<void()>& tick = {});
    // An answer of indexing in another phase than the document's crystal: offered to open its
    // file as the document, turned to it.
    void openPhaseAnswer(const app::IndexAnswer& answer);

    const app::Folders& folders() const { return controller_->folders(); }
    // Whole EBSD maps (main_window_map.cpp) drive the window's controller, dialogs and status.
    friend class MapWindowPart;
    MapWindowPart* map_ = nullptr;

    UserDialogs& dialogs_;
    // Also a child of the window, which tests find by its name "controller"; deleted before
    // the widgets that use it.
    std::unique_ptr<app::SimulationController> controller_;
    app::RecentFiles recentFiles_;
    app::SampleCatalogue samples_;
    QString settingsFile_; // where the window's placement is kept
    bool generating_ = false;
    std::chrono::milliseconds pollInterval_{50};
    std::function<void(int)> pollHook_;

    ControlFrame* controlFrame_ = nullptr;
    InputPanes* inputs_ = nullptr;
    AtomsPane* atoms_ = nullptr;
    ReflectionList* reflectionList_ = nullptr;
    FoldingPane* patternImageFolding_ = nullptr;
    PatternImagePane* patternImage_ = nullptr;
    QString lastImageFolder_;
    CanvasWidget* canvas_ = nullptr;
    ThresholdControls* threshold_ = nullptr;
    StatusPanels* status_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    PictureExport* pictureExport_ = nullptr;
    HelpMenu* helpMenu_ = nullptr;
    ColourSchemePane* colourSchemePane_ = nullptr;
    UndoSteps* undo_ = nullptr;
};

} // namespace tavrel::ui
