#pragma once
// The window's commands on a recorded pattern: the image under the lines, how it is shown,
// the detector it lies on, refining the orientation against it and indexing it. They work on
// the controller's simulation and view and end, as every command of the controller does, with
// its one change signal; the matching itself is the session's service (session/pattern_fit.h).

#include "common/result.h"
#include "detector/detector.h"
#include "fit/indexing.h"
#include "session/input_files.h"
#include "session/pattern_fit.h"
#include "session/pattern_underlay.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace tavrel::app {

struct ControllerState;

// An orientation indexing found, with the phase it belongs to: its place (0: the document's
// crystal, then the further phases in their order), name and the cell its Euler angles are read
// in.
struct IndexAnswer {
    fit::FoundOrientation found;
    std::size_t phase = 0;
    std::string phaseName;
    std::string path; // the further phase's file; empty for the document's crystal
    LatticeMatrices cell;
};

// A match that may run on another thread: everything it reads is its own copy, taken from the
// window's state when it was made, so nothing the window does meanwhile reaches it.
class MatchJob {
public:
    // The image prepared for matching (the copy of the cache when there was one), then the
    // orientation refined from the simulation's; `request.start` is set here.
    Result<Refinement> refine(RefineRequest request);
    // Every phase tried: the document's crystal, then each further phase's file read with the
    // simulation's radiation and detector (a file gone since is left out). The answers of all
    // phases that found any: those of the phase fit::choosePhase takes first, each phase's by
    // score; the crystal's problem when none did; "Indexing stopped" when `cancelled` ended it.
    Result<std::vector<IndexAnswer>> index(const CancelCheck& cancelled = {});

private:
    friend class PatternImageCommands;
    Result<const fit::PreparedPattern*> prepared();

    Simulation sim_;
    std::vector<std::string> phases_;
    fit::GreyImage raw_;
    fit::StaticBackground background_;
    fit::BackgroundCorrection correction_;
    std::optional<fit::PreparedPattern> prepared_;
};

// The file's crystal under the simulation's radiation, film and detector.
void keepGeometryOf(const Simulation& current, InputFile& file);

// The crystal of a further phase: the file read (a .cif or the program's own pattern input
// file) with the radiation, film and detector of `current`, its reflections generated. A
// problem names the file.
Result<Simulation> phaseSimulation(const Simulation& current, const std::string& path);

class PatternImageCommands {
public:
    explicit PatternImageCommands(ControllerState& state) : state_(state) {}

    const PatternUnderlay& underlay() const;
    // The detector the image lies on: the document's film with the detector setup.
    Detector detector() const;
    // The pixels of the image shown, none without one.
    std::optional<std::array<int, 2>> imageSize() const;
    // Takes the detector setup, and with `stated` the pattern centre (x, y and z) in the setup's
    // convention (z moves the film distance). A problem naming the field (a tilt outside +-90
    // degrees, a centre that is no number, EMsoft's convention without the pixel size, ...)
    // keeps the detector as it was; a centre outside the image is taken, with a note.
    Outcome setDetector(const DetectorSetup& setup,
                        const std::optional<CentreCoordinates>& stated = std::nullopt);
    // The frame Euler angles are shown in; none for the default of the work.
    void setEulerFrame(std::optional<EulerFrame> frame);

    // Reads a picture file and shows it under the lines; a problem names the file and keeps
    // what was shown.
    Outcome open(const QString& path);
    // How the image is shown; the files and the correction stay, whatever the caller held.
    void setSettings(const UnderlaySettings& settings);
    // The background correction matching uses: the static background's file (empty: none) and
    // the dynamic correction. A file that cannot be read or whose size is not the pattern's is
    // refused naming it, and the correction stays as it was.
    Outcome setBackground(const std::string& staticPath, fit::DynamicCorrection dynamic);
    // The image goes, and the pattern centre back to the middle with it.
    void remove();
    // The image a restored dump names, with its settings (the detector is the restored
    // simulation's); one that cannot be read is a status message, and the session comes back
    // without it.
    void restore(const UnderlaySettings& settings);

    // A match of the image as it stands, to run anywhere; a problem when there is no image, no
    // lines or no usable detector.
    Result<MatchJob> matchJob() const;
    // A refinement of matchJob's, back on the controller's thread: with fitDetector also the
    // pattern centre and the film distance are taken. A problem puts the orientation back to
    // `start`. The job's prepared image is kept for the next match.
    Result<Refinement> takeRefinement(MatchJob& job, Result<Refinement> refined, bool fitDetector,
                                      const Mat3d& start);
    // Shows an orientation a running refinement reached (the picture alone follows it).
    void showTrial(const Mat3d& orientation);
    // The job's prepared image kept for the next match.
    void keepPrepared(MatchJob& job);

    // Both on the calling thread, as the window's worker runs them (tests and scripts).
    Result<Refinement> refine(bool fitDetector, const CancelCheck& cancelled = {});
    Result<std::vector<IndexAnswer>> index(const CancelCheck& cancelled = {});
    // Turns the crystal to a found orientation of its own phase, as its Euler angles are
    // reported.
    void apply(const fit::FoundOrientation& found);
    // A further phase indexing tries; a file that gives no crystal is refused naming it.
    Outcome addPhase(const std::string& path);
    void removePhase(std::size_t index);

private:
    ControllerState& state_;
    std::optional<fit::PreparedPattern> levels_;
};

} // namespace tavrel::app
