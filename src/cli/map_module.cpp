// Indexing a whole EBSD map from the command line: the patterns of a map file, or of a folder of
// pattern images (which need Qt's GUI libraries to decode, as the map pictures do to be written,
// so this runs in the picture module), matched point by point on every core and written as an
// .ang or .ctf, and as pictures when asked.

#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/json_output.h"
#include "cli/module_application.h"
#include "cli/progress_bar.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "mapfiles/ipf_colours.h"
#include "mapfiles/map_writer.h"
#include "mapfiles/pattern_files.h"
#include "orientation/direction_names.h"
#include "orientation/euler_angles.h"
#include "orientation/euler_frames.h"
#include "output/image_folder_source.h"
#include "output/map_pictures.h"
#include "output/pattern_image.h"
#include "session/generation.h"
#include "session/map_geometry.h"
#include "session/map_point_matcher.h"

#include <QJsonObject>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <ostream>

namespace tavrel::cli {

namespace {

std::pair<int, int> parsePair(const std::string& text, char by, const std::string& what) {
    const std::size_t at = toLower(text).find(by);
    if (at == std::string::npos)
        throw UsageError(what + " must read A" + std::string(1, by) + "B, not '" + text + "'");
    return {parseInteger(text.substr(0, at), what), parseInteger(text.substr(at + 1), what)};
}

std::vector<double> parseNumbers(const std::string& text, std::size_t least, std::size_t most,
                                 const std::string& what) {
    const std::vector<std::string> parts = splitBlanks(replaceAll(text, ",", " "));
    if (parts.size() < least || parts.size() > most)
        throw UsageError(what + " must be " + std::to_string(least) +
                         (most > least ? " to " + std::to_string(most) : std::string()) +
                         " numbers, not '" + text + "'");
    std::vector<double> numbers;
    for (const std::string& p : parts) numbers.push_back(parseNumber(p, what));
    return numbers;
}

// One crystal the map may show: its simulation and the service matching it.
struct Phase {
    std::unique_ptr<CliSession> cli;
    std::unique_ptr<PatternFit> fit;
};

std::string phaseName(const Simulation& sim, const std::string& path) {
    const std::string title = trim(sim.document.title);
    return title.empty() ? std::filesystem::path(path).stem().string() : title;
}

enum class CentreModel { Map, File, Plane };

int runIndexMap(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {"--json", "--no-refine"},
                    {"--map", "--scan", "--output", "--map-shape", "--rows", "--pc", "--pc-model",
                     "--static-background", "--dynamic-background", "--ipf", "--quality-map",
                     "--score-map", "--step", "--threads", "--voltage"},
                    {{"-o", "--output"}});
    args.expectPositional(1, 8);
    const std::optional<std::string> mapPath = args.value("--map");
    if (!mapPath) throw UsageError("the pattern map is missing (--map PATTERNS)");
    const std::optional<std::string> output = args.value("--output");
    if (!output) throw UsageError("the orientation map to write is missing (-o OUT.ang|.ctf)");
    const std::string extension = toLower(extensionOf(*output));
    if (extension != ".ang" && extension != ".ctf")
        throw UsageError("-o must name an .ang or .ctf file, not '" + *output + "'");
    const MapFileFormat format = extension == ".ang" ? MapFileFormat::Ang : MapFileFormat::Ctf;

    PatternFileOptions fileOptions;
    if (auto scan = args.value("--scan")) {
        fileOptions.scan = parseInteger(*scan, "--scan") - 1;
        if (fileOptions.scan < 0) throw UsageError("--scan counts the scans from 1");
    }
    if (auto shape = args.value("--map-shape")) {
        fileOptions.shape = parsePair(*shape, 'x', "--map-shape");
        if (fileOptions.shape->first < 1 || fileOptions.shape->second < 1)
            throw UsageError("--map-shape must be at least 1x1");
    }
    std::optional<std::pair<int, int>> rowRange;
    if (auto rows = args.value("--rows")) {
        rowRange = parsePair(*rows, ':', "--rows");
        if (rowRange->first < 0 || rowRange->second <= rowRange->first)
            throw UsageError("--rows A:B must have 0 <= A < B, not '" + *rows + "'");
    }
    int threads = 0;
    if (auto t = args.value("--threads")) {
        threads = parseInteger(*t, "--threads");
        if (threads < 1 || threads > 1024) throw UsageError("--threads must lie in 1..1024");
    }
    std::optional<StatedPatternCentre> givenCentre;
    if (auto pc = args.value("--pc")) {
        const auto n = parseNumbers(*pc, 2, 3, "--pc");
        if (n[0] < -1 || n[0] > 2 || n[1] < -1 || n[1] > 2)
            throw UsageError("the x and y of --pc must lie between -1 and 2, not '" + *pc + "'");
        if (n.size() == 3 && !(n[2] > 0 && n[2] < 100))
            throw UsageError("the z of --pc must lie between 0 and 100, not '" + *pc + "'");
        givenCentre = StatedPatternCentre{n[0], n[1], n.size() == 3 ? n[2] : 0.0};
    }
    std::optional<CentreModel> model;
    if (auto m = args.value("--pc-model")) {
        if (*m == "map")
            model = CentreModel::Map;
        else if (*m == "file")
            model = CentreModel::File;
        else if (*m == "plane")
            model = CentreModel::Plane;
        else
            throw UsageError("--pc-model must be map, file or plane, not '" + *m + "'");
        if (givenCentre && model != CentreModel::Map)
            throw UsageError("--pc gives one centre for the map: it takes no --pc-model " + *m);
    }
    std::optional<std::vector<double>> step;
    if (auto s = args.value("--step")) {
        step = parseNumbers(*s, 1, 2, "--step");
        for (const double v : *step)
            if (!(v > 0)) throw UsageError("--step must be above 0");
    }
    std::optional<double> voltage;
    if (auto v = args.value("--voltage")) {
        voltage = parseNumber(*v, "--voltage");
        if (!(*voltage >= 5 && *voltage <= 1000))
            throw UsageError("--voltage must lie between 5 and 1000 kV");
    }
    const bool asJson = args.flag("--json");

