#pragma once
// The window's document and what it shows of it: owns the simulation and the pattern view, runs
// the commands of the menus, panes and pointer on them (those on the view alone through
// view()), and tells the window what changed with one signal. It draws nothing by itself and
// shows no dialog: a command that has something to tell the user returns it, and the window
// decides how to show it; files are named by the caller.

#include "app/controller_state.h"
#include "app/folders.h"
#include "app/pattern_image_commands.h"
#include "app/view_commands.h"
#include "common/matrix3.h"
#include "common/result.h"
#include "orientation/holder_tilts.h"
#include "orientation/orientation_summary.h"
#include "render/renderer.h"
#include "samples/sample_list.h"
#include "session/generation.h"
#include "session/input_files.h"
#include "session/orient.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <QFlags>
#include <QItemSelection>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {
class DrawingSurface;
}

namespace tavrel::app {

// The text fields of the input panes; the index picks one of a row (cell 0..5, limits 0..2,
// wavelengths 0..1, d-Min and d-Max, film width, height and distance).
enum class TextField { Title, Cell, Limit, Wavelength, D, Film, Orientation, MinIntensity };

// An orientation that undo and redo go back to: the rotation of the picture and what the
// orientation field said.
struct OrientationPoint {
    Mat3d matrix = kIdentity3d;
    std::string text;
    OrientationType type = OrientationType::Reciprocal;
    friend bool operator==(const OrientationPoint&, const OrientationPoint&) = default;
};

// Where the detector stands, as undo goes back to it: the film distance as typed and as taken,
// and the setup (the pattern centre with it; the Euler frame and the image shown are no part
// of it).
struct DetectorPoint {
    std::string distanceText;
    float distance = 0;
    DetectorSetup setup;
    friend bool operator==(const DetectorPoint&, const DetectorPoint&) = default;
};

class SimulationController : public QObject {
    Q_OBJECT
public:
    explicit SimulationController(Folders folders, QObject* parent = nullptr);

    const Simulation& simulation() const { return sim_; }
    const PatternView& pattern() const { return pattern_; }
    const Folders& folders() const { return folders_; }
    QString statePath() const;
    QString statusText(StatusPanel panel) const;
    // Where the last new reflection list came from.
    NewList listOrigin() const { return listOrigin_; }
    // The reflection a click named last, whose list entry the list shows; none after any other
    // change of the selection.
    std::optional<std::int32_t> pickedReflection() const { return picked_; }
    bool hasReflections() const { return sim_.reflections.generated; }
    // The file last opened or saved; empty before any, and after New or a sample, which leave
    // every file behind.
    const QString& currentFile() const { return currentFile_; }
    // The fields differ from what the current file was opened with or saved from.
    bool modified() const { return !currentFile_.isEmpty() && sim_.fields != fileFields_; }
    // Toggles, colours, zoom, threshold and picture size.
    ViewCommands& view() { return view_; }
    const ViewCommands& view() const { return view_; }
    // Four indices are asked for and the document's cell is hexagonal.
    bool showsFourIndices() const;
    // The cell of the document is hexagonal (a = b, gamma = 120 degrees).
    bool hexagonalCell() const;
    // The fields the reflection list was made from (simulated, opened or restored); edits typed
    // since then are not in them.
    const DocumentFields& listFields() const { return listFields_; }
    // The six cell fields as they stand now, each read as a number as typed (a, b, c in
    // angstrom, alpha, beta, gamma in degrees); the document is not read.
    std::array<double, 6> cellOfFields() const;

    // Start-up: the state of the previous run, or the iron sample simulated on a first start or
    // when the dump is refused. True when the dump was restored.
    bool start(const CancelCheck& cancelled = {});
    // Replaces everything with the dump's content; false (and nothing changed) when there is
    // no usable dump.
    bool restoreState();
    // Writes the dump; a problem names the file and the reason.
    Outcome saveState() const;

    // Edits of the input fields. They change only the texts (the film, which the picture shows
    // at once, also the picture); the document follows at its next reading.
    void setFieldText(TextField field, std::size_t index, const QString& text);
    // A list position picked by the user: the setting a file chose goes with its group.
    void setSpaceGroupPosition(int position);
    void setAutoLimits(bool on);
    // Euler angles chosen start from those of the picture, once there is one.
    void setOrientationType(OrientationType type);
    // The structure's atom sites; a refused site (an element the scattering tables do not hold,
    // a value that is no number) changes nothing and is named in the problem.
    Outcome setAtomSites(std::vector<AtomSite> sites);
    // Electron scattering chosen, or left to the wavelength (electrons' for a voltage).
    void setElectronScattering(bool on);
    bool hasAtoms() const { return !sim_.atoms.empty(); }

    // Commands of the menus. What they have to tell the user they return.
    void newDocument();
    Result<NewListReport> performSimulation(const CancelCheck& cancelled = {});
    // A sample of the Samples menu: its name, cell and group into the fields, d-Max 0 (the
    // longest cell edge), its atoms where the program knows them (for the group of the built-in
    // sample of that name), then simulated as Perform Simulation does.
    Result<NewListReport> applySample(const Sample& sample, const CancelCheck& cancelled = {});
    // Reads the file and, when it is not refused, puts it into the simulation; with
    // `keepGeometry` the radiation, film and detector stay as they are (a phase indexing found
    // under the pattern image).
    Result<NewListReport> openFile(const QString& path, InputFormat format,
                                   const CancelCheck& cancelled = {}, bool keepGeometry = false);
    Result<std::vector<std::string>> saveFile(const QString& path, InputFormat format,
                                              const CancelCheck& cancelled = {});
    // Writes "Report.txt" into the work folder; its path.
    Result<QString> writeReport();
    // Writes "symmetry.txt", the operations of the document's group, into the work folder.
    Result<QString> writeSymmetryListing() const;

