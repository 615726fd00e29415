// Matching recorded patterns from the command line: indexing images with no starting guess and
// refining a given orientation. They read pictures, so they run in the picture module.

#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/json_output.h"
#include "cli/module_application.h"
#include "cli/orientation_options.h"
#include "cli/progress_bar.h"

#include "common/numeric.h"
#include "common/text.h"
#include "orientation/euler_angles.h"
#include "output/pattern_image.h"
#include "session/pattern_fit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace tavrel::cli {

namespace {

// The images given: files as they are, folders as the pictures in them, by name. A folder that
// cannot be read is a problem naming it.
Result<std::vector<std::string>> imagePaths(const std::vector<std::string>& given) {
    std::vector<std::string> paths;
    for (const std::string& path : given) {
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            paths.push_back(path);
            continue;
        }
        std::vector<std::string> inFolder;
        std::filesystem::directory_iterator entry(path, error);
        for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
            std::error_code kind;
            if (entry->is_regular_file(kind) && isPatternImageName(entry->path().string()))
                inFolder.push_back(entry->path().string());
        }
        if (error) return Problem{inQuotes(path) + " cannot be read: " + error.message()};
        if (inFolder.empty()) throw UsageError("'" + path + "' holds no pattern image");
        std::sort(inFolder.begin(), inFolder.end());
        paths.insert(paths.end(), inFolder.begin(), inFolder.end());
    }
    if (paths.empty()) throw UsageError("the pattern image is missing (--image IMG)");
    return paths;
}

// The found orientations are written in the frame of the simulation.
struct Reporting {
    const LatticeMatrices& cell;
    OrientationFrame frame;
};

QJsonObject jsonFound(const Reporting& r, const fit::FoundOrientation& f) {
    const EulerAngles euler = foundEulerAngles(f, r.cell, r.frame);
    QJsonObject o;
    o["euler"] = QJsonArray{euler.phi1, euler.phi, euler.phi2};
    o["score"] = roundedTo(f.fit.score, 4);
    o["bands"] = f.matchedBands;
    o["deviation"] = roundedTo(f.meanDeviationDegrees, 3);
    return o;
}

std::string foundText(const Reporting& r, const fit::FoundOrientation& f) {
    return eulerReadoutText(foundEulerAngles(f, r.cell, r.frame), r.frame.frame) + "  score " +
           formatNumber(f.fit.score, "0.0000") + "  bands " + std::to_string(f.matchedBands) +
           "  deviation " + formatNumber(f.meanDeviationDegrees, "0.00") + "\u00b0";
}

QJsonArray jsonSolutions(const Reporting& r, const fit::IndexResult& indexed) {
    QJsonArray solutions;
    for (const fit::FoundOrientation& f : indexed.solutions) solutions.append(jsonFound(r, f));
    return solutions;
}

bool loadForFitting(CliSession& cli, const std::string& path) {
    if (!cli.load(path)) return false;
    if (!cli.simulation.document.valid || !cli.simulation.reflections.generated) {
        cli.say("the file gives no valid cell, so there are no lines to match");
        return false;
    }
    return true;
}

// The background options of index and refine: --static-background FILE|mean and
// --dynamic-background divide|subtract|none.
std::set<std::string> backgroundValueOptions() {
    return {"--static-background", "--dynamic-background"};
}

struct BackgroundSettings {
    fit::StaticBackground background;
    fit::BackgroundCorrection correction;
};

