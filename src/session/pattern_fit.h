#pragma once
// What matching a recorded pattern needs from the simulation: the bands of its reflections, the
// crystal's symmetry, the film as the detector, and the line profile the radiation gives.

#include "fit/indexing.h"
#include "orientation/euler_angles.h"
#include "session/simulation.h"

namespace tavrel {

// The bands of the reflections drawn (d above the display threshold), weighed by the line
// strengths where the document has atoms and by d squared (the widest-spaced first) where it
// has none; the film of the document with the pattern centre at `centre`; Kikuchi bands for
// electrons, bright cone lines for X-rays. Nothing is found without generated reflections.
fit::IndexSetup patternFitSetup(const Simulation& sim, const fit::PatternCentre& centre = {});

// An orientation found in an image as users read it.
struct FoundOrientation {
    EulerAngles euler; // as reported: three decimals, in range
    double score = 0;
    int bands = 0;          // detected bands within the tolerance of a crystal plane
    double deviation = 0;   // their mean angle from the planes, degrees
    fit::Detector detector; // with the refined centre and distance, where they were refined
};

FoundOrientation foundOrientation(const Simulation& sim, const fit::FitState& fit, int bands,
                                  double deviationDegrees);

} // namespace tavrel
