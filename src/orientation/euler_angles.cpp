#include "orientation/euler_angles.h"

#include "common/numeric.h"
#include "orientation/rotation.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <vector>

namespace tavrel {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Phi this close to 0 or 180 degrees rounds to it in the three decimals shown.
constexpr double kDegenerateTilt = 0.0005;

// a in [0, 360).
double wrap360(double a) {
    double r = std::fmod(a, 360.0);
    if (r < 0) r += 360.0;
    return r >= 360.0 ? 0.0 : r; // fmod of a tiny negative number plus 360 may round to 360
}

double atan2Degrees(double y, double x) {
    return std::atan2(y, x) / kDegree;
}

// v wrapped into [0, 360) and rounded to three decimals, a rounded 360 being 0.
double roundedAzimuth(double v) {
    const double r = std::round(wrap360(v) * 1000.0) / 1000.0;
    return r >= 360.0 ? 0.0 : r + 0.0; // + 0.0 turns -0 into 0
}

} // namespace

Mat3d crystalFromLattice(const LatticeMatrices& matrices) {
    const Mat3f& L = matrices.lattice;
    const Mat3f& R = matrices.inverse;
    const Vec3d a{L[0][0], L[1][0], L[2][0]};
    const Vec3d cStar{R[2][0], R[2][1], R[2][2]};
    const Vec3d z = normalized(cStar);
    // a is perpendicular to c* exactly only before the 4-byte roundings of the matrices: the
    // remainder is taken out, so that the frame is orthonormal.
    const Vec3d x = normalized(a - dot(a, z) * z);
    return Mat3d{x, cross(z, x), z};
}

Mat3d eulerMatrix(const EulerAngles& e) {
    const double c1 = std::cos(e.phi1 * kDegree), s1 = std::sin(e.phi1 * kDegree);
    const double c = std::cos(e.phi * kDegree), s = std::sin(e.phi * kDegree);
    const double c2 = std::cos(e.phi2 * kDegree), s2 = std::sin(e.phi2 * kDegree);
    return Mat3d{{{c1 * c2 - s1 * s2 * c, s1 * c2 + c1 * s2 * c, s2 * s},
                  {-c1 * s2 - s1 * c2 * c, -s1 * s2 + c1 * c2 * c, c2 * s},
                  {s1 * s, -c1 * s, c}}};
}

EulerAngles eulerAnglesFromMatrix(const Mat3d& g) {
    const double phi = atan2Degrees(std::hypot(g[2][0], g[2][1]), g[2][2]);
    if (phi < kDegenerateTilt) {
        // g12 - g21 = (1 + cos Phi) sin(phi1 + phi2), g11 + g22 = (1 + cos Phi) cos(phi1 + phi2).
        return {wrap360(atan2Degrees(g[0][1] - g[1][0], g[0][0] + g[1][1])), 0.0, 0.0};
    }
    if (phi > 180.0 - kDegenerateTilt) {
        // g12 + g21 = (1 - cos Phi) sin(phi1 - phi2), g11 - g22 = (1 - cos Phi) cos(phi1 - phi2).
        return {wrap360(atan2Degrees(g[0][1] + g[1][0], g[0][0] - g[1][1])), 180.0, 0.0};
    }
    return {wrap360(atan2Degrees(g[2][0], -g[2][1])), phi, wrap360(atan2Degrees(g[0][2], g[1][2]))};
}

Mat3d eulerMatrixFromOrientation(const Mat3d& orientation, const LatticeMatrices& matrices) {
    return crystalFromLattice(matrices) * transpose(orientation) * transpose(kSampleFromView);
}

Mat3d orientationFromEulerMatrix(const Mat3d& g, const LatticeMatrices& matrices) {
    return transpose(kSampleFromView) * transpose(g) * crystalFromLattice(matrices);
}

EulerAngles eulerAnglesOfOrientation(const Mat3d& orientation, const LatticeMatrices& matrices) {
    return eulerAnglesFromMatrix(eulerMatrixFromOrientation(orientation, matrices));
}

Mat3d orientationFromEulerAngles(const EulerAngles& angles, const LatticeMatrices& matrices) {
    return orientationFromEulerMatrix(eulerMatrix(angles), matrices);
}

EulerAngles reportedEulerAngles(const EulerAngles& e) {
    // Phi folded into 0..180 first: (phi1, -Phi, phi2) is (phi1 + 180, Phi, phi2 + 180).
    EulerAngles r = eulerAnglesFromMatrix(eulerMatrix(e));
    const double phi = std::round(r.phi * 1000.0) / 1000.0;
    if (phi <= 0.0) return {roundedAzimuth(r.phi1 + r.phi2), 0.0, 0.0};
    if (phi >= 180.0) return {roundedAzimuth(r.phi1 - r.phi2), 180.0, 0.0};
    return {roundedAzimuth(r.phi1), phi, roundedAzimuth(r.phi2)};
}

std::string eulerAnglesText(const EulerAngles& angles) {
    const EulerAngles r = reportedEulerAngles(angles);
    return formatNumber(r.phi1, "0.000") + " " + formatNumber(r.phi, "0.000") + " " +
           formatNumber(r.phi2, "0.000");
}

std::string eulerReadoutText(const EulerAngles& angles) {
    return "\u03c61 \u03a6 \u03c62: " + eulerAnglesText(angles);
}

Result<EulerAngles> parseEulerAnglesText(std::string_view typed) {
    // A comma between two digits is a decimal comma ("12,5"); any other one separates numbers.
    std::string text(typed);
    auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    for (std::size_t k = 1; k + 1 < text.size(); ++k)
        if (text[k] == ',' && isDigit(text[k - 1]) && isDigit(text[k + 1])) text[k] = '.';
    std::vector<double> numbers;
    std::size_t i = 0;
    auto isSeparator = [](char ch) { return ch == ' ' || ch == '\t' || ch == ','; };
    while (i < text.size()) {
        if (isSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        // from_chars takes no leading "+".
        const std::size_t from = text[i] == '+' ? i + 1 : i;
        double value = 0;
        const auto [stop, error] = std::from_chars(text.data() + from, text.data() + end, value);
        if (error != std::errc() || stop != text.data() + end || !(std::fabs(value) <= 1e5))
            return Problem{"Euler angles are three numbers of degrees (phi1 Phi phi2); \"" +
                           std::string(typed.substr(i, end - i)) + "\" is not a usable angle"};
        numbers.push_back(value);
        i = end;
    }
    if (numbers.size() != 3)
        return Problem{"Euler angles are three numbers of degrees (phi1 Phi phi2), not " +
                       std::to_string(numbers.size())};
    return EulerAngles{numbers[0], numbers[1], numbers[2]};
}

Mat3d orientationAlongViewingAxis(const Vec3f& cartesian) {
    return viewAxisRotation(ViewAxis::Horizontal, -90.0f) * toMat3d(orientationMatrix(cartesian));
}

} // namespace tavrel
