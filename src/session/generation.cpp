#include "session/generation.h"

#include "common/numeric.h"
#include "common/quicksort.h"
#include "common/text.h"
#include "session/orient.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// The value of a field as the leading-number rule reads it; beyond the range of a 4-byte float
// it is an infinity of its sign.
float fieldValue(const std::string& text) {
    return toFloat(leadingNumber(text));
}

// The labels of the fields as messages name them.
constexpr std::array<const char*, 6> kCellLabels{"Lattice constant a", "Lattice constant b",
                                                 "Lattice constant c", "Lattice angle alpha",
                                                 "Lattice angle beta", "Lattice angle gamma"};
constexpr std::array<const char*, 2> kWavelengthLabels{"Wavelength 1", "Wavelength 2"};
constexpr std::array<const char*, 2> kDLabels{"d-Min", "d-Max"};
constexpr std::array<const char*, 3> kLimitLabels{"|H| - max", "|K| - max", "|L| - max"};
constexpr std::array<const char*, 3> kFilmLabels{"Film Width", "Film Height", "Film Distance"};

// A decimal comma reads as the point in every numeric field, and the field shows the point.
void normaliseDecimalComma(std::string& text) {
    text = replaceAll(text, ",", ".");
}

// Limits whose loop range 2H + 1 would not fit the 16-bit indices are refused.
constexpr int kLargestLimit = 16383;

struct WorkRow {
    std::int16_t h, k, l;
    float d, gx, gy, gz;
};

// What the sort moves: the key and where its row is. The sort makes the same comparisons and
// the same swaps as on whole rows, so rows of equal d end in the same order, while it moves a
// fraction of the bytes.
struct SortKey {
    float d;
    std::uint32_t row;
};

// The loop limit for the index along a cell edge: no reflection has |h| > edge / d (h = g . a
// and |g| = 1/d), so beyond edge / dLowest, plus one for rounding, the loops would find nothing.
// This keeps large typed limits from running for hours over triples that cannot pass.
int boundedLimit(int typed, double edge, double dLowest) {
    if (!(dLowest > 0)) return typed;
    const double reach = std::floor(edge / dLowest) + 1.0;
    return reach < typed ? static_cast<int>(reach) : typed;
}

} // namespace

void resetReflections(Simulation& sim) {
    sim.reflections.clear();
    sim.points.rows.clear();
    sim.document.displayDMin = 0;
    sim.document.displayDMax = 99;
}

