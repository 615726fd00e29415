#pragma once
// The options of the commands that take a recorded pattern image or print Euler angles: the
// detector (--pc, --pc-convention, --specimen-tilt, --detector-tilt, --pixel-size, --binning)
// and the frame of the angles (--frame).

#include "cli/args.h"
#include "cli/cli_session.h"
#include "detector/detector.h"
#include "fit/background.h"
#include "session/simulation.h"

#include <QJsonObject>

#include <array>
#include <optional>
#include <set>
#include <string>

namespace tavrel::cli {

// The option names, to give Args besides a command's own: the detector's with --frame, and
// --frame with the tilts it needs.
std::set<std::string> geometryValueOptions();
std::set<std::string> frameValueOptions();

// The options read and checked (a bad one is a UsageError).
struct GeometryOptions {
    // Two numbers: Bruker's x and y, the film distance as it is; three: x, y and z in the
    // convention.
    std::optional<CentreCoordinates> centre;
    bool centreHasZ = false;
    std::optional<CentreConvention> convention;
    std::optional<double> specimenTilt, detectorTilt, pixelSize;
    std::optional<int> binning;
    std::optional<EulerFrame> frame;
};
GeometryOptions readGeometryOptions(const Args& args);
// Only --frame and the tilts (the commands that take no image).
GeometryOptions readFrameOption(const Args& args);

// Puts the options into a loaded simulation (`image`: the pixels of the pattern image, for
// EMsoft's convention); a detector that no pattern can lie on, or a convention that lacks what
// it needs, is a UsageError naming the option.
void applyGeometryOptions(Simulation& sim, const GeometryOptions& options,
                          std::optional<std::array<int, 2>> image = std::nullopt);

// Whether a pattern can lie on the simulation's detector: the problem naming the field is said
// on stderr when not (the command then ends with status 1), a centre outside the pattern is a
// note.
bool geometryUsable(CliSession& cli);

// --dynamic-background divide|subtract|none (a UsageError otherwise); `fallback` without it.
fit::DynamicCorrection readDynamicBackground(const Args& args, fit::DynamicCorrection fallback);

// {"frame", "specimenTilt", "detectorTilt", "pc" (Bruker's x y z), "pcConvention", and with a
// pixel size "pixelSize", "binning"}: what a JSON answer used.
QJsonObject jsonGeometry(const Simulation& sim);

// The help lines of these options.
#define TAVREL_GEOMETRY_OPTIONS_HELP                                                               \
    "  --pc \"x y [z]\"      the pattern centre: two numbers are Bruker's x and y (fractions of\n" \
    "                      the width from the left and of the height from the top; the film\n"     \
    "                      distance stays), three are x y z in --pc-convention (default 0.5\n"     \
    "                      0.5, the film distance)\n"                                              \
    "  --pc-convention C   bruker, edax, oxford, emsoft or emsoft4 (EMsoft before release 5)\n"    \
    "  --pixel-size UM     an unbinned detector pixel in um (EMsoft's convention needs it)\n"      \
    "  --binning N         the detector's binning (default 1)\n"

#define TAVREL_FRAME_OPTION_HELP                                                                   \
    "  --frame F           the frame of the Euler angles: picture, specimen (EDAX TSL,\n"          \
    "                      kikuchipy) or specimen-bruker (Bruker, Oxford); default specimen\n"     \
    "                      for EBSD work (electrons, or a pattern image), else picture\n"          \
    "  --specimen-tilt DEG the specimen's tilt from horizontal (default 70 for EBSD work, else\n"  \
    "                      0), within +-90\n"                                                      \
    "  --detector-tilt DEG the detector's elevation (default 0), within +-90\n"

} // namespace tavrel::cli
