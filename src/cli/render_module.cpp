#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "cli/module_application.h"
#include "cli/orientation_options.h"
#include "cli/progress_bar.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "orientation/euler_angles.h"
#include "orientation/orientation_summary.h"
#include "output/pattern_image.h"
#include "output/picture_file.h"
#include "render/colour_table.h"
#include "render/renderer.h"
#include "session/geometry.h"
#include "session/line_strengths.h"
#include "session/orient.h"
#include "session/pattern_view.h"
#include "session/threshold.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavrel::cli {

namespace {

std::pair<int, int> parseSize(const std::string& text) {
    const std::size_t x = toLower(text).find('x');
    if (x == std::string::npos) throw UsageError("--size must read WxH, not '" + text + "'");
    const int w = parseInteger(text.substr(0, x), "the width of --size");
    const int h = parseInteger(text.substr(x + 1), "the height of --size");
    if (w < 60 || h < 60 || w > 16000 || h > 16000)
        throw UsageError("--size must lie between 60x60 and 16000x16000");
    return {w, h};
}

std::array<int, 3> parseHkl(const std::string& text, const std::string& what) {
    const std::vector<std::string> parts = splitBlanks(text);
    if (parts.size() != 3) throw UsageError(what + " must be three whole numbers \"h k l\"");
    return {parseInteger(parts[0], what), parseInteger(parts[1], what),
            parseInteger(parts[2], what)};
}

void select(PatternView& pattern, const ReflectionList& r, const std::array<int, 3>& hkl) {
    if (!selectReflection(pattern, r, hkl[0], hkl[1], hkl[2]))
        throw UsageError("--select: no reflection " + std::to_string(hkl[0]) + " " +
                         std::to_string(hkl[1]) + " " + std::to_string(hkl[2]) + " in the list");
}

// The picture file of one line of an orientation list: the first "%d" or "%0Nd" of the pattern
// becomes the line number, "%%" a single "%". A pattern without exactly one number is refused,
// and so is any other "%" (a "%s" would otherwise name a file nobody asked for).
struct NumberedName {
    std::string before, after;
    int width = 0;
    std::string name(int number) const {
        std::string digits = std::to_string(number);
        if (static_cast<int>(digits.size()) < width)
            digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
        return before + digits + after;
    }
    // Whether `fileName`, in the folder of the pictures, is one of them: the number's digits in
    // its place. False when the number stands in the folder's name.
    bool namesPicture(std::string_view fileName) const {
        if (after.find('/') != std::string::npos) return false;
        const std::string head = fileNameOf(before);
        if (fileName.size() < head.size() + after.size() + std::max(width, 1) ||
            !fileName.starts_with(head) || !fileName.ends_with(after))
            return false;
        const std::string_view digits =
            fileName.substr(head.size(), fileName.size() - head.size() - after.size());
        return digits.find_first_not_of("0123456789") == std::string_view::npos;
    }
    std::string folder() const {
        const std::size_t slash = before.find_last_of('/');
        return slash == std::string::npos ? std::string() : before.substr(0, slash + 1);
    }
};

NumberedName parseNumberedName(const std::string& pattern) {
    NumberedName result;
    std::string* part = &result.before;
    bool found = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            *part += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            *part += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int width = 0;
        if (j < pattern.size() && pattern[j] == '0') {
            ++j;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 10)
                width = width * 10 + (pattern[j++] - '0');
            if (width == 0) j = pattern.size(); // "%0d" and the like: refused below
        }
        if (found || j >= pattern.size() || pattern[j] != 'd')
            throw UsageError("with --orientations the picture file must hold one %d or %0Nd "
                             "(N up to 9) for the line number, not '" +
                             pattern + "'");
        found = true;
        result.width = width;
        part = &result.after;
        i = j;
    }
    if (!found)
        throw UsageError("with --orientations the picture file must hold %d or %0Nd for the "
                         "line number, as in \"pattern_%04d.png\"");
    return result;
}

struct ListedOrientation {
    int lineNumber = 0;
    std::string text;
};

// The most bad lines of an orientation list reported one by one; the rest are counted.
constexpr int kReportedLines = 10;

