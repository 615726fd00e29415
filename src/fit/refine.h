#pragma once
// Refining an orientation (and, when asked, the pattern centre and the distance) against a
// recorded image, from a nearby start.
//
// A Nelder-Mead search over the rotation vector of a small turn composed onto the start (in the
// view frame: M = R(w) M0) and the detector's corrections, first on the coarsest level of the
// scorer, whose blurred bands are seen from afar, then level by level down to the image
// itself. The best point so far is reported at every improvement, and a cancel check (the
// window's Escape) ends the search keeping it.

#include "detector/film_mapping.h"
#include "fit/pattern_score.h"
#include "fit/rotation_math.h"

#include <functional>

namespace tavrel::fit {

// Below this score the lines match nothing in the image: no orientation is taken from it.
// Refinements on images of noise end near 0.02, random orientations of a pattern score about
// 0; the made-up patterns of the tests score 0.5 to 1.1 at their orientation.
inline constexpr double kMinimumScore = 0.12;

struct FitState {
    Mat3d orientation = kIdentity3d;
    Detector detector;
    double score = 0;
};

struct RefineProgress {
    FitState best;
    int level = 0;       // level of the scorer being searched (0: the image itself)
    int evaluations = 0; // orientations scored so far
};

struct RefineOptions {
    bool refineCentre = false;   // also the pattern centre
    bool refineDistance = false; // also the distance
    // How far the search first looks about the start (degrees).
    double startStepDegrees = 2.0;
    // Stop a level once the search's points lie within this many pixels of each other.
    double tolerancePixels = 0.05;
    int maxEvaluationsPerLevel = 250;
    // The levels of the scorer searched, from the coarsest (-1: the scorer's coarsest) down to
    // the finest (0: the image itself).
    int coarsestLevel = -1;
    int finestLevel = 0;
    // Called with the best point at every improvement.
    std::function<void(const RefineProgress&)> progress;
    // Asked before every evaluation; true ends the search with the best point so far.
    std::function<bool()> cancelled;
};

struct RefineResult {
    FitState fit;            // score at level 0
    double movedDegrees = 0; // the rotation angle between the start and the result
    int evaluations = 0;
    bool cancelled = false;
};

// The refined orientation. Never worse than the start: when the search ends lower at level 0
// than the start scores there, the start is the result. A problem ("No orientation found")
// when even the result scores below kMinimumScore, so that the caller keeps its orientation.
Result<RefineResult> refineOrientation(const PatternScorer& scorer, const FitState& start,
                                       const RefineOptions& options = {});

// The same without the minimum: the best point, however poor (indexing ranks its candidates).
RefineResult refineUnchecked(const PatternScorer& scorer, const FitState& start,
                             const RefineOptions& options = {});

} // namespace tavrel::fit
