#include "session/geometry.h"

#include "common/numeric.h"
#include "session/line_strengths.h"
#include "session/orient.h"

#include <cmath>

namespace tavrel {

namespace {

constexpr double kEbsdSpecimenTilt = 70;

} // namespace

bool ebsdWork(const Simulation& sim) {
    return sim.detector.patternShown ||
           scatteringOf(sim.fields, sim.document) == Scattering::Electron;
}

Detector detectorOf(const Simulation& sim) {
    const DetectorSetup& s = sim.detector;
    Detector d = detectorFor(sim.document.film, s.centre);
    d.tilts = {s.specimenTilt.value_or(ebsdWork(sim) ? kEbsdSpecimenTilt : 0), s.detectorTilt};
    d.pixelSize = s.pixelSize;
    d.binning = s.binning;
    return d;
}

OrientationFrame orientationFrameOf(const Simulation& sim) {
    const EulerFrame fallback = ebsdWork(sim) ? EulerFrame::Specimen : EulerFrame::Picture;
    return {sim.detector.frame.value_or(fallback), detectorOf(sim).tilts};
}

EulerAngles shownEulerAngles(const Simulation& sim) {
    return reportedEulerAngles(
        eulerAnglesIn(orientationFrameOf(sim), sim.orientation, sim.document.matrices));
}

Result<CentreCoordinates> statedCentreOf(const Simulation& sim,
                                         std::optional<CentreConvention> convention,
                                         std::optional<std::array<int, 2>> image) {
    const CentreConvention c = convention.value_or(sim.detector.convention);
    const Detector d = detectorOf(sim);
    const PatternFormat format = patternFormat(d, image);
    if (const Outcome usable = checkFormatFor(c, format); !usable) return usable.failure();
    return statedCentre(c, brukerCentreOf(d), format);
}

Outcome setStatedCentre(Simulation& sim, const CentreCoordinates& stated,
                        std::optional<std::array<int, 2>> image) {
    const CentreConvention c = sim.detector.convention;
    if (!std::isfinite(stated.x) || !std::isfinite(stated.y))
        return Problem{"Pattern centre: x and y must be numbers."};
    if (!(stated.z > 0) || !std::isfinite(stated.z))
        return Problem{"Pattern centre: z (the distance) must be a positive number."};
    const Detector d = detectorOf(sim);
    const PatternFormat format = patternFormat(d, image);
    if (const Outcome usable = checkFormatFor(c, format); !usable) return usable;
    const Detector placed = withBrukerCentre(d, brukerCentre(c, stated, format));
    if (!(placed.distance > 0) || !std::isfinite(placed.distance))
        return Problem{"Pattern centre: z gives no usable film distance."};
    sim.detector.centre = placed.centre;
    sim.document.film[2] = static_cast<float>(placed.distance);
    sim.fields.film[2] = formatNumber(placed.distance, "0.####");
    return {};
}

Outcome setEulerAnglesInFrame(Simulation& sim, const std::string& text) {
    const OrientationFrame frame = orientationFrameOf(sim);
    if (frame.frame == EulerFrame::Picture)
        return setOrientation(sim, text, OrientationType::Euler);
    const Result<EulerAngles> angles = parseEulerAnglesText(text);
    if (!angles) return angles.failure();
    const Mat3d m = orientationFromEulerIn(frame, *angles, sim.document.matrices);
    const EulerAngles picture = eulerAnglesOfOrientation(m, sim.document.matrices);
    sim.fields.orientationType = OrientationType::Euler;
    sim.fields.orientation = formatNumber(picture.phi1, "0.######") + " " +
                             formatNumber(picture.phi, "0.######") + " " +
                             formatNumber(picture.phi2, "0.######");
    setOrientationMatrix(sim, m);
    return {};
}

Outcome checkGeometry(const Simulation& sim) {
    return checkDetector(detectorOf(sim));
}

std::string geometryText(const Simulation& sim) {
    const Detector d = detectorOf(sim);
    const CentreCoordinates pc = brukerCentreOf(d);
    return std::string(eulerFrameTitle(orientationFrameOf(sim).frame)) + ", specimen tilt " +
           formatNumber(d.tilts.specimen, "0.###") + "\u00b0, detector tilt " +
           formatNumber(d.tilts.detector, "0.###") + "\u00b0, pattern centre (Bruker) " +
           formatNumber(pc.x, "0.0000") + " " + formatNumber(pc.y, "0.0000") + " " +
           formatNumber(pc.z, "0.0000");
}

} // namespace tavrel
