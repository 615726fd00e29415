#include "session/pattern_view.h"

#include "render/projection.h"
#include "session/generation.h"

namespace tavrel {

PatternInput patternInput(const Simulation& sim, const PatternView& pattern, bool dragging) {
    const PatternDocument& doc = sim.document;
    return PatternInput{sim.reflections,   sim.points,     pattern.view, pattern.colours,
                        pattern.selection, doc.wavelength, doc.dMin,     doc.dMax,
                        doc.displayDMin,   doc.film,       dragging};
}

void showNewReflections(PatternView& pattern, const Simulation& sim, SimulationChange change) {
    pattern.selection.reset(static_cast<std::size_t>(sim.reflections.count()));
    if (change == SimulationChange::Cleared) return;
    pattern.view.showLines = true;
    if (change == SimulationChange::Generated) {
        if (const auto scale = initialPatternScale(sim.reflections, pattern.width))
            pattern.view.patternScale = *scale;
    }
    fitToWindow(pattern, sim.document);
}

void fitToWindow(PatternView& pattern, const PatternDocument& document) {
    pattern.view.patternScale =
        fittedPatternScale(pattern.view.patternScale, document.film, pattern.width, pattern.height);
}

} // namespace tavrel
