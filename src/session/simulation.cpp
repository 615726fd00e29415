#include "session/simulation.h"

#include "common/numeric.h"
#include "common/text.h"
#include "render/projection.h"
#include "session/orient.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

float fieldValue(const std::string& text) {
    return static_cast<float>(leadingNumber(text));
}

// Limits whose loop range 2H + 1 would not fit the 16-bit indices are refused.
constexpr int kLargestLimit = 16383;

} // namespace

void resetReflections(Session& s) {
    s.reflections.clear();
    s.points.rows.clear();
    s.doc.thetaWindow = {0, 180};
    s.doc.displayDMin = 0;
    s.doc.displayDMax = 99;
    s.view.showLines = true;
}

void applySpaceGroup(Session& s) {
    DocumentFields& f = s.fields;
    const int n = f.spaceGroupIndex + 1;
    auto rightAngles = [&] { f.cell[3] = f.cell[4] = f.cell[5] = "90"; };
    if (n >= 16 && n <= 74) {
        rightAngles();
    } else if (n >= 75 && n <= 142) {
        rightAngles();
        f.cell[1] = f.cell[0];
    } else if (n >= 168 && n <= 194) {
        f.cell[3] = f.cell[4] = "90";
        f.cell[5] = "120";
        f.cell[1] = f.cell[0];
    } else if (n >= 195 && n <= 230) {
        rightAngles();
        f.cell[1] = f.cell[2] = f.cell[0];
    }

    for (int i = 0; i < 6; ++i) {
        std::string& text = f.cell[static_cast<std::size_t>(i)];
        text = replaceAll(text, ",", ".");
        s.engine.setCellValue(i, fieldValue(text));
    }

    const std::string entry = spaceGroupListEntry(s.engine, f.spaceGroupIndex);
    const std::size_t colon = entry.find(':');
    const std::string symbol =
        trim(toUpper(colon == std::string::npos ? entry : entry.substr(colon + 1)));
    s.engine.selectSymbol(symbol);
}

void readDocument(Session& s) {
    DocumentFields& f = s.fields;
    PatternDocument& doc = s.doc;

    resetReflections(s);

    doc.spaceGroupIndex = static_cast<std::int16_t>(std::clamp(f.spaceGroupIndex, 0, 229));
    f.spaceGroupIndex = doc.spaceGroupIndex;
    doc.spaceGroupText = trim(spaceGroupListEntry(s.engine, doc.spaceGroupIndex));
    applySpaceGroup(s);

    for (int i = 0; i < 6; ++i) doc.cell[i] = fieldValue(f.cell[static_cast<std::size_t>(i)]);
    buildLatticeMatrices(doc.cell, doc.matrices, s.notifier);

    doc.title = f.title;
    s.status.text[3] = doc.title;

    if (leadingNumber(f.wavelength[0]) <= 0) f.wavelength[0] = "1.54056";
    if (leadingNumber(f.wavelength[1]) <= 0) f.wavelength[1] = "0";
    doc.wavelength = {fieldValue(f.wavelength[0]), fieldValue(f.wavelength[1])};
    if (doc.wavelength[1] == doc.wavelength[0]) {
        // A second line identical to the first is switched off.
        doc.wavelength[1] = 0;
        f.wavelength[1] = "0";
    }
    for (std::size_t i = 0; i < 2; ++i) {
        // Values above 5 are microscope voltages in kV.
        if (doc.wavelength[i] > 5.0f) {
            doc.wavelength[i] = static_cast<float>(electronWavelength(doc.wavelength[i]));
            f.wavelength[i] = formatNumber(doc.wavelength[i], "0.0###");
        }
    }

    doc.dMin = fieldValue(f.d[0]);
    if (!(doc.dMin > 0)) {
        doc.dMin = 1.0f;
        f.d[0] = "1.0";
    }
    doc.dMax = fieldValue(f.d[1]);
    if (!(doc.dMax > 0)) {
        doc.dMax = std::max({doc.cell.a(), doc.cell.b(), doc.cell.c()});
        f.d[1] = formatNumber(doc.dMax, "0.0##");
    }

    doc.autoLimits = f.autoLimits;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!doc.autoLimits) {
            doc.hklMax[i] = roundToInt16(leadingNumber(f.hklMax[i]));
        } else {
            const double fit = roundHalfEven(doc.cell[static_cast<int>(i)] / doc.dMin);
            doc.hklMax[i] = roundToInt16(std::min(10.0, fit));
        }
    }

    for (std::size_t i = 0; i < 3; ++i) doc.film[i] = fieldValue(f.film[i]);
    doc.orientationText = f.orientation;
    doc.orientationType = static_cast<std::int16_t>(f.orientationType == kOrientationUvw);
}

