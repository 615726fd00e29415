#pragma once
// Inverse-pole-figure colours: the crystal direction that lies along a specimen direction,
// brought into the standard sector of the crystal's Laue class and coloured by where it falls
// there (for m-3m red at [0 0 1], green at [1 0 1], blue at [1 1 1], as orix and MTEX show it).
//
// The sectors are those of each class in its standard setting in the crystal frame of
// orientation/euler_angles.h (x along a, z along c*): the 2-fold of 2/m along y (b), the 2-folds
// of -3m along x (a), of 6/mmm along x and at 30 degrees. A sector is made of spherical triangles
// coloured from their corners (red, green, blue); where a class needs several (m-3, 2/m, -1),
// corners its symmetry identifies share a colour, so m-3 shows m-3m's colours over a sector
// twice as large.

#include "common/matrix3.h"
#include "orientation/euler_angles.h"
#include "spacegroup/space_group.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tavrel {

enum class LaueClass {
    Triclinic,     // -1
    Monoclinic,    // 2/m
    Orthorhombic,  // mmm
    TetragonalLow, // 4/m
    Tetragonal,    // 4/mmm
    TrigonalLow,   // -3
    Trigonal,      // -3m
    HexagonalLow,  // 6/m
    Hexagonal,     // 6/mmm
    CubicLow,      // m-3
    Cubic,         // m-3m
};

// The class of space group 1..230; -1 for any other number (a group without a record).
LaueClass laueClassOf(int spaceGroupNumber);
LaueClass laueClassOf(const SpaceGroup& group);
// "m-3m", "6/mmm", ...
const char* laueSymbol(LaueClass laue);

// The proper rotations of the class in the crystal frame (with inversion they make the class).
std::vector<Mat3d> laueRotations(LaueClass laue);

// Red, green, blue in 0..1.
using RgbColour = std::array<double, 3>;

// The colour of the crystal direction along `specimenDirection` (specimen frame, need not be
// unit) for the orientation g of eulerMatrix (v_crystal = g v_specimen).
RgbColour ipfColour(const Mat3d& g, LaueClass laue, const Vec3d& specimenDirection = {0, 0, 1});
RgbColour ipfColour(const EulerAngles& angles, LaueClass laue,
                    const Vec3d& specimenDirection = {0, 0, 1});

// The colour key: the sector in stereographic projection, each pixel inside it coloured as a
// direction there, the rest transparent. The caller labels the corners.
struct IpfKeyImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba; // row-major, top row first, 4 bytes a pixel
    struct Corner {
        Vec3d direction;     // unit, crystal frame
        double x = 0, y = 0; // pixel position (x right, y down)
    };
    std::vector<Corner> corners;
};
IpfKeyImage ipfKeyImage(LaueClass laue, int width);

} // namespace tavrel