// The static background (the file given, or the mean of the images) and the dynamic mode; a
// problem naming the file or the value.
Result<BackgroundSettings> readBackground(const Args& args,
                                          const std::vector<std::string>& images) {
    BackgroundSettings s;
    s.correction.dynamicMode = readDynamicBackground(args, s.correction.dynamicMode);
    const std::optional<std::string> given = args.value("--static-background");
    if (!given) return s;
    Result<fit::GreyImage> picture = Problem{""};
    if (*given == "mean") {
        // The mean of one pattern is the pattern: nothing of it would be left.
        if (images.size() < 2)
            return Problem{"--static-background mean needs several images (their mean is the "
                           "background)"};
        fit::MeanPattern mean;
        for (const std::string& path : images) {
            const Result<fit::GreyImage> grey = readPatternImage(path);
            if (!grey) return grey.failure();
            if (const Outcome added = mean.add(*grey); !added)
                return Problem{"'" + path + "': " + added.problem()};
        }
        picture = mean.mean();
    } else {
        picture = readPatternImage(*given);
    }
    if (!picture) return picture.failure();
    Result<fit::StaticBackground> background =
        fit::staticBackgroundOf(*picture, s.correction.maskFraction);
    if (!background)
        return Problem{"the static background '" + *given + "': " + background.problem()};
    s.background = std::move(*background);
    return s;
}

// The pattern image, refused when its proportions are not the film's.
Result<fit::GreyImage> readFilmImage(const std::string& path, const Detector& detector) {
    Result<fit::GreyImage> grey = readPatternImage(path);
    if (!grey) return grey;
    if (const Outcome fits = checkImageProportions(detector, grey->width, grey->height); !fits)
        return Problem{"'" + path + "' " + fits.problem()};
    return grey;
}

// The pattern image, prepared for matching; a problem names the file or says why it holds no
// pattern, or that its proportions are not the film's.
Result<fit::PreparedPattern> readPattern(const std::string& path, const Detector& detector,
                                         const BackgroundSettings& settings) {
    const Result<fit::GreyImage> grey = readFilmImage(path, detector);
    if (!grey) return grey.failure();
    if (!settings.background.empty() && (settings.background.image.width != grey->width ||
                                         settings.background.image.height != grey->height))
        return Problem{"'" + path + "' is " + std::to_string(grey->width) + " x " +
                       std::to_string(grey->height) + " pixels, the static background " +
                       std::to_string(settings.background.image.width) + " x " +
                       std::to_string(settings.background.image.height)};
    return prepareForMatching(*grey, settings.background, settings.correction);
}

// The one JSON object of a command that found nothing.
void printJsonProblem(std::ostream& out, const std::string& problem, const QJsonObject& geometry) {
    QJsonObject o;
    o["solutions"] = QJsonArray{};
    o["problem"] = QString::fromStdString(problem);
    o["geometry"] = geometry;
    out << jsonText(o);
}

// The pixels of the first image, for EMsoft's convention; none when it cannot be read (the
// command says so when it reads it).
std::optional<std::array<int, 2>> imageSizeOf(const std::string& path) {
    const Result<fit::GreyImage> grey = readPatternImage(path);
    if (!grey) return std::nullopt;
    return std::array<int, 2>{grey->width, grey->height};
}

// One phase of index: its file, the simulation of it with the command's geometry, its matching.
struct Phase {
    std::string name;
    std::unique_ptr<CliSession> cli;
    std::unique_ptr<PatternFit> fit;
};

std::string phaseNameOf(const Simulation& sim, const std::string& path) {
    const std::string title = trim(sim.document.title);
    return title.empty() ? std::filesystem::path(path).stem().string() : title;
}

// Of each phase's result for one pattern, the best scoring found one (the first phase's
// problem when none found any).
std::pair<std::size_t, Result<fit::IndexResult>>
bestPhase(std::vector<Result<fit::IndexResult>> results) {
    std::size_t best = 0;
    bool found = false;
    for (std::size_t p = 0; p < results.size(); ++p)
        if (results[p] && (!found || results[p]->score() > results[best]->score()))
            best = p, found = true;
    return {best, std::move(results[best])};
}