void showDocument(Session& s) {
    DocumentFields& f = s.fields;
    PatternDocument& doc = s.doc;
    for (std::size_t i = 0; i < 2; ++i) f.wavelength[i] = trim(shortestText(doc.wavelength[i]));
    for (int i = 0; i < 6; ++i)
        f.cell[static_cast<std::size_t>(i)] = trim(shortestText(doc.cell[i]));
    f.d[0] = formatNumber(doc.dMin, "0.0##");
    f.d[1] = formatNumber(doc.dMax, "0.0##");
    for (std::size_t i = 0; i < 3; ++i) f.hklMax[i] = std::to_string(doc.hklMax[i]);
    f.autoLimits = doc.autoLimits;
    s.slider.maximum = roundToInt32(doc.displayDMax * 10.0);
    s.slider.minimum = roundToInt32(doc.displayDMin * 10.0);
    s.slider.value = s.slider.minimum;
    doc.displayDMin = static_cast<float>(s.slider.value / 10.0);
    f.spaceGroupIndex = doc.spaceGroupIndex;
}

void newDocument(Session& s) {
    DocumentFields& f = s.fields;
    s.doc.filePath = s.folders.data + "input.tvr";
    s.doc.title = f.title = "Untitled";
    s.reflections.clear();
    s.points.rows.clear();
    s.reflectionView.clear();
    s.selection.reset(0);
    f.hklMax = {"2", "2", "2"};
    f.cell = {"5", "5", "5", "90", "90", "90"};
    f.orientation = "0 0 1";
    f.d = {"1.0", "20"};
    setAutoLimits(s, false);
    f.spaceGroupIndex = kDefaultSpaceGroupIndex;
    s.requestRedraw();
}

void setAutoLimits(Session& s, bool on) {
    s.fields.autoLimits = on;
    s.doc.autoLimits = on;
}

double reflectionTheta(float wavelength, float d) {
    return arcSin(static_cast<double>(wavelength) / 2.0 / d) / kDegToRad;
}

namespace {

struct WorkRow {
    float h, k, l, d, gx, gy, gz;
};

} // namespace

