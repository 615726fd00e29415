#pragma once
// The frames microscopists exchange orientations in, and Bunge's Euler angles between them.
//
// Sample frame: as common/frames.h describes it, beside the view and lattice frames.
//
// Crystal frame: x along a, z along c*, y = z x x. For cells with three right angles it is the
// lattice Cartesian frame (a along x, c along z); for others it differs from it by a rotation.
//
// Euler angles (phi1, Phi, phi2), Bunge, passive, in degrees: g = Rz(phi2) Rx(Phi) Rz(phi1), with
// Rz(p) = [[cos p, sin p, 0], [-sin p, cos p, 0], [0, 0, 1]] and Rx likewise, carries sample
// coordinates into crystal coordinates: v_crystal = g v_sample.
//
// The orientation matrix M carries lattice Cartesian coordinates into the view frame (the points
// are M g). With Q the rotation from the lattice Cartesian frame into the crystal frame and P the
// renaming of the view frame's axes into the sample frame's, g = Q M^T P^T and M = P^T g^T Q.

#include "common/frames.h"
#include "common/matrix3.h"
#include "common/result.h"
#include "crystal/unit_cell.h"

#include <string>
#include <string_view>

namespace tavrel {

// Degrees; phi is the middle angle, written capital Phi in the literature.
struct EulerAngles {
    double phi1 = 0, phi = 0, phi2 = 0;
};

// The rotation from the lattice Cartesian frame of these matrices into the crystal frame
// (x along a, z along c*), exactly orthonormal in 8-byte arithmetic.
Mat3d crystalFromLattice(const LatticeMatrices& matrices);

// g of Rz(phi2) Rx(Phi) Rz(phi1).
Mat3d eulerMatrix(const EulerAngles& angles);

// The angles of a rotation g, with 0 <= phi1 < 360, 0 <= Phi <= 180, 0 <= phi2 < 360. When Phi
// lies within 0.0005 degrees of 0 or 180 (below what three decimals show) only phi1 + phi2
// (phi1 - phi2 at 180) is defined: it goes to phi1, and Phi and phi2 are 0 (180 and 0).
EulerAngles eulerAnglesFromMatrix(const Mat3d& g);

// g of the orientation M in the cell of these matrices, and M of g. M must be a rotation.
Mat3d eulerMatrixFromOrientation(const Mat3d& orientation, const LatticeMatrices& matrices);
Mat3d orientationFromEulerMatrix(const Mat3d& g, const LatticeMatrices& matrices);

// Shorthands through the matrices above.
EulerAngles eulerAnglesOfOrientation(const Mat3d& orientation, const LatticeMatrices& matrices);
Mat3d orientationFromEulerAngles(const EulerAngles& angles, const LatticeMatrices& matrices);

// The angles as reported: each rounded to three decimals, phi1 and phi2 in 0.000 .. 359.999 (a
// rounded 360 is 0, no -0), Phi in 0.000 .. 180.000; where the rounded Phi is 0 or 180, phi2 is
// folded into phi1 as in eulerAnglesFromMatrix.
EulerAngles reportedEulerAngles(const EulerAngles& angles);
// "phi1 Phi phi2" of the reported angles with three decimals and ".": "35.264 45.000 0.000".
std::string eulerAnglesText(const EulerAngles& angles);
// The same as a readout names them: "φ1 Φ φ2: 35.264 45.000 0.000".
std::string eulerReadoutText(const EulerAngles& angles);
// Three numbers in degrees separated by blanks, tabs or commas, each finite and within +-100000,
// taken as they are (eulerMatrix accepts every angle). "." is the decimal point; a comma between
// two digits reads as one ("12,5 30 0"), so that a comma locale's numbers are not split in two.
Result<EulerAngles> parseEulerAnglesText(std::string_view typed);

// The M that the typed orientation gives (orientationMatrix of the Cartesian vector v, then the
// quarter turn about the horizontal axis that brings v onto the viewing axis, with
// viewAxisRotation's roundings), as the session's orientation command makes the points.
Mat3d orientationAlongViewingAxis(const Vec3f& cartesian);

} // namespace tavrel