void applySpaceGroup(Simulation& sim) {
    DocumentFields& f = sim.fields;
    const int n = f.spaceGroupIndex + 1;
    auto rightAngles = [&] { f.cell[3] = f.cell[4] = f.cell[5] = "90"; };
    switch (crystalSystemOf(n)) {
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

    for (int i = 0; i < 6; ++i) {
        std::string& text = f.cell[static_cast<std::size_t>(i)];
        text = replaceAll(text, ",", ".");
        sim.engine.setCellValue(i, fieldValue(text));
    }
    int row = sim.engine.rowForGroup(n);
    if (f.settingRow && *f.settingRow >= 0 && *f.settingRow < static_cast<int>(kSettingsRowCount) &&
        sim.engine.rowNumber(static_cast<std::size_t>(*f.settingRow)) == n)
        row = *f.settingRow;
    else
        f.settingRow.reset(); // chosen for another group
    sim.engine.selectRow(row);
}

bool readDocument(Simulation& sim) {
    DocumentFields& f = sim.fields;
    PatternDocument& doc = sim.document;

    resetReflections(sim);
    doc.valid = true;
    // One message per reading: the first problem found.
    auto refuse = [&](const std::string& message) {
        if (doc.valid) sim.notifier().error(message);
        doc.valid = false;
    };
    // A value that no calculation can use: an infinity or beyond the range of a 4-byte float.
    auto requireFinite = [&](float value, const char* label, const std::string& text) {
        if (!std::isfinite(value)) refuse(std::string(label) + " is not a usable number: " + text);
    };

    doc.spaceGroupIndex =
        static_cast<std::int16_t>(std::clamp(f.spaceGroupIndex, 0, kSpaceGroupCount - 1));
    f.spaceGroupIndex = doc.spaceGroupIndex;
    doc.spaceGroupText = trim(spaceGroupListEntry(doc.spaceGroupIndex));
    applySpaceGroup(sim);

    for (std::size_t i = 0; i < 6; ++i) {
        doc.cell[static_cast<int>(i)] = fieldValue(f.cell[i]);
        requireFinite(doc.cell[static_cast<int>(i)], kCellLabels[i], f.cell[i]);
    }
    // The matrices of the last good cell stay in force for a cell that is not read.
    if (doc.valid &&
        buildLatticeMatrices(doc.cell, doc.matrices, sim.notifier()) != LatticeStatus::Ok)
        doc.valid = false;

    doc.title = f.title;

    for (std::string& text : f.wavelength) normaliseDecimalComma(text);
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
        // Values above 5 are microscope voltages in kV.
        if (doc.wavelength[i] > 5.0f && std::isfinite(doc.wavelength[i])) {
            doc.wavelength[i] = static_cast<float>(electronWavelength(doc.wavelength[i]));
            f.wavelength[i] = formatNumber(doc.wavelength[i], "0.0###");
        }
    }

    for (std::string& text : f.d) normaliseDecimalComma(text);
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
            normaliseDecimalComma(f.hklMax[i]);
            const double typed = leadingNumber(f.hklMax[i]);
            if (!finiteFloat(typed))
                refuse(std::string(kLimitLabels[i]) + " is not a usable number: " + f.hklMax[i]);
            doc.hklMax[i] = roundToInt16(typed);
        } else {
            const double fit = roundHalfEven(doc.cell[static_cast<int>(i)] / doc.dMin);
            doc.hklMax[i] = roundToInt16(std::min(10.0, fit));
        }
    }

    for (std::size_t i = 0; i < 3; ++i) {
        normaliseDecimalComma(f.film[i]);
        doc.film[i] = fieldValue(f.film[i]);
        requireFinite(doc.film[i], kFilmLabels[i], f.film[i]);
    }
    doc.orientationText = f.orientation;
    doc.orientationType = f.orientationType;
    return doc.valid;
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
    sim.reflections.clear();
    sim.points.rows.clear();
    sim.announce(SimulationChange::Cleared);
}

GenerationResult generateReflections(Simulation& sim, const CancelCheck& cancelled) {
    const bool valid = readDocument(sim);
    if (cancelled) (void)cancelled(); // a key pressed before the start does not count

    PatternDocument& doc = sim.document;
    GenerationResult result;
    const int typedH = doc.hklMax[0], typedK = doc.hklMax[1], typedL = doc.hklMax[2];
    result.loopCount = (2LL * typedH + 1) * (2LL * typedK + 1) * (2LL * typedL + 1);

    std::vector<WorkRow> work;
    ReflectionList found; // the component ranges while looping, the sorted rows after
    if (!valid) {
        // readDocument has said why; the list stays empty.
    } else if (std::max({std::abs(typedH), std::abs(typedK), std::abs(typedL)}) > kLargestLimit) {
        result.limitsRefused = true;
        sim.notifier().error("The hkl limits must not exceed " + std::to_string(kLargestLimit) +
                             ".");
    } else {
        float maxD = 0;
        const double lambda1 = doc.wavelength[0];
        const double dLowest = std::max(static_cast<double>(doc.dMin) - 0.0001, lambda1 / 2.0);
        const int H = boundedLimit(typedH, doc.cell.a(), dLowest);
        const int K = boundedLimit(typedK, doc.cell.b(), dLowest);
        const int L = boundedLimit(typedL, doc.cell.c(), dLowest);
        // d-Max defaults to the longest cell edge, which a reflection may reach exactly; the
        // same tolerance as at d-Min keeps it from coming and going with 4-byte rounding.
        const double dHighest = static_cast<double>(doc.dMax) + 0.0001;
        const CellMetric metric(doc.cell);
        bool stop = false;
        for (int h = H; h >= -H && !stop; --h) {
            for (int k = K; k >= -K && !stop; --k) {
                for (int l = L; l >= -L && !stop; --l) {
                    if (h != 0 || k != 0 || l != 0) {
                        const float d = metric.dSpacing(h, k, l);
                        // Cells at the edge of closing (angles near 180) can give a spacing
                        // that is no number at all.
                        const bool inRange = std::isfinite(d) && d > 0 &&
                                             static_cast<double>(doc.dMin) - 0.0001 <= d &&
                                             d <= dHighest;
                        if (inRange && 2.0 * braggAngle(lambda1, d) <= 175.0 &&
                            !sim.engine.isExtinct(static_cast<std::int16_t>(h),
                                                  static_cast<std::int16_t>(k),
                                                  static_cast<std::int16_t>(l))) {
                            if (static_cast<std::int32_t>(work.size()) >= kMaxReflections) {
                                // One more than the list can hold: stop here and say so.
                                result.truncated = true;
                                stop = true;
                                break;
                            }
                            Vec3f g{static_cast<float>(h), static_cast<float>(k),
                                    static_cast<float>(l)};
                            toCartesian(doc.matrices, g, false);
                            work.push_back({static_cast<std::int16_t>(h),
                                            static_cast<std::int16_t>(k),
                                            static_cast<std::int16_t>(l), d, g[0], g[1], g[2]});
                            if (d > maxD) maxD = d;
                            found.trackComponents(g);
                        }
                    }
                    if (cancelled && cancelled()) stop = true;
                }
            }
        }
        doc.dMax = maxD;
    }
    if (work.empty()) doc.dMax = 0;
    if (result.truncated)
        sim.notifier().message("The list holds at most " + std::to_string(kMaxReflections) +
                               " reflections; generation stopped there. Narrow the d range or "
                               "the hkl limits to see all reflections.");

    std::vector<SortKey> order(work.size());
    for (std::size_t i = 0; i < work.size(); ++i)
        order[i] = {work[i].d, static_cast<std::uint32_t>(i)};
    quicksortDescending(order, [](const SortKey& key) { return key.d; });

    found.reserve(work.size());
    for (const SortKey& key : order) {
        const WorkRow& r = work[key.row];
        found.append(r.h, r.k, r.l, r.d, {r.gx, r.gy, r.gz});
    }
    sim.reflections = std::move(found);

    doc.displayDMin = doc.dMin;
    doc.displayDMax = doc.dMax;
    completeNewReflections(sim);
    sim.announce(SimulationChange::Generated);
    return result;
}

