#include "session/line_strengths.h"

#include "common/numeric.h"
#include "session/document_reading.h"
#include "structure/cell_atoms.h"
#include "structure/structure_factor.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrel {

Scattering scatteringOf(const DocumentFields& fields, const PatternDocument& document) {
    switch (fields.scattering) {
    case ScatteringChoice::XRay:
        return Scattering::XRay;
    case ScatteringChoice::Electron:
        return Scattering::Electron;
    case ScatteringChoice::ByWavelength:
        break;
    }
    return document.wavelengthFromVoltage ? Scattering::Electron : Scattering::XRay;
}

Outcome computeLineStrengths(Simulation& sim) {
    LineStrengths& s = sim.strengths;
    s = LineStrengths{};
    s.scattering = scatteringOf(sim.fields, sim.document);
    if (sim.atoms.empty() || sim.reflections.empty()) return {};
    // A negative B makes a site scatter more with every step out; at small enough spacings its
    // factor passes every number (exp(300) leaves room for millions of atoms, squared).
    float smallestD = std::numeric_limits<float>::infinity();
    for (const float d : sim.reflections.d)
        if (d > 0) smallestD = std::min(smallestD, d);
    const double sSquared = 1.0 / (4.0 * static_cast<double>(smallestD) * smallestD);
    for (const AtomSite& site : sim.atoms)
        if (-site.bIso * sSquared > 300)
            return Problem{"Atom site \"" + site.label +
                           "\": its displacement B = " + formatNumber(site.bIso, "0.0###") +
                           " square angstrom makes its scattering pass every number at d = " +
                           formatNumber(smallestD, "0.0####") + " angstrom"};
    const Result<std::vector<CellAtom>> atoms =
        expandToCell(sim.atoms, sim.group.operations(), sim.document.cell);
    if (!atoms) return atoms.failure();
    Result<std::vector<double>> squared =
        squaredStructureFactors(indicesOf(sim.reflections), *atoms, s.scattering);
    if (!squared) return squared.failure();
    s.squared = std::move(*squared);
    for (double v : relativeIntensities(s.squared)) s.relative.push_back(static_cast<float>(v));
    return {};
}

Outcome setAtomSites(Simulation& sim, std::vector<AtomSite> sites) {
    for (const AtomSite& site : sites)
        if (Outcome usable = checkAtomSite(site); !usable) return usable;
    sim.atoms = std::move(sites);
    return computeLineStrengths(sim);
}

void setMinIntensity(Simulation& sim, const std::string& text) {
    sim.fields.minIntensity = text;
    readMinIntensity(sim.fields, sim.document);
}

std::string intensityTextOf(const LineStrengths& strengths, std::size_t i) {
    if (i >= strengths.relative.size()) return {};
    return intensityText(strengths.relative[i]);
}

} // namespace tavrel
