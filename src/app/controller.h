#pragma once
// The window's document and what it shows of it: owns the simulation and the pattern view,
// runs the commands of the menus and panes on them, and tells the window through Qt signals
// what changed. It draws nothing by itself and shows no dialog; what the user must see goes
// through the Notifier it is given, and files are named by the caller.

#include "app/folders.h"
#include "samples/sample_list.h"
#include "session/generation.h"
#include "session/input_files.h"
#include "session/orient.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace tavrel {
class DrawingSurface;
}

namespace tavrel::app {

// The view toggles of the View menu and the toolbar.
enum class ViewToggle { Stereographic, FilmOutline, Rings, Labels, LightBackground };

// Status bar panels, numbered as the user sees them.
enum class StatusPanel { Count = 1, Pole = 2, Clicked = 3, Title = 4 };

class SimulationController : public QObject {
    Q_OBJECT
public:
    SimulationController(Notifier& notifier, Folders folders, QObject* parent = nullptr);

    Simulation& simulation() { return sim_; }
    const Simulation& simulation() const { return sim_; }
    PatternView& pattern() { return pattern_; }
    const PatternView& pattern() const { return pattern_; }
    const Folders& folders() const { return folders_; }
    QString statePath() const;
    // The d slider's range for the current list.
    ThresholdRange thresholdRange() const { return threshold_; }

    // Start-up: the state of the previous run, or the Iron sample on a first start or when the
    // dump is refused. True when the dump was restored.
    bool start(const CancelCheck& cancelled = {});
    // Replaces everything with the dump's content; false (and nothing changed) when there is
    // no usable dump.
    bool restoreState();
    // The built-in sample: body-centred cubic iron, simulated.
    void simulateIronSample(const CancelCheck& cancelled = {});
    // Writes the dump; false with the reason in `error` when it cannot be written.
    bool saveState(QString* error = nullptr) const;

    void newDocument();
    GenerationResult performSimulation(const CancelCheck& cancelled = {});
    // A sample of the Samples menu: its name, cell and group into the fields, d-Max 0 (the
    // longest cell edge), then simulated as Perform Simulation does.
    GenerationResult applySample(const Sample& sample, const CancelCheck& cancelled = {});
    FileOutcome openFile(const QString& path, InputFormat format,
                         const CancelCheck& cancelled = {});
    FileOutcome saveFile(const QString& path, InputFormat format,
                         const CancelCheck& cancelled = {});
    // Writes "Report.txt" into the work folder; its path, or an empty text with `error` set.
    QString writeReport(QString& error);

    // The orientation field as a reciprocal or direct vector, as its type list says.
    void applyOrientation();
    void applyPresetOrientation(int position);
    // The three film fields read at once; the picture follows at once.
    void readFilmFields();
    void setViewToggle(ViewToggle toggle, bool on);
    bool viewToggle(ViewToggle toggle) const;
    void fitToWindow();
    // The d slider at `position` (tenths of an angstrom): lines only above that spacing.
    void setThresholdPosition(int position);

    void unselectAll();
    // Selects every reflection whose d lies within 0.001 angstrom of d-Max.
    void selectStrongest();
    // The list changed the selection itself: only the picture follows.
    void selectionEdited();

    // Steering the crystal. Each redraws once; none acts while there are no reflections.
    bool hasReflections() const { return sim_.reflections.generated; }
    // A left drag: about the vertical axis, then about the horizontal one.
    void turnByDrag(float aboutVertical, float aboutHorizontal);
    void turnAboutViewingAxis(float degrees);
    void turnByArrowKey(ArrowKey key);
    void setPatternScale(float scale);
    // Cone lines or reciprocal-lattice points.
    void switchLinesAndPoints();
    // While the pointer drags, pictures are drawn with fewer samples per line.
    void setDragging(bool dragging);
    // Draws what is shown again (at full quality after a drag).
    void refreshPicture();
    bool dragging() const { return dragging_; }
    // A click at (x, y) of the picture: the reflection of the nearest drawn line (or point)
    // is toggled in the selection and reported; nothing within reach changes nothing.
    std::optional<std::int32_t> pickAt(float x, float y);

    // The colour-scheme pane.
    void selectColourScheme(int scheme);
    // `which`: 0 dark background, 1 light background, 2 highlight of selected lines.
    void setBaseColour(int which, Rgb colour);
    // Black, white and red, and the grey scheme.
    void resetColours();

    // The canvas's logical size; new lists are fitted to it.
    void setPictureSize(int width, int height);
    // Draws the picture of the current state; no summary while there are no reflections.
    std::optional<DrawSummary> draw(DrawingSurface& surface);

signals:
    // A new reflection list (Generated, Loaded, also after restoring) or none (Cleared).
    void reflectionsReplaced(tavrel::SimulationChange change);
    // The core rewrote texts of the input fields.
    void fieldsChanged();
    // Something the picture shows changed.
    void pictureChanged();
    // A command changed the selection; the list must follow.
    void selectionChanged();
    // A click toggled this reflection; the list shows its entry.
    void reflectionPicked(std::int32_t reflection);
    void statusText(tavrel::app::StatusPanel panel, const QString& text);

private:
    // Runs a command and then tells what it changed, once.
    template <class Command> auto run(Command&& command);
    void finish();
    // Runs a turn of the points and redraws, without rereading the fields.
    template <class Turn> void steer(Turn&& turn);
    CancelCheck announcingLoops(const CancelCheck& cancelled);

    Folders folders_;
    Simulation sim_;
    PatternView pattern_;
    Renderer renderer_;
    ThresholdRange threshold_;
    std::optional<SimulationChange> newList_;
    bool turned_ = false;
    bool dragging_ = false;
    int depth_ = 0;
};

} // namespace tavrel::app
