#pragma once
// What a screen shows of a simulation: the scale and toggles, the colours, the selection and
// the picture size. The window keeps one for its canvas; each command line that draws keeps its
// own.

#include "render/colour_table.h"
#include "render/renderer.h"
#include "render/selection.h"
#include "render/view_state.h"
#include "session/pattern_underlay.h"
#include "session/simulation.h"

namespace tavrel {

struct PatternView {
    ViewState view;
    ColourTable colours;
    Selection selection;
    // Inner size of the picture in drawing units.
    int width = 850;
    int height = 620;
    // A recorded pattern under the lines; none loaded unless asked for.
    PatternUnderlay underlay;
};

// The renderer's read-only view of a simulation as `pattern` shows it.
PatternInput patternInput(const Simulation& sim, const PatternView& pattern, bool dragging = false);

// Planes and directions are written with four indices: asked for, and the cell is hexagonal.
bool showsFourIndices(const Simulation& sim, const ViewState& view);

// What a new reflection list changes on the screen: every reflection unselected, lines rather
// than points, and the film fitted to the picture (a generated list first takes the scale of
// its own spread).
void showNewReflections(PatternView& pattern, const Simulation& sim, NewList origin);

// Rescales so that the whole film fits the picture.
void fitToWindow(PatternView& pattern, const PatternDocument& document);

// Selects every reflection whose d lies within 0.001 angstrom of d-Max, and only those.
void selectStrongest(PatternView& pattern, const Simulation& sim);
// Selects the reflection (h k l) (every entry of it); false when the list has none.
bool selectReflection(PatternView& pattern, const ReflectionList& reflections, int h, int k, int l);

} // namespace tavrel
