#include "orientation/orientation_fit.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// The inverse of a matrix whose determinant is not lost in the rounding of its entries.
std::optional<Mat3d> inverseOf(const Mat3d& m) {
    double scale = 0;
    for (const auto& row : m)
        for (double e : row) scale = std::max(scale, std::fabs(e));
    return inverseByCofactors(m, 1e-12 * scale * scale * scale);
}

} // namespace

std::optional<Mat3d> nearestRotation(const Mat3d& m) {
    Mat3d x = m;
    if (!(determinant(x) > 0)) return std::nullopt;
    // Newton's iteration X <- (X + X^-T) / 2 converges quadratically to the polar factor; a
    // nearly orthonormal start (the usual case) needs two or three steps.
    for (int step = 0; step < 60; ++step) {
        const std::optional<Mat3d> inverse = inverseOf(x);
        if (!inverse) return std::nullopt;
        const Mat3d inverseTransposed = transpose(*inverse);
        Mat3d next{};
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j)
                next[i][j] = 0.5 * (x[i][j] + inverseTransposed[i][j]);
        const double change = maxDifference(next, x);
        x = next;
        if (change < 1e-15) break;
    }
    return x;
}

std::optional<Mat3d> fitOrientation(const PointTable& points, const ReflectionList& reflections) {
    // The least-squares map A minimises sum |A g - p|^2: A = (sum p g^T) (sum g g^T)^-1.
    Mat3d pg{}, gg{};
    std::size_t paired = 0;
    const auto count = static_cast<std::size_t>(reflections.gx.size());
    for (const RotatedPoint& row : points.rows) {
        if (row.reflection < 0 || static_cast<std::size_t>(row.reflection) >= count) continue;
        const auto i = static_cast<std::size_t>(row.reflection);
        const Vec3d g{reflections.gx[i], reflections.gy[i], reflections.gz[i]};
        const Vec3d p{row.x, row.y, row.z};
        if (!std::isfinite(dot(g, g)) || !std::isfinite(dot(p, p))) continue;
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = 0; c < 3; ++c) {
                pg[r][c] += p[r] * g[c];
                gg[r][c] += g[r] * g[c];
            }
        ++paired;
    }
    if (paired < 3) return std::nullopt;
    // sum g g^T is symmetric and positive semi-definite: vectors in one plane make it singular,
    // up to 4-byte noise of about 1e-14 of the trace cubed. At 1e-9 of it, three unit vectors
    // are refused when one leaves the plane of the others by less than about 0.01 degree.
    const double trace = gg[0][0] + gg[1][1] + gg[2][2];
    if (!(determinant(gg) > 1e-9 * trace * trace * trace)) return std::nullopt;
    const std::optional<Mat3d> inverse = inverseOf(gg);
    if (!inverse) return std::nullopt;
    return nearestRotation(pg * *inverse);
}

} // namespace tavrel
