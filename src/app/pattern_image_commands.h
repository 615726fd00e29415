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

#include <array>
#include <optional>
#include <vector>

namespace tavrel::app {

struct ControllerState;

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
    // How the image is shown; the file stays the one read, whatever the caller held.
    void setSettings(const UnderlaySettings& settings);
    // The image goes, and the pattern centre back to the middle with it.
    void remove();
    // The image a restored dump names, with its settings (the detector is the restored
    // simulation's); one that cannot be read is a status message, and the session comes back
    // without it.
    void restore(const UnderlaySettings& settings);

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

    ControllerState& state_;
    std::optional<fit::PreparedPattern> levels_;
};

} // namespace tavrel::app
