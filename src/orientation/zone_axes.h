#pragma once
// Zone axes [u v w] as seen from the film, and the turn onto the nearest one.

#include "common/matrix3.h"
#include "common/result.h"
#include "crystal/unit_cell.h"
#include "orientation/miller_indices.h"

#include <vector>

namespace tavrel {

struct ZoneAxis {
    // Lowest terms; of [u v w] and [-u -v -w] the one that points towards the film (x > 0), or,
    // perpendicular to the viewing axis, the one whose first index that is not 0 is positive.
    IndexTriple indices{};
    Vec3d view{};            // unit vector in the view frame
    double angleDegrees = 0; // to the viewing axis, 0 .. 90
    bool inFront = false;    // view x > 0: its pole lies on the film's side
};

// Every zone axis with |u|, |v|, |w| <= maxIndex (1..6) for the orientation M, nearest to the
// viewing axis first (equal angles: smaller sum of |indices| first, then by indices).
Result<std::vector<ZoneAxis>> zoneAxes(const Mat3d& orientation, const LatticeMatrices& matrices,
                                       int maxIndex);

// "Nearest zone axis": among the zone axes within `withinDegrees` of the viewing axis the one
// with the smallest sum of |indices| (then the nearer), else the nearest of all; the smallest
// rotation (about an axis perpendicular to both) that puts it exactly on the viewing axis; and
// the orientation after that rotation, rotation * M.
struct ZoneAxisTurn {
    ZoneAxis axis;
    Mat3d rotation = kIdentity3d;
    Mat3d orientation = kIdentity3d;
};
Result<ZoneAxisTurn> nearestZoneAxis(const Mat3d& orientation, const LatticeMatrices& matrices,
                                     int maxIndex, double withinDegrees = 1.0);

} // namespace tavrel
