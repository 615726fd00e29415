#pragma once
// Indexing: the crystal's orientation from a recorded pattern with no starting guess.
//
// The bands found in the image (band_detection.h) are plane normals in the view frame. The
// angles between them are matched against the angles between the plane normals of the
// crystal's low-index reflection families (the strongest ones when the reflections have
// weights): every triplet of detected bands whose three angles agree with those of three
// crystal normals proposes the orientation that carries those normals onto the bands, and
// proposals that agree with each other up to the crystal's symmetry are votes for one
// orientation. The best-voted orientations are fitted to every band they explain, refined
// against the image, and the best three distinct ones are the answer.

#include "fit/band_detection.h"
#include "fit/pattern_score.h"
#include "fit/refine.h"
#include "fit/rotation_math.h"

#include <vector>

namespace tavrel::fit {

// What is known about the crystal and the detector.
struct IndexSetup {
    std::vector<Band> bands;     // bandsOf(...): what the score samples
    std::vector<Mat3d> symmetry; // crystalRotations(...): orientations that look the same
    Detector detector;
    LineProfile profile = LineProfile::KikuchiBand;
};

struct IndexOptions {
    BandDetectionOptions detection;
    // Families of crystal planes whose angles are matched (the strongest or, without weights,
    // the widest-spaced), and at most this many plane normals in all.
    int familyCount = 30;
    int maxNormals = 60;
    // Two band angles agree within this many degrees.
    double angleToleranceDegrees = 2.0;
    // How many of the best-voted orientations are refined against the image (on the coarser
    // levels; the best of them then down to the image itself).
    int candidates = 3;
    // Orientations closer than this (degrees, up to symmetry) are one solution.
    double distinctDegrees = 2.0;
    bool refineCentre = false;
    bool refineDistance = false;
};

// An orientation found in an image, by indexing or by refinement, and how well it explains the
// bands that stand out in the image.
struct FoundOrientation {
    FitState fit;
    int votes = 0;                   // triplets of detected bands that proposed it (indexing)
    int matchedBands = 0;            // detected bands within the tolerance of a crystal plane
    double meanDeviationDegrees = 0; // mean angle between those bands and their planes
};

struct IndexResult {
    std::vector<FoundOrientation> solutions; // best score first, at most three, distinct
    std::vector<DetectedBand> detected;
};

// Indexes the image of a scorer made for the setup's bands and profile. A problem ("No
// orientation found") when too few bands stand out or no proposed orientation scores at least
// kMinimumScore: a blank or random image, or the wrong crystal.
Result<IndexResult> indexPattern(const PatternScorer& scorer, const IndexSetup& setup,
                                 const IndexOptions& options = {});

// An orientation (a refinement's, say) with the bands that stand out in the scorer's image
// that it explains, as indexing counts them for its solutions: the detected bands within the
// angle tolerance of one of the crystal planes that indexing matches, and their mean angle
// from those planes.
FoundOrientation bandAgreement(const PatternScorer& scorer, const FitState& fit,
                               const IndexSetup& setup, const IndexOptions& options = {});

} // namespace tavrel::fit
