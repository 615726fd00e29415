#pragma once

namespace tavrel {

// How the pattern is shown: scales and the view toggles.
struct ViewState {
    float patternScale = 100.0f; // drawing units per unit of the gnomonic plane (x = 1)
    float stereoRadius = 0.0f;   // radius of the primitive circle, set at every redraw
    float printScale = 1.0f;     // 1 on the screen
    float zoomStartScale = 100.0f;
    bool viewStereographic = false;
    bool viewFilmOutline = true;
    bool viewRings = false;
    bool viewLabels = false;
    bool showLines = true; // cone lines; false: reciprocal-lattice points
    bool lightBackground = false;
};

// Pointer state the renderer reads (picking and the reduced sampling while dragging).
struct PointerState {
    bool dragging = false;
    float lastX = 0.0f;
    float lastY = 0.0f;
    bool pickRequest = false;
};

} // namespace tavrel
