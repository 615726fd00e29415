#pragma once
// Every atom of the unit cell from the symmetry-independent sites and the space group's
// operations: each site's images, wrapped into the cell, each position once.

#include "common/result.h"
#include "crystal/unit_cell.h"
#include "spacegroup/space_group.h"
#include "structure/atom_site.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace tavrel {

// One atom of the cell.
struct CellAtom {
    std::size_t site = 0; // index of the site it is an image of
    Species species;
    double occupancy = 1;
    double bIso = 0;                  // square angstrom
    std::array<double, 3> position{}; // fractions, each in [0, 1)
};

// Images of one site closer than this are one atom on a special position. Coordinates rounded
// to four decimals put the images of a special position up to a few hundredths of an angstrom
// apart in large cells; the images of an atom split across a mirror, which are real atoms of
// half occupancy, lie farther apart than this.
inline constexpr double kSameAtomDistance = 0.1; // angstrom

// The atoms of the cell: for each site in order, its images under `operations` (the identity
// need not be among them) wrapped into [0, 1), an image closer than `sameAtomDistance` (through
// the cell's edges too) to an earlier image of the same site left out. Images of different
// sites are never merged: two sites may share a position, each with its part of the occupancy.
// Refused: a site that checkAtomSite refuses; a cell that checkCell refuses; more sites than
// could make kMostCellAtoms atoms (sites times the operations and the identity), before any
// work.
Result<std::vector<CellAtom>> expandToCell(std::span<const AtomSite> sites,
                                           std::span<const SymOp> operations, const UnitCell& cell,
                                           double sameAtomDistance = kSameAtomDistance);

// The most atoms a cell may hold: their strengths take a second or two.
inline constexpr std::size_t kMostCellAtoms = 2'000'000;

// The occupancies and displacements a site may have: beyond them a structure factor is no
// number (an occupancy of 1e308, a B of -1e5) or no crystal is meant.
inline constexpr double kLargestOccupancy = 100;
inline constexpr double kSmallestB = -10;   // square angstrom
inline constexpr double kLargestB = 10'000; // square angstrom

// A site the structure factors can use: a species that both scattering tables hold, finite
// coordinates, an occupancy from 0 to kLargestOccupancy and a B from kSmallestB to kLargestB.
// The problem names the site.
Outcome checkAtomSite(const AtomSite& site);

// Symmetry operation m applied to fractional coordinates, in 8-byte arithmetic: the rotation's
// entries rounded to whole numbers and each translation to the nearest 1/24 when it lies within
// 1e-5 of one, so that the 4-byte operations give exact images (1/3 stored as 0.33333334 puts
// an image at 0.99999999 instead of 0).
std::array<double, 3> applyOperation(const Matrix4& m, const std::array<double, 3>& fractional);

// x moved into [0, 1); a value that rounds up to 1 becomes 0.
double wrapIntoCell(double x);

} // namespace tavrel
