#pragma once
// Indexing: the crystal's orientation from a recorded pattern with no starting guess, and the
// phase that explains a pattern best.
//
// The bands found in the corrected pattern (band_detection.h) are plane normals in the view
// frame. Every pair of detected bands whose angle matches the angle between a plane normal of
// one of the crystal's strongest families and any other of their normals proposes the
// orientation that carries the two onto the bands (both pairings of their signs); a proposal
// is judged by how many detected bands it explains. The best distinct proposals, each fitted to
// every band it explains, are screened on the smoothed score, the best of them refined on the
// score (refine.h) and ranked by their calibrated score after refinement, so that the answer
// is the candidate that explains the pattern best, not the one with the most votes.

#include "fit/band_detection.h"
#include "fit/refine.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tavrel::fit {

// Another explanation of a pattern to check a crystal against: a lattice of the crystal's own
// cell with another centring (primitive, body- or face-centred), which allows reflections the
// crystal forbids. A wrong crystal offered alone can share many bands with the pattern's
// (all cubic crystals share their plane angles); where one of these lattices explains the
// pattern clearly better, the crystal is not the pattern's.
struct Rival {
    std::string name;
    std::vector<Band> bands;
};

// What is known about a crystal (a phase) and the detector.
struct IndexSetup {
    std::string name;            // of the phase, as the answer names it
    std::vector<Band> bands;     // bandsOf(...), strongest first: the model's bands
    std::vector<Mat3d> symmetry; // crystalRotations(...): orientations that look the same
    Detector detector;
    LineProfile profile = LineProfile::KikuchiBand;
    std::vector<Rival> rivals;
};

// A rival scoring more than this above the crystal's best solution refutes the crystal. None:
// diamond silicon offered for a nickel pattern is outscored by the face-centred lattice of its
// own cell by 0.01-0.04 at 60 px (its bands run along nickel's), while on silicon's own patterns
// that lattice scores a tenth below it.
inline constexpr double kRivalMargin = 0.0;

struct IndexOptions {
    BandDetectionOptions detection{.maxBands = 10,
                                   .workingSide = kScoreSide,
                                   .angleCount = 120,
                                   .relativeThreshold = 0.25,
                                   .blurPixels = 0.7};
    // Plane families whose angles are matched, strongest first: at least minFamilies, and more
    // until they hold minNormals plane normals (a crystal of low symmetry has few per family),
    // at most maxFamilies.
    int minFamilies = 4, maxFamilies = 12, minNormals = 24;
    double toleranceDegrees = 2.5;
    // Proposals explaining fewer detected bands are dropped.
    int minimumExplained = 3;
    // Distinct proposals screened, and of them the best this many refined (0: the best screened
    // proposal is the answer as it stands, a fast path for maps).
    int candidates = 8;
    int refined = 3;
    // Orientations closer than this (degrees, up to symmetry) are one solution.
    double distinctDegrees = 3.0;
    // The candidates' refinement. Its stages run to their limit of evaluations; from 30 to 20
    // the answers on made-up 60 to 240 px patterns moved by less than their noise.
    RefineOptions refine{.stagesDegrees = {1.0, 0.0},
                         .startStepDegrees = 1.5,
                         .maxEvaluationsPerStage = 20,
                         .tolerance = 0.1,
                         .extraStartsDegrees = 0,
                         .fineStage = false,
                         .profile = {},
                         .refineCentre = false,
                         .refineDistance = false,
                         .progress = {},
                         .cancelled = {},
                         .scorers = nullptr};
    // The best solution refined once more on the pattern at its finest (its own size up to
    // kFineSide), with at most this many evaluations and the band profile fitted to the pattern
    // (fitProfile) when asked.
    bool finalStage = true;
    int finalEvaluations = 40;
    bool fitProfile = true;
    // A rival (IndexSetup::rivals) scoring more than this above the best refutes the crystal;
    // rivals are scored near each solution, and indexed as crystals of their own where the best
    // scores little unless `indexRivals` is false.
    double rivalMargin = kRivalMargin;
    bool indexRivals = true;
    std::function<bool()> cancelled;
};

// An orientation found in an image, by indexing or by refinement, and how well it explains the
// bands that stand out in the image.
struct FoundOrientation {
    FitState fit;                    // fit.score: the calibrated score
    int matchedBands = 0;            // detected bands within the tolerance of a crystal plane
    double meanDeviationDegrees = 0; // mean angle between those bands and their planes
};

struct IndexResult {
    std::vector<FoundOrientation> solutions; // best calibrated score first, distinct
    std::vector<DetectedBand> detected;
    // How far the best distinct rival scores below the best, (best - second) / best; 1 when
    // every candidate came to the same orientation.
    double confidence = 0;
    // How strongly the pattern's bands stand out: the mean height of the detected bands' peaks
    // over their surroundings in the Radon transform, in image deviations.
    double quality = 0;
    int evaluations = 0;
    bool cancelled = false;
    // The rival (IndexSetup::rivals) that explains the pattern clearly better than the best
    // solution, at the orientation of one of the solutions, and its score; empty: none.
    std::string betterRival;
    double rivalScore = 0;
    double score() const { return solutions.empty() ? 0.0 : solutions.front().fit.score; }
};

// A solution is taken when it scores at least kAcceptScore and at least this many of the
// detected bands lie on its planes: on a pattern given the wrong pattern centre (the default
// middle for a recorded one) an orientation 30 degrees off can score just over the threshold
// with one band on its planes, where right answers on the noisiest 60 px patterns keep two and
// more.
inline constexpr int kAcceptBands = 2;
inline bool acceptable(const FoundOrientation& f) {
    return f.fit.score >= kAcceptScore && f.matchedBands >= kAcceptBands;
}

// Indexes the corrected pattern; no solution when fewer than three bands stand out or no
// proposal explains three of them. Whether the best one is good enough is the caller's
// (acceptable).
IndexResult indexPattern(const PreparedPattern& pattern, const IndexSetup& setup,
                         const IndexOptions& options = {});

// About `count` orientations spread evenly over the fundamental zone of the symmetry (those of
// a quasi-random cover of all orientations that lie nearer the identity than any orientation
// equivalent to them), the same on every machine.
std::vector<Mat3d> orientationGrid(std::span<const Mat3d> symmetry, double stepDegrees);

// An orientation (a refinement's, say) with the detected bands it explains, as indexing counts
// them for its solutions.
FoundOrientation bandAgreement(const std::vector<DetectedBand>& detected, const FitState& fit,
                               const IndexSetup& setup, const IndexOptions& options = {});

// The phase whose best solution scores highest, and by how much it leads the next one (the
// margin of calibrated scores; 1 with one phase). Below kPhaseMargin the choice is uncertain.
struct PhaseChoice {
    std::size_t phase = 0;
    double margin = 0;
};
inline constexpr double kPhaseMargin = 0.02;
PhaseChoice choosePhase(std::span<const IndexResult> results);

} // namespace tavrel::fit
