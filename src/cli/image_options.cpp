#include "cli/image_options.h"

#include "cli/json_output.h"
#include "common/text.h"
#include "session/geometry.h"

#include <QJsonArray>

#include <cmath>
#include <vector>

namespace tavrel::cli {

std::set<std::string> geometryValueOptions() {
    return {"--pc",         "--pc-convention", "--specimen-tilt", "--detector-tilt",
            "--pixel-size", "--binning",       "--frame"};
}

std::set<std::string> frameValueOptions() {
    return {"--frame", "--specimen-tilt", "--detector-tilt"};
}

GeometryOptions readFrameOption(const Args& args) {
    GeometryOptions o;
    if (const auto v = args.value("--frame")) {
        o.frame = eulerFrameNamed(*v);
        if (!o.frame)
            throw UsageError("--frame must be picture, specimen or specimen-bruker, not '" + *v +
                             "'");
    }
    auto tilt = [&](const char* name) -> std::optional<double> {
        const auto v = args.value(name);
        if (!v) return std::nullopt;
        const double degrees = parseNumber(*v, name);
        if (!(std::abs(degrees) <= 90))
            throw UsageError(std::string(name) + " must lie within -90 to 90 degrees, not '" + *v +
                             "'");
        return degrees;
    };
    o.specimenTilt = tilt("--specimen-tilt");
    o.detectorTilt = tilt("--detector-tilt");
    return o;
}

GeometryOptions readGeometryOptions(const Args& args) {
    GeometryOptions o = readFrameOption(args);
    if (const auto v = args.value("--pc-convention")) {
        o.convention = centreConventionNamed(*v);
        if (!o.convention)
            throw UsageError("--pc-convention must be bruker, edax, oxford, emsoft or emsoft4, "
                             "not '" +
                             *v + "'");
    }
    if (const auto text = args.value("--pc")) {
        const std::vector<std::string> parts = splitBlanks(replaceAll(*text, ",", " "));
        if (parts.size() != 2 && parts.size() != 3)
            throw UsageError("--pc must be two or three numbers \"x y [z]\", not '" + *text + "'");
        CentreCoordinates c;
        c.x = parseNumber(parts[0], "the x of --pc");
        c.y = parseNumber(parts[1], "the y of --pc");
        o.centreHasZ = parts.size() == 3;
        if (o.centreHasZ) c.z = parseNumber(parts[2], "the z of --pc");
        if (!o.centreHasZ && o.convention && *o.convention != CentreConvention::Bruker)
            throw UsageError("--pc in the " + std::string(centreConventionName(*o.convention)) +
                             " convention takes three numbers \"x y z\"");
        o.centre = c;
    }
    auto number = [&](const char* name) -> std::optional<double> {
        if (const auto v = args.value(name)) return parseNumber(*v, name);
        return std::nullopt;
    };
    o.pixelSize = number("--pixel-size");
    if (const auto v = args.value("--binning")) o.binning = parseInteger(*v, "--binning");
    return o;
}

void applyGeometryOptions(Simulation& sim, const GeometryOptions& o,
                          std::optional<std::array<int, 2>> image) {
    DetectorSetup& d = sim.detector;
    if (o.frame) d.frame = o.frame;
    if (o.convention) d.convention = *o.convention;
    if (o.specimenTilt) d.specimenTilt = *o.specimenTilt;
    if (o.detectorTilt) d.detectorTilt = *o.detectorTilt;
    if (o.pixelSize) d.pixelSize = *o.pixelSize;
    if (o.binning) d.binning = *o.binning;
    if (o.centre && !o.centreHasZ) {
        d.centre = {o.centre->x, o.centre->y};
    } else if (o.centre) {
        if (const Outcome placed = setStatedCentre(sim, *o.centre, image); !placed)
            throw UsageError("--pc: " + placed.problem());
    }
}

bool geometryUsable(CliSession& cli) {
    if (const Outcome usable = checkGeometry(cli.simulation); !usable) {
        cli.say(usable.problem());
        return false;
    }
    if (const std::string note = centreOutsideNote(detectorOf(cli.simulation)); !note.empty())
        cli.say(note);
    return true;
}

fit::DynamicCorrection readDynamicBackground(const Args& args, fit::DynamicCorrection fallback) {
    const std::optional<std::string> mode = args.value("--dynamic-background");
    if (!mode) return fallback;
    if (*mode == "divide") return fit::DynamicCorrection::Divide;
    if (*mode == "subtract") return fit::DynamicCorrection::Subtract;
    if (*mode == "none") return fit::DynamicCorrection::None;
    throw UsageError("--dynamic-background is divide, subtract or none, not '" + *mode + "'");
}

QJsonObject jsonGeometry(const Simulation& sim) {
    const Detector d = detectorOf(sim);
    const CentreCoordinates pc = brukerCentreOf(d);
    QJsonObject o;
    o["frame"] = eulerFrameName(orientationFrameOf(sim).frame);
    o["specimenTilt"] = roundedTo(d.tilts.specimen, 4);
    o["detectorTilt"] = roundedTo(d.tilts.detector, 4);
    o["pc"] = QJsonArray{roundedTo(pc.x, 5), roundedTo(pc.y, 5), roundedTo(pc.z, 5)};
    o["pcConvention"] = "bruker";
    if (d.pixelSize > 0) {
        o["pixelSize"] = d.pixelSize;
        o["binning"] = d.binning;
    }
    return o;
}

} // namespace tavrel::cli
