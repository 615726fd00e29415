#pragma once
// Double-tilt holder angles. alpha turns about the picture's horizontal axis X, which stays put;
// beta about the holder's own axis, which starts as the picture's vertical axis Y and is carried
// along by alpha. Both are positive by the right-hand rule, so a direction d of the sample frame
// goes to Rx(alpha) Ry(beta) d, with the active turns
//   Rx(a) = [[1, 0, 0], [0, cos a, -sin a], [0, sin a, cos a]],
//   Ry(b) = [[cos b, 0, sin b], [0, 1, 0], [-sin b, 0, cos b]].
// The tilts are counted from the orientation as it stands (the holder at alpha = beta = 0).

#include "common/matrix3.h"
#include "common/result.h"
#include "crystal/unit_cell.h"

namespace tavrel {

struct HolderTilts {
    double alpha = 0, beta = 0; // degrees
    // The opposite direction [-u -v -w] goes onto the viewing axis towards the film (the zone
    // axis is the same line), since [u v w] itself would need the larger tilt.
    bool opposite = false;
};

// How far the holder reaches each way, in degrees (at most 90).
struct HolderLimits {
    double alpha = 90, beta = 90;
};

// The tilts that bring the lattice direction [u v w] (or its opposite) onto the viewing axis,
// both within the limits (0.001 degree of slack); of the two solutions the one whose larger tilt
// is smaller ([u v w] itself when they differ by 0.001 degree or less). A problem when neither
// reaches or [u v w] is null.
Result<HolderTilts> holderTiltsOnto(const Mat3d& orientation, const LatticeMatrices& matrices,
                                    const Vec3d& uvw, const HolderLimits& limits = {});

// Rx(alpha) Ry(beta) written in the view frame: the rotation * M of a tilted orientation M.
Mat3d holderTiltRotation(const HolderTilts& tilts);
Mat3d applyHolderTilts(const Mat3d& orientation, const HolderTilts& tilts);

} // namespace tavrel
