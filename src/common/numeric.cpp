#include "common/numeric.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tavrel {

namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

template <typename Int> Int roundSaturating(double v) {
    if (std::isnan(v)) return 0;
    const double r = roundHalfEven(v);
    if (r <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}
} // namespace

double leadingNumber(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j])) ++j;
            end = j;
        }
    }

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + end, value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; tell overflow from underflow by the exponent sign.
        const std::size_t e = s.find_first_of("eE", start);
        const bool tiny = e != std::string::npos && e + 1 < end && s[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

float toFloat(double v) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (v > kLargest) return std::numeric_limits<float>::infinity();
    if (v < -kLargest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

std::optional<float> finiteFloat(double v) {
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(v);
}

double roundHalfEven(double v) {
    // The default floating-point environment rounds to nearest with ties to even, and nothing
    // in the program changes it.
    return std::nearbyint(v);
}

std::int16_t roundToInt16(double v) {
    return roundSaturating<std::int16_t>(v);
}
std::int32_t roundToInt32(double v) {
    return roundSaturating<std::int32_t>(v);
}

std::string formatNumber(double v, std::string_view pattern) {
    int minDecimals = 0;
    int maxDecimals = 0;
    const std::size_t point = pattern.find('.');
    if (point != std::string_view::npos) {
        for (char c : pattern.substr(point + 1)) {
            if (c == '0')
                ++minDecimals, ++maxDecimals;
            else if (c == '#')
                ++maxDecimals;
        }
    }
    if (!std::isfinite(v)) return std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity");

    // to_chars, unlike printf, ignores the C library's locale (which the Qt layers set from the
    // environment): "." whatever LC_NUMERIC says. It rounds the exact binary value, halves to
    // even, as printf does.
    // The largest double has 309 integer digits.
    std::string r(320 + static_cast<std::size_t>(maxDecimals), '\0');
    const auto [end, ec] =
        std::to_chars(r.data(), r.data() + r.size(), v, std::chars_format::fixed, maxDecimals);
    (void)ec;
    r.resize(static_cast<std::size_t>(end - r.data()));
    if (maxDecimals > minDecimals) {
        const std::size_t dot = r.find('.');
        std::size_t keep = r.size();
        while (keep > dot + 1 + static_cast<std::size_t>(minDecimals) && r[keep - 1] == '0') --keep;
        if (keep == dot + 1) --keep; // no decimals left: drop the point too
        r.resize(keep);
    }
    if (!r.empty() && r[0] == '-' && r.find_first_of("123456789") == std::string::npos)
        r.erase(0, 1);
    return r;
}

std::string shortestText(float v) {
    if (v == 0.0f) return "0";
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";

    // Find the fewest significant digits (1..7) whose text reads back as the same float. The
    // texts come from to_chars, which ignores the locale.
    auto scientific = [v](int digits) {
        char buf[64];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v),
                                             std::chars_format::scientific, digits - 1);
        (void)ec; // 64 characters hold any double with 7 digits
        return std::string(buf, end);
    };
    int precision = 7;
    for (int p = 1; p <= 7; ++p) {
        const std::string text = scientific(p);
        float back = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), back);
        if (back == v) {
            precision = p;
            break;
        }
    }
    const std::string sci = scientific(precision);

    // Split "-d.ddde+XX" into sign, digit string and decimal exponent.
    const bool negative = sci[0] == '-';
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (isDigit(sci[i])) digits.push_back(sci[i]);
    int exponent = 0;
    const char* e = sci.data() + ePos + 1;
    if (*e == '+') ++e;
    std::from_chars(e, sci.data() + sci.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string r = negative ? "-" : "";
    const int n = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent < 7) {
        if (exponent < 0) {
            r += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        } else if (exponent + 1 >= n) {
            r += digits + std::string(static_cast<std::size_t>(exponent + 1 - n), '0');
        } else {
            r += digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                 digits.substr(static_cast<std::size_t>(exponent + 1));
        }
        return r;
    }
    r += digits.substr(0, 1);
    if (n > 1) r += "." + digits.substr(1);
    const std::string magnitude = std::to_string(std::abs(exponent)); // integers: no locale
    return r + (exponent < 0 ? "E-" : "E+") + (magnitude.size() < 2 ? "0" : "") + magnitude;
}

} // namespace tavrel
