#pragma once
// Orientation commands of a session: apply the orientation text, the presets, and turns.

#include "session/session.h"

#include <array>
#include <string_view>

namespace tavrel {

// Applies the orientation field: a reciprocal-lattice vector (hkl) or, when isDirect, a
// direct-lattice vector [uvw] is turned onto the viewing axis. A text that is neither three
// blank-separated numbers nor three characters sets the field to "invalid" and changes nothing.
void applyOrientationText(Session& s, bool isDirect);

// Rebuilds the point table from the unrotated reflection vectors so that the Cartesian vector v
// points along +x (the viewing axis), discarding earlier turns, and redraws.
void DoOrient2(Session& s, const Vec3f& v);

// Rotate about a view axis, then redraw.
void Do_Rotate(Session& s, int axis, float angle);

// The arrow keys: Left/Right turn about axis 3 by -5/+5 degrees, Up/Down about axis 2 by
// +5/-5; the rows are then re-sorted along the viewing axis and the pattern redrawn. Nothing
// happens while there are no reflections.
enum class ArrowKey { Left, Right, Up, Down };
void turnByArrowKey(Session& s, ArrowKey key);

struct PresetOrientation {
    std::string_view caption;
    int type; // 0 hkl, 1 uvw; -1 for the separator
    std::string_view text;
};
// The orientation menu in order, position 4 being a separator.
extern const std::array<PresetOrientation, 9> kPresetOrientations;
// Sets the type and the text of a preset and applies it; the separator does nothing.
void applyPresetOrientation(Session& s, int position);

} // namespace tavrel
