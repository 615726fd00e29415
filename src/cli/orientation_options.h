#pragma once
// The options that set the crystal's orientation, shared by the commands that draw or describe
// it: --orient "h k l" (with --uvw for a direction [u v w]), --euler "phi1 Phi phi2" and turns
// about the view axes, --rotate AXIS:DEG (repeatable, applied in order after the others).

#include "cli/args.h"
#include "orientation/rotation.h"
#include "session/simulation.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavrel::cli {

struct ViewTurn {
    ViewAxis axis = ViewAxis::Viewing;
    float degrees = 0;
};

struct OrientationOptions {
    std::optional<std::string> orient; // checked: three numbers, not all zero
    bool uvw = false;
    std::optional<std::string> euler; // checked: three finite angles
    std::vector<ViewTurn> turns;
};

// The names to give Args besides a command's own.
std::set<std::string> orientationFlags();
std::set<std::string> orientationValueOptions();

// Reads and checks the options; a bad one is a UsageError.
OrientationOptions readOrientationOptions(const Args& args);

// Sets the orientation of a loaded simulation as the options say; an orientation that overflows
// in the frame of the cell is a UsageError.
void applyOrientationOptions(Simulation& sim, const OrientationOptions& options);

// The help lines of these options, for a command's description (a literal, so that it joins the
// command's own help text where that is put together).
#define TAVREL_ORIENTATION_OPTIONS_HELP                                                            \
    "  --orient \"h k l\"    orientation vector along the viewing axis (reciprocal): three\n"      \
    "                      numbers, not all zero\n"                                                \
    "  --uvw               the orientation vector is a direct-lattice vector [uvw]\n"              \
    "  --euler \"p1 P p2\"   Bunge Euler angles in degrees (frame to crystal, crystal x along\n"   \
    "                      a, z along c*; in the frame of --frame) in place of --orient\n"         \
    "  --rotate AXIS:DEG   turn about view axis 1 (viewing), 2 (horizontal) or 3 (vertical)\n"     \
    "                      by DEG degrees (at most 1000000 either way); repeatable, applied\n"     \
    "                      in order after the orientation\n"

} // namespace tavrel::cli
