#pragma once
// Turning the crystal: the orientation text, the presets, turns about the view axes.

#include "common/result.h"
#include "orientation/rotation.h"
#include "session/simulation.h"

#include <array>
#include <string>
#include <string_view>

namespace tavrel {

// What the orientation field shows once its text named no orientation.
inline constexpr const char* kInvalidOrientationText = "invalid";

// Applies the orientation field as its type says: a reciprocal-lattice vector (hkl) or a
// direct-lattice vector [uvw] is turned onto the viewing axis; a hexagonal cell also takes four
// indices (h k i l) or [U V T W]; Euler angles (phi1 Phi phi2) set the orientation exactly. A
// problem changes neither the orientation nor the field. A text that is none of these, or whose
// numbers overflow a 4-byte float (in the text or in the Cartesian frame), is a problem of the
// kind WrongKind: callers show kInvalidOrientationText in the field rather than a message. Four
// indices whose third is not -(h + k) are refused with a message.
Outcome applyOrientationText(Simulation& sim);

// Types `text` and `type` into the orientation field and applies it, as applyOrientationText.
Outcome setOrientation(Simulation& sim, const std::string& text, OrientationType type);

// Rebuilds the points from the unrotated reflection vectors so that the Cartesian vector v
// points along the viewing axis, discarding earlier turns.
void orientAlong(Simulation& sim, const Vec3f& v);

// Rebuilds the points for the orientation `m` (a rotation from the lattice Cartesian frame into
// the view frame), discarding earlier turns.
void setOrientationMatrix(Simulation& sim, const Mat3d& m);

// Turns the crystal about a view axis.
void rotateAboutViewAxis(Simulation& sim, ViewAxis axis, float degrees);

// The arrow keys: Left/Right turn about the vertical axis by -5/+5 degrees, Up/Down about the
// horizontal one by +5/-5; the points are then re-sorted along the viewing axis. Nothing
// happens while there are no reflections.
enum class ArrowKey { Left, Right, Up, Down };
void turnByArrowKey(Simulation& sim, ArrowKey key);

struct PresetOrientation {
    std::string_view caption;
    OrientationType type;
    std::string_view text; // empty for the separator
};
// The orientation menu in order, position 4 being a separator.
extern const std::array<PresetOrientation, 9> kPresetOrientations;
// Sets the type and the text of a preset and applies it; the separator does nothing.
void applyPresetOrientation(Simulation& sim, int position);

} // namespace tavrel
