#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"

#include "common/numeric.h"
#include "common/text.h"
#include "output/picture_file.h"
#include "render/colour_table.h"
#include "render/renderer.h"
#include "session/line_strengths.h"
#include "session/orient.h"
#include "session/pattern_view.h"
#include "session/threshold.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
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

// Turns beyond a million degrees are no turn anyone means, and lose every digit of the angle
// in 4-byte floats.
constexpr double kLargestTurn = 1e6;

struct Turn {
    ViewAxis axis;
    float degrees;
};

Turn parseRotation(const std::string& text) {
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

void select(PatternView& pattern, const ReflectionList& r, const std::array<int, 3>& hkl) {
    if (!selectReflection(pattern, r, hkl[0], hkl[1], hkl[2]))
        throw UsageError("--select: no reflection " + std::to_string(hkl[0]) + " " +
                         std::to_string(hkl[1]) + " " + std::to_string(hkl[2]) + " in the list");
}

int runRender(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv,
                    {"--stereographic", "--labels", "--rings", "--no-film-outline", "--light",
                     "--points", "--uvw"},
                    {"--output", "--size", "--scheme", "--orient", "--rotate", "--threshold",
                     "--select", "--min-intensity", "--colour-by", "--scattering"},
                    {{"-o", "--output"}});
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
    const std::optional<std::string> orient = args.value("--orient");
    if (orient) checkOrientation(*orient);
    std::vector<Turn> turns;
    for (const std::string& r : args.values("--rotate")) turns.push_back(parseRotation(r));
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

    CliSession cli(err, "render");
    cli.chooseScattering(args.value("--scattering"));
    Simulation& s = cli.simulation;
    PatternView& pattern = cli.pattern;
    pattern.width = width;
    pattern.height = height;
    if (!cli.load(args.positional()[0])) return kFailure;

    ViewState& view = pattern.view;
    view.viewStereographic = args.flag("--stereographic");
    view.viewLabels = args.flag("--labels");
    view.viewRings = args.flag("--rings");
    view.viewFilmOutline = !args.flag("--no-film-outline");
    view.lightBackground = args.flag("--light");
    view.showLines = !args.flag("--points");
    view.colourByIntensity = colourBy == "intensity";
    selectColourScheme(pattern.colours, scheme);
    if (minIntensity) setMinIntensity(s, *minIntensity);

    if (orient) {
        const OrientationType type =
            args.flag("--uvw") ? OrientationType::Direct : OrientationType::Reciprocal;
        // Numbers within range can still overflow once carried into the crystal's frame.
        if (!setOrientation(s, *orient, type))
            throw UsageError("--orient \"" + *orient + "\" overflows in the frame of this cell");
    } else if (args.flag("--uvw")) {
        s.fields.orientationType = OrientationType::Direct;
        (void)applyOrientationText(s);
    }
    for (const Turn& turn : turns) rotateAboutViewAxis(s, turn.axis, turn.degrees);
    if (threshold) setThreshold(s.document, *threshold);
    for (const std::array<int, 3>& hkl : selected) select(pattern, s.reflections, hkl);

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

// The entry that tavrel-cli finds in this module when it draws a picture. A QGuiApplication is
// made here unless the process has one already (a test that loads the module itself).
extern "C" __attribute__((visibility("default"))) int
tavrelRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Pictures are drawn off screen; fonts need a GUI application object but no display.
    int argc = 1;
    char name[] = "tavrel-cli";
    char* argv[] = {name, nullptr};
    std::optional<QGuiApplication> application;
    if (!QCoreApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application.emplace(argc, argv);
    }
    return tavrel::cli::runRender(args, out, err);
}
