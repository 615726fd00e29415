#include "session/report.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "crystal/unit_cell.h"
#include "session/line_strengths.h"
#include "session/reflection_texts.h"

#include <algorithm>
#include <ctime>
#include <string_view>

namespace tavrel {

namespace {

const char* const kCrLf = "\r\n";
// The relative intensity, right-aligned, when the structure has atoms.
constexpr std::size_t kIntensityColumn = 8;

std::string reflectionLine(const Simulation& sim, std::size_t i, bool fourIndex) {
    const ReflectionList& r = sim.reflections;
    const auto& wl = sim.document.wavelength;
    // The row number in a column of 4; a longer number (lists reach 32767) is kept whole.
    const std::string number = std::to_string(i + 1);
    std::string row = (number + "   ").substr(0, std::max<std::size_t>(4, number.size())) + " ";
    row += indexColumns(r.h[i], r.k[i], r.l[i], fourIndex);
    // d right-aligned in 8; a longer text (from 100 on) keeps a blank before it, whole.
    const std::string d = formatNumber(r.d[i], "#0.0000");
    row += d.size() < 8 ? padLeft(d, 8) : " " + d;
    if (wl[0] > 0) row += "    " + padLeft(formatNumber(braggAngle(wl[0], r.d[i]), "#0.000"), 6);
    const bool strengths = !sim.strengths.empty();
    if (wl[1] > 0) {
        // With an intensity column after it, the angle keeps a column of its own width.
        const std::string theta2 = formatNumber(braggAngle(wl[1], r.d[i]), "#0.000");
        row += "    " + (strengths ? padLeft(theta2, 6) : theta2);
    }
    if (strengths) row += padLeft(intensityTextOf(sim.strengths, i), kIntensityColumn);
    return row;
}

} // namespace

std::string reportDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    return buf;
}

std::string reportText(const Simulation& sim, const std::string& dateTime, bool fourIndex) {
    const PatternDocument& doc = sim.document;
    const auto& wl = doc.wavelength;

    std::string out;
    auto line = [&](const std::string& text) { out += text + kCrLf; };
    line("Tavrel/Morwen Simulation Report (" + dateTime + ")");
    line("");
    line("Annotation  : " + sim.fields.title);
    std::string cell;
    for (int i = 0; i < 6; ++i) cell += (i ? " " : "") + shortestText(doc.cell[i]);
    line("Unit Cell   : " + cell);
    line("Space Group : " + replaceAll(doc.spaceGroupText, ":", ","));
    line("Orientation : " + trim(sim.fields.orientation));
    line("Wavelength 1: " + formatNumber(wl[0], "0.0####"));
    line("Wavelength 2: " + formatNumber(wl[1], "0.0####"));
    line("d-Minimum   : " + formatNumber(doc.dMin, "0.0###"));
    line("d-Maximum   : " + formatNumber(doc.dMax, "0.0###"));
    line("Film Size   : " + shortestText(doc.film[0]) + " x " + shortestText(doc.film[1]) +
         ", d=" + shortestText(doc.film[2]));
    line("HKL Limits  : " + std::to_string(doc.hklMax[0]) + " " + std::to_string(doc.hklMax[1]) +
         " " + std::to_string(doc.hklMax[2]));
    if (!sim.strengths.empty()) {
        line("Atom Sites  : " + std::to_string(sim.atoms.size()));
        line("Scattering  : " + std::string(scatteringName(sim.strengths.scattering)));
    }
    line("");
    line("Number of Generated HKL: " + std::to_string(sim.reflections.count()));
    // Each heading ends where the numbers of its column end (see reflectionLine).
    std::string header = "#    ";
    for (const char index : std::string_view(fourIndex ? "hkil" : "hkl"))
        header += padLeft(std::string(1, index), 4);
    header += padLeft("d", 8);
    if (wl[0] > 0) header += padLeft("th(wl1)", 10);
    if (wl[1] > 0) header += padLeft("th(wl2)", 10);
    if (!sim.strengths.empty()) header += padLeft("I", kIntensityColumn);
    line(header);
    for (std::size_t i = 0; i < sim.reflections.d.size(); ++i)
        line(reflectionLine(sim, i, fourIndex));
    return out;
}

Result<std::string> writeReport(Simulation& sim, const std::string& folder, bool fourIndex) {
    sim.document.title = sim.fields.title;
    const std::string path = joinPath(folder, kReportFileName);
    if (const Outcome written =
            writeFileAtomically(path, reportText(sim, reportDateTime(), fourIndex));
        !written)
        return Problem{inQuotes(path) + " cannot be written: " + written.problem()};
    return path;
}

} // namespace tavrel
