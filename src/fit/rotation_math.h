#pragma once
// Rotations in 8-byte arithmetic for fitting an orientation M, which carries the lattice frame
// into the view frame (common/frames.h).

#include "common/frames.h"
#include "common/matrix3.h"
#include "crystal/unit_cell.h"
#include "spacegroup/space_group.h"

#include <array>
#include <span>
#include <vector>

namespace tavrel::fit {

// The rotation about the axis of `v` by |v| radians (Rodrigues).
Mat3d rotationFromVector(const Vec3d& v);
// The rotation angle of a rotation matrix, radians, in [0, pi].
double rotationAngle(const Mat3d& r);
// A rotation near an almost orthogonal matrix, so that orientations composed many times stay
// rotations: Gram-Schmidt on the rows (the first row keeps its direction, the second loses its
// part along the first, the third is their cross product).
Mat3d orthonormalised(const Mat3d& m);

// The orientation that best carries each lattice direction `from[i]` onto the view direction
// `to[i]` (least squares with the weights, Horn's quaternion method). Needs at least two
// non-parallel pairs.
Mat3d bestRotation(std::span<const LatticeVector> from, std::span<const ViewVector> to,
                   std::span<const double> weights = {});

// The proper rotations of the crystal's Laue class in the lattice Cartesian frame: each
// operation's rotation part (fractional coordinates), times -1 where it inverts, taken into
// the Cartesian frame (L R L^-1, L the matrix with the cell edges as columns), duplicates
// dropped, and so is an operation that the cell's metric does not make a rotation (a cell that
// does not have its group's shape). Cone-line patterns cannot tell a crystal from its inverse
// (every reflection comes with its opposite), so these are the orientations that show the same
// pattern: M S for each S.
std::vector<Mat3d> crystalRotations(const std::vector<SymOp>& operations,
                                    const LatticeMatrices& lattice);

// The smallest rotation angle (degrees) between orientation a and any orientation
// equivalent to b (b S for every S of `symmetry`; no symmetry: b alone).
double misorientationDegrees(const Mat3d& a, const Mat3d& b, std::span<const Mat3d> symmetry);

} // namespace tavrel::fit
