#include "cli/args.h"
#include "cli/commands.h"

#include "calculators/angle_calculator.h"
#include "calculators/emission_lines.h"
#include "common/file_io.h"
#include "common/text.h"
#include "samples/sample_list.h"

#include <array>
#include <optional>
#include <ostream>

namespace tavrel::cli {

namespace {

EmissionLine parseLine(const std::string& text) {
    const std::string name = toLower(text);
    if (name == "ka1") return EmissionLine::KAlpha1;
    if (name == "ka2") return EmissionLine::KAlpha2;
    if (name == "kb1") return EmissionLine::KBeta1;
    throw UsageError("--line must be Ka1, Ka2 or Kb1, not '" + text + "'");
}

int runWavelength(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {}, {"--line"});
    args.expectPositional(1, 1);
    const auto lineText = args.value("--line");
    const EmissionLine line = lineText ? parseLine(*lineText) : EmissionLine::KAlpha1;

    const Result<float> lookup = lookUpWavelength(args.positional()[0], line);
    if (!lookup) {
        err << "tavrel-cli wavelength: " << lookup.problem() << "\n";
        return kFailure;
    }
    out << wavelengthFieldText(*lookup) << "\n";
    return 0;
}

std::array<double, 6> parseCell(const std::string& text) {
    const std::vector<std::string> parts = splitBlanks(text);
    if (parts.size() != 6)
        throw UsageError("--cell must be six numbers \"a b c alpha beta gamma\", not '" + text +
                         "'");
    std::array<double, 6> cell{};
    for (std::size_t i = 0; i < 6; ++i) cell[i] = parseNumber(parts[i], "each value of --cell");
    return cell;
}

int runAngle(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const std::array<std::pair<const char*, AngleKind>, 3> kinds = {{
        {"--planes", AngleKind::PlanePlane},
        {"--directions", AngleKind::DirectionDirection},
        {"--direction-plane", AngleKind::DirectionPlane},
    }};
    const Args args(argv, {}, {"--cell", "--planes", "--directions", "--direction-plane"});
    const auto cellText = args.value("--cell");
    if (!cellText) throw UsageError("--cell is required");
    const std::array<double, 6> cell = parseCell(*cellText);

    std::optional<std::pair<std::string, AngleKind>> chosen;
    for (const auto& [option, kind] : kinds) {
        const auto first = args.value(option);
        if (!first) continue;
        if (chosen)
            throw UsageError("give only one of --planes, --directions and --direction-plane");
        chosen = {{*first, kind}};
    }
    if (!chosen) throw UsageError("give one of --planes, --directions and --direction-plane");
    // The option's value is the first triple, the one argument after it the second.
    if (args.positional().size() != 1)
        throw UsageError("the angle needs two triples after its option, e.g. \"1 0 0\" \"1 1 1\"");

    AngleCalculator calculator;
    calculator.setCell(cell[0], cell[1], cell[2], cell[3], cell[4], cell[5]);
    const AngleKind kind = chosen->second;
    const AngleResult result = calculator.angle(kind, chosen->first, args.positional()[0]);
    if (result.error != AngleError::None) {
        const AngleErrorMessage message = angleErrorMessage(kind, result.error);
        err << "tavrel-cli angle: ";
        if (!message.title.empty()) err << message.title << ": ";
        err << message.text << "\n";
        return kFailure;
    }
    out << result.text << "\n";
    return 0;
}

int runSamples(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {}, {"--file"});
    args.expectPositional(0, 0);
    SampleList list = SampleList::builtIn();
    if (const auto path = args.value("--file")) {
        // Unlike the window at start-up, the command line only reads: a missing file is an error,
        // not a reason to write the default one.
        const Result<std::string> content = readWholeFile(*path);
        if (!content) {
            err << "tavrel-cli samples: \"" << *path << "\" " << content.problem() << "\n";
            return kFailure;
        }
        list = SampleList::parse(*content);
    }
    for (const Sample& sample : list.samples())
        out << sample.name << "\t" << sample.cellText() << "\n";
    return 0;
}

} // namespace

const Command wavelengthCommand{
    "wavelength", "the wavelength of a characteristic X-ray line of an element",
    "tavrel-cli wavelength ELEMENT [--line Ka1|Ka2|Kb1]",
    "Prints the wavelength in angstrom (12.3985 / E, E the line's energy in keV) of a K line of\n"
    "ELEMENT as the wavelength dialog writes it into a wavelength field: one to five decimals.\n"
    "ELEMENT is an atomic number (its leading number, rounded half to even) or an element symbol\n"
    "in any letter case; the table covers Li (3) to Am (95). An unknown element or a line the\n"
    "element has no value for prints a message on stderr and exits with status 1.\n\n"
    "options:\n"
    "  --line LINE  Ka1 (K-alpha1, the default), Ka2 (K-alpha2) or Kb1 (K-beta1)\n",
    runWavelength};

const Command angleCommand{
    "angle", "the angle between lattice planes and directions of a cell",
    "tavrel-cli angle --cell \"A B C ALPHA BETA GAMMA\" (--planes | --directions | "
    "--direction-plane) T1 T2",
    "Prints the angle between two lattice vectors of the cell as the angle calculator writes it,\n"
    "e.g. \"54.7356 deg\". T1 and T2 are index triples such as \"1 0 0\" (quote them), or three\n"
    "characters without blanks such as 100 or -11 (a lone minus reads as 0); further numbers in a\n"
    "triple are ignored. The option takes T1 as its value and T2 as the argument after it:\n\n"
    "    tavrel-cli angle --cell \"5 5 5 90 90 90\" --planes \"1 0 0\" \"1 1 1\"\n\n"
    "A triple with fewer than three numbers prints the calculator's message for its field, and a\n"
    "cell without volume prints \"Invalid unit cell parameters\"; both exit with status 1.\n\n"
    "options:\n"
    "  --cell \"A B C ALPHA BETA GAMMA\"\n"
    "                           the cell: lengths in angstrom, angles in degrees\n"
    "  --planes T1 T2           between the normals of the planes (T1) and (T2)\n"
    "  --directions T1 T2       between the directions [T1] and [T2]\n"
    "  --direction-plane T1 T2  between the direction [T1] and the normal of the plane (T2)\n",
    runAngle};

const Command samplesCommand{
    "samples", "list the sample structures of the Samples menu", "tavrel-cli samples [--file PATH]",
    "Prints one line per sample of the Samples menu: its name, a tab, and its eight fields\n"
    "(space-group number, space-group symbol, a, b, c, alpha, beta, gamma) joined by single\n"
    "blanks. Without --file the built-in list is printed.\n\n"
    "options:\n"
    "  --file PATH  read the samples from a cell menu file by the menu's rules (comment lines\n"
    "               start with ', a sample line reads \"NAME : eight fields\", at most 30\n"
    "               samples); nothing is written. A file that cannot be read prints a message\n"
    "               naming it and exits with status 1\n",
    runSamples};

} // namespace tavrel::cli
