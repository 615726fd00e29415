#include "fit/rotation_math.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>

namespace tavrel::fit {

Vector3d operator*(const Matrix3d& m, const Vector3d& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Matrix3d operator*(const Matrix3d& a, const Matrix3d& b) {
    Matrix3d out{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
    return out;
}

Matrix3d transposed(const Matrix3d& m) {
    Matrix3d out{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c) out[r][c] = m[c][r];
    return out;
}

double dot(const Vector3d& a, const Vector3d& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vector3d cross(const Vector3d& a, const Vector3d& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double norm(const Vector3d& v) {
    return std::sqrt(dot(v, v));
}

Vector3d normalised(const Vector3d& v) {
    const double n = norm(v);
    if (!(n > 0)) return v;
    return {v[0] / n, v[1] / n, v[2] / n};
}

Matrix3d rotationFromVector(const Vector3d& v) {
    const double angle = norm(v);
    if (!(angle > 0)) return kIdentity;
    const Vector3d u{v[0] / angle, v[1] / angle, v[2] / angle};
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    return Matrix3d{
        {{t * u[0] * u[0] + c, t * u[0] * u[1] - s * u[2], t * u[0] * u[2] + s * u[1]},
         {t * u[0] * u[1] + s * u[2], t * u[1] * u[1] + c, t * u[1] * u[2] - s * u[0]},
         {t * u[0] * u[2] - s * u[1], t * u[1] * u[2] + s * u[0], t * u[2] * u[2] + c}}};
}

double rotationAngle(const Matrix3d& r) {
    const double c = (r[0][0] + r[1][1] + r[2][2] - 1) / 2;
    return std::acos(std::clamp(c, -1.0, 1.0));
}

Matrix3d orthonormalised(const Matrix3d& m) {
    // Gram-Schmidt on the rows: the first row keeps its direction, the third is their cross
    // product, so the result is a proper rotation for any matrix near one.
    const Vector3d r0 = normalised(m[0]);
    Vector3d r1 = m[1];
    const double p = dot(r0, r1);
    r1 = normalised({r1[0] - p * r0[0], r1[1] - p * r0[1], r1[2] - p * r0[2]});
    return {r0, r1, cross(r0, r1)};
}

namespace {

// Eigenvector of the largest eigenvalue of a symmetric 4 x 4 matrix (cyclic Jacobi sweeps).
std::array<double, 4> largestEigenvector(std::array<std::array<double, 4>, 4> a) {
    std::array<std::array<double, 4>, 4> v{};
    for (std::size_t i = 0; i < 4; ++i) v[i][i] = 1;
    for (int sweep = 0; sweep < 30; ++sweep) {
        double off = 0;
        for (std::size_t p = 0; p < 4; ++p)
            for (std::size_t q = p + 1; q < 4; ++q) off += a[p][q] * a[p][q];
        if (off < 1e-30) break;
        for (std::size_t p = 0; p < 4; ++p) {
            for (std::size_t q = p + 1; q < 4; ++q) {
                if (std::fabs(a[p][q]) < 1e-300) continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (std::size_t k = 0; k < 4; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < 4; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < 4; ++k) {
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < 4; ++i)
        if (a[i][i] > a[best][best]) best = i;
    return {v[0][best], v[1][best], v[2][best], v[3][best]};
}

} // namespace

Matrix3d bestRotation(std::span<const Vector3d> from, std::span<const Vector3d> to,
                      std::span<const double> weights) {
    std::array<std::array<double, 3>, 3> s{};
    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) {
        const double w = i < weights.size() ? weights[i] : 1.0;
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = 0; c < 3; ++c) s[r][c] += w * from[i][r] * to[i][c];
    }
    const double sxx = s[0][0], sxy = s[0][1], sxz = s[0][2];
    const double syx = s[1][0], syy = s[1][1], syz = s[1][2];
    const double szx = s[2][0], szy = s[2][1], szz = s[2][2];
    const std::array<std::array<double, 4>, 4> n{{
        {sxx + syy + szz, syz - szy, szx - sxz, sxy - syx},
        {syz - szy, sxx - syy - szz, sxy + syx, szx + sxz},
        {szx - sxz, sxy + syx, -sxx + syy - szz, syz + szy},
        {sxy - syx, szx + sxz, syz + szy, -sxx - syy + szz},
    }};
    const std::array<double, 4> q = largestEigenvector(n);
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    return orthonormalised(
        Matrix3d{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
                  {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
                  {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}});
}

std::vector<Matrix3d> crystalRotations(const std::vector<SymOp>& operations,
                                       const LatticeMatrices& lattice) {
    const Matrix3d l = toDouble(lattice.lattice), inverse = toDouble(lattice.inverse);
    std::vector<Matrix3d> out;
    for (const SymOp& op : operations) {
        Matrix3d r{};
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) r[i][j] = op.m[i][j];
        const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                           r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                           r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
        if (det < 0)
            for (auto& row : r)
                for (double& e : row) e = -e;
        const Matrix3d product = l * r * inverse;
        // A cell whose metric does not have the group's symmetry (a rhombohedral group's
        // operations on a cell of other shape) turns no operation into a rotation: skip it.
        const Matrix3d square = product * transposed(product);
        bool orthogonal = true;
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j)
                orthogonal = orthogonal && std::fabs(square[i][j] - (i == j ? 1.0 : 0.0)) < 1e-3;
        if (!orthogonal) continue;
        const Matrix3d cartesian = orthonormalised(product);
        const bool known = std::any_of(out.begin(), out.end(), [&](const Matrix3d& s) {
            return rotationAngle(s * transposed(cartesian)) < 1e-3;
        });
        if (!known) out.push_back(cartesian);
    }
    if (out.empty()) out.push_back(kIdentity);
    return out;
}

double misorientationDegrees(const Matrix3d& a, const Matrix3d& b,
                             std::span<const Matrix3d> symmetry) {
    const Matrix3d bt = transposed(b);
    double best = rotationAngle(a * bt);
    for (const Matrix3d& s : symmetry) best = std::min(best, rotationAngle(a * s * bt));
    return best / kDegToRad;
}

Matrix3d toDouble(const Mat3f& m) {
    Matrix3d out{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c) out[r][c] = m[r][c];
    return out;
}

Mat3f toFloat(const Matrix3d& m) {
    Mat3f out{};
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c) out[r][c] = static_cast<float>(m[r][c]);
    return out;
}

} // namespace tavrel::fit
