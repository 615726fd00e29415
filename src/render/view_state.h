#pragma once

namespace tavrel {

// How the pattern is shown: the scale and the view toggles.
struct ViewState {
    float patternScale = 100.0f; // drawing units per unit of the gnomonic plane (x = 1)
    bool viewStereographic = false;
    bool viewFilmOutline = true;
    bool viewRings = false;
    bool viewLabels = false;
    bool showLines = true; // cone lines; false: reciprocal-lattice points
    bool lightBackground = false;
    // With line strengths, the colour table runs over the relative intensity (the strongest line
    // brightest) instead of over d.
    bool colourByIntensity = true;
};

} // namespace tavrel