    // The orientation field as a reciprocal or direct vector or Euler angles, as its type list
    // says (see applyOrientationText: a text that names none is a problem of the kind
    // WrongKind, whose field the window marks).
    Outcome applyOrientation();
    void applyPresetOrientation(int position);

    // Undo and redo. The orientation as it stands now; going back to one turns the picture to
    // its matrix and, with `withField`, also writes its text and type into the orientation
    // field. Nothing happens while there are no reflections.
    OrientationPoint orientationPoint() const;
    void restoreOrientation(const OrientationPoint& point, bool withField);
    // A simulated edit undone or redone: `fields` simulated again, then the picture turned to
    // `orientation` (the turns made before the edit was simulated come back with it).
    Result<NewListReport> resimulate(const DocumentFields& fields, const Mat3d& orientation,
                                     const CancelCheck& cancelled = {});
    // The film distance field finished: while it holds a positive number (which the picture
    // already follows as it is typed), the pattern centre's z and both panes that show the
    // distance follow it too. False, and the text left for the next simulation to judge,
    // otherwise.
    bool takeFilmDistance();
    DetectorPoint detectorPoint() const;
    void restoreDetector(const DetectorPoint& point);

    // The orientation of the picture: Euler angles, g, the directions along the sample axes and
    // the zone axes near the viewing axis. A problem while nothing is simulated.
    Result<OrientationSummary> orientationSummary() const;
    // Turns the crystal by the smallest rotation that puts the nearest low-index zone axis on
    // the viewing axis; the axis it chose.
    Result<ZoneAxis> turnToNearestZoneAxis();
    // The holder tilts that bring the lattice direction typed as `direction` ([u v w], or four
    // indices in a hexagonal cell) onto the viewing axis, and applying them.
    Result<HolderTilts> holderTiltsTo(const QString& direction) const;
    void applyHolderTilts(const HolderTilts& tilts);

    // The recorded pattern under the lines and the commands on it.
    PatternImageCommands& patternImage() { return patternImage_; }
    const PatternImageCommands& patternImage() const { return patternImage_; }

    void unselectAll();
    // Selects every reflection whose d lies within 0.001 angstrom of d-Max.
    void selectStrongest();
    // The list's own selection edits: rows (reflections) selected and deselected.
    void changeSelection(const QItemSelection& selected, const QItemSelection& deselected);

    // Steering the crystal. Each redraws once; none acts while there are no reflections.
    // A left drag: about the vertical axis, then about the horizontal one.
    void turnByDrag(float aboutVertical, float aboutHorizontal);
    void turnAboutViewingAxis(float degrees);
    void turnByArrowKey(ArrowKey key);
    // A click at (x, y) of the picture: a marked zone axis near it is named in the status bar;
    // else the reflection of the nearest drawn line (or point) is toggled in the selection and
    // reported; nothing within reach changes nothing.
    std::optional<std::int32_t> pickAt(float x, float y);

    // Draws the picture of the current state; no summary while there are no reflections. The
    // summary's texts become the count and pole texts of statusText.
    std::optional<DrawSummary> draw(DrawingSurface& surface);

signals:
    // Once at the end of every command that changed something.
    void changed(tavrel::app::Changes what);

private:
    // The fields now are those of `path`, or no file stands behind them (an empty path).
    void takeFile(const QString& path);
    // After every new reflection list (or none): the screen follows, the counts and the title
    // are shown.
    void showNewList(NewList origin);
    void setStatus(StatusPanel panel, QString text) { state_.setStatus(panel, std::move(text)); }
    void showPicked() { state_.showPicked(); }
    // What changed with the line strengths: the clicked panel's intensity with them.
    Changes strengthsChanged();
    // Runs a turn of the points and redraws, without rereading the fields.
    template <class Turn> void steer(Turn&& turn);
    // Says how many loops a generation runs, once the document has been read, which is just
    // before the first question.
    CancelCheck announcingLoops(const CancelCheck& cancelled);
    // A generation or an opened file: the list, the fields, the picture, the status.
    Result<NewListReport> finishNewList(Result<NewListReport> report);

    Folders folders_;
    ControllerState state_;
    // Shorthands for the parts of the state the controller's own commands use most.
    Simulation& sim_ = state_.sim;
    PatternView& pattern_ = state_.pattern;
    std::optional<std::int32_t>& picked_ = state_.picked;
    Renderer renderer_;
    NewList listOrigin_ = NewList::Cleared;
    ViewCommands view_{state_};
    QString currentFile_;
    DocumentFields fileFields_;
    DocumentFields listFields_;
    bool savingFile_ = false; // the field's Euler angles stay in the picture frame meanwhile
    PatternImageCommands patternImage_{state_};
};

} // namespace tavrel::app
