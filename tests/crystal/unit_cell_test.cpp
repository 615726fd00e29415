#include "crystal/unit_cell.h"

#include "common/notifier.h"
#include "common/numeric.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

UnitCell cellOf(float a, float b, float c, float alpha, float beta, float gamma) {
    return UnitCell{{a, b, c, alpha, beta, gamma}};
}

double length(const Vec3f& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

Vec3f column(const Mat3f& m, int c) {
    const auto j = static_cast<std::size_t>(c);
    return {m[0][j], m[1][j], m[2][j]};
}

double angleBetween(const Vec3f& u, const Vec3f& v) {
    const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    return std::acos(dot / length(u) / length(v)) / kDegToRad;
}

Vec3f reciprocal(const LatticeMatrices& m, float h, float k, float l) {
    Vec3f g{h, k, l};
    toCartesian(m, g, false);
    return g;
}

TEST(UnitCellMetric, Cubic) {
    RecordingNotifier notifier;
    LatticeMatrices m;
    const UnitCell cell = cellOf(4, 4, 4, 90, 90, 90);
    ASSERT_EQ(buildLatticeMatrices(cell, m, notifier), LatticeStatus::Ok);
    EXPECT_TRUE(notifier.events.empty());
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(m.lattice[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)],
                        r == c ? 4.0 : 0.0, 1e-6);
    EXPECT_NEAR(dSpacing(cell, 1, 1, 1), 2.3094, 5e-5);
    const Vec3f g = reciprocal(m, 1, 0, 0);
    EXPECT_NEAR(g[0], 0.25, 1e-7);
    EXPECT_NEAR(g[1], 0.0, 1e-7);
    EXPECT_NEAR(g[2], 0.0, 1e-7);

    Vec3f r{1, 1, 0};
    toCartesian(m, r, true);
    EXPECT_NEAR(r[0], 4.0, 1e-6);
    EXPECT_NEAR(r[1], 4.0, 1e-6);
}

TEST(UnitCellMetric, Hexagonal) {
    RecordingNotifier notifier;
    LatticeMatrices m;
    const UnitCell cell = cellOf(3, 3, 5, 90, 90, 120);
    ASSERT_EQ(buildLatticeMatrices(cell, m, notifier), LatticeStatus::Ok);
    const Vec3f a = column(m.lattice, 0);
    EXPECT_NEAR(a[0], 2.598, 5e-4);
    EXPECT_NEAR(a[1], -1.5, 1e-5);
    EXPECT_NEAR(a[2], 0.0, 1e-5);
    EXPECT_NEAR(dSpacing(cell, 1, 0, 0), 3.0 * std::sqrt(3.0) / 2.0, 1e-5);
}

TEST(UnitCellMetric, MonoclinicAndTriclinicAgreeWithReciprocalVectors) {
    struct Case {
        UnitCell cell;
        const char* name;
    };
    const Case cases[] = {{cellOf(5.1f, 6.2f, 7.3f, 90, 100, 90), "monoclinic"},
                          {cellOf(5.1f, 6.2f, 7.3f, 80, 95, 105), "triclinic"},
                          {cellOf(2.866f, 2.866f, 2.866f, 90, 90, 90), "cubic"}};
    for (const Case& c : cases) {
        RecordingNotifier notifier;
        LatticeMatrices m;
        ASSERT_EQ(buildLatticeMatrices(c.cell, m, notifier), LatticeStatus::Ok) << c.name;
        const Vec3f a = column(m.lattice, 0), b = column(m.lattice, 1), cc = column(m.lattice, 2);
        EXPECT_NEAR(length(a), c.cell.a(), 1e-5) << c.name;
        EXPECT_NEAR(length(b), c.cell.b(), 1e-5) << c.name;
        EXPECT_NEAR(angleBetween(b, cc), c.cell.alpha(), 1e-4) << c.name;
        EXPECT_NEAR(angleBetween(a, cc), c.cell.beta(), 1e-4) << c.name;
        EXPECT_NEAR(angleBetween(a, b), c.cell.gamma(), 1e-4) << c.name;
        if (c.cell.beta() > 90) {
            EXPECT_LT(a[2], 0.0f) << c.name;
        }
        for (int h = -3; h <= 3; ++h)
            for (int k = -3; k <= 3; ++k)
                for (int l = -3; l <= 3; ++l) {
                    if (h == 0 && k == 0 && l == 0) continue;
                    const double d = dSpacing(c.cell, h, k, l);
                    const double fromG =
                        1.0 / length(reciprocal(m, static_cast<float>(h), static_cast<float>(k),
                                                static_cast<float>(l)));
                    EXPECT_NEAR(fromG / d, 1.0, 4e-6) << c.name << " " << h << " " << k << " " << l;
                }
    }
}