// The lines of an orientation list that hold three finite angles; the first kReportedLines
// others are reported on stderr with their line numbers, the rest in one line with their
// count. Blank lines and lines starting with "#" are skipped quietly. None when the list
// cannot be read (the problem, naming it, is on stderr).
std::optional<std::vector<ListedOrientation>>
readOrientationList(const CliSession& cli, const std::string& path, int& refused) {
    const Result<std::string> content = readWholeFile(path);
    if (!content) {
        cli.say(inQuotes(path) + " " + content.problem());
        return std::nullopt;
    }
    std::vector<ListedOrientation> listed;
    int lineNumber = 0;
    for (const std::string& line : splitLines(*content)) {
        ++lineNumber;
        const std::string text = trim(line);
        if (text.empty() || text[0] == '#') continue;
        if (const Result<EulerAngles> angles = parseEulerAnglesText(text); !angles) {
            if (++refused <= kReportedLines)
                cli.say(path + ", line " + std::to_string(lineNumber) + ": " +
                        shownText(angles.problem()) + " (skipped)");
            continue;
        }
        listed.push_back({lineNumber, text});
    }
    if (refused > kReportedLines)
        cli.say(path + ": " + std::to_string(refused - kReportedLines) +
                " more lines that are no orientation (skipped)");
    if (listed.empty()) cli.say(inQuotes(path) + " holds no orientation to draw");
    return listed;
}

