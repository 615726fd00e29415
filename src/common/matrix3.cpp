#include "common/matrix3.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavrel {

Vec3d operator*(const Mat3d& m, const Vec3d& v) {
    Vec3d r{};
    for (std::size_t i = 0; i < 3; ++i) r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    return r;
}

Mat3d operator*(const Mat3d& a, const Mat3d& b) {
    Mat3d r{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return r;
}

Vec3d operator*(double s, const Vec3d& v) {
    return {s * v[0], s * v[1], s * v[2]};
}

Vec3d operator+(const Vec3d& a, const Vec3d& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

Vec3d operator-(const Vec3d& a, const Vec3d& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Mat3d transpose(const Mat3d& m) {
    Mat3d r{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) r[i][j] = m[j][i];
    return r;
}

double dot(const Vec3d& a, const Vec3d& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double norm(const Vec3d& v) {
    return std::sqrt(dot(v, v));
}

Vec3d normalized(const Vec3d& v) {
    const double n = norm(v);
    return n > 0 ? (1.0 / n) * v : v;
}

double maxDifference(const Mat3d& a, const Mat3d& b) {
    double worst = 0;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) worst = std::max(worst, std::fabs(a[i][j] - b[i][j]));
    return worst;
}

Mat3d axisRotation(const Vec3d& u, double degrees) {
    const double t = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(t), s = std::sin(t), k = 1.0 - c;
    const double x = u[0], y = u[1], z = u[2];
    return Mat3d{{{c + k * x * x, k * x * y - s * z, k * x * z + s * y},
                  {k * x * y + s * z, c + k * y * y, k * y * z - s * x},
                  {k * x * z - s * y, k * y * z + s * x, c + k * z * z}}};
}

double angleBetween(const Vec3d& a, const Vec3d& b) {
    return std::atan2(norm(cross(a, b)), dot(a, b)) * 180.0 / std::numbers::pi;
}

Mat3d toMat3d(const Mat3f& m) {
    Mat3d r{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) r[i][j] = m[i][j];
    return r;
}

Mat3f toMat3f(const Mat3d& m) {
    Mat3f r{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) r[i][j] = static_cast<float>(m[i][j]);
    return r;
}

double determinant(const Mat3d& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

std::optional<Mat3d> inverseByCofactors(const Mat3d& m, double smallestDeterminant) {
    const double det = determinant(m);
    if (!std::isfinite(det) || !(std::fabs(det) >= smallestDeterminant)) return std::nullopt;
    Mat3d r{};
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