int runIndex(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> named = {"--image"};
    named.merge(geometryValueOptions());
    named.merge(backgroundValueOptions());
    const Args args(argv, {"--json"}, named);
    args.expectPositional(1, 16);
    const Result<std::vector<std::string>> listedImages = imagePaths(args.values("--image"));
    const GeometryOptions geometry = readGeometryOptions(args);
    const bool asJson = args.flag("--json");

    CliSession cli(err, "index");
    if (!listedImages) {
        cli.say(listedImages.problem());
        return kFailure;
    }
    const std::vector<std::string>& images = *listedImages;
    const Result<BackgroundSettings> settings = readBackground(args, images);
    if (!settings) {
        cli.say(settings.problem());
        return kFailure;
    }
    std::vector<Phase> phases;
    for (const std::string& path : args.positional()) {
        Phase phase{"", std::make_unique<CliSession>(err, "index"), nullptr};
        Simulation& sim = phase.cli->simulation;
        if (!loadForFitting(*phase.cli, path)) return kFailure;
        sim.detector.patternShown = true;
        applyGeometryOptions(sim, geometry, imageSizeOf(images[0]));
        if (!geometryUsable(*phase.cli)) return kFailure;
        phase.name = phaseNameOf(sim, path);
        phase.fit = std::make_unique<PatternFit>(sim);
        phase.fit->setBackground(settings->background, settings->correction);
        phases.push_back(std::move(phase));
    }
    const bool severalPhases = phases.size() > 1;
    const Simulation& first = phases.front().cli->simulation;
    auto reporting = [&](std::size_t p) {
        const Simulation& sim = phases[p].cli->simulation;
        return Reporting{sim.document.matrices, orientationFrameOf(sim)};
    };

    if (images.size() == 1) {
        std::vector<Result<fit::IndexResult>> results;
        for (const Phase& phase : phases) {
            const Result<fit::PreparedPattern> image =
                readPattern(images[0], phase.fit->setup().detector, *settings);
            results.push_back(image ? phase.fit->index(*image)
                                    : Result<fit::IndexResult>(image.failure()));
        }
        const auto [p, indexed] = bestPhase(std::move(results));
        if (!indexed) {
            if (asJson) printJsonProblem(out, indexed.problem(), jsonGeometry(first));
            cli.say(indexed.problem());
            return kFailure;
        }
        const Reporting cell = reporting(p);
        if (asJson) {
            QJsonObject o;
            if (severalPhases) o["phase"] = QString::fromStdString(phases[p].name);
            o["solutions"] = jsonSolutions(cell, *indexed);
            o["confidence"] = roundedTo(indexed->confidence, 3);
            o["quality"] = roundedTo(indexed->quality, 3);
            o["geometry"] = jsonGeometry(first);
            out << jsonText(o);
        } else {
            if (severalPhases) out << "phase " << phases[p].name << "\n";
            for (const fit::FoundOrientation& f : indexed->solutions)
                out << foundText(cell, f) << "\n";
            out << "confidence " << formatNumber(indexed->confidence, "0.000")
                << "  pattern quality " << formatNumber(indexed->quality, "0.000") << "\n";
        }
        return 0;
    }

    // Many images: each read, prepared and indexed on its own, on every core, by each phase.
    ProgressBar progress(err, images.size() * phases.size());
    std::vector<std::vector<Result<fit::IndexResult>>> perImage(images.size());
    BatchOptions options;
    options.progress = [&](std::size_t, std::size_t) { progress.advance(); };
    for (const Phase& phase : phases)
        phase.fit->indexBatch(
            {images.size(),
             [&](std::size_t i) { return readFilmImage(images[i], phase.fit->setup().detector); }},
            [&](std::size_t i, Result<fit::IndexResult> r) { perImage[i].push_back(std::move(r)); },
            options);
    std::size_t failed = 0;
    QJsonArray listed;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto [p, r] = bestPhase(std::move(perImage[i]));
        failed += r ? 0 : 1;
        const std::string phaseText = severalPhases && r ? phases[p].name + " " : "";
        if (asJson) {
            QJsonObject o;
            o["image"] = QString::fromStdString(images[i]);
            if (r) {
                if (severalPhases) o["phase"] = QString::fromStdString(phases[p].name);
                o["solutions"] = jsonSolutions(reporting(p), *r);
            } else {
                o["solutions"] = QJsonArray{};
                o["problem"] = QString::fromStdString(r.problem());
            }
            listed.append(o);
        } else {
            out << images[i] << ": " << phaseText
                << (r ? foundText(reporting(p), r->solutions.front()) : r.problem()) << "\n";
        }
    }
    if (asJson) {
        QJsonObject o;
        o["images"] = listed;
        o["geometry"] = jsonGeometry(first);
        out << jsonText(o);
    }
    return failed ? kFailure : 0;
}

