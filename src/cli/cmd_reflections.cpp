#include "cli/args.h"
#include "cli/cli_session.h"
#include "cli/commands.h"

#include "common/numeric.h"
#include "crystal/unit_cell.h"
#include "session/input_files.h"
#include "session/line_strengths.h"
#include "session/reflection_texts.h"
#include "session/report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <ostream>

namespace tavrel::cli {

namespace {

// A 4-byte value as the JSON number users see in the list (2.0266, not 2.0266001224517822).
double jsonNumber(float v) {
    return leadingNumber(shortestText(v));
}

QJsonValue jsonAngle(float wavelength, float d) {
    if (!(wavelength > 0)) return QJsonValue(QJsonValue::Null);
    return braggAngle(wavelength, d);
}

int runReflections(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {"--json"}, {"--scattering"});
    args.expectPositional(1, 1);
    CliSession cli(err, "reflections");
    cli.chooseScattering(args.value("--scattering"));
    const Simulation& s = cli.simulation;
    if (!cli.load(args.positional()[0])) return kFailure;
    const LineStrengths& strengths = s.strengths;

    const ReflectionList& r = s.reflections;
    const auto& wl = s.document.wavelength;
    if (!args.flag("--json")) {
        // The whole list in one text and one write: a large list is printed in a fraction of
        // the time of many small stream insertions.
        std::string text;
        text.reserve(static_cast<std::size_t>(r.count()) * 32);
        for (std::int32_t i = 0; i < r.count(); ++i) {
            const auto row = reflectionListTexts(r, wl, i);
            text += row[1];
            text += ' ';
            text += row[2];
            for (std::size_t w = 3; w < 5; ++w) {
                text += ' ';
                text += row[w].empty() ? "-" : row[w];
            }
            if (!strengths.empty()) {
                text += ' ';
                text += intensityTextOf(strengths, static_cast<std::size_t>(i));
            }
            text += '\n';
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return 0;
    }

    QJsonArray reflections;
    for (std::size_t i = 0; i < r.d.size(); ++i) {
        QJsonObject o;
        o["h"] = r.h[i];
        o["k"] = r.k[i];
        o["l"] = r.l[i];
        o["d"] = jsonNumber(r.d[i]);
        o["theta1"] = jsonAngle(wl[0], r.d[i]);
        o["theta2"] = jsonAngle(wl[1], r.d[i]);
        if (!strengths.empty()) {
            o["F2"] = strengths.squared[i];
            o["intensity"] = leadingNumber(intensityTextOf(strengths, i));
        }
        reflections.append(o);
    }
    QJsonObject doc;
    doc["count"] = r.count();
    doc["dMin"] = jsonNumber(s.document.dMin);
    doc["dMax"] = jsonNumber(s.document.dMax);
    doc["wavelength1"] = jsonNumber(wl[0]);
    doc["wavelength2"] = jsonNumber(wl[1]);
    doc["reflections"] = reflections;
    out << QJsonDocument(doc).toJson(QJsonDocument::Indented).toStdString();
    return 0;
}

int runReport(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Args args(argv, {}, {"--scattering"});
    args.expectPositional(1, 1);
    CliSession cli(err, "report");
    cli.chooseScattering(args.value("--scattering"));
    if (!cli.load(args.positional()[0])) return kFailure;
    out << reportText(cli.simulation, reportDateTime());
    return 0;
}

int runConvert(const std::vector<std::string>& argv, std::ostream&, std::ostream& err) {
    const Args args(argv, {}, {});
    args.expectPositional(2, 2);
    const std::string& target = args.positional()[1];
    const std::optional<InputFormat> format = inputFormatOf(target);
    if (!format) throw UsageError("'" + target + "' is neither a .tvr, a .hkl nor a .cif file");
    CliSession cli(err, "convert");
    if (!cli.load(args.positional()[0])) return kFailure;
    const Result<std::vector<std::string>> saved = saveInputFile(cli.simulation, target, *format);
    if (!saved) {
        cli.say(saved.problem());
        return kFailure;
    }
    for (const std::string& warning : *saved) cli.say(warning);
    return 0;
}

} // namespace

const Command reflectionsCommand{
    "reflections", "list the reflections of a simulation file",
    "tavrel-cli reflections FILE [--json] [--scattering xray|electron]",
    "Loads FILE as the window's Open command does (a .tvr pattern input file or a .cif\n"
    "crystallographic information file is simulated; a .hkl reflection file is taken as it\n"
    "stands) and prints one line per reflection in list order: h k l d theta1 theta2, d with\n"
    "4 decimals and the Bragg angles (theta, not 2 theta, in degrees) with 3; an angle for an\n"
    "unused wavelength prints as \"-\". A structure with atoms (from a CIF) adds a seventh\n"
    "column, the relative intensity |F|^2 (the strongest reflection 100) with one decimal.\n"
    "Numbers are written with \".\" in every locale. Input that cannot be simulated is\n"
    "reported on stderr (exit status 1) and nothing is printed.\n\n"
    "options:\n"
    "  --json        print one JSON object instead: count, dMin, dMax, wavelength1,\n"
    "                wavelength2 and the reflections (h, k, l, d, theta1, theta2; an unused\n"
    "                angle is null; with atoms also F2, the absolute |F|^2, and intensity)\n"
    "  --scattering  the scattering factors of the atoms: xray or electron (default: electron\n"
    "                when wavelength 1 is a microscope voltage, else xray)\n",
    runReflections};

const Command reportCommand{
    "report", "print the simulation report of a simulation file", "tavrel-cli report FILE",
    "Loads FILE (.tvr, .hkl or .cif) as the window's Open command does and prints the\n"
    "simulation report: the inputs of the simulation and the table of its reflections, lines\n"
    "ended by CR LF as in Report.txt.\n",
    runReport};

const Command convertCommand{
    "convert", "convert between pattern input (.tvr), reflection (.hkl) and CIF (.cif) files",
    "tavrel-cli convert IN OUT",
    "Loads IN (.tvr, .hkl or .cif) as the window's Open command does and writes OUT in the\n"
    "format of its extension, as the window's Save command does: a .tvr holds every input of\n"
    "the simulation but the atoms, a .hkl the cell, the space group and the reflections above\n"
    "the d threshold, a .cif the cell, the setting with all its operations, the atom sites and\n"
    "the other inputs. A file that cannot be read, or whose input cannot be simulated (an invalid\n"
    "cell, a number beyond the range of a 4-byte float, hkl limits above 16383), is reported\n"
    "on stderr (exit status 1) and nothing is written.\n",
    runConvert};

} // namespace tavrel::cli
