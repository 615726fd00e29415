// What microscopists exchange about an orientation: its Euler angles, its matrix, the lattice
// directions along the axes of the sample frame and the zone axes near the viewing axis; and the
// double-tilt holder angles that bring a zone axis onto the beam.

#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/json_output.h"
#include "cli/orientation_options.h"

#include "common/numeric.h"
#include "orientation/holder_tilts.h"
#include "orientation/miller_indices.h"
#include "orientation/orientation_summary.h"
#include "session/geometry.h"
#include "session/pattern_view.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace tavrel::cli {

namespace {

QJsonArray jsonIndices(const IndexTriple& indices) {
    return {indices[0], indices[1], indices[2]};
}

QJsonObject jsonAxis(const SampleAxisNames& names) {
    QJsonObject o;
    o["uvw"] = jsonIndices(names.direction.indices);
    o["hkl"] = jsonIndices(names.plane.indices);
    o["exact"] = names.direction.close && names.plane.close;
    o["uvwAngle"] = roundedTo(names.direction.angleDegrees, 3);
    o["hklAngle"] = roundedTo(names.plane.angleDegrees, 3);
    return o;
}

QJsonObject jsonSummary(const OrientationSummary& s) {
    QJsonObject o;
    // The picture frame's answer is as it always was.
    if (s.frame.frame != EulerFrame::Picture) {
        o["frame"] = eulerFrameName(s.frame.frame);
        o["specimenTilt"] = roundedTo(s.frame.tilts.specimen, 4);
        o["detectorTilt"] = roundedTo(s.frame.tilts.detector, 4);
    }
    o["euler"] = QJsonArray{s.euler.phi1, s.euler.phi, s.euler.phi2};
    QJsonArray matrix;
    for (const auto& row : s.g)
        matrix.append(QJsonArray{roundedTo(row[0], 9), roundedTo(row[1], 9), roundedTo(row[2], 9)});
    o["matrix"] = matrix;
    o["z"] = jsonAxis(s.names.z);
    o["x"] = jsonAxis(s.names.x);
    o["y"] = jsonAxis(s.names.y);
    QJsonArray axes;
    for (const ZoneAxis& axis : s.nearZoneAxes) {
        QJsonObject a;
        a["uvw"] = jsonIndices(axis.indices);
        a["angle"] = roundedTo(axis.angleDegrees, 3);
        axes.append(a);
    }
    o["zoneAxes"] = axes;
    return o;
}

// Loads the file and turns the crystal as the orientation options say; false when the file
// cannot be used (its problem is on stderr).
bool loadOriented(CliSession& cli, const Args& args, const OrientationOptions& orientation) {
    const GeometryOptions frame = readFrameOption(args);
    if (!cli.load(args.positional()[0])) return false;
    if (!cli.simulation.document.valid) {
        cli.say("the file gives no valid cell, so there is no orientation to describe");
        return false;
    }
    applyGeometryOptions(cli.simulation, frame);
    applyOrientationOptions(cli.simulation, orientation);
    return true;
}

int runOrientation(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> flags = {"--json"};
    flags.merge(orientationFlags());
    std::set<std::string> options = orientationValueOptions();
    options.merge(frameValueOptions());
    const Args args(argv, flags, options);
    args.expectPositional(1, 1);
    const OrientationOptions orientation = readOrientationOptions(args);

    CliSession cli(err, "orientation");
    if (!loadOriented(cli, args, orientation)) return kFailure;
    const Simulation& s = cli.simulation;
    const Result<OrientationSummary> summary =
        summarizeOrientation(s.orientation, s.document.matrices, kSummaryZoneAxisIndex,
                             kSummaryZoneAxisReach, orientationFrameOf(s));
    if (!summary) {
        cli.say(summary.problem());
        return kFailure;
    }
    if (args.flag("--json"))
        out << jsonText(jsonSummary(*summary));
    else
        out << orientationSummaryText(*summary, false);
    return 0;
}

int runTilt(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> flags = {"--json"};
    flags.merge(orientationFlags());
    std::set<std::string> options = {"--to"};
    options.merge(orientationValueOptions());
    options.merge(frameValueOptions());
    const Args args(argv, flags, options);
    args.expectPositional(1, 1);
    const std::optional<std::string> to = args.value("--to");
    if (!to) throw UsageError("the zone axis is missing (--to \"u v w\")");
    const OrientationOptions orientation = readOrientationOptions(args);

    CliSession cli(err, "tilt");
    if (!loadOriented(cli, args, orientation)) return kFailure;
    const Simulation& s = cli.simulation;
    const Result<Vec3d> uvw = parseDirectionText(*to, isHexagonalCell(s.document.cell));
    if (!uvw) throw UsageError("--to: " + uvw.problem());
    const Result<HolderTilts> tilts = holderTiltsOnto(s.orientation, s.document.matrices, *uvw);
    if (!tilts) {
        cli.say(tilts.problem());
        return kFailure;
    }
    const double alpha = roundedTo(tilts->alpha, 3), beta = roundedTo(tilts->beta, 3);
    if (args.flag("--json")) {
        QJsonObject o;
        o["alpha"] = alpha;
        o["beta"] = beta;
        o["opposite"] = tilts->opposite;
        out << jsonText(o);
    } else {
        out << "alpha " << formatNumber(alpha, "0.000") << "\u00b0  beta "
            << formatNumber(beta, "0.000") << "\u00b0";
        if (tilts->opposite) out << "  (brings the opposite direction onto the axis)";
        out << "\n";
    }
    return 0;
}

} // namespace

