#pragma once
// Symmetry operations as structure files write them, read into exact operation sets: a list of
// coordinate triplets and a Hall symbol. Both the setting of a file's symmetry data and the
// matching of a written Hermann-Mauguin symbol read them.

#include "common/result.h"
#include "spacegroup/operation_set.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// Coordinate triplets ("x,-y,z+1/2", "-x,y,z+0.5") closed into a group: a list of only some of
// the operations (the generators, say) stands for the group they generate. A problem is worded
// to follow the file's name ("its symmetry operation "x,y" cannot be read: ...").
Result<OperationSet> readOperationTriplets(const std::vector<std::string>& triplets);

// The operations of a Hall symbol (a change of basis included), closed into a group; none when
// the symbol cannot be read.
std::optional<OperationSet> operationsOfHallSymbol(const std::string& hall);

// A Hall symbol as words, whatever its spacing, case and way of writing a double prime: equal
// keys are the same symbol.
std::string hallSymbolKey(std::string_view hall);

} // namespace tavrel
