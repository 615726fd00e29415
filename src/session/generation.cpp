#include "session/generation.h"

#include "common/numeric.h"
#include "common/quicksort.h"
#include "common/text.h"
#include "session/document_reading.h"
#include "session/line_strengths.h"
#include "session/orient.h"
#include "session/threshold.h"
#include "spacegroup/settings.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

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

// The point table of the unrotated reflection vectors (point i = (gx, gy, gz) of reflection i).
void buildPointTable(Simulation& sim) {
    const ReflectionList& r = sim.reflections;
    sim.points.rows.resize(static_cast<std::size_t>(r.count()));
    for (std::size_t i = 0; i < sim.points.rows.size(); ++i)
        sim.points.rows[i] = {r.gx[i], r.gy[i], r.gz[i], static_cast<std::int32_t>(i)};
    sim.orientation = kIdentity3d;
}

} // namespace

Result<NewListReport> generateReflections(Simulation& sim, const CancelCheck& cancelled) {
    DocumentReading reading = readDocument(sim.fields, sim.document);
    std::optional<Problem> problem = std::move(reading.problem);
    takeReading(sim, std::move(reading));
    if (cancelled) (void)cancelled(); // a key pressed before the start does not count

    PatternDocument& doc = sim.document;
    NewListReport result;
    const int typedH = doc.hklMax[0], typedK = doc.hklMax[1], typedL = doc.hklMax[2];
    result.loopCount = (2LL * typedH + 1) * (2LL * typedK + 1) * (2LL * typedL + 1);

    std::vector<WorkRow> work;
    ReflectionList found; // the component ranges while looping, the sorted rows after
    if (problem) {
        // The list stays empty.
    } else if (std::max({std::abs(typedH), std::abs(typedK), std::abs(typedL)}) > kLargestLimit) {
        problem = Problem{"The hkl limits must not exceed " + std::to_string(kLargestLimit) + "."};
    } else {
        float maxD = 0;
        const double lambda1 = doc.wavelength[0];
        const double dLowest = static_cast<double>(doc.dMin) - kDTolerance;
        const double dHighest = static_cast<double>(doc.dMax) + kDTolerance;
        // No cone exists below half the wavelength.
        const double dReached = std::max(dLowest, lambda1 / 2.0);
        const int H = boundedLimit(typedH, doc.cell.a(), dReached);
        const int K = boundedLimit(typedK, doc.cell.b(), dReached);
        const int L = boundedLimit(typedL, doc.cell.c(), dReached);
        const CellMetric metric(doc.cell);
        bool stop = false;
        for (int h = H; h >= -H && !stop; --h) {
            for (int k = K; k >= -K && !stop; --k) {
                for (int l = L; l >= -L && !stop; --l) {
                    if (h != 0 || k != 0 || l != 0) {
                        const float d = metric.dSpacing(h, k, l);
                        // Cells at the edge of closing (angles near 180) can give a spacing
                        // that is no number at all.
                        const bool inRange =
                            std::isfinite(d) && d > 0 && dLowest <= d && d <= dHighest;
                        if (inRange && 2.0 * braggAngle(lambda1, d) <= 175.0 &&
                            !sim.group.isAbsent(static_cast<std::int16_t>(h),
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
        result.warnings.push_back("The list holds at most " + std::to_string(kMaxReflections) +
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
    if (const Outcome strengths = completeNewReflections(sim); !strengths)
        result.warnings.push_back(strengths.problem());
    if (problem) return *problem;
    return result;
}

Outcome completeNewReflections(Simulation& sim) {
    PatternDocument& doc = sim.document;
    buildPointTable(sim);
    doc.spaceGroupText = trim(spaceGroupListEntry(doc.spaceGroupIndex));
    resetThreshold(doc);
    sim.reflections.generated = true;
    const Outcome oriented = applyOrientationText(sim);
    const Outcome strengths = computeLineStrengths(sim);
    // The list stands in the orientation the points had. A text that names no orientation only
    // shows so in its field, as the document read it; a refused one says why.
    if (!oriented && oriented.failure().kind == Problem::Kind::WrongKind)
        sim.fields.orientation = kInvalidOrientationText;
    else if (!oriented)
        return oriented;
    return strengths;
}

} // namespace tavrel