const Command orientationCommand{
    "orientation", "describe the orientation: Euler angles, matrix, axes, zone axes",
    "tavrel-cli orientation FILE [--euler \"p1 P p2\" | --orient \"h k l\" [--uvw]] "
    "[--rotate AXIS:DEG]... [--frame F [--specimen-tilt DEG] [--detector-tilt DEG]] [--json]",
    "Loads FILE (.tvr, .hkl or .cif) and prints its orientation, after the options below:\n"
    "Bunge's Euler angles (phi1 Phi phi2, frame to crystal), the matrix g, the lattice\n"
    "direction [uvw] and plane (hkl) along the frame's Z, X and Y, as the smallest whole\n"
    "numbers within 0.5 degree or \"~\" with the nearest low-index one and its angle, and the\n"
    "zone axes within 15 degrees of the viewing axis.\n\n"
    "Picture frame: X right on the picture, Y up, Z from the crystal towards the film.\n"
    "Specimen frame: X, Y in the specimen surface, Z its normal out of it (EDAX TSL,\n"
    "kikuchipy; Bruker's and Oxford's turned by 90 degrees about Z, X along the tilt axis).\n"
    "Crystal frame: x along a, z along c*, y = z x x.\n\n"
    "options:\n" TAVREL_ORIENTATION_OPTIONS_HELP TAVREL_FRAME_OPTION_HELP
    "  --json              {\"euler\", \"matrix\", \"z\", \"x\", \"y\", \"zoneAxes\"}, in a\n"
    "                      specimen frame also \"frame\", \"specimenTilt\", \"detectorTilt\"\n",
    runOrientation};

const Command tiltCommand{
    "tilt", "the double-tilt holder angles that bring a zone axis onto the beam",
    "tavrel-cli tilt FILE --to \"u v w\" [orientation options] [--frame F] [--json]",
    "Loads FILE (.tvr, .hkl or .cif), sets the orientation as the options say and prints the\n"
    "holder tilts alpha (about X, the picture's horizontal axis, fixed) and beta (about the\n"
    "holder's axis, Y turned by alpha) that bring the zone axis [u v w] onto the viewing axis:\n"
    "a direction d goes to Rx(alpha) Ry(beta) d, both positive by the right-hand rule, both\n"
    "within +-90 degrees, the pair with the smaller largest tilt. A hexagonal cell also takes\n"
    "four indices [U V T W].\n\n"
    "options:\n"
    "  --to \"u v w\"        the zone axis\n" TAVREL_ORIENTATION_OPTIONS_HELP
        TAVREL_FRAME_OPTION_HELP "  --json              {\"alpha\", \"beta\", \"opposite\"}\n",
    runTilt};

} // namespace tavrel::cli
