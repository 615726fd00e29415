#pragma once
// Hermann-Mauguin symbols as structure files write them, matched exactly to one of the 530
// settings. Unlike a symbol typed into the program (findSettingRow, which guesses), a file's
// symbol names a setting only when it is one of that setting's forms after the differences
// writers make are taken out:
// - blanks and case ("P21/c", "p 21/C"); subscripts written "2_1", "2(1)" or with subscript
//   digits; a minus written as the minus sign;
// - full symbols ("P 21/b 21/c 21/a", "F 41/d -3 2/m", "R -3 2/m") as well as short ones, and
//   the monoclinic forms with their "1" axes left out ("P 21/n");
// - the e-glide names ("C m c e", "A e m 2") beside the older ones ("C m c a", "A b m 2"), and
//   the older cubic names without the minus ("F m 3 m");
// - origin and axes choices after a colon (":1", ":2", ":H", ":R", ":b1", ...) or as a trailing
//   "S", "Z", "H" or "R".
// A symbol without an origin choice names the group's first origin; an R symbol without axes
// takes the axes the cell suggests.

#include "common/result.h"
#include "spacegroup/settings.h"

#include <string>

namespace tavrel {

// The row the symbol names. A problem is worded to follow "its space-group symbol "X" " and
// says whether the symbol names a group in a setting outside the 530, or cannot be read.
Result<int> settingRowOfWrittenSymbol(const std::string& symbol, RGroupAxes axes);

} // namespace tavrel
