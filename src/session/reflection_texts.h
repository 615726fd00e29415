#pragma once
// The texts of the reflections as lists, files and reports show them.

#include "crystal/reflections.h"

#include <array>
#include <cstdint>
#include <string>

namespace tavrel {

// The texts of the list's five columns for reflection i: "#", "hkl", "d", "Th (1)", "Th (2)";
// a wavelength of 0 leaves its column empty. With fourIndex the indices are "h k i l".
std::array<std::string, 5> reflectionListTexts(const ReflectionList& reflections,
                                               const std::array<float, 2>& wavelength,
                                               std::int32_t i, bool fourIndex = false);

// h, k and l right-aligned in 4 characters each, as the reflection file and the report show
// them. An index that fills its column (-100, 1000) gets a blank before it, so that the
// numbers never run together.
// With fourIndex, i = -(h + k) gets a column of its own between k and l.
std::string indexColumns(std::int16_t h, std::int16_t k, std::int16_t l, bool fourIndex = false);

} // namespace tavrel
