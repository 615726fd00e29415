#pragma once
// The geometry of a simulation's recorded patterns: the detector (the document's film with the
// simulation's detector setup), the frame its Euler angles are shown in, and the pattern
// centre in the convention the user states it in. Everything that needs one of them makes it
// here, so that it never disagrees with the film fields.

#include "common/result.h"
#include "detector/detector.h"
#include "orientation/euler_frames.h"
#include "session/simulation.h"

#include <array>
#include <optional>
#include <string>

namespace tavrel {

// EBSD work: electron scattering (a wavelength typed as a voltage, or the box ticked), or a
// recorded pattern on the detector.
bool ebsdWork(const Simulation& sim);

// The detector of the simulation: the document's film with the simulation's detector setup,
// the specimen tilt 70 degrees for EBSD work and 0 otherwise where none was given.
Detector detectorOf(const Simulation& sim);

// The frame Euler angles are shown, typed and written in (the specimen frame for EBSD work,
// else the picture frame, where none was chosen), with the detector's tilts.
OrientationFrame orientationFrameOf(const Simulation& sim);

// The Euler angles of the simulation's orientation in its frame, as reported.
EulerAngles shownEulerAngles(const Simulation& sim);

// The pattern centre in the setup's convention (or the one given) on a pattern of the
// detector's format (image: its pixels); a problem when the convention needs what the setup
// lacks (EMsoft's the pixel size).
Result<CentreCoordinates> statedCentreOf(const Simulation& sim,
                                         std::optional<CentreConvention> convention = {},
                                         std::optional<std::array<int, 2>> image = {});
// Sets the pattern centre from numbers in the setup's convention: x and y, and the film
// distance from z (the film stays). A problem naming the field when the numbers or the
// convention cannot be used; the simulation is then as it was.
Outcome setStatedCentre(Simulation& sim, const CentreCoordinates& stated,
                        std::optional<std::array<int, 2>> image = {});

// Euler angles typed in the simulation's frame: the orientation they give, and the orientation
// field of the document set to them in the picture frame, the frame files keep. Picture-frame
// angles go through setOrientation as typed. A problem as setOrientation's.
Outcome setEulerAnglesInFrame(Simulation& sim, const std::string& text);

// The detector checked (checkDetector) before a pattern is matched or drawn on it.
Outcome checkGeometry(const Simulation& sim);

// "specimen frame (EDAX TSL), specimen tilt 70°, detector tilt 0°, pattern centre (Bruker)
// 0.4242 0.2101 0.5010": one line for the command line and the window.
std::string geometryText(const Simulation& sim);

} // namespace tavrel
