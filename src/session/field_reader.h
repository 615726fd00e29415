#pragma once
// How every place that reads an input field reads its number: the leading-number rule, with a
// decimal comma read as the point whatever the locale, and beyond the range of a 4-byte float an
// infinity of its sign (which the readers then refuse as "not a usable number").

#include <string>
#include <string_view>

namespace tavrel {

// The text with its decimal comma written as the point, as the field then shows it.
std::string withDecimalPoint(std::string_view text);

// The number of a field as typed, in 8 bytes (0 for a text without one).
double fieldNumber(std::string_view text);
// The number of a field as the document holds it, a 4-byte float.
float fieldValue(std::string_view text);

} // namespace tavrel
