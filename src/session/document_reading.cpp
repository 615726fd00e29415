#include "session/document_reading.h"

#include "common/numeric.h"
#include "common/text.h"
#include "session/field_reader.h"
#include "spacegroup/settings.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// The labels of the fields as messages name them.
constexpr std::array<const char*, 6> kCellLabels{"Lattice constant a", "Lattice constant b",
                                                 "Lattice constant c", "Lattice angle alpha",
                                                 "Lattice angle beta", "Lattice angle gamma"};
constexpr std::array<const char*, 2> kWavelengthLabels{"Wavelength 1", "Wavelength 2"};
constexpr std::array<const char*, 2> kDLabels{"d-Min", "d-Max"};
constexpr std::array<const char*, 3> kLimitLabels{"|H| - max", "|K| - max", "|L| - max"};
constexpr std::array<const char*, 3> kFilmLabels{"Film Width", "Film Height", "Film Distance"};

// Values above this are microscope voltages in kV, not wavelengths.
constexpr float kLargestWavelength = 5.0f;

// The cell constraints of the group's crystal system on the cell fields, written with the
// decimal point.
void constrainCell(DocumentFields& f) {
    auto rightAngles = [&] { f.cell[3] = f.cell[4] = f.cell[5] = "90"; };
    switch (crystalSystemOf(f.spaceGroupIndex + 1)) {
    case CrystalSystem::Orthorhombic:
        rightAngles();
        break;
    case CrystalSystem::Tetragonal:
        rightAngles();
        f.cell[1] = f.cell[0];
        break;
    case CrystalSystem::Hexagonal:
        f.cell[3] = f.cell[4] = "90";
        f.cell[5] = "120";
        f.cell[1] = f.cell[0];
        break;
    case CrystalSystem::Cubic:
        rightAngles();
        f.cell[1] = f.cell[2] = f.cell[0];
        break;
    default:
        break;
    }
    for (std::string& text : f.cell) text = withDecimalPoint(text);
}

// The settings row of the fields' group: the setting row a file chose when it belongs to that
// group (else it is cleared), or the list's own row for the group.
int settingRowOf(DocumentFields& f) {
    const int number = f.spaceGroupIndex + 1;
    if (f.settingRow && groupNumberOfRow(*f.settingRow) == number) return *f.settingRow;
    f.settingRow.reset(); // chosen for another group
    return rowForGroup(number, rGroupAxesFor(fieldValue(f.cell[5])));
}

} // namespace

void readMinIntensity(DocumentFields& fields, PatternDocument& document) {
    fields.minIntensity = withDecimalPoint(fields.minIntensity);
    const float value = fieldValue(fields.minIntensity);
    // A threshold that cannot be read hides nothing rather than everything.
    document.minIntensity = std::isfinite(value) && value >= 0 ? std::min(value, 100.0f) : 0.0f;
}

