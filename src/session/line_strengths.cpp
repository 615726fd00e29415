#include "session/line_strengths.h"

#include "common/numeric.h"
#include "session/document_reading.h"
#include "structure/cell_atoms.h"
#include "structure/structure_factor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

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

namespace {

// The reflections of a list by their orbits under the point group of the operations and
// Friedel's law (the scattering factors are real): |F(h R)| = |F(h)| for the rotation R of every
// operation, since the atoms are the images of the sites under them. The structure factor is
// worked out once for each orbit, up to 96 times fewer in a cubic group.
struct ReflectionOrbits {
    std::vector<std::int16_t> h, k, l; // the first reflection of each orbit
    std::vector<float> d;
    std::vector<std::size_t> orbitOf; // per reflection of the list
};

ReflectionOrbits orbitsOf(const ReflectionList& list, const std::vector<SymOp>& operations) {
    using Rotation = std::array<int, 9>;
    std::vector<Rotation> rotations;
    for (const SymOp& operation : operations) {
        Rotation r{};
        for (std::size_t i = 0; i < 9; ++i)
            r[i] = static_cast<int>(std::lround(operation.m[i / 3][i % 3]));
        if (std::find(rotations.begin(), rotations.end(), r) == rotations.end())
            rotations.push_back(r);
    }
    if (rotations.empty()) rotations.push_back({1, 0, 0, 0, 1, 0, 0, 0, 1});
    // Indices within +-2^17 (limits up to 16,383 turned by a hexagonal rotation) in 18 bits each.
    auto keyOf = [](int h, int k, int l) {
        auto part = [](int index) { return static_cast<std::uint64_t>(index + (1 << 17)); };
        return part(h) << 36 | part(k) << 18 | part(l);
    };
    ReflectionOrbits orbits;
    std::unordered_map<std::uint64_t, std::size_t> orbitByKey;
    for (std::size_t i = 0; i < list.d.size(); ++i) {
        const int h = list.h[i], k = list.k[i], l = list.l[i];
        std::uint64_t key = 0;
        for (const Rotation& r : rotations) {
            const int turnedH = h * r[0] + k * r[3] + l * r[6];
            const int turnedK = h * r[1] + k * r[4] + l * r[7];
            const int turnedL = h * r[2] + k * r[5] + l * r[8];
            key = std::max(
                {key, keyOf(turnedH, turnedK, turnedL), keyOf(-turnedH, -turnedK, -turnedL)});
        }
        const auto [found, added] = orbitByKey.try_emplace(key, orbits.d.size());
        if (added) {
            orbits.h.push_back(list.h[i]);
            orbits.k.push_back(list.k[i]);
            orbits.l.push_back(list.l[i]);
            orbits.d.push_back(list.d[i]);
        }
        orbits.orbitOf.push_back(found->second);
    }
    return orbits;
}

} // namespace

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
    const ReflectionOrbits orbits = orbitsOf(sim.reflections, sim.group.operations());
    const Result<std::vector<double>> squared =
        squaredStructureFactors({orbits.h, orbits.k, orbits.l, orbits.d}, *atoms, s.scattering);
    if (!squared) return squared.failure();
    s.squared.reserve(orbits.orbitOf.size());
    for (const std::size_t orbit : orbits.orbitOf) s.squared.push_back((*squared)[orbit]);
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
