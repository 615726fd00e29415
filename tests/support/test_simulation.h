#pragma once

#include "session/generation.h"
#include "session/input_files.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <array>
#include <string>

namespace tavrel::test {

// A simulation shown in a picture of the window's first size.
struct TestSimulation {
    Simulation sim;
    PatternView pattern;

    PatternInput input(bool dragging = false) const { return patternInput(sim, pattern, dragging); }
    // Shows a new list as the window and the command line do.
    void show(NewList origin) { showNewReflections(pattern, sim, origin); }
    // Generates the list from the fields and shows it.
    Result<NewListReport> generate() {
        Result<NewListReport> report = generateReflections(sim);
        show(NewList::Generated);
        return report;
    }
};

// The cell fields of a cubic cell with a = 4; the crystal system of the group fills in the rest.
inline const std::array<std::string, 6> kCubic4{"4", "", "", "", "", ""};

// Fields of a simple simulation: group number, cell, wavelengths, d range, hkl limits.
inline void setFields(Simulation& s, int group, std::array<std::string, 6> cell,
                      std::string wavelength1 = "1.5418", std::string wavelength2 = "0",
                      std::string dMin = "1.0", std::string dMax = "20", std::string limit = "2") {
    s.fields.spaceGroupIndex = group - 1;
    s.fields.cell = cell;
    s.fields.wavelength = {wavelength1, wavelength2};
    s.fields.d = {dMin, dMax};
    s.fields.hklMax = {limit, limit, limit};
    s.fields.autoLimits = false;
}

// Opens a file by its extension, as the window's Open does: read, then taken.
inline Result<NewListReport> openFile(Simulation& sim, const std::string& path) {
    const Result<InputFile> file = readInputFile(path, inputFormatOf(path).value(), sim.fields);
    if (!file) return file.failure();
    return takeInputFile(sim, *file);
}

// A dense pattern (over 3,000 reflections) whose flat cones cross the whole picture, with a
// second wavelength, dashed selected lines, labels and rings; false when it is not that dense.
inline bool setDense(TestSimulation& t) {
    setFields(t.sim, 227, {"12", "", "", "", "", ""}, "0.3", "0.7107", "0.6", "0", "14");
    t.sim.fields.orientation = "1 2 3";
    if (!t.generate() || t.sim.reflections.count() <= 3000) return false;
    for (std::size_t i = 0; i < 400; i += 7) t.pattern.selection.set(i, true);
    t.pattern.view.viewLabels = true;
    t.pattern.view.viewRings = true;
    return true;
}

// The built-in iron sample (body-centred cubic).
inline void setIron(Simulation& s) {
    setFields(s, 229, {"2.866", "2.866", "2.866", "90", "90", "90"}, "1.9361", "0", "1.0", "0");
    s.fields.title = "Iron (Fe)";
    s.fields.orientation = "0 0 1";
}

} // namespace tavrel::test
