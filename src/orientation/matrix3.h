#pragma once
// Vectors and 3 x 3 matrices in 8-byte arithmetic for the orientation conventions: Euler angles,
// zone axes and holder tilts are worked out in double precision, apart from the 4-byte point
// table, so that conversions back and forth lose nothing users can see.

#include "crystal/unit_cell.h"

#include <array>

namespace tavrel {

using Vec3d = std::array<double, 3>;
using Mat3d = std::array<std::array<double, 3>, 3>; // [row][column], as Mat3f

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
double determinant(const Mat3d& m);
// None (false) when |determinant| is not above `tiny` times the scale of the entries cubed.
bool invert(const Mat3d& m, Mat3d& inverse, double tiny = 1e-12);
// Largest absolute difference of two entries.
double maxDifference(const Mat3d& a, const Mat3d& b);

// The right-handed turn by `degrees` about the unit axis u (Rodrigues' formula).
Mat3d axisRotation(const Vec3d& u, double degrees);
// The angle between two vectors in degrees, 0..180 (accurate also for small angles).
double angleBetween(const Vec3d& a, const Vec3d& b);

Mat3d toMat3d(const Mat3f& m);
Mat3f toMat3f(const Mat3d& m);
Vec3d toVec3d(const Vec3f& v);

} // namespace tavrel
