#include "orientation/orientation_summary.h"

#include "common/numeric.h"
#include "common/text.h"
#include "orientation/miller_indices.h"

#include <cmath>

namespace tavrel {

Result<OrientationSummary> summarizeOrientation(const Mat3d& orientation,
                                                const LatticeMatrices& matrices, int zoneAxisIndex,
                                                double reachDegrees,
                                                const OrientationFrame& frame) {
    const bool picture = frame.frame == EulerFrame::Picture;
    const Mat3d g = picture ? eulerMatrixFromOrientation(orientation, matrices)
                            : eulerMatrixIn(frame, orientation, matrices);
    // The frame's axes named as the picture's would be in the orientation whose picture matrix
    // is this g.
    const std::optional<SampleFrameNames> names =
        sampleFrameNames(picture ? orientation : orientationFromEulerMatrix(g, matrices), matrices);
    if (!names) return Problem{"The orientation holds a number that is not finite."};
    const Result<std::vector<ZoneAxis>> axes = zoneAxes(orientation, matrices, zoneAxisIndex);
    if (!axes) return axes.failure();
    OrientationSummary summary;
    summary.frame = frame;
    summary.g = g;
    summary.euler = reportedEulerAngles(eulerAnglesFromMatrix(summary.g));
    summary.names = *names;
    summary.reachDegrees = reachDegrees;
    for (const ZoneAxis& axis : *axes)
        if (axis.angleDegrees <= reachDegrees) summary.nearZoneAxes.push_back(axis);
    return summary;
}

std::string orientationSummaryText(const OrientationSummary& s, bool fourIndex) {
    const bool picture = s.frame.frame == EulerFrame::Picture;
    std::string out = "Euler angles (\u03c61 \u03a6 \u03c62): " + eulerAnglesText(s.euler) + "\n";
    if (!picture)
        out += "Frame: " + std::string(eulerFrameTitle(s.frame.frame)) + ", specimen tilt " +
               formatNumber(s.frame.tilts.specimen, "0.###") + "\u00b0, detector tilt " +
               formatNumber(s.frame.tilts.detector, "0.###") + "\u00b0\n";
    out += picture ? "Orientation matrix g (sample to crystal):\n"
                   : "Orientation matrix g (specimen to crystal):\n";
    for (const auto& row : s.g) {
        for (const double v : row) {
            // No "-0.000000" for a rounded zero.
            const double shown = std::fabs(v) < 5e-7 ? 0.0 : v;
            out += padLeft(formatNumber(shown, "0.000000"), 11);
        }
        out += "\n";
    }
    auto axisLine = [&](const char* caption, const SampleAxisNames& n) {
        out += std::string(caption) + directionNameText(n.direction, fourIndex) + "  " +
               directionNameText(n.plane, fourIndex) + "\n";
    };
    if (picture) {
        axisLine("Along Z (viewing axis): ", s.names.z);
        axisLine("Along X (right):        ", s.names.x);
        axisLine("Along Y (up):           ", s.names.y);
    } else {
        axisLine("Along Z (normal):       ", s.names.z);
        axisLine("Along X:                ", s.names.x);
        axisLine("Along Y:                ", s.names.y);
    }
    out += "Zone axes within " + formatNumber(s.reachDegrees, "0.#") + "\u00b0:";
    if (s.nearZoneAxes.empty()) out += " none";
    for (std::size_t i = 0; i < s.nearZoneAxes.size(); ++i) {
        const ZoneAxis& z = s.nearZoneAxes[i];
        out += (i ? ", " : " ") +
               (fourIndex ? fourIndexText(z.indices, IndexKind::Direction)
                          : indexText(z.indices, IndexKind::Direction)) +
               " " + formatNumber(z.angleDegrees, "0.0") + "\u00b0";
    }
    return out + "\n";
}

} // namespace tavrel
