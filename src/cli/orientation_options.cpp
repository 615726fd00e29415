#include "cli/orientation_options.h"

#include "common/numeric.h"
#include "common/text.h"
#include "orientation/euler_angles.h"
#include "session/geometry.h"
#include "session/orient.h"

#include <array>
#include <cmath>

namespace tavrel::cli {

namespace {

// Turns beyond a million degrees are no turn anyone means, and lose every digit of the angle
// in 4-byte floats.
constexpr double kLargestTurn = 1e6;

ViewTurn parseRotation(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw UsageError("--rotate must read AXIS:DEG, not '" + text + "'");
    const int axis = parseInteger(text.substr(0, colon), "the axis of --rotate");
    if (axis < 1 || axis > 3) throw UsageError("the axis of --rotate must be 1, 2 or 3");
    const double angle = parseNumber(text.substr(colon + 1), "the angle of --rotate");
    if (std::fabs(angle) > kLargestTurn)
        throw UsageError("the angle of --rotate must lie between -1000000 and 1000000 degrees, "
                         "not '" +
                         text.substr(colon + 1) + "'");
    return {static_cast<ViewAxis>(axis), static_cast<float>(angle)};
}

// The window's field reads "a b c" and "0 0 0" as zeros, the view of a*; a vector given on the
// command line must be meant: three complete numbers within the range of a 4-byte float (or
// three digits, "001"), not all zero.
void checkOrientation(const std::string& text) {
    const std::vector<std::string> parts = splitBlanks(text);
    const std::string compact = trim(text);
    std::array<std::optional<float>, 3> v;
    if (parts.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i) {
            const std::optional<double> number = completeNumber(parts[i]);
            if (number) v[i] = finiteFloat(*number);
        }
    } else if (compact.size() == 3) {
        for (std::size_t i = 0; i < 3; ++i)
            if (compact[i] >= '0' && compact[i] <= '9') v[i] = static_cast<float>(compact[i] - '0');
    }
    const bool numbers = v[0] && v[1] && v[2];
    if (!numbers || (*v[0] == 0 && *v[1] == 0 && *v[2] == 0))
        throw UsageError("--orient must be three numbers \"h k l\", not all zero, not '" + text +
                         "'");
}

} // namespace

std::set<std::string> orientationFlags() {
    return {"--uvw"};
}

std::set<std::string> orientationValueOptions() {
    return {"--orient", "--euler", "--rotate"};
}

OrientationOptions readOrientationOptions(const Args& args) {
    OrientationOptions options;
    options.orient = args.value("--orient");
    options.uvw = args.flag("--uvw");
    options.euler = args.value("--euler");
    if (options.orient && options.euler)
        throw UsageError("give either --orient or --euler, not both");
    if (options.euler && options.uvw) throw UsageError("--uvw goes with --orient, not --euler");
    if (options.orient) checkOrientation(*options.orient);
    if (options.euler) {
        const Result<EulerAngles> angles = parseEulerAnglesText(*options.euler);
        if (!angles) throw UsageError("--euler: " + angles.problem());
    }
    for (const std::string& r : args.values("--rotate")) options.turns.push_back(parseRotation(r));
    return options;
}

void applyOrientationOptions(Simulation& sim, const OrientationOptions& options) {
    if (options.euler) {
        if (!setEulerAnglesInFrame(sim, *options.euler))
            throw UsageError("--euler \"" + *options.euler + "\" cannot be used");
    } else if (options.orient) {
        const OrientationType type =
            options.uvw ? OrientationType::Direct : OrientationType::Reciprocal;
        // Numbers within range can still overflow once carried into the crystal's frame.
        if (!setOrientation(sim, *options.orient, type))
            throw UsageError("--orient \"" + *options.orient +
                             "\" overflows in the frame of this cell");
    } else if (options.uvw) {
        sim.fields.orientationType = OrientationType::Direct;
        (void)applyOrientationText(sim);
    }
    for (const ViewTurn& turn : options.turns) rotateAboutViewAxis(sim, turn.axis, turn.degrees);
}

} // namespace tavrel::cli
