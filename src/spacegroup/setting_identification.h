#pragma once
// Which of the 530 settings a structure file's symmetry data describe. A structure in a
// non-standard origin or axis choice must never be simulated with the absences of the standard
// one, so listed operations decide whenever a file gives them.

#include "common/result.h"
#include "spacegroup/settings.h"

#include <string>
#include <vector>

namespace tavrel {

// What a file says about its symmetry, as written there; empty where it says nothing.
struct SymmetryDescription {
    std::vector<std::string> operations; // coordinate triplets, "x,-y,z+1/2"
    std::string hall;
    std::string hermannMauguin;
    std::string number;
};

struct IdentifiedSetting {
    int row = 0; // 0..529
    // For the user when the setting is taken all the same (no symmetry data, a symbol that
    // contradicts the operations); worded to follow the file's name.
    std::string warning;
};

// Chooses the settings row:
// 1. Listed symmetry operations decide. They are closed into a group and compared as a set
//    with every row's operations; a file that lists one operation per centring coset only is
//    completed with the centring of the lattice letter its symbol names, provided that gives
//    the group number its symbol or number names. Operations that match no row are refused.
// 2. Else a Hall symbol: its operations (origin shifts included) are matched the same way; a
//    readable symbol that matches no row is refused.
// 3. Else the Hermann-Mauguin symbol through the symbol lookup, else the group number (the
//    list's row for it).
// 4. Else P 1, with a warning.
// Where several rows share a set of operations, the one the file's symbols name is taken.
// A problem is worded to follow the file's name ("its Hall symbol ... cannot be read").
Result<IdentifiedSetting> identifySetting(const SymmetryDescription& symmetry, RGroupAxes axes);

} // namespace tavrel