void completeNewReflections(Simulation& sim) {
    PatternDocument& doc = sim.document;
    buildPointTable(sim);
    doc.spaceGroupText = trim(spaceGroupListEntry(doc.spaceGroupIndex));
    resetThreshold(doc);
    sim.reflections.generated = true;
    applyOrientationText(sim, doc.orientationType == OrientationType::Direct);
}

float thresholdOf(int sliderValue) {
    return static_cast<float>(sliderValue / 10.0);
}

ThresholdRange resetThreshold(PatternDocument& doc) {
    ThresholdRange range;
    range.maximum = roundToInt32(doc.displayDMax * 10.0);
    range.minimum = roundToInt32(std::max(0.0, doc.displayDMin - 0.1) * 10.0);
    // Lines are drawn only for d above the threshold, so it must lie below the smallest d for
    // every listed reflection to get its line.
    doc.displayDMin = thresholdOf(range.minimum);
    return range;
}

void buildPointTable(Simulation& sim) {
    const ReflectionList& r = sim.reflections;
    sim.points.rows.resize(static_cast<std::size_t>(r.count()));
    for (std::size_t i = 0; i < sim.points.rows.size(); ++i)
        sim.points.rows[i] = {r.gx[i], r.gy[i], r.gz[i], static_cast<std::int32_t>(i)};
}

std::optional<float> initialPatternScale(const ReflectionList& r, int width) {
    const double w = width;
    const double scale = std::min(w / (r.gMax[2] - r.gMin[2]), w / (r.gMax[1] - r.gMin[1])) / 2.0;
    if (std::isfinite(scale) && scale > 0) return static_cast<float>(scale);
    return std::nullopt;
}

std::array<std::string, 5> reflectionListTexts(const ReflectionList& r,
                                               const std::array<float, 2>& wavelength,
                                               std::int32_t i) {
    const auto n = static_cast<std::size_t>(i);
    std::array<std::string, 5> row;
    row[0] = std::to_string(i + 1);
    row[1] = std::to_string(r.h[n]) + " " + std::to_string(r.k[n]) + " " + std::to_string(r.l[n]);
    row[2] = formatNumber(r.d[n], "0.0000");
    for (std::size_t w = 0; w < 2; ++w)
        if (wavelength[w] > 0)
            row[3 + w] = formatNumber(braggAngle(wavelength[w], r.d[n]), "0.000");
    return row;
}

} // namespace tavrel
