#pragma once
// Everything a user may want to copy about an orientation: its Euler angles and matrix, what
// lies along the three axes of the sample frame, and the zone axes near the viewing axis.

#include "common/matrix3.h"
#include "common/result.h"
#include "crystal/unit_cell.h"
#include "orientation/direction_names.h"
#include "orientation/euler_angles.h"
#include "orientation/euler_frames.h"
#include "orientation/zone_axes.h"

#include <string>
#include <vector>

namespace tavrel {

// Zone axes up to this index are looked for near the viewing axis unless asked otherwise.
inline constexpr int kSummaryZoneAxisIndex = 3;
// ... and within this angle of it.
inline constexpr double kSummaryZoneAxisReach = 15.0;

struct OrientationSummary {
    OrientationFrame frame;             // the frame of the angles, the matrix and the axes named
    EulerAngles euler;                  // as reported: three decimals, in range
    Mat3d g = kIdentity3d;              // frame coordinates into crystal coordinates
    SampleFrameNames names;             // along the axes of the frame
    std::vector<ZoneAxis> nearZoneAxes; // within the reach of the viewing axis, nearest first
    double reachDegrees = kSummaryZoneAxisReach;
};

// The summary of the orientation M (lattice Cartesian into the view frame) in the cell of these
// matrices, in the frame given (the zone axes are those near the viewing axis in every frame);
// a problem when M is no rotation with finite numbers.
Result<OrientationSummary> summarizeOrientation(const Mat3d& orientation,
                                                const LatticeMatrices& matrices,
                                                int zoneAxisIndex = kSummaryZoneAxisIndex,
                                                double reachDegrees = kSummaryZoneAxisReach,
                                                const OrientationFrame& frame = {});

// The summary as lines of text (ended by "\n"), for the dialog, the clipboard and the command
// line; four indices where fourIndex is set.
std::string orientationSummaryText(const OrientationSummary& summary, bool fourIndex);

} // namespace tavrel
