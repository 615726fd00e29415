#include "session/pattern_view.h"

#include "orientation/miller_indices.h"
#include "render/projection.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tavrel {

namespace {

// The drawing scale a generated list starts from: the spread of its vectors over the width of
// the picture. None for a list without spread.
std::optional<float> initialPatternScale(const ReflectionList& r, int width) {
    const double w = width;
    const double scale = std::min(w / (r.gMax[2] - r.gMin[2]), w / (r.gMax[1] - r.gMin[1])) / 2.0;
    if (std::isfinite(scale) && scale > 0) return static_cast<float>(scale);
    return std::nullopt;
}

} // namespace

PatternInput patternInput(const Simulation& sim, const PatternView& pattern, bool dragging) {
    const PatternDocument& doc = sim.document;
    PatternInput input{sim.reflections,   sim.points,     pattern.view, pattern.colours,
                       pattern.selection, doc.wavelength, doc.dMin,     doc.dMax,
                       doc.displayDMin,   doc.film,       dragging,     sim.strengths.relative,
                       doc.minIntensity};
    // Zone axes need the cell the points were made from.
    if (doc.valid) {
        input.orientation = &sim.orientation;
        input.matrices = &doc.matrices;
    }
    input.hexagonal = isHexagonalCell(doc.cell);
    input.underlay = underlayToDraw(pattern.underlay, sim.detector.centre);
    input.filmCentre = sim.detector.centre;
    return input;
}

bool showsFourIndices(const Simulation& sim, const ViewState& view) {
    return view.fourIndex && isHexagonalCell(sim.document.cell);
}

void showNewReflections(PatternView& pattern, const Simulation& sim, NewList origin) {
    pattern.selection.reset(static_cast<std::size_t>(sim.reflections.count()));
    if (origin == NewList::Cleared) return;
    pattern.view.showLines = true;
    if (origin == NewList::Generated) {
        if (const auto scale = initialPatternScale(sim.reflections, pattern.width))
            pattern.view.patternScale = *scale;
    }
    fitToWindow(pattern, sim.document);
}

void fitToWindow(PatternView& pattern, const PatternDocument& document) {
    pattern.view.patternScale =
        fittedPatternScale(pattern.view.patternScale, document.film, pattern.width, pattern.height);
}

void selectStrongest(PatternView& pattern, const Simulation& sim) {
    const ReflectionList& r = sim.reflections;
    const float dMax = sim.document.dMax;
    for (std::size_t i = 0; i < r.d.size(); ++i)
        pattern.selection.set(i, std::fabs(r.d[i] - dMax) < 0.001f);
}

bool selectReflection(PatternView& pattern, const ReflectionList& r, int h, int k, int l) {
    bool found = false;
    for (std::size_t i = 0; i < r.d.size(); ++i)
        if (r.h[i] == h && r.k[i] == k && r.l[i] == l) {
            pattern.selection.set(i, true);
            found = true;
        }
    return found;
}

} // namespace tavrel
