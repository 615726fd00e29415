#pragma once
// Today's matching of a map's patterns for the map engine (map_indexing.h): each phase's fitting
// service (pattern_fit.h) scores, refines and indexes, on the detector of each point.
//
// A pattern goes through what every recorded pattern goes through (flattened, normalised, kept
// at the score's levels), after the static background when there is one: the pattern divided by
// it pixel by pixel (scaled to its mean), which takes out what the screen adds to every pattern
// of the map. Its quality is the deviation of the smoothed, normalised pattern: the share of its
// contrast that is wider than single pixels, about 0.2 for noise alone and near 1 for sharp
// bands on a clean screen, whatever the exposure.

#include "session/map_indexing.h"
#include "session/pattern_fit.h"

#include <vector>

namespace tavrel {

struct PointMatchingOptions {
    // Row-major, of the patterns' size; empty for none.
    std::vector<float> staticBackground;
    // A neighbour's orientation is refined by one step of a parabola through the score on
    // either side of it about each axis (7 scores); false takes it as it is.
    bool refineNeighbours = true;
};

// Matchers over the fits of the map's phases (one per phase, in the phases' order), which must
// outlive them. index() takes the phase whose best solution scores highest; its confidence is
// the margin of that score over the next distinct solution of any phase, as a fraction of it.
PointMatcherFactory fitPointMatchers(std::vector<const PatternFit*> phases,
                                     PointMatchingOptions options = {});

} // namespace tavrel
