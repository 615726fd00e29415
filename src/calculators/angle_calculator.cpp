#include "calculators/angle_calculator.h"

#include "common/matrix3.h"
#include "common/numeric.h"
#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavrel {

namespace {

constexpr std::string_view kSpaceHkl = "Please type SPACE between h k l";
constexpr std::string_view kSpaceUvw = "Please type SPACE between u v w";

// [kind][0 = left field, 1 = middle field]. The direction-plane frame numbers its fields as
// first and second whatever they hold.
constexpr AngleErrorMessage kFieldMessages[3][2] = {
    {{"Invalid input: HKL(1)", kSpaceHkl}, {"Invalid input: HKL(2)", kSpaceHkl}},
    {{"Invalid input: UVW(1)", kSpaceUvw}, {"Invalid input: UVW(2)", kSpaceUvw}},
    {{"Invalid input: UVW(1)", kSpaceUvw}, {"Invalid input: HKL(2)", kSpaceHkl}},
};

// Arc cosine in the calculator's own form, whose ends are exactly 0 and its pi.
double arcCos(double x) {
    if (x >= 1) return 0;
    if (x <= -1) return kPi;
    return std::atan(-x / std::sqrt(1 - x * x)) + 2 * std::atan(1.0);
}

Triple unit(const Triple& v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0) return v;
    return {v[0] / length, v[1] / length, v[2] / length};
}

// Indices scaled by a power of two so that the largest has a size below 1. The scale is exact,
// so typed indices give the same unit vector as unscaled ones, and huge ones cannot overflow.
Triple scaledIndices(const Triple& t) {
    const double largest = std::max({std::abs(t[0]), std::abs(t[1]), std::abs(t[2])});
    if (largest == 0) return t;
    int exponent = 0;
    std::frexp(largest, &exponent);
    return {std::ldexp(t[0], -exponent), std::ldexp(t[1], -exponent), std::ldexp(t[2], -exponent)};
}

} // namespace

std::optional<Triple> readIndexTriple(std::string_view text) {
    std::string s = trim(text);
    if (s.size() == 3 && s.find_first_of(" \t") == std::string::npos)
        s = std::string{s[0], ' ', s[1], ' ', s[2]};
    const std::vector<std::string> pieces = splitBlanks(s);
    if (pieces.size() < 3) return std::nullopt;
    Triple t{};
    for (std::size_t i = 0; i < 3; ++i) {
        t[i] = leadingNumber(pieces[i]);
        if (!std::isfinite(t[i])) return std::nullopt;
    }
    return t;
}

AngleErrorMessage angleErrorMessage(AngleKind kind, AngleError error) {
    switch (error) {
    case AngleError::None:
        return {};
    case AngleError::InvalidCell:
        return {{}, kInvalidCellMessage};
    case AngleError::InvalidFirst:
        return kFieldMessages[static_cast<int>(kind)][0];
    case AngleError::InvalidSecond:
        return kFieldMessages[static_cast<int>(kind)][1];
    }
    return {};
}

bool AngleCalculator::setCell(double a, double b, double c, double alpha, double beta,
                              double gamma) {
    const double ra = alpha * kAngleCalculatorDegToRad;
    const double rb = beta * kAngleCalculatorDegToRad;
    const double rg = gamma * kAngleCalculatorDegToRad;
    const double sinA = std::sin(ra), cosA = std::cos(ra);
    const double sinB = std::sin(rb), cosB = std::cos(rb);
    const double cosG = std::cos(rg);
    const double t = cosG - cosA * cosB;

    direct_ = {{{a * std::sqrt(sinB * sinB - t * t / (sinA * sinA)), a * t / sinA, a * cosB},
                {0, b * sinA, b * cosA},
                {0, 0, c}}};
    // Angles that admit no real basis leave a NaN in the matrix and so in the determinant.
    const std::optional<Mat3d> inverse = inverseByCofactors(direct_);
    validCell_ = inverse.has_value();
    reciprocal_ = inverse.value_or(direct_);
    return validCell_;
}

Triple AngleCalculator::cartesian(const Triple& indices, bool isPlane) const {
    const Triple t = scaledIndices(indices);
    Triple v{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            v[i] += isPlane ? reciprocal_[i][j] * t[j] : t[j] * direct_[j][i];
    return v;
}

AngleResult AngleCalculator::angle(AngleKind kind, std::string_view first,
                                   std::string_view second) const {
    AngleResult result;
    if (!validCell_) {
        result.error = AngleError::InvalidCell;
        return result;
    }
    const std::optional<Triple> left = readIndexTriple(first);
    if (!left) {
        result.error = AngleError::InvalidFirst;
        return result;
    }
    const std::optional<Triple> middle = readIndexTriple(second);
    if (!middle) {
        result.error = AngleError::InvalidSecond;
        return result;
    }

    const bool firstIsPlane = kind == AngleKind::PlanePlane;
    const bool secondIsPlane = kind != AngleKind::DirectionDirection;
    const Triple u = unit(cartesian(*left, firstIsPlane));
    const Triple v = unit(cartesian(*middle, secondIsPlane));
    const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];

    result.degrees = arcCos(dot) / kAngleCalculatorDegToRad;
    result.text = formatNumber(result.degrees, "0.0###") + " deg";
    return result;
}

} // namespace tavrel
