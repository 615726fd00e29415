#include "crystal/unit_cell.h"

#include "common/numeric.h"
#include "support/orientation_cells.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace tavrel {
namespace {

using test::matricesOf;

UnitCell cellOf(float a, float b, float c, float alpha, float beta, float gamma) {
    return UnitCell{{a, b, c, alpha, beta, gamma}};
}

Vec3f cartesian(const LatticeMatrices& m, Vec3f v, bool isDirect) {
    toCartesian(m, v, isDirect);
    return v;
}

void expectNear(const Vec3f& v, const Vec3f& expected, double tolerance) {
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(v[i], expected[i], tolerance) << i;
}

TEST(UnitCellMetric, CubicHexagonalAndBraggAngles) {
    const UnitCell cubic = cellOf(4, 4, 4, 90, 90, 90), hexagonal = cellOf(3, 3, 5, 90, 90, 120);
    expectNear(cartesian(matricesOf(cubic), {1, 0, 0}, false), {0.25f, 0, 0}, 1e-7);
    expectNear(cartesian(matricesOf(cubic), {1, 1, 0}, true), {4, 4, 0}, 1e-6);
    EXPECT_NEAR(dSpacing(cubic, 1, 1, 1), 2.3094, 5e-5);
    expectNear(cartesian(matricesOf(hexagonal), {1, 0, 0}, true), {2.598f, -1.5f, 0}, 5e-4);
    EXPECT_NEAR(dSpacing(hexagonal, 1, 0, 0), 3.0 * std::sqrt(3.0) / 2.0, 1e-5);
    EXPECT_NEAR(braggAngle(1.5418, 4.0 / std::sqrt(3.0)), 19.500, 5e-4);
    EXPECT_NEAR(braggAngle(1.5418, 0.5), 90.0, 1e-9); // lambda > 2d: no reflection
}

// 1/|g(hkl)| agrees with d(hkl) to 4-byte precision, so the matrices (the inverse is taken from
// the lattice) and the triclinic d formula check each other.
TEST(UnitCellMetric, MatricesAgreeWithTheDSpacingFormula) {
    for (const UnitCell& cell :
         {cellOf(5.1f, 6.2f, 7.3f, 90, 100, 90), cellOf(5.1f, 6.2f, 7.3f, 80, 95, 105)}) {
        const LatticeMatrices m = matricesOf(cell);
        EXPECT_NEAR(cartesian(m, {1, 0, 0}, true)[2], cell.a() * std::cos(cell.beta() * kDegToRad),
                    1e-5);
        for (int i = 0; i < 343; ++i) {
            const int h = i / 49 - 3, k = i / 7 % 7 - 3, l = i % 7 - 3;
            if (h == 0 && k == 0 && l == 0) continue;
            const Vec3f g = cartesian(m, {float(h), float(k), float(l)}, false);
            EXPECT_NEAR(1.0 / std::hypot(1.0 * g[0], 1.0 * g[1], 1.0 * g[2]) /
                            dSpacing(cell, h, k, l),
                        1.0, 4e-6)
                << i;
        }
    }
}

// Lengths of 0 or less and angles that cannot close a cell are refused with the message users
// know.
TEST(UnitCellMetric, InvalidCellsAreRefused) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<UnitCell, LatticeStatus> cases[] = {
        {cellOf(0, 4, 4, 90, 90, 90), LatticeStatus::NoLength},
        {cellOf(3, 4, -5, 90, 90, 90), LatticeStatus::NoLength},
        {cellOf(3, inf, 5, 90, 90, 90), LatticeStatus::NoLength},
        {cellOf(3, 4, 5, 120, 120, 120), LatticeStatus::NoRealCell}, // flat: the sum is 360
        {cellOf(3, 4, 5, 180, 90, 90), LatticeStatus::NoRealCell},
        {cellOf(3, 4, 5, 10, 10, 25), LatticeStatus::NoRealCell}, // 25 > 10 + 10
        {cellOf(3, 4, 5, 90, 90, 1e30f), LatticeStatus::NoRealCell}};
    for (const auto& [cell, status] : cases) {
        SCOPED_TRACE(testing::PrintToString(cell.values));
        EXPECT_EQ(checkCell(cell), status);
        EXPECT_EQ(buildLatticeMatrices(cell).problem(), "Invalid unit cell parameters");
    }
    // Cells near the edges of the rule still close.
    for (const UnitCell& cell : {cellOf(3, 4, 5, 10, 10, 19.9f), cellOf(3, 4, 5, 119, 119, 119),
                                 cellOf(1e-3f, 4, 5, 90, 90, 90)})
        EXPECT_EQ(checkCell(cell), LatticeStatus::Ok) << cell.gamma();
}

