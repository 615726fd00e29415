#pragma once
// How every place that reads an input field reads its number: the leading-number rule, with a
// decimal comma read as the point whatever the locale, and beyond the range of a 4-byte float an
// infinity of its sign (which the readers then refuse as "not a usable number").

#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// The text with its decimal comma written as the point, as the field then shows it.
std::string withDecimalPoint(std::string_view text);

// The number of a field as typed, in 8 bytes (0 for a text without one).
double fieldNumber(std::string_view text);
// The number of a field as the document holds it, a 4-byte float.
float fieldValue(std::string_view text);

// A number that must be all of its text, as a table cell takes it: a decimal number ("0.25",
// "0,25", "1e-3") or a simple fraction as CIF writers write coordinates ("1/4", "-2/3"), blanks
// around it ignored. None for anything else ("1/4x", "abc", "", "1/0") and for values beyond a
// 4-byte float.
std::optional<double> wholeNumberOrFraction(std::string_view text);
// The text a table cell shows of such a number: thirds, sixths and twelfths, whose decimals never
// end, as the fraction that reads back exactly ("1/3", "-5/6"), others as their shortest 4-byte
// text ("0.25").
std::string numberOrFractionText(double value);

} // namespace tavrel