TEST(UnitCellMetric, ZeroLengthIsReportedAndKeepsTheOldMatrices) {
    RecordingNotifier notifier;
    LatticeMatrices m;
    ASSERT_EQ(buildLatticeMatrices(cellOf(4, 4, 4, 90, 90, 90), m, notifier), LatticeStatus::Ok);
    const LatticeMatrices before = m;

    EXPECT_EQ(buildLatticeMatrices(cellOf(0, 4, 4, 90, 90, 90), m, notifier),
              LatticeStatus::Singular);
    ASSERT_EQ(notifier.events.size(), 1u);
    EXPECT_EQ(notifier.events[0].kind, RecordingNotifier::Kind::Error);
    EXPECT_EQ(notifier.events[0].text, "Invalid unit cell parameters");
    EXPECT_EQ(m.lattice, before.lattice);
    EXPECT_EQ(m.inverse, before.inverse);
}

TEST(UnitCellMetric, ImpossibleAnglesLeaveTheMatricesUntouched) {
    RecordingNotifier notifier;
    LatticeMatrices m;
    ASSERT_EQ(buildLatticeMatrices(cellOf(3, 4, 5, 90, 90, 90), m, notifier), LatticeStatus::Ok);
    const LatticeMatrices before = m;
    for (const UnitCell& bad : {cellOf(3, 4, 5, 150, 150, 150), cellOf(3, 4, 5, 0, 90, 90)}) {
        EXPECT_EQ(buildLatticeMatrices(bad, m, notifier), LatticeStatus::NoRealCell);
        EXPECT_EQ(m.lattice, before.lattice);
        EXPECT_EQ(m.inverse, before.inverse);
    }
    EXPECT_EQ(notifier.events.size(), 2u);
}

TEST(Invert3, RefusesNearlySingularMatricesWithoutTouchingTheResult) {
    Mat3f inverse{{{7, 7, 7}, {7, 7, 7}, {7, 7, 7}}};
    const Mat3f flat{{{1, 2, 3}, {2, 4, 6}, {0, 0, 1}}};
    EXPECT_FALSE(invert3(flat, inverse));
    EXPECT_EQ(inverse[1][1], 7.0f);

    const Mat3f m{{{2, 0, 1}, {0, 1, 0}, {1, 0, 1}}};
    ASSERT_TRUE(invert3(m, inverse));
    // m * inverse = identity
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c) {
            double s = 0;
            for (std::size_t k = 0; k < 3; ++k) s += m[r][k] * inverse[k][c];
            EXPECT_NEAR(s, r == c ? 1.0 : 0.0, 1e-6);
        }
}

TEST(BraggAngle, ArcSineAndAngles) {
    EXPECT_DOUBLE_EQ(braggAngle(1.5418, 0.5), 90.0 * (kPi / 2 / kDegToRad) / 90.0);
    EXPECT_NEAR(braggAngle(1.5418, 0.5), 90.0, 1e-9);
    EXPECT_NEAR(braggAngle(1.5418, 4.0 / std::sqrt(3.0)), 19.500, 5e-4);
    EXPECT_DOUBLE_EQ(arcSin(1.0), kPi / 2);
    EXPECT_DOUBLE_EQ(arcSin(-2.0), -kPi / 2);
    EXPECT_NEAR(arcSin(0.5), std::asin(0.5), 1e-12);
    EXPECT_EQ(square(1.1), static_cast<float>(1.1 * 1.1));
}

} // namespace
} // namespace tavrel
