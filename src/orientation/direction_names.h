#pragma once
// Names of directions as crystallographers read them: the low-index lattice direction [u v w]
// or plane normal (h k l) that lies along a direction, or the nearest one and how far it is.
//
// Texts: "[1 1 0]" or "(1 1 1)" when the direction lies within 0.5 degree of it, else "~" with
// the nearest one and the angle to it in degrees with one decimal: "~[1 1 2] 1.3°". Indices are
// whole numbers in lowest terms, each at most maxIndex in magnitude (12 unless asked otherwise),
// separated by blanks, with a minus sign for negative ones; hexagonal cells may show the four
// indices instead ("[2 -1 -1 0]", "~(1 0 -1 1) 0.8°").

#include "common/matrix3.h"
#include "crystal/unit_cell.h"
#include "orientation/miller_indices.h"

#include <optional>
#include <string>

namespace tavrel {

inline constexpr int kNamingMaxIndex = 12;
// A direction within this angle of a low-index one is named by it without "~".
inline constexpr double kNamingToleranceDegrees = 0.5;

struct DirectionName {
    IndexKind kind = IndexKind::Direction;
    IndexTriple indices{};   // lowest terms
    double angleDegrees = 0; // between the direction and the one the indices name
    bool close = false;      // angleDegrees <= kNamingToleranceDegrees
};

// The nearest lattice direction (or plane normal) with indices up to maxIndex (1..16) to the
// direction `cartesian` of the lattice Cartesian frame; of equally near ones the one with the
// smaller largest index, then the smaller sum of |indices|. None for a null or non-finite vector.
std::optional<DirectionName> nameDirection(const Vec3d& cartesian, const LatticeMatrices& matrices,
                                           IndexKind kind, int maxIndex = kNamingMaxIndex);

// The text of a name as described above, with four indices when fourIndex is set.
std::string directionNameText(const DirectionName& name, bool fourIndex = false);

// What lies along one axis of the sample frame: as a lattice direction and as a plane normal.
struct SampleAxisNames {
    DirectionName direction, plane;
};
struct SampleFrameNames {
    SampleAxisNames z, x, y; // the viewing axis, the picture's right, the picture's up
};

// The names along Z, X and Y of the sample frame for the orientation M (a rotation); none when
// M holds a number that is not finite.
std::optional<SampleFrameNames> sampleFrameNames(const Mat3d& orientation,
                                                 const LatticeMatrices& matrices,
                                                 int maxIndex = kNamingMaxIndex);

} // namespace tavrel
