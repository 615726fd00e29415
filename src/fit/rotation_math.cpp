#include "fit/rotation_math.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>

namespace tavrel::fit {

Mat3d rotationFromVector(const Vec3d& v) {
    const double angle = norm(v);
    if (!(angle > 0)) return kIdentity3d;
    const Vec3d u{v[0] / angle, v[1] / angle, v[2] / angle};
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    return Mat3d{{{t * u[0] * u[0] + c, t * u[0] * u[1] - s * u[2], t * u[0] * u[2] + s * u[1]},
                  {t * u[0] * u[1] + s * u[2], t * u[1] * u[1] + c, t * u[1] * u[2] - s * u[0]},
                  {t * u[0] * u[2] - s * u[1], t * u[1] * u[2] + s * u[0], t * u[2] * u[2] + c}}};
}

double rotationAngle(const Mat3d& r) {
    const double c = (r[0][0] + r[1][1] + r[2][2] - 1) / 2;
    return std::acos(std::clamp(c, -1.0, 1.0));
}

Mat3d orthonormalised(const Mat3d& m) {
    const Vec3d r0 = normalized(m[0]);
    Vec3d r1 = m[1];
    const double p = dot(r0, r1);
    r1 = normalized({r1[0] - p * r0[0], r1[1] - p * r0[1], r1[2] - p * r0[2]});
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

Mat3d bestRotation(std::span<const LatticeVector> from, std::span<const ViewVector> to,
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
        Mat3d{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
               {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
               {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}});
}

std::vector<Mat3d> crystalRotations(const std::vector<SymOp>& operations,
                                    const LatticeMatrices& lattice) {
    const Mat3d l = toMat3d(lattice.lattice), inverse = toMat3d(lattice.inverse);
    std::vector<Mat3d> out;
    for (const SymOp& op : operations) {
        Mat3d r{};
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) r[i][j] = op.m[i][j];
        const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                           r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                           r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
        if (det < 0)
            for (auto& row : r)
                for (double& e : row) e = -e;
        const Mat3d product = l * r * inverse;
        // A cell whose metric does not have the group's symmetry (a rhombohedral group's
        // operations on a cell of other shape) turns no operation into a rotation: skip it.
        const Mat3d square = product * transpose(product);
        bool orthogonal = true;
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j)
                orthogonal = orthogonal && std::fabs(square[i][j] - (i == j ? 1.0 : 0.0)) < 1e-3;
        if (!orthogonal) continue;
        const Mat3d cartesian = orthonormalised(product);
        const bool known = std::any_of(out.begin(), out.end(), [&](const Mat3d& s) {
            return rotationAngle(s * transpose(cartesian)) < 1e-3;
        });
        if (!known) out.push_back(cartesian);
    }
    if (out.empty()) out.push_back(kIdentity3d);
    return out;
}

double misorientationDegrees(const Mat3d& a, const Mat3d& b, std::span<const Mat3d> symmetry) {
    const Mat3d bt = transpose(b);
    double best = rotationAngle(a * bt);
    for (const Mat3d& s : symmetry) best = std::min(best, rotationAngle(a * s * bt));
    return best / kDegToRad;
}

} // namespace tavrel::fit
