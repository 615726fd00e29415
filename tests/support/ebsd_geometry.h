#pragma once
// The frames EBSD users exchange results in, for the tests' reference orientations and pattern
// centres.
//
// Orientations: the reference Euler angles of a recorded pattern (Bunge, passive, in the
// specimen frame of the EDAX TSL convention, as kikuchipy and orix use it) differ from the
// program's, which are in the picture frame (orientation/euler_angles.h), by the specimen tilt
// sigma and the detector tilt theta: g_specimen = g_picture Rx(90 - sigma + theta) Rz(90), with
// the passive Rx and Rz of euler_angles.h.
//
// Pattern centre: Bruker's (x, y, z), x from the left and y from the top in fractions of the
// pattern's width and height, z the distance in fractions of its height. The film is then any
// size with the image's proportions, at z times its height.

#include "common/numeric.h"
#include "detector/detector.h"
#include "orientation/euler_angles.h"

#include <cmath>

namespace tavrel::test {

struct SampleGeometry {
    double specimenTiltDegrees = 70;
    double detectorTiltDegrees = 0;
};

// The passive rotations about x and z, as euler_angles.h writes them; g_specimen = g_picture T.
inline Mat3d specimenFromPicture(const SampleGeometry& g) {
    const double x = (90 - g.specimenTiltDegrees + g.detectorTiltDegrees) * kDegToRad;
    const double z = 90 * kDegToRad;
    const Mat3d rx{{{1, 0, 0}, {0, std::cos(x), std::sin(x)}, {0, -std::sin(x), std::cos(x)}}};
    const Mat3d rz{{{std::cos(z), std::sin(z), 0}, {-std::sin(z), std::cos(z), 0}, {0, 0, 1}}};
    return rx * rz;
}

// The orientation matrix M (lattice Cartesian to view frame) of specimen-frame Euler angles.
inline Mat3d orientationFromSpecimenEuler(const EulerAngles& specimen, const LatticeMatrices& m,
                                          const SampleGeometry& g = {}) {
    return orientationFromEulerMatrix(eulerMatrix(specimen) * transpose(specimenFromPicture(g)), m);
}

struct BrukerCentre {
    double x = 0.5, y = 0.5, z = 0.5;
};

// The detector of an image of width x height pixels: a film 60 mm high in the image's
// proportions, the distance z x 60 mm.
inline Detector detectorFromBruker(const BrukerCentre& pc, int width, int height) {
    constexpr double kFilmHeight = 60;
    return {kFilmHeight * width / height, kFilmHeight, pc.z * kFilmHeight, {pc.x, pc.y}};
}

inline BrukerCentre brukerOfDetector(const Detector& d) {
    return {d.centre.x, d.centre.y, d.distance / d.filmHeight};
}

} // namespace tavrel::test
