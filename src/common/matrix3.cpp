#include "common/matrix3.h"

#include <cmath>

namespace tavrel {

double determinant(const Matrix3d& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

std::optional<Matrix3d> inverseByCofactors(const Matrix3d& m) {
    const double det = determinant(m);
    if (!std::isfinite(det) || !(std::fabs(det) >= 1e-6)) return std::nullopt;
    Matrix3d r{};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            // Cofactor of m[j][i], from the cyclic neighbours of row j and column i.
            const std::size_t r1 = (j + 1) % 3, r2 = (j + 2) % 3;
            const std::size_t c1 = (i + 1) % 3, c2 = (i + 2) % 3;
            r[i][j] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    }
    return r;
}

} // namespace tavrel
