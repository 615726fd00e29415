#pragma once
// The matching of a map's patterns for the map engine (map_indexing.h): each phase's fitting
// service (pattern_fit.h) gives the bands and symmetry, scored, refined and indexed on the
// detector of each point.
//
// A pattern is corrected as every recorded pattern is (background.h): the static background
// when there is one (the file's, the map's mean or an image), then the dynamic background, and
// resampled to the working size the calibrated score reads, so that a neighbour's score and
// one indexed from scratch compare, whatever the phase. Its quality is how far the bands that
// stand out rise above their surroundings (s / (1 + s) of their mean height s in deviations of
// the corrected pattern): low for noise alone, near 1 for sharp bands.

#include "fit/background.h"
#include "mapfiles/ipf_colours.h"
#include "session/map_indexing.h"
#include "session/pattern_fit.h"

#include <string>
#include <vector>

namespace tavrel {

struct PointMatchingOptions {
    // Row-major, of the patterns' size; empty for none.
    std::vector<float> staticBackground;
    fit::BackgroundCorrection correction;
    // A neighbour's orientation is refined by one step of a parabola through the score on
    // either side of it about each axis (7 scores); false takes it as it is.
    bool refineNeighbours = true;
};

// Matchers over the fits of the map's phases (one per phase, in the phases' order), which must
// outlive them. index() takes the phase whose best solution has the best calibrated score, when
// it reaches the acceptance threshold and no other lattice of its cell explains the pattern
// better; its confidence is the margin of that score over the next distinct solution of any
// phase, as a fraction of it.
PointMatcherFactory fitPointMatchers(std::vector<const PatternFit*> phases,
                                     PointMatchingOptions options = {});

// The lattice direction at each corner of a phase's inverse-pole-figure colour key, as the
// phase's cell names it ("" where it names none), for the key drawn beside a map.
std::vector<std::string> ipfKeyCornerLabels(LaueClass laue, const Simulation& sim);

} // namespace tavrel
