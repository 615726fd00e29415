#pragma once
// Rotations in 8-byte arithmetic for fitting an orientation: the orientation M carries the
// lattice Cartesian frame into the view frame (x along the viewing axis towards the film,
// y horizontal, z vertical), so a reflection vector g is seen at M g.

#include "crystal/unit_cell.h"
#include "spacegroup/space_group.h"

#include <array>
#include <span>
#include <vector>

namespace tavrel::fit {

using Vector3d = std::array<double, 3>;
using Matrix3d = std::array<std::array<double, 3>, 3>; // [row][column]

inline constexpr Matrix3d kIdentity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

Vector3d operator*(const Matrix3d& m, const Vector3d& v);
Matrix3d operator*(const Matrix3d& a, const Matrix3d& b);
Matrix3d transposed(const Matrix3d& m);
double dot(const Vector3d& a, const Vector3d& b);
Vector3d cross(const Vector3d& a, const Vector3d& b);
double norm(const Vector3d& v);
// v / |v|; the null vector stays null.
Vector3d normalised(const Vector3d& v);

// The rotation about the axis of `v` by |v| radians (Rodrigues).
Matrix3d rotationFromVector(const Vector3d& v);
// The rotation angle of a rotation matrix, radians, in [0, pi].
double rotationAngle(const Matrix3d& r);
// The nearest rotation to an almost orthogonal matrix (a few polar iterations), so that
// orientations composed many times stay rotations.
Matrix3d orthonormalised(const Matrix3d& m);

// The rotation that best carries each `from[i]` onto `to[i]` (least squares with the weights,
// Horn's quaternion method). Needs at least two non-parallel pairs.
Matrix3d bestRotation(std::span<const Vector3d> from, std::span<const Vector3d> to,
                      std::span<const double> weights = {});

// The proper rotations of the crystal's Laue class in the lattice Cartesian frame: each
// operation's rotation part (fractional coordinates), times -1 where it inverts, taken into
// the Cartesian frame (L R L^-1, L the matrix with the cell edges as columns), duplicates
// dropped, and so is an operation that the cell's metric does not make a rotation (a cell that
// does not have its group's shape). Cone-line patterns cannot tell a crystal from its inverse
// (every reflection comes with its opposite), so these are the orientations that show the same
// pattern: M S for each S.
std::vector<Matrix3d> crystalRotations(const std::vector<SymOp>& operations,
                                       const LatticeMatrices& lattice);

// The smallest rotation angle (degrees) between orientation a and any orientation
// equivalent to b (b S for every S of `symmetry`; no symmetry: b alone).
double misorientationDegrees(const Matrix3d& a, const Matrix3d& b,
                             std::span<const Matrix3d> symmetry);

Matrix3d toDouble(const Mat3f& m);
Mat3f toFloat(const Matrix3d& m);

} // namespace tavrel::fit
