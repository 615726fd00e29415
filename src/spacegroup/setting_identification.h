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
    // contradicts the operations or cannot be read beside them); worded to follow the file's
    // name.
    std::vector<std::string> warnings;
};

// Chooses the settings row. The datum that decides must be readable, or the file is refused:
// 1. Listed symmetry operations decide. They are closed into a group and compared as a set
//    with every row's operations. When a symbol names a centred lattice (the Hall symbol's
//    letter, else the Hermann-Mauguin symbol's), its centring is added first, so a file that
//    lists one operation per centring coset gets the whole group; operations that then match
//    no row are refused. Operations written in a, b, c or h, k, l are refused: coordinate
//    triplets use x, y, z. A symbol or number beside them that cannot be read, or that names
//    another group, is named in a warning.
// 2. Else a Hall symbol: its operations (origin shifts included) are matched the same way; a
//    symbol that cannot be read or matches no row is refused.
// 3. Else the Hermann-Mauguin symbol, matched exactly (settingRowOfWrittenSymbol, never the
//    guesses of a typed symbol); one that names no row is refused.
// 4. Else the group number (the list's row for it); one outside 1..230 is refused.
// 5. Else P 1, with a warning.
// Where several rows share a set of operations, the one the file's symbols name is taken.
// A problem is worded to follow the file's name ("its Hall symbol ... cannot be read").
Result<IdentifiedSetting> identifySetting(const SymmetryDescription& symmetry, RGroupAxes axes);

} // namespace tavrel