    CliSession cli(err, "index-map");
    // The patterns.
    Result<std::unique_ptr<MapPatternSource>> opened =
        namesPatternImages(*mapPath)
            ? (fileOptions.shape
                   ? openImageFolder(*mapPath, fileOptions.shape->first, fileOptions.shape->second)
                   : Result<std::unique_ptr<MapPatternSource>>(
                         Problem{inQuotes(*mapPath) + ": a map of images needs its shape "
                                                      "(--map-shape ROWSxCOLUMNS)"}))
            : openPatternFile(*mapPath, fileOptions);
    if (!opened) {
        cli.say(opened.problem());
        return kFailure;
    }
    MapPatternSource& source = **opened;
    const PatternFileHeader& header = source.header();
    const std::string prefix = inQuotes(fileNameOf(*mapPath)) + ": ";
    for (const std::string& warning : header.warnings) cli.say(prefix + warning);
    const int firstRow = rowRange ? rowRange->first : 0;
    const int endRow = rowRange ? rowRange->second : header.rows;
    if (endRow > header.rows) {
        cli.say(prefix + "has " + std::to_string(header.rows) + " rows, not rows " +
                std::to_string(firstRow) + " to " + std::to_string(endRow - 1));
        return kFailure;
    }

    // The crystals, seen with the map's electrons.
    voltage = voltage ? voltage : header.voltage;
    std::vector<Phase> phases;
    for (const std::string& path : args.positional()) {
        Phase phase{std::make_unique<CliSession>(err, "index-map"), nullptr};
        Simulation& sim = phase.cli->simulation;
        if (!phase.cli->load(path)) return kFailure;
        if (voltage &&
            !(sim.document.wavelengthFromVoltage &&
              std::fabs(sim.document.wavelength[0] - electronWavelength(*voltage)) < 1e-6)) {
            sim.fields.wavelength[0] = formatNumber(*voltage, "0.###");
            if (auto generated = generateReflections(sim); !generated) {
                cli.say(inQuotes(path) + ": " + generated.problem());
                return kFailure;
            }
        }
        if (!sim.document.valid || !sim.reflections.generated) {
            cli.say(inQuotes(path) + ": gives no valid cell, so there are no lines to match");
            return kFailure;
        }
        if (!sim.document.wavelengthFromVoltage) {
            cli.say(prefix + "states no voltage and " + inQuotes(path) +
                    "'s wavelength is none: give the microscope's with --voltage KV");
            return kFailure;
        }
        phase.fit = std::make_unique<PatternFit>(sim);
        phases.push_back(std::move(phase));
    }