int runRefine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> flags = {"--json", "--fit-pc"};
    flags.merge(orientationFlags());
    std::set<std::string> options = {"--image"};
    options.merge(orientationValueOptions());
    options.merge(geometryValueOptions());
    options.merge(backgroundValueOptions());
    const Args args(argv, flags, options);
    args.expectPositional(1, 1);
    const std::optional<std::string> imagePath = args.value("--image");
    if (!imagePath) throw UsageError("the pattern image is missing (--image IMG)");
    const GeometryOptions geometry = readGeometryOptions(args);
    const OrientationOptions orientation = readOrientationOptions(args);

    CliSession cli(err, "refine");
    if (!loadForFitting(cli, args.positional()[0])) return kFailure;
    cli.simulation.detector.patternShown = true;
    applyGeometryOptions(cli.simulation, geometry, imageSizeOf(*imagePath));
    if (!geometryUsable(cli)) return kFailure;
    applyOrientationOptions(cli.simulation, orientation);

    const bool asJson = args.flag("--json");
    const Result<BackgroundSettings> settings = readBackground(args, {*imagePath});
    const PatternFit fit(cli.simulation);
    const Result<fit::PreparedPattern> image =
        settings ? readPattern(*imagePath, fit.setup().detector, *settings)
                 : Result<fit::PreparedPattern>(settings.failure());
    RefineRequest request;
    request.start = cli.simulation.orientation;
    request.fitDetector = args.flag("--fit-pc");
    const Result<Refinement> refined =
        image ? fit.refine(*image, request) : Result<Refinement>(image.failure());
    if (!refined) {
        if (asJson) printJsonProblem(out, refined.problem(), jsonGeometry(cli.simulation));
        cli.say(refined.problem());
        return kFailure;
    }
    const Reporting cell{cli.simulation.document.matrices, orientationFrameOf(cli.simulation)};
    const Detector& d = refined->found.fit.detector;
    if (asJson) {
        QJsonObject o = jsonFound(cell, refined->found);
        o["moved"] = roundedTo(refined->movedDegrees, 3);
        if (request.fitDetector) {
            o["pc"] = QJsonArray{roundedTo(d.centre.x, 4), roundedTo(d.centre.y, 4)};
            o["distance"] = roundedTo(d.distance, 3);
        }
        o["geometry"] = jsonGeometry(cli.simulation);
        out << jsonText(o);
    } else {
        out << foundText(cell, refined->found) << "\nmoved "
            << formatNumber(refined->movedDegrees, "0.000") << "\u00b0\n";
        if (request.fitDetector)
            out << "pattern centre " << formatNumber(d.centre.x, "0.0000") << " "
                << formatNumber(d.centre.y, "0.0000") << "  distance "
                << formatNumber(d.distance, "0.000") << " mm\n";
    }
    return 0;
}

} // namespace

} // namespace tavrel::cli

// The entries that tavrel-cli finds in this module for index and refine.
extern "C" __attribute__((visibility("default"))) int
tavrelIndexCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return tavrel::cli::withGuiApplication([&] { return tavrel::cli::runIndex(args, out, err); });
}

extern "C" __attribute__((visibility("default"))) int
tavrelRefineCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return tavrel::cli::withGuiApplication([&] { return tavrel::cli::runRefine(args, out, err); });
}