void generateReflections(Session& s, const CancelCheck& cancelled) {
    readDocument(s);
    if (cancelled) (void)cancelled(); // a key pressed before the start does not count

    PatternDocument& doc = s.doc;
    const int H = doc.hklMax[0], K = doc.hklMax[1], L = doc.hklMax[2];
    const long long loops = (2LL * H + 1) * (2LL * K + 1) * (2LL * L + 1);
    s.status.text[1] = "of " + std::to_string(loops - 1) + " loops";

    std::vector<WorkRow> work;
    ReflectionList found; // the component ranges while looping, the sorted rows after
    bool truncated = false;
    if (std::max({std::abs(H), std::abs(K), std::abs(L)}) > kLargestLimit) {
        s.notifier.error("The hkl limits must not exceed " + std::to_string(kLargestLimit) + ".");
    } else {
        float maxD = 0;
        const double lambda1 = doc.wavelength[0];
        bool stop = false;
        for (int h = H; h >= -H && !stop; --h) {
            for (int k = K; k >= -K && !stop; --k) {
                for (int l = L; l >= -L && !stop; --l) {
                    if (h != 0 || k != 0 || l != 0) {
                        const float d = dSpacing(doc.cell, h, k, l);
                        const bool inRange =
                            static_cast<double>(doc.dMin) - 0.0001 <= d && d <= doc.dMax;
                        if (inRange && 2.0 * arcSin(lambda1 / 2.0 / d) / kDegToRad <= 175.0 &&
                            !s.engine.isExtinct(static_cast<std::int16_t>(h),
                                                static_cast<std::int16_t>(k),
                                                static_cast<std::int16_t>(l))) {
                            if (static_cast<std::int32_t>(work.size()) >= kMaxReflections) {
                                // One more than the list can hold: stop here and say so.
                                truncated = true;
                                stop = true;
                                break;
                            }
                            Vec3f g{static_cast<float>(h), static_cast<float>(k),
                                    static_cast<float>(l)};
                            toCartesian(doc.matrices, g, false);
                            work.push_back({static_cast<float>(h), static_cast<float>(k),
                                            static_cast<float>(l), d, g[0], g[1], g[2]});
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
    if (truncated)
        s.notifier.message("The list holds at most " + std::to_string(kMaxReflections) +
                           " reflections; generation stopped there. Narrow the d range or the "
                           "hkl limits to see all reflections.");

    quicksortDescending(work, [](const WorkRow& r) { return r.d; });

    for (const WorkRow& r : work)
        found.append(roundToInt16(r.h), roundToInt16(r.k), roundToInt16(r.l), r.d,
                     {r.gx, r.gy, r.gz});
    s.reflections = std::move(found);
    s.status.text[0] = std::to_string(s.reflections.count()) + " reflections";

    buildRotatedVectors(s);
    doc.spaceGroupText = trim(spaceGroupListEntry(s.engine, doc.spaceGroupIndex));
    setInitialPatternScale(s);

    doc.displayDMin = doc.dMin;
    doc.displayDMax = doc.dMax;
    resetThreshold(s);

    fillReflectionView(s);
    s.reflections.generated = true;
    applyOrientationText(s, doc.orientationType == kOrientationUvw);
    FitScreen(s);
}

void resetThreshold(Session& s) {
    PatternDocument& doc = s.doc;
    s.slider.maximum = roundToInt32(doc.displayDMax * 10.0);
    s.slider.minimum = roundToInt32(std::max(0.0, doc.displayDMin - 0.1) * 10.0);
    s.slider.value = s.slider.minimum;
    // The threshold follows the slider, as moving it does: lines are drawn only for d above it,
    // so it must lie below the smallest d for every listed reflection to get its line.
    doc.displayDMin = static_cast<float>(s.slider.value / 10.0);
}

void buildRotatedVectors(Session& s) {
    const ReflectionList& r = s.reflections;
    s.points.rows.resize(static_cast<std::size_t>(r.count()));
    for (std::size_t i = 0; i < s.points.rows.size(); ++i)
        s.points.rows[i] = {r.gx[i], r.gy[i], r.gz[i], static_cast<float>(i)};
}

void setInitialPatternScale(Session& s) {
    const double w = s.canvasWidth;
    const ReflectionList& r = s.reflections;
    const double scale = std::min(w / (r.gMax[2] - r.gMin[2]), w / (r.gMax[1] - r.gMin[1])) / 2.0;
    // A list without spread (one reflection, or none) has no scale of its own; the fit to the
    // film that follows sets it.
    if (std::isfinite(scale) && scale > 0) s.view.patternScale = static_cast<float>(scale);
}

std::array<std::string, 5> reflectionViewRow(const Session& s, std::int32_t i) {
    const auto n = static_cast<std::size_t>(i);
    const ReflectionList& r = s.reflections;
    const auto& wl = s.doc.wavelength;
    std::array<std::string, 5> row;
    row[0] = std::to_string(i + 1);
    row[1] = std::to_string(r.h[n]) + " " + std::to_string(r.k[n]) + " " + std::to_string(r.l[n]);
    row[2] = formatNumber(r.d[n], "0.0000");
    if (wl[0] > 0) row[3] = formatNumber(reflectionTheta(wl[0], r.d[n]), "0.000");
    if (wl[1] > 0) row[4] = formatNumber(reflectionTheta(wl[1], r.d[n]), "0.000");
    return row;
}

void fillReflectionView(Session& s) {
    s.reflectionView.clear();
    s.reflectionView.reserve(static_cast<std::size_t>(s.reflections.count()));
    for (std::int32_t i = 0; i < s.reflections.count(); ++i)
        s.reflectionView.push_back(reflectionViewRow(s, i));
    s.selection.reset(static_cast<std::size_t>(s.reflections.count()));
}

} // namespace tavrel
