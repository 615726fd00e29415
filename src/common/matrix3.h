#pragma once
// Vectors and 3 x 3 matrices: the 4-byte ones the lattice matrices and the point table are
// stored in, and the 8-byte ones that the orientation conventions, the cell metric's inverse and
// the angle calculator compute in.

#include <array>
#include <optional>

namespace tavrel {

using Vec3f = std::array<float, 3>;
using Mat3f = std::array<std::array<float, 3>, 3>; // [row][column]
using Vec3d = std::array<double, 3>;
using Mat3d = std::array<std::array<double, 3>, 3>; // [row][column]

inline constexpr Mat3d kIdentity3d{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

Vec3d operator*(const Mat3d& m, const Vec3d& v);
Mat3d operator*(const Mat3d& a, const Mat3d& b);
Vec3d operator*(double s, const Vec3d& v);
Vec3d operator+(const Vec3d& a, const Vec3d& b);
Vec3d operator-(const Vec3d& a, const Vec3d& b);
Mat3d transpose(const Mat3d& m);
double dot(const Vec3d& a, const Vec3d& b);
Vec3d cross(const Vec3d& a, const Vec3d& b);
double norm(const Vec3d& v);
// v over its length; the null vector stays null.
Vec3d normalized(const Vec3d& v);

// Expanded along the first row.
double determinant(const Mat3d& m);
// The transposed cofactor matrix over the determinant (expanded along the first row); none when
// the determinant is not finite or smaller in size than `smallestDeterminant` (the lattice
// matrices and the angle calculator refuse cells below 1e-6 cubic angstrom).
std::optional<Mat3d> inverseByCofactors(const Mat3d& m, double smallestDeterminant = 1e-6);
// Largest absolute difference of two entries.
double maxDifference(const Mat3d& a, const Mat3d& b);

// The right-handed turn by `degrees` about the unit axis u (Rodrigues' formula).
Mat3d axisRotation(const Vec3d& u, double degrees);
// The angle between two vectors in degrees, 0..180 (accurate also for small angles).
double angleBetween(const Vec3d& a, const Vec3d& b);

Mat3d toMat3d(const Mat3f& m);
Mat3f toMat3f(const Mat3d& m);

} // namespace tavrel
