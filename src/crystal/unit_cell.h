#pragma once
// Lattice geometry of a unit cell: the matrix that carries lattice coordinates into the Cartesian
// frame (c along z, b in the y-z plane), its inverse (rows = reciprocal basis vectors), d-spacings
// and Bragg angles. Cell values are stored as 4-byte floats; the formulas run in 8-byte
// arithmetic and store their results as 4-byte floats, so that the numbers match the tables
// users compare them with.

#include "common/matrix3.h"
#include "common/result.h"

#include <array>
#include <cstdint>

namespace tavrel {

struct UnitCell {
    // a, b, c in angstrom; alpha, beta, gamma in degrees, in this index order.
    std::array<float, 6> values{0, 0, 0, 90, 90, 90};

    float& operator[](int i) { return values[static_cast<std::size_t>(i)]; }
    float operator[](int i) const { return values[static_cast<std::size_t>(i)]; }
    float a() const { return values[0]; }
    float b() const { return values[1]; }
    float c() const { return values[2]; }
    float alpha() const { return values[3]; }
    float beta() const { return values[4]; }
    float gamma() const { return values[5]; }
};

struct LatticeMatrices {
    Mat3f lattice{}; // columns: Cartesian components of a, b, c
    Mat3f inverse{}; // rows: a*, b*, c* in 1/angstrom
};

enum class LatticeStatus {
    Ok,
    NoLength,   // a length of 0 or less, or one too large to be a number
    NoRealCell, // the three angles cannot close a cell
    Singular    // the cell volume is practically zero
};

inline constexpr const char* kInvalidCellMessage = "Invalid unit cell parameters";

// Whether the six values describe a cell whose matrices can be built: positive finite lengths,
// and angles each strictly between 0 and 180 degrees that satisfy the triangle inequalities of a
// spherical triangle (alpha + beta + gamma < 360, each angle less than the sum of the other
// two), which is what makes the cell volume real and positive, and a lattice matrix that can
// be inverted.
LatticeStatus checkCell(const UnitCell& cell);

// Both matrices of the cell; "Invalid unit cell parameters" for a cell that checkCell refuses.
Result<LatticeMatrices> buildLatticeMatrices(const UnitCell& cell);

// The parts of the triclinic d-spacing formula that depend on the cell alone (the sines and
// cosines of the angles, the squared edges), worked out once, so that a loop over many triples
// pays for a few multiplications per spacing instead of six sines and cosines. The spacing is
// still evaluated term by term in the formula's own order and with its 4-byte roundings, so it
// is the same to the bit as with the angles taken afresh.
class CellMetric {
public:
    explicit CellMetric(const UnitCell& cell);
    float dSpacing(double h, double k, double l) const;

private:
    double a_, b_, c_;
    float aa_, bb_, cc_;                 // squared edges
    float sinAA_, sinBB_, sinGG_;        // squared sines of alpha, beta, gamma
    double mixedAB_, mixedBG_, mixedGA_; // cos a cos b - cos g, and its cyclic turns
    float edgeProduct_;                  // a^2 b^2 c^2
    double bracket_;
};

// Interplanar spacing of (hkl) by the general triclinic formula, straight from the cell values.
// For many triples of one cell, CellMetric gives the same spacings faster.
float dSpacing(const UnitCell& cell, double h, double k, double l);

// In place: direct -> u*a + v*b + w*c in angstrom (latticeMatrix times the vector);
// reciprocal -> h*a* + k*b* + l*c* in 1/angstrom (transpose of the inverse times the vector).
void toCartesian(const LatticeMatrices& matrices, Vec3f& v, bool isDirect);

// Radians; +-pi/2 (with pi = 3.141592654) for |x| >= 1.
double arcSin(double x);
// Degrees; 90 when lambda > 2d (no reflection possible).
double braggAngle(double lambda, double d);
// x*x rounded to a 4-byte float, as every squared term of the metric is.
float square(double x);

} // namespace tavrel
