#pragma once
// The atoms of a structure as a CIF lists them: one site per symmetry-independent atom, with the
// element (and charge) that decides how it scatters.

#include "common/result.h"

#include <string>
#include <string_view>

namespace tavrel {

// One symmetry-independent atom.
struct AtomSite {
    std::string label;      // "Fe1", "O2a"
    std::string typeSymbol; // the element or ion as a CIF writes it: "Fe", "O2-", "Fe3+", "Si4+"
    double x = 0, y = 0, z = 0; // fractions of the cell edges
    double occupancy = 1;
    double bIso = 0; // isotropic displacement parameter B in square angstrom (8 pi^2 U)
    friend bool operator==(const AtomSite&, const AtomSite&) = default;
};

// An element, and the charge of the ion when the type symbol names one.
struct Species {
    std::string element;  // "Fe", "O"; "D" for deuterium
    int atomicNumber = 0; // 1 for deuterium as for hydrogen
    int charge = 0;       // +3 for "Fe3+", -2 for "O2-" and for "O-2"
    friend bool operator==(const Species&, const Species&) = default;
};

// The species a type symbol (or, where a file has none, a site label) names. The element is the
// leading one or two letters, compared without regard to case: two when they make an element
// ("Fe1a", "CL2"), otherwise the first alone ("OW", "O2a"). A charge is read from what follows
// when that is a number with its sign on either side or a sign alone ("3+", "-2", "+"); any
// other rest is a label's own ("H(SDS)", "Fe1"). Letters that begin with no known element are
// refused with a message naming the text.
Result<Species> speciesOf(std::string_view typeSymbol);

} // namespace tavrel
