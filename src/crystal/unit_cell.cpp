#include "crystal/unit_cell.h"

#include "common/matrix3.h"
#include "common/numeric.h"

#include <cmath>

namespace tavrel {

float square(double x) {
    return toFloat(x * x);
}

double arcSin(double x) {
    if (x >= 1.0) return kPi / 2.0;
    if (x <= -1.0) return -kPi / 2.0;
    return std::atan(x / std::sqrt(1.0 - x * x));
}

double braggAngle(double lambda, double d) {
    return arcSin(lambda / 2.0 / d) / kDegToRad;
}

namespace {

// The angles alone: the cheap part of checkCell.
LatticeStatus checkLengthsAndAngles(const UnitCell& cell) {
    for (int i = 0; i < 3; ++i)
        if (!(cell[i] > 0.0f) || !std::isfinite(cell[i])) return LatticeStatus::NoLength;
    const double al = cell.alpha(), be = cell.beta(), ga = cell.gamma();
    for (double angle : {al, be, ga})
        if (!(angle > 0.0 && angle < 180.0)) return LatticeStatus::NoRealCell;
    // The squared volume over (abc)^2 is 4 sin(s) sin(s - alpha) sin(s - beta) sin(s - gamma),
    // s being half the sum of the angles: positive exactly when these hold.
    if (!(al + be + ga < 360.0 && al < be + ga && be < al + ga && ga < al + be))
        return LatticeStatus::NoRealCell;
    return LatticeStatus::Ok;
}

LatticeStatus build(const UnitCell& cell, LatticeMatrices& matrices) {
    if (const LatticeStatus status = checkLengthsAndAngles(cell); status != LatticeStatus::Ok)
        return status;
    const float al = static_cast<float>(cell.alpha() * kDegToRad);
    const float be = static_cast<float>(cell.beta() * kDegToRad);
    const float ga = static_cast<float>(cell.gamma() * kDegToRad);
    const double a = cell.a(), b = cell.b(), c = cell.c();

    const double cosA = std::cos(al), cosB = std::cos(be), cosG = std::cos(ga);
    const double sinA = std::sin(al);
    const double mixed = cosG - cosA * cosB;
    const double radicand = square(std::sin(be)) - square(mixed) / square(sinA);
    if (!(radicand >= 0.0) || !std::isfinite(radicand)) return LatticeStatus::NoRealCell;

    Mat3f m{};
    m[0][0] = toFloat(a * std::sqrt(radicand));
    m[1][0] = toFloat(a * mixed / sinA);
    m[2][0] = toFloat(a * cosB);
    m[1][1] = toFloat(b * sinA);
    m[2][1] = toFloat(b * cosA);
    m[2][2] = static_cast<float>(c);

    Mat3d wide{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t col = 0; col < 3; ++col) wide[r][col] = m[r][col];
    const std::optional<Mat3d> inverse = inverseByCofactors(wide);
    if (!inverse) return LatticeStatus::Singular;
    matrices.lattice = m;
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t col = 0; col < 3; ++col)
            matrices.inverse[r][col] = toFloat((*inverse)[r][col]);
    return LatticeStatus::Ok;
}

} // namespace

LatticeStatus checkCell(const UnitCell& cell) {
    LatticeMatrices unused;
    return build(cell, unused);
}

Result<LatticeMatrices> buildLatticeMatrices(const UnitCell& cell) {
    LatticeMatrices matrices;
    if (build(cell, matrices) != LatticeStatus::Ok) return Problem{kInvalidCellMessage};
    return matrices;
}

CellMetric::CellMetric(const UnitCell& cell)
    : a_(cell.a()), b_(cell.b()), c_(cell.c()), aa_(square(a_)), bb_(square(b_)), cc_(square(c_)) {
    const double al = static_cast<float>(cell.alpha() * kDegToRad);
    const double be = static_cast<float>(cell.beta() * kDegToRad);
    const double ga = static_cast<float>(cell.gamma() * kDegToRad);
    const double cosA = std::cos(al), cosB = std::cos(be), cosG = std::cos(ga);
    sinAA_ = square(std::sin(al));
    sinBB_ = square(std::sin(be));
    sinGG_ = square(std::sin(ga));
    mixedAB_ = cosA * cosB - cosG;
    mixedBG_ = cosB * cosG - cosA;
    mixedGA_ = cosG * cosA - cosB;
    edgeProduct_ = aa_ * bb_ * cc_;
    bracket_ = 1.0 - square(cosA) - square(cosB) - square(cosG) + 2.0 * cosA * cosB * cosG;
}

float CellMetric::dSpacing(double h, double k, double l) const {
    // Left to right as the formula is written: the first three terms are products of 4-byte
    // squares, summed in 4-byte arithmetic, the mixed terms in 8-byte arithmetic.
    const double numerator =
        square(h) * bb_ * cc_ * sinAA_ + square(k) * aa_ * cc_ * sinBB_ +
        square(l) * aa_ * bb_ * sinGG_ + 2.0 * h * k * a_ * b_ * cc_ * mixedAB_ +
        2.0 * k * l * aa_ * b_ * c_ * mixedBG_ + 2.0 * h * l * a_ * bb_ * c_ * mixedGA_;
    const double inverseSquare = numerator / edgeProduct_ / bracket_;
    return toFloat(1.0 / std::sqrt(inverseSquare));
}

float dSpacing(const UnitCell& cell, double h, double k, double l) {
    return CellMetric(cell).dSpacing(h, k, l);
}

void toCartesian(const LatticeMatrices& matrices, Vec3f& v, bool isDirect) {
    const double x = v[0], y = v[1], z = v[2];
    Vec3f r{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (isDirect) {
            const auto& row = matrices.lattice[i];
            r[i] = toFloat(row[0] * x + row[1] * y + row[2] * z);
        } else {
            const auto& inv = matrices.inverse;
            r[i] = toFloat(inv[0][i] * x + inv[1][i] * y + inv[2][i] * z);
        }
    }
    v = r;
}

} // namespace tavrel
