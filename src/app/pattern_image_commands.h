#pragma once
// The window's commands on a recorded pattern: the image under the lines, how it is shown,
// the detector it lies on, refining the orientation against it and indexing it. They work on
// the controller's simulation and view and end, as every command of the controller does, with
// its one change signal; the matching itself is the session's service (session/pattern_fit.h).

#include "common/result.h"
#include "detector/detector.h"
#include "fit/indexing.h"
#include "session/pattern_fit.h"
#include "session/pattern_underlay.h"

#include <QString>

#include <optional>
#include <vector>

namespace tavrel::app {

class SimulationController;

class PatternImageCommands {
public:
    explicit PatternImageCommands(SimulationController& controller) : c_(controller) {}

    const PatternUnderlay& underlay() const;
    // The detector the image lies on: the document's film with the pattern centre.
    Detector detector() const;

    // Reads a picture file and shows it under the lines; a problem names the file and keeps
    // what was shown.
    Outcome open(const QString& path);
    // How the image is shown; the file stays the one read, whatever the caller held.
    void setSettings(const UnderlaySettings& settings);
    void setPatternCentre(const PatternCentre& centre);
    // The image goes, and the pattern centre back to the middle with it.
    void remove();
    // The image a restored dump names, with its settings and pattern centre; one that cannot be
    // read is a status message, and the session comes back without it.
    void restore(const UnderlaySettings& settings, const PatternCentre& centre);

    // Turns the crystal from its orientation until the lines agree best with the image (with
    // fitDetector also the pattern centre and the film distance). The picture follows every
    // improvement; `cancelled` ends the search with the best so far. A problem, and the
    // orientation as it was, when the lines match nothing in the image.
    Result<Refinement> refine(bool fitDetector, const CancelCheck& cancelled = {});
    // The orientations of the image found with no starting guess, best first (at most three).
    Result<std::vector<fit::FoundOrientation>> index();
    // Turns the crystal to a found orientation, as its Euler angles are reported.
    void apply(const fit::FoundOrientation& found);

private:
    // The image prepared for matching (once for each image read), or why there is none.
    Result<const fit::PreparedPattern*> prepared();

    SimulationController& c_;
    std::optional<fit::PreparedPattern> levels_;
};

} // namespace tavrel::app
