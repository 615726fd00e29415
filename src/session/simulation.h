#pragma once
// A simulation: the document (the input fields as typed and the values read from them) and its
// results (the space group, the reflection list, the reflections turned into the view frame).
// The window and each command-line command own one; what they show of it (scale, toggles,
// colours, selection, picture size) is theirs, see PatternView. The operations on it return what
// the user may need to be told; none of them talks to the user.

#include "common/matrix3.h"
#include "crystal/document.h"
#include "crystal/reflections.h"
#include "detector/detector.h"
#include "orientation/euler_frames.h"
#include "orientation/point_table.h"
#include "spacegroup/space_group.h"
#include "structure/atom_site.h"
#include "structure/scattering_factor.h"

#include <functional>
#include <optional>
#include <vector>

namespace tavrel {

// How strongly each reflection of the list scatters, from the atoms of the structure; empty
// without atoms (every allowed reflection then has a line of the same weight).
struct LineStrengths {
    Scattering scattering = Scattering::XRay;
    std::vector<double> squared; // |F|^2 per reflection, in list order
    std::vector<float> relative; // per cent of the strongest
    bool empty() const { return relative.empty(); }
};

// How the recorded patterns of the document were taken, beside its film (session/geometry.h
// makes the detector of both): the pattern centre (Bruker's x and y; z is the film distance
// over the film height), the tilts, the pixel size and binning, the convention the user states
// the centre in, and the frame Euler angles are shown in. What is not set takes the default of
// the work: EBSD work (electrons or a recorded pattern) tilts the specimen by 70 degrees and
// shows the specimen frame, other work 0 degrees and the picture frame.
struct DetectorSetup {
    PatternCentre centre;
    std::optional<double> specimenTilt;
    double detectorTilt = 0;
    double pixelSize = 0; // an unbinned detector pixel, um; 0 when not known
    int binning = 1;
    CentreConvention convention = CentreConvention::Bruker;
    std::optional<EulerFrame> frame;
    // A recorded pattern lies on the detector (shown under the lines, or being matched).
    bool patternShown = false;
    friend bool operator==(const DetectorSetup&, const DetectorSetup&) = default;
};

struct Simulation {
    DocumentFields fields;
    // The symmetry-independent atom sites of the structure; none for a lattice alone.
    std::vector<AtomSite> atoms;
    PatternDocument document;
    SpaceGroup group; // the setting the document was last read in
    ReflectionList reflections;
    PointTable points; // the reflection vectors in the view frame
    // The rotation from the lattice Cartesian frame into the view frame that the points show
    // (points = orientation * g), kept in step with every turn in 8-byte arithmetic.
    Mat3d orientation = kIdentity3d;
    LineStrengths strengths;
    // With the document's film, the detector (detectorOf in geometry.h); the film itself is the
    // document's alone.
    DetectorSetup detector;
};

// Where the reflection list on show came from.
enum class NewList {
    Generated, // from the document
    Loaded,    // taken from a reflection file as it stands
    Cleared,   // none ("New")
};

// Asked after every hkl triple of a generation; true ends the loops.
using CancelCheck = std::function<bool()>;

} // namespace tavrel
