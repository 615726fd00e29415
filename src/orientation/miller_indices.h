#pragma once
// Index texts of directions [u v w] and planes (h k l), and the four-index (Miller-Bravais) forms
// of hexagonal cells: planes (h k i l) with i = -(h + k), directions [U V T W] with
// U = (2u - v) / 3, V = (2v - u) / 3, T = -(u + v) / 3, W = w, scaled to whole numbers.

#include "common/matrix3.h"
#include "common/result.h"
#include "crystal/unit_cell.h"

#include <array>
#include <string>
#include <string_view>

namespace tavrel {

// Whether indices name a direction [u v w] of the lattice or the normal of a plane (h k l).
enum class IndexKind { Direction, Plane };

using IndexTriple = std::array<int, 3>;
using IndexQuad = std::array<int, 4>;

// a = b (within 4-byte rounding), alpha = beta = 90 and gamma = 120 degrees (within 0.0001).
bool isHexagonalCell(const UnitCell& cell);

// (h k -(h+k) l); the plane is not reduced ((2 0 0) is a reflection of its own).
IndexQuad fourIndexPlane(const IndexTriple& hkl);
// [U V T W] as above, times 3 and then divided by the common factor of the four: [1 0 0] is
// [2 -1 -1 0], [0 0 1] is [0 0 0 1]. Indices up to 10^8 in magnitude.
IndexQuad fourIndexDirection(const IndexTriple& uvw);

// "[1 -1 0]" or "(1 1 1)"; with four indices "[2 -1 -1 0]" or "(1 0 -1 0)".
std::string indexText(const IndexTriple& indices, IndexKind kind);
std::string fourIndexText(const IndexTriple& indices, IndexKind kind);

// The three-index numbers of a typed four-index text, for the orientation text: four numbers
// up to 10^6 in size separated by blanks ("2 -1 -1 0"), or four digits, each perhaps after a
// minus sign, with nothing between them ("10-10", "2-1-10"); the whole may stand in brackets.
// Planes give (h k l); directions give [U-T V-T W], in lowest terms when whole ("2 -1 -1 0"
// gives 1 0 0). A third index other than -(h + k) (-(U + V)) is refused with a message.
Result<Vec3d> parseFourIndexText(std::string_view text, IndexKind kind);

// A lattice direction as typed for a zone axis: three numbers ("1 1 0", "[1 -1 2]"), or, where
// fourIndex is allowed, four indices as parseFourIndexText reads them. The null direction and
// numbers beyond 10^6 are refused with a message.
Result<Vec3d> parseDirectionText(std::string_view text, bool fourIndexAllowed);

// The greatest common divisor of the magnitudes (0 for all zero).
int commonDivisor(const IndexTriple& indices);

} // namespace tavrel
