#pragma once
// Refining an orientation on the score, from a start some degrees away, and the pattern
// centre over several patterns at once.
//
// A Nelder-Mead search over the rotation vector of a turn composed onto the start (in the view
// frame: M = R(w) M0), in stages from coarse to fine: each stage blurs the pattern and the model
// by its smoothing, so that the first ones see bands that lie degrees away, and the last one,
// on the pattern at its finest (its own size, up to kFineSide), is the score itself. Starts
// turned a few degrees about each axis widen what converges.
//
// A pattern-centre shift and a turn look alike on one pattern; on several patterns of different
// orientations they do not. The centre fit therefore refines, for each trial centre, every
// pattern's orientation, and takes the centre with the best mean score, in passes of shrinking
// steps.

#include "detector/detector.h"
#include "fit/background.h"
#include "fit/band_model.h"
#include "fit/pattern_score.h"
#include "fit/rotation_math.h"

#include <functional>
#include <span>
#include <vector>

namespace tavrel::fit {

// Minimises f from x0, the first simplex spanned by `steps`; stops when every vertex lies within
// `tolerance` (in units of the steps) of the best, after maxEvaluations, or when `stop` says
// so. Returns the best point; `best` receives its value.
std::vector<double> nelderMead(const std::function<double(const std::vector<double>&)>& f,
                               std::vector<double> x0, const std::vector<double>& steps,
                               int maxEvaluations, double tolerance, double& best,
                               const std::function<bool()>& stop = {});

struct FitState {
    Mat3d orientation = kIdentity3d;
    Detector detector;
    double score = 0; // the calibrated score
};

struct RefineProgress {
    FitState best; // its score: the correlation of the stage under way
    int stage = 0;
    int evaluations = 0;
};

struct RefineOptions {
    // The stages' smoothing (degrees) on the working image, coarsest first.
    std::vector<double> stagesDegrees{4.0, 2.0, 0.7, 0.0};
    // The first simplex's size (degrees); later stages start at a third of the last one's
    // smoothing, at least a fifth of a pixel.
    double startStepDegrees = 4.0;
    int maxEvaluationsPerStage = 80;
    // A stage ends when the simplex has shrunk to this fraction of its first size.
    double tolerance = 0.05;
    // Extra starts of the first stage, turned this far (degrees) either way about each axis of
    // the view frame (6 starts); 0: the start alone.
    double extraStartsDegrees = 6.0;
    // A last stage on the pattern at its finest, when that is finer than the working image.
    bool fineStage = true;
    // The model's band profile (the calibrated score's own by default; fitProfile finds the
    // patterns' own, which refines more precisely).
    BandProfile profile;
    // Also the pattern centre and the distance, as fitPatternCentre fits them.
    bool refineCentre = false;
    bool refineDistance = false;
    // Called with the best point at every improvement.
    std::function<void(const RefineProgress&)> progress;
    // Asked before every evaluation; true ends the search with the best point so far.
    std::function<bool()> cancelled;
    // Scorers shared with other refinements of the same pattern; none: its own.
    ScorerCache* scorers = nullptr;
};

struct RefineResult {
    FitState fit;
    double movedDegrees = 0; // the rotation angle between the start and the result
    int evaluations = 0;
    bool cancelled = false;
};

// The refined orientation of the pattern on the start's detector, with its calibrated score.
RefineResult refineOrientation(const PreparedPattern& pattern, std::span<const Band> bands,
                               const FitState& start, const RefineOptions& options = {});

// The calibrated score of an orientation: the correlation on the working image with the
// default profile, clamped to [0, 1].
double calibratedScore(const PreparedPattern& pattern, const Detector& detector,
                       std::span<const Band> bands, const Mat3d& orientation,
                       LineProfile kind = LineProfile::KikuchiBand);
// The same with the scorer taken from (or kept in) a cache.
double calibratedScore(const PreparedPattern& pattern, const Detector& detector,
                       std::span<const Band> bands, const Mat3d& orientation, LineProfile kind,
                       ScorerCache& scorers);

// The band profile (width, then height exponent) that correlates best with patterns whose
// orientations are known: recorded bands are not the kinematic top-hats, and the closer the
// model, the more precise the refinement. Searched on the working images, from `start`.
BandProfile fitProfile(std::span<const PreparedPattern* const> patterns,
                       std::span<const Detector> detectors, std::span<const Band> bands,
                       std::span<const Mat3d> orientations, const BandProfile& start = {});

// How far one pattern's detector lies from the first pattern's: the centre's shift (fractions
// of the image) and the distance's (mm).
struct DetectorShift {
    double x = 0, y = 0, distance = 0;
};

struct CentreFitOptions {
    // The passes' first steps (fractions of the image), each from the last pass's result.
    std::vector<double> passSteps{0.01, 0.004, 0.0015};
    int maxEvaluations = 60;         // trial centres per pass
    int orientationEvaluations = 60; // per pattern and trial centre
    bool fitDistance = true;
    BandProfile profile;
    std::function<bool()> cancelled;
};

struct CentreFit {
    Detector detector;               // of the first pattern (offset 0)
    std::vector<Mat3d> orientations; // each pattern's, refined on it
    double meanCorrelation = 0;
    int evaluations = 0;
    bool cancelled = false;
};

// The pattern centre and distance that best explain all the patterns, from the start detector
// and orientations (each already near its pattern's). Pattern i lies on the detector whose
// is shifted by shifts[i] (none: one detector for all), as a map's patterns see the centre
// move with the beam (a plane across the map).
CentreFit fitPatternCentre(std::span<const PreparedPattern* const> patterns,
                           std::span<const Band> bands, std::span<const Mat3d> orientations,
                           const Detector& start, std::span<const DetectorShift> shifts = {},
                           const CentreFitOptions& options = {});

} // namespace tavrel::fit
