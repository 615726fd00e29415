#pragma once
// Angles between lattice planes and directions of a unit cell: the calculator the window opens
// with the cell of its six cell fields. It builds its own direct and reciprocal bases and does
// not touch the simulation.

#include "common/matrix3.h"
#include "crystal/unit_cell.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

using Triple = std::array<double, 3>;
using BasisMatrix = Mat3d;

// Degrees times this give radians in the calculator (its own, shorter constant).
inline constexpr double kAngleCalculatorDegToRad = 0.017453292;

// The three indices typed into one field: "1 0 0", "1 1 1 7" (further numbers are ignored), or
// three characters without blanks ("100", "-11" where the lone "-" reads as 0). No value when
// the text holds fewer than three pieces or an index too large to be a number.
std::optional<Triple> readIndexTriple(std::string_view text);

enum class AngleKind {
    PlanePlane,         // (hkl) against (hkl)
    DirectionDirection, // [uvw] against [uvw]
    DirectionPlane      // [uvw] against the normal of (hkl)
};

enum class AngleError {
    None,
    InvalidCell,  // the cell spans no volume (or admits no real basis)
    InvalidFirst, // the left field of the frame
    InvalidSecond // the middle field of the frame
};

// What the dialog shows for a refused calculation: a message box with a stop icon, its title
// and text.
struct AngleErrorMessage {
    std::string_view title; // empty for the cell, whose error box has the program's own title
    std::string_view text;
};

// The message of an error of a frame: "Invalid input: HKL(2)" with "Please type SPACE between
// h k l" for a bad middle field of the plane-plane frame, and so on; empty for AngleError::None.
AngleErrorMessage angleErrorMessage(AngleKind kind, AngleError error);

struct AngleResult {
    AngleError error = AngleError::None;
    double degrees = 0;
    std::string text; // the result field, "54.7356 deg"; empty when refused
};

class AngleCalculator {
public:
    // a, b, c in angstrom and alpha, beta, gamma in degrees. Returns false for a cell whose
    // direct basis has a determinant below 1e-6 in size (or none at all); such a cell gives no
    // angles until a valid one is set.
    bool setCell(double a, double b, double c, double alpha, double beta, double gamma);

    // The angle between the vectors of the two fields' texts. A zero triple stays a zero vector
    // and so stands at 90 deg to everything.
    AngleResult angle(AngleKind kind, std::string_view first, std::string_view second) const;

private:
    Triple cartesian(const Triple& indices, bool isPlane) const;

    // Rows: a, b, c in an orthonormal frame, c along z and b in the y-z plane.
    BasisMatrix direct_{};
    BasisMatrix reciprocal_{};
    bool validCell_ = false;
};

} // namespace tavrel
