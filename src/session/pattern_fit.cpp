#include "session/pattern_fit.h"

#include "session/line_strengths.h"

namespace tavrel {

fit::IndexSetup patternFitSetup(const Simulation& sim, const fit::PatternCentre& centre) {
    fit::IndexSetup setup;
    if (!sim.reflections.generated || !sim.document.valid) return setup;
    std::vector<float> weights;
    if (!sim.strengths.empty()) {
        weights = sim.strengths.relative;
    } else {
        for (const float d : sim.reflections.d) weights.push_back(d * d);
    }
    setup.bands = fit::bandsOf(sim.reflections, sim.document.wavelength[0],
                               sim.document.displayDMin, weights);
    setup.symmetry = fit::crystalRotations(sim.group.operations(), sim.document.matrices);
    setup.detector = fit::detectorForFilm(sim.document.film);
    setup.detector.centre = centre;
    setup.profile = scatteringOf(sim.fields, sim.document) == Scattering::Electron
                        ? fit::LineProfile::KikuchiBand
                        : fit::LineProfile::ConeLines;
    return setup;
}

FoundOrientation foundOrientation(const Simulation& sim, const fit::FitState& fit, int bands,
                                  double deviationDegrees) {
    FoundOrientation found;
    found.euler =
        reportedEulerAngles(eulerAnglesOfOrientation(fit.orientation, sim.document.matrices));
    found.score = fit.score;
    found.bands = bands;
    found.deviation = deviationDegrees;
    found.detector = fit.detector;
    return found;
}

} // namespace tavrel
