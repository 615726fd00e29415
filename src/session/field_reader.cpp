#include "session/field_reader.h"

#include "common/numeric.h"
#include "common/text.h"

#include <charconv>
#include <cmath>
#include <numeric>

namespace tavrel {

std::string withDecimalPoint(std::string_view text) {
    return replaceAll(text, ",", ".");
}

double fieldNumber(std::string_view text) {
    return leadingNumber(withDecimalPoint(text));
}

float fieldValue(std::string_view text) {
    return toFloat(fieldNumber(text));
}

namespace {

// All of `text` as a decimal number, or none.
std::optional<double> wholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

} // namespace

std::optional<double> wholeNumberOrFraction(std::string_view typed) {
    const std::string text = trim(withDecimalPoint(typed));
    std::optional<double> value;
    if (const std::size_t slash = text.find('/'); slash == std::string::npos) {
        value = wholeNumber(text);
    } else {
        const std::optional<double> numerator = wholeNumber(trim(text.substr(0, slash)));
        const std::optional<double> denominator = wholeNumber(trim(text.substr(slash + 1)));
        if (numerator && denominator && *denominator != 0) value = *numerator / *denominator;
    }
    if (!value || !finiteFloat(*value)) return std::nullopt;
    return value;
}

std::string numberOrFractionText(double value) {
    if (!(std::fabs(value) < 1e6)) return shortestText(static_cast<float>(value));
    for (const long long denominator : {3LL, 6LL, 12LL}) {
        const long long numerator = std::llround(value * static_cast<double>(denominator));
        // In lowest terms only: 2/6 is written as 1/3, 4/12 not at all (it is 1/3).
        if (std::gcd(numerator, denominator) == 1 &&
            value == static_cast<double>(numerator) / static_cast<double>(denominator))
            return std::to_string(numerator) + "/" + std::to_string(denominator);
    }
    return shortestText(static_cast<float>(value));
}

} // namespace tavrel