// One picture per listed orientation, drawn by as many workers as the machine has cores, each
// with its own copy of the simulation and a one-thread renderer.
int renderOrientationList(CliSession& cli, const std::vector<ListedOrientation>& listed,
                          const NumberedName& names, const std::vector<ViewTurn>& turns,
                          int refused, std::ostream& out) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min<std::size_t>(cores, std::max<std::size_t>(1, listed.size()));
    std::vector<std::string> problems(listed.size());
    std::atomic<std::size_t> next{0};
    ProgressBar progress(cli.err, listed.size());
    auto work = [&] {
        Simulation sim = cli.simulation;
        Renderer renderer(1);
        for (std::size_t i = next++; i < listed.size(); i = next++) {
            const ListedOrientation& item = listed[i];
            if (!setEulerAnglesInFrame(sim, item.text)) {
                problems[i] = "line " + std::to_string(item.lineNumber) + ": \"" + item.text +
                              "\" cannot be used";
            } else {
                for (const ViewTurn& turn : turns)
                    rotateAboutViewAxis(sim, turn.axis, turn.degrees);
                const std::string path = names.name(item.lineNumber);
                const Result<std::unique_ptr<PictureFile>> picture =
                    openPictureFile(path, cli.pattern.width, cli.pattern.height);
                if (!picture) {
                    problems[i] = picture.problem();
                } else {
                    (void)renderer.draw(patternInput(sim, cli.pattern), (*picture)->surface());
                    if (const Outcome finished = (*picture)->finish(); !finished)
                        problems[i] = finished.problem();
                }
            }
            progress.advance();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();

    std::size_t failed = 0;
    for (const std::string& problem : problems)
        if (!problem.empty()) {
            cli.say(problem);
            ++failed;
        }
    out << listed.size() - failed << " pictures written";
    if (refused) out << ", " << refused << (refused == 1 ? " line" : " lines") << " skipped";
    if (failed) out << ", " << failed << " failed";
    out << "\n";
    return failed || listed.empty() ? kFailure : 0;
}

int runRender(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> flags = {"--stereographic",   "--labels",    "--rings",
                                   "--no-film-outline", "--light",     "--points",
                                   "--zone-axes",       "--no-flatten"};
    std::set<std::string> options = {"--output",       "--size",       "--scheme",
                                     "--threshold",    "--select",     "--min-intensity",
                                     "--colour-by",    "--scattering", "--zone-axis-index",
                                     "--orientations", "--image",      "--opacity"};
    flags.merge(orientationFlags());
    options.merge(orientationValueOptions());
    options.merge(geometryValueOptions());
    const Args args(argv, flags, options, {{"-o", "--output"}});
    args.expectPositional(1, 1);
    const std::optional<std::string> output = args.value("--output");
    if (!output) throw UsageError("the picture file is missing (-o OUT)");
    const auto [width, height] = parseSize(args.value("--size").value_or("850x620"));
    int scheme = 0;
    if (const auto v = args.value("--scheme")) {
        scheme = parseInteger(*v, "--scheme");
        if (scheme < 0 || scheme > kMonochromeScheme) throw UsageError("--scheme must lie in 0..7");
    }
    if (!pictureFormatOf(*output))
        throw UsageError("the picture file must end in .png, .bmp, .svg or .pdf");
    const OrientationOptions orientation = readOrientationOptions(args);
    const std::optional<std::string> list = args.value("--orientations");
    std::optional<NumberedName> names;
    if (list) {
        if (orientation.orient || orientation.euler || orientation.uvw)
            throw UsageError("--orientations sets the orientation of every picture: give no "
                             "--orient, --uvw or --euler with it");
        names = parseNumberedName(*output);
    }
    std::optional<float> threshold;
    if (const auto t = args.value("--threshold")) threshold = parseFloat(*t, "--threshold");
    std::vector<std::array<int, 3>> selected;
    for (const std::string& hkl : args.values("--select"))
        selected.push_back(parseHkl(hkl, "--select"));
    const std::optional<std::string> minIntensity = args.value("--min-intensity");
    if (minIntensity) {
        const float percent = parseFloat(*minIntensity, "--min-intensity");
        if (!(percent >= 0 && percent <= 100))
            throw UsageError("--min-intensity must lie between 0 and 100, not '" + *minIntensity +
                             "'");
    }
    const std::string colourBy = args.value("--colour-by").value_or("intensity");
    if (colourBy != "intensity" && colourBy != "d")
        throw UsageError("--colour-by must be intensity or d, not '" + colourBy + "'");
    int zoneAxisIndex = kSummaryZoneAxisIndex;
    if (const auto v = args.value("--zone-axis-index")) {
        zoneAxisIndex = parseInteger(*v, "--zone-axis-index");
        if (zoneAxisIndex < 1 || zoneAxisIndex > 6)
            throw UsageError("--zone-axis-index must lie in 1..6");
    }

    const std::optional<std::string> image = args.value("--image");
    const GeometryOptions geometry = readGeometryOptions(args);
    std::optional<float> opacity;
    if (const auto v = args.value("--opacity")) {
        opacity = parseFloat(*v, "--opacity");
        if (!(*opacity >= 0 && *opacity <= 1))
            throw UsageError("--opacity must lie between 0 and 1, not '" + *v + "'");
    }
    const bool detectorGiven = args.value("--pc") || args.value("--pc-convention") ||
                               args.value("--pixel-size") || args.value("--binning");
    if (!image && (detectorGiven || opacity || args.flag("--no-flatten")))
        throw UsageError("--pc, --pc-convention, --pixel-size, --binning, --opacity and "
                         "--no-flatten go with --image");

    CliSession cli(err, "render");
    cli.chooseScattering(args.value("--scattering"));
    Simulation& s = cli.simulation;
    PatternView& pattern = cli.pattern;
    pattern.width = width;
    pattern.height = height;
    if (!cli.load(args.positional()[0])) return kFailure;
    if (image) {
        Result<fit::GreyImage> grey = readPatternImage(*image);
        if (!grey) {
            cli.say(grey.problem());
            return kFailure;
        }
        const std::array<int, 2> size{grey->width, grey->height};
        pattern.underlay.raw = std::move(*grey);
        pattern.underlay.settings.path = *image;
        s.detector.patternShown = true;
        applyGeometryOptions(s, geometry, size);
        if (!geometryUsable(cli)) return kFailure;
        pattern.underlay.settings.showCorrected = !args.flag("--no-flatten");
        if (opacity) pattern.underlay.settings.opacity = *opacity;
        updateShownPixels(pattern.underlay);
    }

    if (!image) applyGeometryOptions(s, geometry);
    ViewState& view = pattern.view;
    view.viewStereographic = args.flag("--stereographic");
    view.viewLabels = args.flag("--labels");
    view.viewRings = args.flag("--rings");
    view.viewFilmOutline = !args.flag("--no-film-outline");
    view.lightBackground = args.flag("--light");
    view.showLines = !args.flag("--points");
    view.colourByIntensity = colourBy == "intensity";
    view.showZoneAxes = args.flag("--zone-axes");
    view.zoneAxisIndex = zoneAxisIndex;
    selectColourScheme(pattern.colours, scheme);
    if (minIntensity) setMinIntensity(s, *minIntensity);
    if (threshold) setThreshold(s.document, *threshold);
    for (const std::array<int, 3>& hkl : selected) select(pattern, s.reflections, hkl);

    if (list) {
        // A batch killed before it ended may have left temporary pictures; this one clears them.
        removeLeftoverTemporaries(names->folder(),
                                  [&](std::string_view name) { return names->namesPicture(name); });
        int refused = 0;
        const std::optional<std::vector<ListedOrientation>> listed =
            readOrientationList(cli, *list, refused);
        if (!listed) return kFailure;
        return renderOrientationList(cli, *listed, *names, orientation.turns, refused, out);
    }
    applyOrientationOptions(s, orientation);

    const Result<std::unique_ptr<PictureFile>> picture = openPictureFile(*output, width, height);
    if (!picture) {
        cli.say(picture.problem());
        return kFailure;
    }
    const std::optional<DrawSummary> summary =
        Renderer().draw(patternInput(s, pattern), (*picture)->surface());
    if (const Outcome finished = (*picture)->finish(); !finished) {
        cli.say(finished.problem());
        return kFailure;
    }
    if (summary) out << summary->countText << "\n" << summary->nearestPoleText << "\n";
    return 0;
}

} // namespace

} // namespace tavrel::cli

// The entry that tavrel-cli finds in this module when it draws a picture.
extern "C" __attribute__((visibility("default"))) int
tavrelRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return tavrel::cli::withGuiApplication([&] { return tavrel::cli::runRender(args, out, err); });
}