    // Where the patterns lie: one centre, the file's own for each pattern, or a plane over them.
    const int width = header.patternWidth, height = header.patternHeight;
    Detector film = detectorOf(phases.front().cli->simulation);
    film.tilts = mapTilts(header, film.tilts);
    std::optional<CentrePlane> plane;
    if (!givenCentre && header.centrePerPattern) {
        auto fitted = fitCentrePlane(source);
        if (!fitted) {
            cli.say(prefix + fitted.problem());
            return kFailure;
        }
        plane = *fitted;
    }
    std::optional<StatedPatternCentre> mapCentre =
        givenCentre            ? givenCentre
        : header.patternCentre ? std::optional(brukerCentreOf(
                                     *header.patternCentre, header.centreConvention, width, height))
        : plane ? std::optional(brukerCentreOf(plane->at(header.rows / 2, header.columns / 2),
                                               header.centreConvention, width, height))
                : std::nullopt;
    if (!mapCentre) {
        cli.say(prefix + "states no pattern centre: give one with --pc \"x y [z]\"");
        return kFailure;
    }
    const Detector mapDetector =
        detectorOfCentre(*mapCentre, film.filmHeight, film.distance, width, height, film.tilts);
    if (!model)
        model = header.centrePerPattern && !givenCentre ? CentreModel::File : CentreModel::Map;
    if (model != CentreModel::Map && !plane) {
        cli.say(prefix + "keeps no pattern centre per pattern (--pc-model file or plane)");
        return kFailure;
    }
    MapGeometry geometry = fixedGeometry(mapDetector);
    if (model == CentreModel::Plane) {
        geometry = planeGeometry(*plane, header, film);
    } else if (model == CentreModel::File) {
        // Where a pattern's own centre is 0 0 0 (none), the plane through the others stands in.
        const MapGeometry own = perPatternGeometry(header, film);
        const MapGeometry fitted = planeGeometry(*plane, header, film);
        geometry = {[own, fitted](std::int64_t k, const std::optional<StatedPatternCentre>& pc) {
                        return pc ? own.detectorAt(k, pc) : fitted.detectorAt(k, pc);
                    },
                    true};
    }

    // What the screen adds to every pattern.
    PointMatchingOptions matching;
    matching.refineNeighbours = !args.flag("--no-refine");
    matching.correction.dynamicMode = readDynamicBackground(args, matching.correction.dynamicMode);
    const std::string background = args.value("--static-background").value_or("");
    if (background.empty()) {
        matching.staticBackground = header.staticBackground;
    } else if (background == "mean") {
        auto mean = meanPattern(source);
        if (!mean) {
            cli.say(mean.problem());
            return kFailure;
        }
        matching.staticBackground = std::move(*mean);
    } else if (background != "none") {
        const Result<fit::GreyImage> image = readPatternImage(background);
        if (!image) {
            cli.say(image.problem());
            return kFailure;
        }
        if (image->width != width || image->height != height) {
            cli.say(inQuotes(background) + " is " + std::to_string(image->width) + " x " +
                    std::to_string(image->height) + " pixels, the map's patterns " +
                    std::to_string(width) + " x " + std::to_string(height));
            return kFailure;
        }
        matching.staticBackground = image->pixels;
    }

    // The orientation map, written as the points come.
    MapFileHeader mapHeader;
    mapHeader.columns = header.columns;
    mapHeader.rows = endRow - firstRow;
    mapHeader.firstRow = firstRow;
    mapHeader.stepX = step ? step->front() : header.stepX.value_or(1.0);
    mapHeader.stepY = step ? step->back() : header.stepY.value_or(mapHeader.stepX);
    for (std::size_t p = 0; p < phases.size(); ++p) {
        const Simulation& sim = phases[p].cli->simulation;
        mapHeader.phases.push_back(
            {phaseName(sim, args.positional()[p]), "", sim.document.cell, sim.group.number()});
    }
    mapHeader.edaxCentre = edaxCentreOf(*mapCentre, width, height);
    mapHeader.sampleTilt = film.tilts.specimen;
    mapHeader.detectorTilt = film.tilts.detector;
    mapHeader.voltage = voltage;
    mapHeader.scanId = std::filesystem::path(*mapPath).filename().string();
    auto writer = MapFileWriter::open(*output, format, mapHeader);
    if (!writer) {
        cli.say(writer.problem());
        return kFailure;
    }

