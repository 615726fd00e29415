#pragma once
// Cells and reflection lists shared by the orientation tests.

#include "crystal/reflections.h"
#include "crystal/unit_cell.h"

#include <gtest/gtest.h>

namespace tavrel::test {

inline const UnitCell kCubicCell{{4, 4, 4, 90, 90, 90}};
inline const UnitCell kMagnesiumCell{{3.2094f, 3.2094f, 5.2108f, 90, 90, 120}};
inline const UnitCell kMonoclinicCell{{8.56f, 12.96f, 7.21f, 90, 116.1f, 90}};
inline const UnitCell kTriclinicCell{{5.1f, 6.3f, 7.4f, 81.2f, 102.5f, 97.3f}};

inline LatticeMatrices matricesOf(const UnitCell& cell) {
    const Result<LatticeMatrices> m = buildLatticeMatrices(cell);
    EXPECT_TRUE(m) << m.problem();
    return m ? *m : LatticeMatrices{};
}

// Every (hkl) with |h|, |k|, |l| <= n but (000), with its vector as the generation makes it.
inline ReflectionList reflectionsOf(const LatticeMatrices& m, int n) {
    ReflectionList r;
    for (int h = -n; h <= n; ++h)
        for (int k = -n; k <= n; ++k)
            for (int l = -n; l <= n; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                Vec3f g{1.0f * h, 1.0f * k, 1.0f * l};
                toCartesian(m, g, false);
                r.append(std::int16_t(h), std::int16_t(k), std::int16_t(l), 1.0f, g);
            }
    r.generated = true;
    return r;
}

} // namespace tavrel::test
