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
    // Zone axes [u v w] with every |index| up to zoneAxisIndex (1 to 6) are marked.
    bool showZoneAxes = false;
    int zoneAxisIndex = 3;
    // Planes and directions of a hexagonal cell in four indices (h k i l), [U V T W].
    bool fourIndex = false;
};

} // namespace tavrel