// The direct formula, sines and cosines taken afresh per triple: CellMetric must match it bit
// for bit.
float referenceSpacing(const UnitCell& cell, double h, double k, double l) {
    const double a = cell.a(), b = cell.b(), c = cell.c();
    const double al = static_cast<float>(cell.alpha() * kDegToRad);
    const double be = static_cast<float>(cell.beta() * kDegToRad);
    const double ga = static_cast<float>(cell.gamma() * kDegToRad);
    const double cosA = std::cos(al), cosB = std::cos(be), cosG = std::cos(ga);
    const double numerator = square(h) * square(b) * square(c) * square(std::sin(al)) +
                             square(k) * square(a) * square(c) * square(std::sin(be)) +
                             square(l) * square(a) * square(b) * square(std::sin(ga)) +
                             2.0 * h * k * a * b * square(c) * (cosA * cosB - cosG) +
                             2.0 * k * l * square(a) * b * c * (cosB * cosG - cosA) +
                             2.0 * h * l * a * square(b) * c * (cosG * cosA - cosB);
    const double bracket =
        1.0 - square(cosA) - square(cosB) - square(cosG) + 2.0 * cosA * cosB * cosG;
    const double inverseSquare = numerator / (square(a) * square(b) * square(c)) / bracket;
    return toFloat(1.0 / std::sqrt(inverseSquare));
}

TEST(UnitCellMetric, PrecomputedMetricGivesTheSameSpacingToTheBit) {
    std::mt19937 random(20240615);
    std::uniform_real_distribution<float> edge(0.5f, 40.0f), angle(40.0f, 140.0f);
    std::uniform_int_distribution<int> index(-60, 60);
    auto expectSame = [&](const UnitCell& cell, int h, int k, int l) {
        const float expected = referenceSpacing(cell, h, k, l);
        const float fast = CellMetric(cell).dSpacing(h, k, l);
        // Bits, so that NaN compares too and -0 differs from 0.
        ASSERT_EQ(std::bit_cast<std::uint32_t>(fast), std::bit_cast<std::uint32_t>(expected))
            << testing::PrintToString(cell.values) << " (" << h << " " << k << " " << l << ")";
    };
    for (int n = 0; n < 400; ++n) {
        UnitCell cell = cellOf(edge(random), edge(random), edge(random), angle(random),
                               angle(random), angle(random));
        if (n % 4 == 1) cell = cellOf(cell.a(), cell.a(), cell.a(), 90, 90, 90);
        if (n % 4 == 2) cell = cellOf(cell.a(), cell.a(), cell.c(), 90, 90, 120);
        for (int t = 0; t < 250; ++t) expectSame(cell, index(random), index(random), index(random));
        for (int i = 0; i < 343; ++i) expectSame(cell, i / 49 - 3, i / 7 % 7 - 3, i % 7 - 3);
        expectSame(cell, 16383, -16383, 16383);
    }
    // Cells at the edge of closing, and (0 0 0) with its infinite spacing.
    for (const UnitCell& cell : {cellOf(3, 4, 5, 10, 10, 19.9f), cellOf(3, 4, 5, 119, 119, 119),
                                 cellOf(1e-3f, 4, 5, 90, 90, 90), cellOf(3, 4, 5, 0, 0, 0)}) {
        expectSame(cell, 1, 2, 3);
        expectSame(cell, 0, 0, 0);
    }
}

} // namespace
} // namespace tavrel
