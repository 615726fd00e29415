#pragma once
// Number reading, rounding and number texts shared by every layer. Users compare the program's
// numbers with their tables, so these follow one fixed set of rules everywhere: "." is the
// decimal separator whatever the locale, and whole numbers come from rounding halves to even.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Degrees times this give radians (3.141592654 / 180); radians are divided by it.
inline constexpr double kDegToRad = 0.017453292522222223;
inline constexpr double kPi = 3.141592654;

// The number a typed text starts with: blanks, tabs and line breaks anywhere in the text are
// ignored; then an optional sign, digits, an optional "." with fraction digits and an optional
// exponent are taken, and reading stops at the first other character. A text without a leading
// number reads as 0. A number too large for a double reads as an infinity of its sign.
double leadingNumber(std::string_view text);

// v rounded to a 4-byte float; beyond the float range an infinity of v's sign (a plain
// conversion of such a value is undefined).
float toFloat(double v);
// v as a 4-byte float, or none when it is not finite or lies beyond the range of a 4-byte float.
std::optional<float> finiteFloat(double v);

// The nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double v);

// roundHalfEven into an integer type, saturating at the type's limits; NaN gives 0.
std::int16_t roundToInt16(double v);
std::int32_t roundToInt32(double v);

// Text of v after a pattern such as "0.0##", "0.0000" or "#0.000": "0" after the point is a
// decimal always shown, "#" one shown only when it is not a trailing zero. v is rounded to the
// pattern's last decimal from its exact binary value. A result that shows only zeros carries no
// minus sign.
std::string formatNumber(double v, std::string_view pattern);

// The shortest decimal text that reads back as the same 4-byte float, using at most 7
// significant digits (7 when no shorter text reads back exactly). Plain decimal notation for
// magnitudes from 1e-5 up to 1e7, otherwise mantissa and exponent ("1.5E-06", "2.5E+09").
std::string shortestText(float v);

} // namespace tavrel
