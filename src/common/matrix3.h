#pragma once
// 3 x 3 matrices of 8-byte numbers: the determinant and the inverse by cofactors that the cell
// metric and the angle calculator share.

#include <array>
#include <optional>

namespace tavrel {

using Matrix3d = std::array<std::array<double, 3>, 3>; // [row][column]

// Expanded along the first row.
double determinant(const Matrix3d& m);

// The transposed cofactor matrix over the determinant (expanded along the first row); none when
// |determinant| < 1e-6 or is not finite.
std::optional<Matrix3d> inverseByCofactors(const Matrix3d& m);

} // namespace tavrel