    // Euler angles in the specimen frame the format's readers expect, placed by the map's tilts.
    std::vector<LaueClass> laue;
    for (const Phase& p : phases) laue.push_back(laueClassOf(p.cli->simulation.group));
    const OrientationFrame fileFrame{format == MapFileFormat::Ang ? EulerFrame::Specimen
                                                                  : EulerFrame::SpecimenBruker,
                                     film.tilts};
    auto fileAngles = [&](const MapPointResult& p) {
        const Simulation& sim = phases[static_cast<std::size_t>(p.phase - 1)].cli->simulation;
        return eulerAnglesIn(fileFrame, p.orientation(), sim.document.matrices);
    };
    const auto ipfPath = args.value("--ipf"), qualityPath = args.value("--quality-map"),
               scorePath = args.value("--score-map");
    const auto points =
        static_cast<std::size_t>(mapHeader.rows) * static_cast<std::size_t>(mapHeader.columns);
    std::vector<std::uint8_t> rgb(ipfPath ? 3 * points : 0), indexed(ipfPath ? points : 0);
    std::vector<float> quality(qualityPath ? points : 0), score(scorePath ? points : 0);
    const std::int64_t firstPoint = std::int64_t{firstRow} * header.columns;
    std::vector<MapPoint> written;
    auto sink = [&](std::int64_t first, std::span<const MapPointResult> given) -> Outcome {
        written.clear();
        for (std::size_t i = 0; i < given.size(); ++i) {
            const MapPointResult& p = given[i];
            const auto k = static_cast<std::size_t>(first - firstPoint) + i;
            MapPoint m;
            m.phase = p.phase;
            m.imageQuality = p.quality;
            if (!quality.empty()) quality[k] = p.quality;
            if (!score.empty())
                score[k] = p.indexed() ? p.score : std::numeric_limits<float>::quiet_NaN();
            if (p.indexed()) {
                m.angles = fileAngles(p);
                m.confidenceIndex = p.confidence;
                m.fit = m.meanAngularDeviation = p.deviation;
                m.bands = p.bands;
                m.bandContrast =
                    static_cast<int>(std::lround(255 * std::clamp(p.quality, 0.f, 1.f)));
                m.bandSlope = static_cast<int>(std::lround(255 * std::clamp(p.score, 0.f, 1.f)));
                if (!rgb.empty()) {
                    const RgbColour c = ipfColour(eulerMatrix(m.angles),
                                                  laue[static_cast<std::size_t>(p.phase - 1)]);
                    for (std::size_t j = 0; j < 3; ++j)
                        rgb[3 * k + j] = static_cast<std::uint8_t>(std::lround(255 * c[j]));
                    indexed[k] = 1;
                }
            }
            written.push_back(m);
        }
        return (*writer)->write(written);
    };
    ProgressBar progress(err, static_cast<std::size_t>(endRow - firstRow));
    MapRunOptions run{.firstRow = firstRow, .endRow = endRow, .threads = threads};
    run.progress = [&](std::int64_t, std::int64_t) { progress.advance(); };
    std::vector<const PatternFit*> fits;
    for (const Phase& p : phases) fits.push_back(p.fit.get());
    const MapRunSummary summary =
        indexMap(source, geometry, fitPointMatchers(fits, std::move(matching)), sink, run);
    progress.end();
    if (summary.problem) {
        cli.say(summary.problem->message);
        return kFailure;
    }
    if (auto committed = (*writer)->commit(); !committed) {
        cli.say(committed.problem());
        return kFailure;
    }

    bool pictures = true;
    auto report = [&](const Outcome& wrote) {
        if (!wrote) cli.say(wrote.problem());
        pictures = pictures && wrote.ok();
    };
    if (ipfPath) {
        std::vector<IpfKeyLegend> keys;
        for (std::size_t p = 0; p < phases.size(); ++p)
            keys.push_back({laue[p], mapHeader.phases[p].name + ", IPF Z",
                            ipfKeyCornerLabels(laue[p], phases[p].cli->simulation)});
        report(writeIpfMapPicture(*ipfPath, mapHeader.rows, mapHeader.columns, rgb, indexed, keys));
    }
    if (qualityPath)
        report(writeValueMapPicture(*qualityPath, mapHeader.rows, mapHeader.columns, quality,
                                    "pattern quality"));
    if (scorePath)
        report(writeValueMapPicture(*scorePath, mapHeader.rows, mapHeader.columns, score, "score"));

    const double fraction =
        summary.points ? static_cast<double>(summary.indexed) / static_cast<double>(summary.points)
                       : 0.0;
    const double perSecond =
        summary.seconds > 0 ? static_cast<double>(summary.points) / summary.seconds : 0.0;
    if (asJson) {
        QJsonObject o;
        o["points"] = static_cast<double>(summary.points);
        o["indexed"] = static_cast<double>(summary.indexed);
        o["fraction"] = roundedTo(fraction, 4);
        o["fromScratch"] = static_cast<double>(summary.fromScratch);
        o["meanScore"] = roundedTo(summary.meanScore, 4);
        o["seconds"] = roundedTo(summary.seconds, 3);
        o["patternsPerSecond"] = roundedTo(perSecond, 1);
        out << jsonText(o);
    } else {
        out << summary.indexed << " of " << summary.points << " points indexed ("
            << formatNumber(100 * fraction, "0.0") << " %, " << summary.fromScratch
            << " from scratch), mean score " << formatNumber(summary.meanScore, "0.000") << ", "
            << formatNumber(summary.seconds, "0.0") << " s, " << formatNumber(perSecond, "0")
            << " patterns/s\n";
    }
    if (summary.indexed == 0) {
        cli.say("no point of the map could be indexed");
        return kFailure;
    }
    return pictures ? 0 : kFailure;
}

} // namespace

} // namespace tavrel::cli

// The entry that tavrel-cli finds in this module for index-map.
extern "C" __attribute__((visibility("default"))) int
tavrelIndexMapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return tavrel::cli::withGuiApplication(
        [&] { return tavrel::cli::runIndexMap(args, out, err); });
}
