#pragma once
// The line strengths of a structure: the kinematic structure factors of the listed reflections
// from the atoms of the cell, relative to the strongest.

#include "common/result.h"
#include "session/simulation.h"

#include <vector>

namespace tavrel {

// The scattering the document's lines are weighed with.
Scattering scatteringOf(const DocumentFields& fields, const PatternDocument& document);

// Works the strengths out again for the list, the group, the cell and the atoms as they stand;
// none without atoms or reflections. A problem (an atom that cannot be placed in this cell)
// leaves the strengths empty.
Outcome computeLineStrengths(Simulation& sim);

// Checks every site (checkAtomSite: an element the scattering tables hold, finite coordinates,
// an occupancy and a B within their ranges) and makes them the structure's, then computes the
// strengths. A refused site changes nothing; the problem names it.
Outcome setAtomSites(Simulation& sim, std::vector<AtomSite> sites);

// Types `text` into the "Minimum intensity" field and reads it: the lines drawn change, the list
// does not.
void setMinIntensity(Simulation& sim, const std::string& text);

// The relative intensity of reflection i as the list shows it ("62.3"); empty without atoms.
std::string intensityTextOf(const LineStrengths& strengths, std::size_t i);

} // namespace tavrel
