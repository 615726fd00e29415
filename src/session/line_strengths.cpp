#include "session/line_strengths.h"

#include "session/document_reading.h"
#include "structure/cell_atoms.h"
#include "structure/structure_factor.h"

#include <cmath>

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
    for (const AtomSite& site : sites) {
        const std::string name = site.label.empty() ? site.typeSymbol : site.label;
        const Result<Species> species = speciesOf(site.typeSymbol);
        if (!species) return species.failure();
        for (Scattering kind : {Scattering::XRay, Scattering::Electron})
            if (const auto factor = ScatteringFactor::of(*species, kind); !factor)
                return factor.failure();
        const bool finite = std::isfinite(site.x) && std::isfinite(site.y) &&
                            std::isfinite(site.z) && std::isfinite(site.bIso);
        if (!finite) return Problem{"The atom site " + name + " has a value that is no number."};
        if (!(site.occupancy >= 0) || !std::isfinite(site.occupancy))
            return Problem{"The occupancy of the atom site " + name + " must be 0 or more."};
    }
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
