#include "session/input_files.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "session/cif_file.h"
#include "session/generation.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

constexpr int kTvrLineCount = 22;
const char* const kCrLf = "\r\n";

FileOutcome failure(const std::string& path, const std::string& problem) {
    return {false, "\"" + path + "\" " + problem};
}

int listPosition(const std::string& text, int count) {
    const int p = roundToInt32(leadingNumber(text));
    return p >= 0 && p < count ? p : 0;
}

} // namespace

std::optional<InputFormat> inputFormatOf(const std::string& path) {
    const std::string ext = extensionOf(path);
    if (ext == ".tvr") return InputFormat::Tvr;
    if (ext == ".hkl") return InputFormat::Hkl;
    if (ext == ".cif") return InputFormat::Cif;
    return std::nullopt;
}

FileOutcome openTvr(Simulation& sim, const std::string& path, const CancelCheck& cancelled) {
    std::string reason;
    const std::optional<std::string> content = readWholeFile(path, reason);
    if (!content) return failure(path, "cannot be read: " + reason);
    const std::vector<std::string> lines = splitLines(*content);

    if (lines.empty() || !contains(toUpper(lines[0]), "VELDTRACE INPUT 1.")) {
        sim.notifier().beep();
        return failure(path, "is not a pattern input file: its first line does not read \"" +
                                 std::string(kTvrHeader) + "\"");
    }
    if (lines.size() < static_cast<std::size_t>(kTvrLineCount))
        return failure(path, "ends early: it has " + std::to_string(lines.size()) + " of " +
                                 std::to_string(kTvrLineCount) + " lines");

    auto line = [&](int number) { return trim(lines[static_cast<std::size_t>(number - 1)]); };
    DocumentFields& f = sim.fields;
    f.title = line(2);
    f.spaceGroupIndex = listPosition(line(3), kSpaceGroupCount);
    f.settingRow.reset();
    for (std::size_t i = 0; i < 6; ++i) f.cell[i] = line(4 + static_cast<int>(i));
    f.autoLimits = roundToInt32(leadingNumber(line(10))) != 0;
    for (std::size_t i = 0; i < 3; ++i) f.hklMax[i] = line(11 + static_cast<int>(i));
    f.wavelength = {line(14), line(15)};
    f.orientation = line(16);
    f.orientationType = static_cast<OrientationType>(listPosition(line(17), 2));
    f.d = {line(18), line(19)};
    for (std::size_t i = 0; i < 3; ++i) f.film[i] = line(20 + static_cast<int>(i));
    sim.document.filePath = path;

    // d-Max is derived again from the cell; the stored value is not used.
    f.d[1] = "0";
    generateReflections(sim, cancelled);
    return {};
}