DocumentReading readDocument(const DocumentFields& typed, const PatternDocument& previous) {
    DocumentReading reading{typed, previous, {}, {}};
    DocumentFields& f = reading.fields;
    PatternDocument& doc = reading.document;

    doc.displayDMin = 0;
    doc.displayDMax = 99;
    doc.valid = true;
    // The first problem found is the one the user is told of.
    auto refuse = [&](const std::string& message) {
        if (!reading.problem) reading.problem = Problem{message};
        doc.valid = false;
    };
    // A value that no calculation can use: an infinity or beyond the range of a 4-byte float.
    auto requireFinite = [&](float value, const char* label, const std::string& text) {
        if (!std::isfinite(value)) refuse(std::string(label) + " is not a usable number: " + text);
    };

    f.spaceGroupIndex = std::clamp(f.spaceGroupIndex, 0, kSpaceGroupCount - 1);
    doc.spaceGroupIndex = static_cast<std::int16_t>(f.spaceGroupIndex);
    doc.spaceGroupText = trim(spaceGroupListEntry(doc.spaceGroupIndex));
    constrainCell(f);
    reading.group = SpaceGroup::ofRow(settingRowOf(f));

    for (std::size_t i = 0; i < 6; ++i) {
        doc.cell[static_cast<int>(i)] = fieldValue(f.cell[i]);
        requireFinite(doc.cell[static_cast<int>(i)], kCellLabels[i], f.cell[i]);
    }
    // The matrices of the last good cell stay in force for a cell that is not read.
    if (doc.valid) {
        if (const Result<LatticeMatrices> matrices = buildLatticeMatrices(doc.cell))
            doc.matrices = *matrices;
        else
            refuse(matrices.problem());
    }

    doc.title = f.title;

    for (std::string& text : f.wavelength) text = withDecimalPoint(text);
    if (leadingNumber(f.wavelength[0]) <= 0) f.wavelength[0] = "1.54056";
    if (leadingNumber(f.wavelength[1]) <= 0) f.wavelength[1] = "0";
    doc.wavelength = {fieldValue(f.wavelength[0]), fieldValue(f.wavelength[1])};
    for (std::size_t i = 0; i < 2; ++i)
        requireFinite(doc.wavelength[i], kWavelengthLabels[i], f.wavelength[i]);
    if (doc.wavelength[1] == doc.wavelength[0]) {
        // A second line identical to the first is switched off.
        doc.wavelength[1] = 0;
        f.wavelength[1] = "0";
    }
    for (std::size_t i = 0; i < 2; ++i) {
        if (doc.wavelength[i] > kLargestWavelength && std::isfinite(doc.wavelength[i])) {
            if (i == 0) f.electronBeam = true;
            doc.wavelength[i] = static_cast<float>(electronWavelength(doc.wavelength[i]));
            f.wavelength[i] = formatNumber(doc.wavelength[i], "0.0###");
        }
    }
    doc.wavelengthFromVoltage = f.electronBeam;

    for (std::string& text : f.d) text = withDecimalPoint(text);
    doc.dMin = fieldValue(f.d[0]);
    if (!(doc.dMin > 0)) {
        doc.dMin = 1.0f;
        f.d[0] = "1.0";
    }
    requireFinite(doc.dMin, kDLabels[0], f.d[0]);
    doc.dMax = fieldValue(f.d[1]);
    if (!(doc.dMax > 0)) {
        doc.dMax = std::max({doc.cell.a(), doc.cell.b(), doc.cell.c()});
        // A cell edge that could not be read has already been reported.
        if (std::isfinite(doc.dMax)) f.d[1] = formatNumber(doc.dMax, "0.0##");
    } else {
        requireFinite(doc.dMax, kDLabels[1], f.d[1]);
    }

    doc.autoLimits = f.autoLimits;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!doc.autoLimits) {
            f.hklMax[i] = withDecimalPoint(f.hklMax[i]);
            const double typedLimit = leadingNumber(f.hklMax[i]);
            if (!finiteFloat(typedLimit))
                refuse(std::string(kLimitLabels[i]) + " is not a usable number: " + f.hklMax[i]);
            doc.hklMax[i] = roundToInt16(typedLimit);
        } else {
            const double fit = roundHalfEven(doc.cell[static_cast<int>(i)] / doc.dMin);
            doc.hklMax[i] = roundToInt16(std::min(10.0, fit));
        }
    }

    for (std::size_t i = 0; i < 3; ++i) {
        f.film[i] = withDecimalPoint(f.film[i]);
        doc.film[i] = fieldValue(f.film[i]);
        requireFinite(doc.film[i], kFilmLabels[i], f.film[i]);
    }
    doc.orientationText = f.orientation;
    doc.orientationType = f.orientationType;
    readMinIntensity(f, doc);
    return reading;
}

void typeWavelength(DocumentFields& fields, std::size_t index, std::string text) {
    if (index >= fields.wavelength.size()) return;
    if (index == 0) {
        const double typed = leadingNumber(withDecimalPoint(text));
        if (typed <= kLargestWavelength) fields.electronBeam = false;
    }
    fields.wavelength[index] = std::move(text);
}

void takeReading(Simulation& sim, DocumentReading reading) {
    sim.fields = std::move(reading.fields);
    sim.document = std::move(reading.document);
    sim.group = std::move(reading.group);
    sim.reflections.clear();
    sim.points.rows.clear();
    sim.strengths = {};
}

void showDocument(Simulation& sim) {
    DocumentFields& f = sim.fields;
    const PatternDocument& doc = sim.document;
    for (std::size_t i = 0; i < 2; ++i) f.wavelength[i] = trim(shortestText(doc.wavelength[i]));
    for (int i = 0; i < 6; ++i)
        f.cell[static_cast<std::size_t>(i)] = trim(shortestText(doc.cell[i]));
    f.d[0] = formatNumber(doc.dMin, "0.0##");
    f.d[1] = formatNumber(doc.dMax, "0.0##");
    for (std::size_t i = 0; i < 3; ++i) f.hklMax[i] = std::to_string(doc.hklMax[i]);
    f.autoLimits = doc.autoLimits;
    f.spaceGroupIndex = doc.spaceGroupIndex;
}

void newDocument(Simulation& sim, const std::string& filePath) {
    sim.fields.resetForNewDocument();
    sim.document.filePath = filePath;
    sim.document.title = sim.fields.title;
    sim.document.autoLimits = false;
    sim.document.threshold = {};
    sim.atoms.clear();
    sim.reflections.clear();
    sim.points.rows.clear();
    sim.strengths = {};
}

} // namespace tavrel
