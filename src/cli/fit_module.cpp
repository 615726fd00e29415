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
#include "fit/indexing.h"
#include "output/pattern_image.h"
#include "session/pattern_fit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tavrel::cli {

namespace {

// The images given: files as they are, folders as the pictures in them, by name.
std::vector<std::string> imagePaths(const std::vector<std::string>& given) {
    std::vector<std::string> paths;
    for (const std::string& path : given) {
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            paths.push_back(path);
            continue;
        }
        std::vector<std::string> inFolder;
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (entry.is_regular_file(error) && isPatternImageName(entry.path().string()))
                inFolder.push_back(entry.path().string());
        if (inFolder.empty()) throw UsageError("'" + path + "' holds no pattern image");
        std::sort(inFolder.begin(), inFolder.end());
        paths.insert(paths.end(), inFolder.begin(), inFolder.end());
    }
    if (paths.empty()) throw UsageError("the pattern image is missing (--image IMG)");
    return paths;
}

QJsonObject jsonFound(const FoundOrientation& f) {
    QJsonObject o;
    o["euler"] = QJsonArray{f.euler.phi1, f.euler.phi, f.euler.phi2};
    o["score"] = roundedTo(f.score, 4);
    o["bands"] = f.bands;
    o["deviation"] = roundedTo(f.deviation, 3);
    return o;
}

std::string foundText(const FoundOrientation& f) {
    return eulerReadoutText(f.euler) + "  score " + formatNumber(f.score, "0.0000") + "  bands " +
           std::to_string(f.bands) + "  deviation " + formatNumber(f.deviation, "0.00") + "\u00b0";
}

bool loadForFitting(CliSession& cli, const std::string& path) {
    if (!cli.load(path)) return false;
    if (!cli.simulation.document.valid || !cli.simulation.reflections.generated) {
        cli.say("the file gives no valid cell, so there are no lines to match");
        return false;
    }
    return true;
}

// The orientations found in one image, best first; a problem says why none was.
Result<std::vector<FoundOrientation>> indexImage(const Simulation& sim, const std::string& path,
                                                 const fit::IndexSetup& setup) {
    const Result<fit::GreyImage> grey = readPatternImage(path);
    if (!grey) return grey.failure();
    const Result<fit::GreyImage> prepared = fit::prepareForFitting(*grey);
    if (!prepared) return Problem{"No orientation found: " + prepared.problem()};
    const Result<fit::IndexResult> indexed = fit::indexPattern(*prepared, setup);
    if (!indexed) return indexed.failure();
    std::vector<FoundOrientation> found;
    for (const fit::IndexedOrientation& s : indexed->solutions)
        found.push_back(foundOrientation(sim, s.fit, s.matchedBands, s.meanDeviationDegrees));
    return found;
}

QJsonArray jsonSolutions(const std::vector<FoundOrientation>& found) {
    QJsonArray solutions;
    for (const FoundOrientation& f : found) solutions.append(jsonFound(f));
    return solutions;
}

int runIndex(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {"--json"}, {"--image", "--pc"});
    args.expectPositional(1, 1);
    const std::vector<std::string> images = imagePaths(args.values("--image"));
    const fit::PatternCentre centre = parsePatternCentre(args.value("--pc"));
    const bool asJson = args.flag("--json");

    CliSession cli(err, "index");
    if (!loadForFitting(cli, args.positional()[0])) return kFailure;
    const fit::IndexSetup setup = patternFitSetup(cli.simulation, centre);

    if (images.size() == 1) {
        const auto found = indexImage(cli.simulation, images[0], setup);
        if (!found) {
            cli.say(found.problem());
            return kFailure;
        }
        if (asJson) {
            QJsonObject o;
            o["solutions"] = jsonSolutions(*found);
            out << jsonText(o);
        } else {
            for (const FoundOrientation& f : *found) out << foundText(f) << "\n";
        }
        return 0;
    }

    // Many images: each read, prepared and indexed on its own, on every core.
    std::vector<Result<std::vector<FoundOrientation>>> results(images.size(),
                                                               Problem{"not indexed"});
    std::atomic<std::size_t> next{0};
    ProgressBar progress(err, images.size());
    auto work = [&] {
        for (std::size_t i = next++; i < images.size(); i = next++) {
            results[i] = indexImage(cli.simulation, images[i], setup);
            progress.advance();
        }
    };
    const std::size_t workers =
        std::min<std::size_t>(images.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();

    std::size_t failed = 0;
    QJsonArray listed;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Result<std::vector<FoundOrientation>>& r = results[i];
        failed += r ? 0 : 1;
        if (asJson) {
            QJsonObject o;
            o["image"] = QString::fromStdString(images[i]);
            if (r)
                o["solutions"] = jsonSolutions(*r);
            else
                o["problem"] = QString::fromStdString(r.problem());
            listed.append(o);
        } else {
            out << images[i] << ": " << (r ? foundText(r->front()) : r.problem()) << "\n";
        }
    }
    if (asJson) {
        QJsonObject o;
        o["images"] = listed;
        out << jsonText(o);
    }
    return failed ? kFailure : 0;
}

int runRefine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> flags = {"--json", "--fit-pc"};
    flags.merge(orientationFlags());
    std::set<std::string> options = {"--image", "--pc"};
    options.merge(orientationValueOptions());
    const Args args(argv, flags, options);
    args.expectPositional(1, 1);
    const std::optional<std::string> image = args.value("--image");
    if (!image) throw UsageError("the pattern image is missing (--image IMG)");
    const fit::PatternCentre centre = parsePatternCentre(args.value("--pc"));
    const OrientationOptions orientation = readOrientationOptions(args);

    CliSession cli(err, "refine");
    if (!loadForFitting(cli, args.positional()[0])) return kFailure;
    applyOrientationOptions(cli.simulation, orientation);
    const fit::IndexSetup setup = patternFitSetup(cli.simulation, centre);

    const Result<fit::GreyImage> grey = readPatternImage(*image);
    if (!grey) {
        cli.say(grey.problem());
        return kFailure;
    }
    const Result<fit::GreyImage> prepared = fit::prepareForFitting(*grey);
    if (!prepared) {
        cli.say("No orientation found: " + prepared.problem());
        return kFailure;
    }
    const fit::PatternScorer scorer(*prepared, setup.bands, setup.profile);
    fit::RefineOptions refine;
    refine.refineCentre = refine.refineDistance = args.flag("--fit-pc");
    const Result<fit::RefineResult> refined =
        fit::refineOrientation(scorer, {cli.simulation.orientation, setup.detector, 0}, refine);
    if (!refined) {
        cli.say(refined.problem());
        return kFailure;
    }
    const fit::BandAgreement agreement = fit::bandAgreement(scorer, refined->fit, setup);
    const FoundOrientation found = foundOrientation(
        cli.simulation, refined->fit, agreement.matchedBands, agreement.meanDeviationDegrees);
    const fit::Detector& d = found.detector;
    if (args.flag("--json")) {
        QJsonObject o = jsonFound(found);
        o["moved"] = roundedTo(refined->movedDegrees, 3);
        if (args.flag("--fit-pc")) {
            o["pc"] = QJsonArray{roundedTo(d.centre.x, 4), roundedTo(d.centre.y, 4)};
            o["distance"] = roundedTo(d.distance, 3);
        }
        out << jsonText(o);
    } else {
        out << foundText(found) << "\nmoved " << formatNumber(refined->movedDegrees, "0.000")
            << "\u00b0\n";
        if (args.flag("--fit-pc"))
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
