#include "session/input_files.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "session/cif_file.h"
#include "session/document_reading.h"
#include "session/generation.h"
#include "session/reflection_texts.h"
#include "spacegroup/settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace tavrel {

namespace {

constexpr int kTvrLineCount = 22;
const char* const kCrLf = "\r\n";

Problem failure(const std::string& path, const std::string& problem) {
    return Problem{inQuotes(path) + " " + problem};
}

int listPosition(const std::string& text, int count) {
    const int p = roundToInt32(leadingNumber(text));
    return p >= 0 && p < count ? p : 0;
}

// At most `count` blank-separated tokens: a reader needs only the first few, and one line of a
// large file must not turn into millions of them.
std::vector<std::string> firstTokens(std::string_view line, std::size_t count) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (tokens.size() < count) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        tokens.emplace_back(line.substr(start, i - start));
    }
    return tokens;
}

// A token as a message quotes it: short, so that a long line cannot flood the message.
std::string quotedToken(std::string_view token) {
    return inQuotes(token, 24);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the whole token is a decimal number: an optional sign, digits with an optional
// fraction, an optional exponent. leadingNumber alone would read "1x" as 1 and "abc" as 0.
bool isNumberText(std::string_view token) {
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < token.size() && isDigit(token[i])) ++i, ++digits;
    if (i < token.size() && token[i] == '.') {
        ++i;
        while (i < token.size() && isDigit(token[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
        const std::size_t exponentStart = i;
        while (i < token.size() && isDigit(token[i])) ++i;
        if (i == exponentStart) return false;
    }
    return i == token.size();
}

bool isWholeNumber(double value) {
    return std::isfinite(value) && value == std::floor(value);
}

// The index a token of a reflection line holds, or what is wrong with it in `problem`.
std::optional<std::int16_t> millerIndex(const std::string& token, std::string& problem) {
    if (!isNumberText(token)) {
        problem = quotedToken(token) + " is not a number";
        return std::nullopt;
    }
    const double value = leadingNumber(token);
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    if (!(value >= lowest && value <= highest)) {
        problem = "the index " + quotedToken(token) + " lies outside -32768..32767";
        return std::nullopt;
    }
    if (!isWholeNumber(value)) {
        problem = quotedToken(token) + " is not a whole number";
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

// Why a cell gives no lattice the reflections could be placed in, or nothing when it does.
std::optional<std::string> latticeProblem(const UnitCell& cell) {
    if (!std::all_of(cell.values.begin(), cell.values.end(),
                     [](float v) { return std::isfinite(v); }))
        return "a value is too large";
    switch (checkCell(cell)) {
    case LatticeStatus::NoLength:
        return "a length is not positive";
    case LatticeStatus::NoRealCell:
        return "no cell has these angles";
    case LatticeStatus::Singular:
        return "its volume is practically zero";
    case LatticeStatus::Ok:
        break;
    }
    const LatticeMatrices matrices = *buildLatticeMatrices(cell);
    for (const Mat3f* m : {&matrices.lattice, &matrices.inverse})
        for (const auto& row : *m)
            for (float v : row)
                if (!std::isfinite(v)) return "its values are out of range";
    return std::nullopt;
}

std::string indexText(std::int16_t h, std::int16_t k, std::int16_t l) {
    return "(" + std::to_string(h) + " " + std::to_string(k) + " " + std::to_string(l) + ")";
}

// The fields a reflection file's first line fills in: its name as the title, the cell, and
// the group from the optional 7th token.
void putHeaderIntoFields(DocumentFields& f, const std::vector<std::string>& header,
                         const std::string& path) {
    f.title = fileNameOf(path);
    for (std::size_t i = 0; i < 6; ++i) f.cell[i] = header[i];
    int position = 0;
    if (header.size() > 6) {
        position = roundToInt32(std::max(0.0, leadingNumber(header[6]) - 1));
        if (position > kSpaceGroupCount - 1) position = 0;
    }
    f.spaceGroupIndex = position;
    f.settingRow.reset();
}

} // namespace

std::optional<InputFormat> inputFormatOf(const std::string& path) {
    const std::string ext = extensionOf(path);
    if (ext == ".tvr") return InputFormat::Tvr;
    if (ext == ".hkl") return InputFormat::Hkl;
    if (ext == ".cif") return InputFormat::Cif;
    return std::nullopt;
}

InputFormat chosenFormat(std::string& path, InputFormat offered, bool addExtension) {
    if (const std::optional<InputFormat> known = inputFormatOf(path)) return *known;
    if (addExtension)
        path += offered == InputFormat::Hkl   ? ".hkl"
                : offered == InputFormat::Cif ? ".cif"
                                              : ".tvr";
    return offered;
}

namespace {

Result<InputFile> readTvr(const std::string& path, const DocumentFields& current) {
    const Result<std::string> content = readWholeFile(path);
    if (!content) return failure(path, content.problem());
    const std::vector<std::string> lines = splitLines(*content, kTvrLineCount);

    if (lines.empty() || !contains(toUpper(lines[0]), "VELDTRACE INPUT 1.")) {
        Problem wrongHeader =
            failure(path, "is not a pattern input file: its first line does not read \"" +
                              std::string(kTvrHeader) + "\"");
        wrongHeader.kind = Problem::Kind::WrongKind;
        return wrongHeader;
    }
    if (lines.size() < static_cast<std::size_t>(kTvrLineCount))
        return failure(path, "ends early: it has " + std::to_string(lines.size()) + " of " +
                                 std::to_string(kTvrLineCount) + " lines");

    auto line = [&](int number) { return trim(lines[static_cast<std::size_t>(number - 1)]); };
    InputFile file{InputFormat::Tvr, path, current, {}, {}, {}, {}};
    DocumentFields& f = file.fields;
    f.title = line(2);
    if (capTitle(f.title)) file.warnings.push_back(titleCutWarning(inQuotes(path)));
    f.spaceGroupIndex = listPosition(line(3), kSpaceGroupCount);
    f.settingRow.reset();
    for (std::size_t i = 0; i < 6; ++i) f.cell[i] = line(4 + static_cast<int>(i));
    f.autoLimits = roundToInt32(leadingNumber(line(10))) != 0;
    for (std::size_t i = 0; i < 3; ++i) f.hklMax[i] = line(11 + static_cast<int>(i));
    f.wavelength = {line(14), line(15)};
    f.orientation = line(16);
    f.orientationType = static_cast<OrientationType>(listPosition(line(17), kOrientationTypeCount));
    f.d = {line(18), line(19)};
    for (std::size_t i = 0; i < 3; ++i) f.film[i] = line(20 + static_cast<int>(i));
    // d-Max is derived again from the cell; the stored value is not used.
    f.d[1] = "0";
    return file;
}

Result<InputFile> readHkl(const std::string& path, const DocumentFields& current) {
    const Result<std::string> content = readWholeFile(path);
    if (!content) return failure(path, content.problem());
    const std::vector<std::string> lines =
        splitLines(*content, static_cast<std::size_t>(kMaxReflections) + 2);

    if (lines.empty()) return failure(path, "is empty");
    const std::vector<std::string> header = firstTokens(lines[0], 7);
    if (header.size() < 6)
        return failure(path, "does not start with the six cell values a b c alpha beta gamma");

    InputFile file{InputFormat::Hkl, path, current, {}, {}, {}, {}};
    putHeaderIntoFields(file.fields, header, path);
    // The cell is read as the simulation will read it, the group's constraints included.
    const DocumentReading reading = readDocument(file.fields, PatternDocument{});
    const PatternDocument& doc = reading.document;
    const bool cellIsNumbers = std::all_of(doc.cell.values.begin(), doc.cell.values.end(),
                                           [](float v) { return std::isfinite(v); });
    const std::optional<std::string> latticeFault =
        cellIsNumbers || !reading.problem ? latticeProblem(doc.cell) : std::nullopt;
    if (latticeFault) {
        std::string cell;
        for (int i = 0; i < 6; ++i) cell += (i ? " " : "") + shortestText(doc.cell[i]);
        return failure(path, "line 1: the cell " + cell + " gives no valid lattice (" +
                                 *latticeFault + ")");
    }
    // A value beyond a 4-byte float, in the file or in the fields the file leaves as they stand,
    // refuses the file as it would refuse a simulation.
    if (reading.problem) return failure(path, "cannot be loaded: " + reading.problem->message);

    if (lines.size() < 2) return failure(path, "ends early: the reflection count is missing");
    const std::vector<std::string> countTokens = firstTokens(lines[1], 2);
    const double announced = countTokens.size() == 1 && isNumberText(countTokens[0])
                                 ? leadingNumber(countTokens[0])
                                 : -1;
    if (!(isWholeNumber(announced) && announced >= 0))
        return failure(path, "line 2 should hold the number of reflections, a whole number of 0 "
                             "or more, but reads " +
                                 quotedToken(trim(lines[1])));
    if (announced > kMaxReflections)
        return failure(path, "line 2 announces " + quotedToken(countTokens[0]) +
                                 " reflections; a list holds at most " +
                                 std::to_string(kMaxReflections));
    const int count = static_cast<int>(announced);
    if (lines.size() < static_cast<std::size_t>(count) + 2)
        return failure(path, "ends early: it announces " + std::to_string(count) +
                                 " reflections but holds " + std::to_string(lines.size() - 2));

    ReflectionList& r = file.reflections;
    r.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string lineName = "line " + std::to_string(i + 3);
        const std::vector<std::string> t = firstTokens(lines[static_cast<std::size_t>(i) + 2], 3);
        if (t.size() < 3) return failure(path, lineName + " does not hold h k l");
        std::array<std::int16_t, 3> hkl{};
        for (std::size_t j = 0; j < 3; ++j) {
            std::string indexProblem;
            const std::optional<std::int16_t> index = millerIndex(t[j], indexProblem);
            if (!index) return failure(path, lineName + ": " + indexProblem);
            hkl[j] = *index;
        }
        const auto [h, k, l] = hkl;
        if (h == 0 && k == 0 && l == 0)
            return failure(path, lineName + ": (0 0 0) is not a lattice plane");
        const float d = dSpacing(doc.cell, h, k, l);
        Vec3f g{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
        toCartesian(doc.matrices, g, false);
        if (!(std::isfinite(d) && d > 0))
            return failure(path, lineName + ": " + indexText(h, k, l) +
                                     " gets no finite positive d-spacing in this cell");
        if (!std::all_of(g.begin(), g.end(), [](float v) { return std::isfinite(v); }))
            return failure(path, lineName + ": " + indexText(h, k, l) +
                                     " gets no finite reciprocal vector in this cell");
        r.append(h, k, l, d, g);
        r.trackComponents(g);
    }
    return file;
}

Result<InputFile> readCif(const std::string& path, const DocumentFields& current) {
    Result<CifStructure> structure = readCifFile(path);
    if (!structure) return structure.failure();
    InputFile file{InputFormat::Cif,
                   path,
                   current,
                   {},
                   std::move(structure->atoms),
                   detectorSetupOf(*structure),
                   std::move(structure->warnings)};
    applyCifStructure(file.fields, *structure);
    return file;
}

// A reflection file's reflections as they stand, in the cell and group of its first line.
NewListReport takeReflections(Simulation& sim, const InputFile& file) {
    sim.fields = file.fields;
    sim.atoms.clear();
    takeReading(sim, readDocument(sim.fields, sim.document));
    sim.document.filePath = file.path;

    PatternDocument& doc = sim.document;
    sim.reflections = file.reflections;
    // A file without reflections keeps the d range that reading the document gave.
    if (!sim.reflections.empty()) {
        const auto [smallest, largest] =
            std::minmax_element(sim.reflections.d.begin(), sim.reflections.d.end());
        doc.dMin = doc.displayDMin = *smallest;
        doc.dMax = doc.displayDMax = *largest;
    }
    showDocument(sim);
    NewListReport report;
    report.origin = NewList::Loaded;
    if (const Outcome strengths = completeNewReflections(sim); !strengths)
        report.warnings.push_back(strengths.problem());
    return report;
}

} // namespace

Result<InputFile> readInputFile(const std::string& path, InputFormat format,
                                const DocumentFields& current) {
    switch (format) {
    case InputFormat::Tvr:
        return readTvr(path, current);
    case InputFormat::Hkl:
        return readHkl(path, current);
    case InputFormat::Cif:
        break;
    }
    return readCif(path, current);
}

Result<NewListReport> takeInputFile(Simulation& sim, const InputFile& file,
                                    const CancelCheck& cancelled) {
    if (file.format == InputFormat::Hkl) return takeReflections(sim, file);
    sim.fields = file.fields;
    sim.atoms = file.atoms;
    if (file.detector) {
        const bool shown = sim.detector.patternShown;
        sim.detector = *file.detector;
        sim.detector.patternShown = shown;
    }
    sim.document.filePath = file.path;
    Result<NewListReport> report = generateReflections(sim, cancelled);
    if (report)
        report->warnings.insert(report->warnings.end(), file.warnings.begin(), file.warnings.end());
    return report;
}

std::string tvrText(const Simulation& sim) {
    const DocumentFields& f = sim.fields;
    const PatternDocument& doc = sim.document;

    std::string out;
    auto line = [&](const std::string& text) { out += text + kCrLf; };
    line(kTvrHeader);
    line(trim(f.title));
    line(std::to_string(f.spaceGroupIndex));
    for (int i = 0; i < 6; ++i) line(shortestText(doc.cell[i]));
    line(f.autoLimits ? "1" : "0");
    for (const std::string& limit : f.hklMax) line(trim(limit));
    for (float w : doc.wavelength) line(shortestText(w));
    line(trim(f.orientation));
    line(std::to_string(static_cast<int>(f.orientationType)));
    for (const std::string& d : f.d) line(trim(d));
    for (const std::string& film : f.film) line(trim(film));
    return out;
}

std::string hklText(const Simulation& sim) {
    const PatternDocument& doc = sim.document;
    const ReflectionList& r = sim.reflections;
    // A spacing that is not finite and positive has no place in a file a reader must take back.
    auto written = [&](float d) { return std::isfinite(d) && d > 0 && d > doc.displayDMin; };

    std::string out;
    for (int i = 0; i < 6; ++i) out += shortestText(doc.cell[i]) + " ";
    out += std::to_string(doc.spaceGroupIndex + 1) + kCrLf;

    const auto n = std::count_if(r.d.begin(), r.d.end(), written);
    out += " " + std::to_string(n) + " " + kCrLf;
    for (std::size_t i = 0; i < r.d.size(); ++i)
        if (written(r.d[i])) out += indexColumns(r.h[i], r.k[i], r.l[i]) + kCrLf;
    return out;
}

Result<std::vector<std::string>> saveInputFile(Simulation& sim, const std::string& path,
                                               InputFormat format, const CancelCheck& cancelled) {
    std::vector<std::string> warnings;
    if (format != InputFormat::Hkl && !sim.reflections.generated) {
        // The file stores the values read from the fields; input the simulation refuses is
        // written all the same, so that nothing typed is lost, and the user is told.
        if (const Result<NewListReport> generated = generateReflections(sim, cancelled))
            warnings = generated->warnings;
        else
            warnings.push_back(generated.problem());
    }
    const Result<std::string> text = format == InputFormat::Tvr   ? tvrText(sim)
                                     : format == InputFormat::Cif ? cifFileText(sim)
                                                                  : hklText(sim);
    if (!text) return failure(path, "cannot be written: " + text.problem());
    if (const Outcome written = writeFileAtomically(path, *text); !written)
        return failure(path, "cannot be written: " + written.problem());
    if (format != InputFormat::Hkl) {
        sim.document.title = sim.fields.title;
        sim.document.filePath = path;
    }
    if (format == InputFormat::Tvr) {
        if (std::string lost = settingNotStoredWarning(sim.fields, path); !lost.empty())
            warnings.push_back(std::move(lost));
        if (!sim.atoms.empty())
            warnings.push_back(inQuotes(path) +
                               " keeps no atoms: a pattern input file holds the lattice only. "
                               "Save as a CIF to keep them.");
        if (sim.fields.electronBeam && sim.fields.scattering == ScatteringChoice::ByWavelength)
            warnings.push_back(inQuotes(path) +
                               " keeps the wavelength, not that it came from a voltage: it opens "
                               "again as X-rays. Save as a CIF to keep the electrons.");
    }
    return warnings;
}

} // namespace tavrel