FileOutcome openHkl(Simulation& sim, const std::string& path) {
    std::string reason;
    const std::optional<std::string> content = readWholeFile(path, reason);
    if (!content) return failure(path, "cannot be read: " + reason);
    const std::vector<std::string> lines = splitLines(*content);

    // Check the whole file before anything changes.
    if (lines.empty()) return failure(path, "is empty");
    const std::vector<std::string> header = splitBlanks(lines[0]);
    if (header.size() < 6)
        return failure(path, "does not start with the six cell values a b c alpha beta gamma");
    if (lines.size() < 2) return failure(path, "ends early: the reflection count is missing");
    const int count = roundToInt32(leadingNumber(lines[1]));
    if (count < 0) return failure(path, "announces a negative number of reflections");
    if (count > kReflectionFileCapacity)
        return failure(path, "announces " + std::to_string(count) +
                                 " reflections; a reflection file may hold at most " +
                                 std::to_string(kReflectionFileCapacity));
    if (lines.size() < static_cast<std::size_t>(count) + 2)
        return failure(path, "ends early: it announces " + std::to_string(count) +
                                 " reflections but holds " + std::to_string(lines.size() - 2));
    std::vector<std::array<std::int16_t, 3>> hkl;
    hkl.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> t = splitBlanks(lines[static_cast<std::size_t>(i) + 2]);
        if (t.size() < 3)
            return failure(path, "line " + std::to_string(i + 3) + " does not hold h k l");
        hkl.push_back({roundToInt16(leadingNumber(t[0])), roundToInt16(leadingNumber(t[1])),
                       roundToInt16(leadingNumber(t[2]))});
    }

    DocumentFields& f = sim.fields;
    f.title = fileNameOf(path);
    for (std::size_t i = 0; i < 6; ++i) f.cell[i] = header[i];
    int position = 0;
    if (header.size() > 6) {
        position = roundToInt32(std::max(0.0, leadingNumber(header[6]) - 1));
        if (position > kSpaceGroupCount - 1) position = 0;
    }
    f.spaceGroupIndex = position;
    f.settingRow.reset();
    readDocument(sim);

    PatternDocument& doc = sim.document;
    ReflectionList& r = sim.reflections;
    float smallest = 999, largest = 0;
    for (const auto& [h, k, l] : hkl) {
        const float d = dSpacing(doc.cell, h, k, l);
        Vec3f g{static_cast<float>(h), static_cast<float>(k), static_cast<float>(l)};
        toCartesian(doc.matrices, g, false);
        r.append(h, k, l, d, g);
        // (0 0 0) has no finite spacing; it must not stretch the d range of the others.
        if (std::isfinite(d)) {
            smallest = std::min(smallest, d);
            largest = std::max(largest, d);
        }
        r.trackComponents(g);
    }
    // A file without reflections keeps the d range that reading the document gave.
    if (smallest <= largest) {
        doc.dMin = doc.displayDMin = smallest;
        doc.dMax = doc.displayDMax = largest;
    }

    showDocument(sim);
    completeNewReflections(sim);
    sim.announce(SimulationChange::Loaded);
    return {};
}

FileOutcome openInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled) {
    if (format == InputFormat::Cif) return openCif(sim, path, cancelled);
    return format == InputFormat::Tvr ? openTvr(sim, path, cancelled) : openHkl(sim, path);
}

std::string tvrText(Simulation& sim, const CancelCheck& cancelled) {
    if (!sim.reflections.generated) generateReflections(sim, cancelled);
    const DocumentFields& f = sim.fields;
    const PatternDocument& doc = sim.document;
    sim.document.title = f.title;

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
    std::string out;
    for (int i = 0; i < 6; ++i) out += shortestText(doc.cell[i]) + " ";
    out += std::to_string(doc.spaceGroupIndex + 1) + kCrLf;

    int n = 0;
    for (float d : r.d)
        if (d > doc.displayDMin) ++n;
    out += " " + std::to_string(n) + " " + kCrLf;
    for (std::size_t i = 0; i < r.d.size(); ++i) {
        if (!(r.d[i] > doc.displayDMin)) continue;
        out += padLeft(std::to_string(r.h[i]), 4) + padLeft(std::to_string(r.k[i]), 4) +
               padLeft(std::to_string(r.l[i]), 4) + kCrLf;
    }
    return out;
}

FileOutcome saveTvr(Simulation& sim, const std::string& path, const CancelCheck& cancelled) {
    std::string reason;
    if (!writeFileAtomically(path, tvrText(sim, cancelled), reason))
        return failure(path, "cannot be written: " + reason);
    sim.document.filePath = path;
    if (const std::string lost = settingNotStoredWarning(sim, path); !lost.empty())
        sim.notifier().message(lost);
    return {};
}

FileOutcome saveHkl(const Simulation& sim, const std::string& path) {
    std::string reason;
    if (!writeFileAtomically(path, hklText(sim), reason))
        return failure(path, "cannot be written: " + reason);
    return {};
}

FileOutcome saveInputFile(Simulation& sim, const std::string& path, InputFormat format,
                          const CancelCheck& cancelled) {
    if (format == InputFormat::Cif)
        return failure(path, "cannot be written: CIF files are only read");
    return format == InputFormat::Tvr ? saveTvr(sim, path, cancelled) : saveHkl(sim, path);
}

} // namespace tavrel
