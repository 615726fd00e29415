#pragma once
// Turning the document into the reflection list.

#include "common/result.h"
#include "session/simulation.h"

#include <string>
#include <vector>

namespace tavrel {

// What a new reflection list brings besides itself.
struct NewListReport {
    NewList origin = NewList::Generated;
    long long loopCount = 0; // hkl triples the limits span, (0 0 0) included
    bool truncated = false;  // stopped at the largest list the indices allow
    // For the user, each a message of its own: the list stopped early, a file was taken with
    // doubts.
    std::vector<std::string> warnings;
};

// How far a reflection may lie outside the typed d range and still be listed: half the step of
// the three decimals the d fields show (and a little for the 4-byte rounding of field and
// spacing), so that a range shown rounded, simulated again, keeps every reflection it showed;
// d-Max, which a simulation sets to the largest d it listed, above all.
inline constexpr double kDTolerance = 0.00051;

// Reads the document from the fields, generates and sorts the reflection list and applies the
// orientation. `cancelled` is asked after every hkl triple (the window wires it to Escape); when
// it answers true the loops end and the reflections found so far form a normal list. An invalid
// document or refused limits give an empty list and the problem.
Result<NewListReport> generateReflections(Simulation& sim, const CancelCheck& cancelled = {});

// What follows every new reflection list, generated or read from a file: the point table in
// the document's orientation, the list entry of the group, the line threshold below every
// spacing, the line strengths of the atoms. The list stands whatever happens; the problem is that
// of four orientation indices that break their rule, or of strengths that could not be worked
// out (they are then left out).
Outcome completeNewReflections(Simulation& sim);

} // namespace tavrel
