#include "render/renderer.h"

#include "common/numeric.h"
#include "common/text.h"
#include "orientation/zone_axes.h"
#include "render/projection.h"
#include "render/surface.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

namespace tavrel {

namespace {

constexpr int kStepCount = 360;
// Below this many traced cones, starting threads costs more than it saves: most cones of a
// pattern are rejected before any sampling.
constexpr std::size_t kParallelMinimum = 512;
// Cones a sampling thread takes at a time.
constexpr std::size_t kSamplingRun = 256;
// Picks and poles farther than this from their reference point never count.
constexpr float kOutOfReach = 999;

float dOf(const ReflectionList& r, const RotatedPoint& p) {
    const auto i = static_cast<std::size_t>(p.reflection);
    return i < r.d.size() ? r.d[i] : 0.0f;
}

// Strong enough to be drawn: every reflection of a lattice without atoms is.
bool strongEnough(const PatternInput& input, const RotatedPoint& p) {
    const auto i = static_cast<std::size_t>(p.reflection);
    return i >= input.intensity.size() || input.intensity[i] >= input.minIntensity;
}

ProjectionFrame frameFor(const PatternInput& input, int width, int height, float printScale) {
    ProjectionFrame frame;
    frame.cx = static_cast<float>(width / 2.0);
    frame.cy = static_cast<float>(height / 2.0);
    frame.scale = input.view.patternScale;
    frame.printScale = printScale;
    frame.stereoRadius = stereoRadiusFor(width, height);
    return frame;
}

bool fourIndexOf(const PatternInput& input) {
    return input.view.fourIndex && input.hexagonal;
}

// The zone axes the picture marks: those in front of the film whose marker lies inside it.
std::vector<ZoneAxisPick> markedZoneAxes(const PatternInput& input, const ProjectionFrame& frame,
                                         int width, int height) {
    std::vector<ZoneAxisPick> marked;
    const ViewState& view = input.view;
    if (!view.showZoneAxes || !view.showLines || !input.orientation || !input.matrices)
        return marked;
    const Result<std::vector<ZoneAxis>> axes =
        zoneAxes(*input.orientation, *input.matrices, std::clamp(view.zoneAxisIndex, 1, 6));
    if (!axes) return marked;
    for (const ZoneAxis& axis : *axes) {
        if (!axis.inFront) continue;
        const std::optional<PixelPoint> p =
            projectDirection(frame, axis.view, view.viewStereographic);
        if (!p || p->x < 0 || p->x >= width || p->y < 0 || p->y >= height) continue;
        marked.push_back({axis.indices, axis.angleDegrees, p->x, p->y});
    }
    return marked;
}

constexpr Rgb kZoneAxisOnDark{255, 215, 0};
constexpr Rgb kZoneAxisOnLight{170, 0, 140};
constexpr int kZoneAxisMarker = 3;
// A click this near a marker names its zone axis.
constexpr float kZoneAxisReach = 8;

// The recorded pattern lies where the fit sees it (scaled with the lines on paper). The
// stereographic projection has no flat film to lay it on: a note says where it went.
void drawUnderlay(DrawingSurface& surface, const PatternInput& input, const ProjectionFrame& f) {
    if (!input.underlay || input.underlay->picture.pixels.empty() || !input.view.showLines) return;
    const Underlay& u = *input.underlay;
    if (input.view.viewStereographic) {
        surface.drawText(4, surface.height() - surface.textHeight() - 4,
                         "pattern image hidden in the stereographic projection",
                         kFilmOutlineColour);
        return;
    }
    const std::array<float, 3>& film = input.film;
    if (!(film[0] > 0 && film[1] > 0 && film[2] > 0)) return;
    const PictureRect r = imagePlacement(detectorFor(film, u.centre), f.cx, f.cy,
                                         static_cast<double>(f.scale) * f.printScale);
    surface.drawGreyPicture(u.picture, r.left, r.top, r.width, r.height, u.opacity);
}

void drawZoneAxes(DrawingSurface& surface, const PatternInput& input,
                  const std::vector<ZoneAxisPick>& marked, float printScale) {
    if (marked.empty()) return;
    const Rgb colour = input.view.lightBackground ? kZoneAxisOnLight : kZoneAxisOnDark;
    const int size = roundToInt16(kZoneAxisMarker * printScale);
    surface.setPen(colour, 1, PenStyle::Solid);
    const bool four = fourIndexOf(input);
    for (const ZoneAxisPick& z : marked) {
        surface.drawCircle(z.x, z.y, size, true);
        const std::string label = four ? fourIndexText(z.indices, IndexKind::Direction)
                                       : indexText(z.indices, IndexKind::Direction);
        surface.drawText(z.x + 2 * size, z.y + size, label, colour);
    }
}

} // namespace

Renderer::Renderer(int threads)
    : threads_(threads > 0 ? threads
                           : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {}

std::string nearestPoleText(const ReflectionList& reflections, std::int32_t index, bool fourIndex) {
    return "approx. (" + hklLabel(reflections, index, " ", fourIndex) + ")";
}

std::string clickedText(const ReflectionList& reflections, std::int32_t index, bool fourIndex) {
    return "clicked (" + hklLabel(reflections, index, " ", fourIndex) + ")";
}

std::string zoneAxisText(const ZoneAxisPick& pick, bool fourIndex) {
    const std::string indices = fourIndex ? fourIndexText(pick.indices, IndexKind::Direction)
                                          : indexText(pick.indices, IndexKind::Direction);
    return "zone " + indices + ", " + formatNumber(pick.angleDegrees, "0.0") +
           "\u00b0 from the centre";
}

TraceSettings Renderer::traceSettings(const PatternInput& input, int width, int height,
                                      float printScale) const {
    const ProjectionFrame frame = frameFor(input, width, height, printScale);
    TraceSettings ts;
    ts.wavelength = input.wavelength;
    ts.patternScale = input.view.patternScale;
    ts.stereoRadius = frame.stereoRadius;
    ts.printScale = printScale;
    ts.stereographic = input.view.viewStereographic;
    ts.labels = input.view.viewLabels;
    ts.lightBackground = input.view.lightBackground;
    ts.dragging = input.dragging;
    ts.highlight = input.colours.baseColours[2];
    ts.fourIndex = fourIndexOf(input);
    ts.reflectionCount = input.reflections.count();
    ts.width = width;
    ts.height = height;
    ts.cx = frame.cx;
    ts.cy = frame.cy;
    return ts;
}

namespace {

// Runs of cones sampled by a pool of threads in the order the threads claim them, while the
// caller takes the cones in table order: for each it waits until its run is sampled, or
// samples the next unclaimed run itself. So a picture is drawn while its later cones are
// still being sampled, and the result is that of one loop.
class RunSampler {
public:
    using SampleRange = std::function<void(std::size_t from, std::size_t to)>;
    RunSampler(std::size_t count, int threads, SampleRange sample)
        : count_(count), runs_((count + kSamplingRun - 1) / kSamplingRun),
          done_(std::make_unique<std::atomic<bool>[]>(runs_)), sample_(std::move(sample)) {
        if (threads > 1 && count >= kParallelMinimum)
            for (int t = 1; t < threads; ++t)
                pool_.emplace_back([this] {
                    while (sampleNext()) {}
                });
    }
    RunSampler(const RunSampler&) = delete;
    RunSampler& operator=(const RunSampler&) = delete;

    // Whether other threads sample too.
    bool pooled() const { return !pool_.empty(); }
    // Returns once cone `cone` is sampled.
    void waitFor(std::size_t cone) {
        const std::size_t run = cone / kSamplingRun;
        while (!done_[run].load(std::memory_order_acquire))
            if (!sampleNext()) std::this_thread::yield(); // a pool thread has it
    }
    void waitForAll() {
        for (std::size_t run = 0; run < runs_; ++run) waitFor(run * kSamplingRun);
    }

private:
    // Claims the next run and samples it; false when every run is claimed.
    bool sampleNext() {
        const std::size_t run = next_.fetch_add(1);
        if (run >= runs_) return false;
        sample_(run * kSamplingRun, std::min(count_, (run + 1) * kSamplingRun));
        done_[run].store(true, std::memory_order_release);
        return true;
    }

    std::size_t count_, runs_;
    std::atomic<std::size_t> next_{0};
    std::unique_ptr<std::atomic<bool>[]> done_;
    SampleRange sample_;
    std::vector<std::jthread> pool_; // the last member: joined before the rest goes
};

} // namespace

std::size_t Renderer::prepareCones(const PatternInput& input) {
    const std::vector<RotatedPoint>& rows = input.points.rows;
    tracedRows_.clear();
    if (input.view.showLines)
        for (std::size_t n = 0; n < rows.size(); ++n)
            if (dOf(input.reflections, rows[n]) > input.threshold && strongEnough(input, rows[n]))
                tracedRows_.push_back(n);
    if (cones_.size() < tracedRows_.size()) cones_.resize(tracedRows_.size());
    return tracedRows_.size();
}

void Renderer::sampleRange(const PatternInput& input, const ConeTracer& tracer, std::size_t from,
                           std::size_t to) {
    const std::vector<RotatedPoint>& rows = input.points.rows;
    for (std::size_t j = from; j < to; ++j) {
        const RotatedPoint& p = rows[tracedRows_[j]];
        tracer.sample({p.x, p.y, p.z, dOf(input.reflections, p)}, kStepCount, false, cones_[j]);
    }
}

void Renderer::sampleCones(const PatternInput& input, const ConeTracer& tracer) {
    RunSampler sampler(prepareCones(input), threads_, [&](std::size_t from, std::size_t to) {
        sampleRange(input, tracer, from, to);
    });
    sampler.waitForAll();
}

std::optional<DrawSummary> Renderer::draw(const PatternInput& input, DrawingSurface& surface,
                                          const PrintContext* print) {
    const ReflectionList& refl = input.reflections;
    if (!refl.generated) return std::nullopt;
    const ViewState& view = input.view;
    const ColourTable& colours = input.colours;
    const bool printing = print != nullptr;

    const int W = surface.width(), H = surface.height();
    const float printScale =
        printing && !(view.viewStereographic && view.showLines) ? print->printFactor : 1.0f;
    const ProjectionFrame frame = frameFor(input, W, H, printScale);

    surface.clear(backgroundColour(colours, view.lightBackground));
    surface.setTextSize(view.viewStereographic ? 7 : 8);
    drawUnderlay(surface, input, frame);

    const ConeTracer tracer(traceSettings(input, W, H, printScale), refl);
    RunSampler sampler(prepareCones(input), threads_, [&](std::size_t from, std::size_t to) {
        sampleRange(input, tracer, from, to);
    });
    // With no other thread nothing overlaps: sampling everything first keeps each loop's data
    // in the caches (measurably faster for a dense picture).
    if (!sampler.pooled()) sampler.waitForAll();

    const std::vector<RotatedPoint>& rows = input.points.rows;
    float nearestPole = kOutOfReach;
    std::optional<std::size_t> nearestPoleRow;
    std::int32_t traced = 0;
    const bool monochrome = colours.schemeIndex == kMonochromeScheme;
    std::size_t next = 0; // next entry of tracedRows_
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const RotatedPoint& row = rows[n];
        const std::int32_t i = row.reflection;
        const float d = dOf(refl, row);

        const LatticeOffset o = latticeOffset(row, frame.scale);
        const float poleDistance = static_cast<float>(
            std::sqrt(static_cast<double>(o.a) * o.a + static_cast<double>(o.b) * o.b));
        // A point and its opposite project to the same place; the pole in front of the film
        // is the one the user looks at.
        const bool inFrontOfTie = poleDistance == nearestPole && nearestPoleRow &&
                                  rows[*nearestPoleRow].x <= 0 && row.x > 0;
        if (poleDistance < nearestPole || inFrontOfTie) {
            nearestPole = poleDistance;
            nearestPoleRow = n;
        }

        const int size = roundToInt16(d / input.dMax * 8 * frame.printScale);
        const auto reflection = static_cast<std::size_t>(i);
        const int entry =
            view.colourByIntensity && reflection < input.intensity.size()
                ? colourIndex(input.intensity[reflection], 0, 100, view.lightBackground)
                : colourIndex(d, input.dMin, input.dMax, view.lightBackground);
        Rgb pen = colours.colourLUT[static_cast<std::size_t>(entry)];
        if (monochrome) pen = view.lightBackground ? kBlack : kWhite;

        if (!view.showLines) {
            if (!strongEnough(input, row)) continue;
            surface.setPen(pen, 1, PenStyle::Solid);
            const PixelPoint p = projectLatticePoint(frame, row);
            surface.drawCircle(p.x, p.y, size, true);
            if (view.viewLabels)
                surface.drawText(p.x + size, p.y, hklLabel(refl, i, "", fourIndexOf(input)), pen);
            continue;
        }
        if (next >= tracedRows_.size() || tracedRows_[next] != n) continue;
        sampler.waitFor(next);
        const TracedCone& cone = cones_[next++];

        surface.setPen(pen, 1, PenStyle::Solid);
        tracer.draw(surface, cone, i, false);
        ++traced;
        if (input.selection.isSelected(static_cast<std::size_t>(i))) {
            surface.setPen(colours.baseColours[2], printing ? 6 : 2, PenStyle::DashDot);
            TracedCone highlighted;
            tracer.sample({row.x, row.y, row.z, d}, kStepCount, true, highlighted);
            tracer.draw(surface, highlighted, i, true);
            surface.setPen(pen, 1, PenStyle::Solid);
        }
    }

    drawZoneAxes(surface, input, markedZoneAxes(input, frame, W, H), frame.printScale);

    OverlayOptions overlays;
    overlays.stereographic = view.viewStereographic;
    overlays.showLines = view.showLines;
    overlays.filmOutline = view.viewFilmOutline;
    overlays.centreX = input.filmCentre.x;
    overlays.centreY = input.filmCentre.y;
    overlays.rings = view.viewRings;
    overlays.printer = printing;
    drawFilmOutline(surface, frame, overlays, input.film);
    drawStereographicCircles(surface, frame, overlays);

    DrawSummary summary;
    summary.reflectionCount = static_cast<std::int32_t>(rows.size());
    summary.tracedCount = traced;
    summary.countText =
        std::to_string(rows.size()) + " hkl (" + std::to_string(traced) + " visible)";
    // With no pole within reach the first point is named, as the nearest of none.
    if (!rows.empty()) summary.nearestPole = rows[nearestPoleRow.value_or(0)].reflection;
    summary.nearestPoleText =
        nearestPoleText(refl, summary.nearestPole.value_or(refl.count()), fourIndexOf(input));
    return summary;
}

std::optional<std::int32_t> Renderer::pick(const PatternInput& input, int width, int height,
                                           float x, float y) {
    const ReflectionList& refl = input.reflections;
    if (!refl.generated) return std::nullopt;
    const std::vector<RotatedPoint>& rows = input.points.rows;
    float best = kOutOfReach;
    std::optional<std::int32_t> winner;

    if (!input.view.showLines) {
        const ProjectionFrame frame = frameFor(input, width, height, 1.0f);
        for (const RotatedPoint& row : rows) {
            if (!strongEnough(input, row)) continue;
            const PixelPoint p = projectLatticePoint(frame, row);
            if (p.x < 0 || p.x >= width || p.y < 0 || p.y >= height) continue;
            const auto distance = static_cast<float>(
                std::hypot(static_cast<double>(p.x) - x, static_cast<double>(p.y) - y));
            if (distance < best) {
                best = distance;
                winner = row.reflection;
            }
        }
        return winner;
    }

    PatternInput still = input;
    still.dragging = false;
    TraceSettings settings = traceSettings(still, width, height, 1.0f);
    settings.pickX = x;
    settings.pickY = y;
    const ConeTracer tracer(settings, refl);
    sampleCones(still, tracer);
    for (std::size_t j = 0; j < tracedRows_.size(); ++j) {
        if (cones_[j].nearestDistance < best) {
            best = cones_[j].nearestDistance;
            winner = rows[tracedRows_[j]].reflection;
        }
    }
    return winner;
}

std::optional<ZoneAxisPick> Renderer::pickZoneAxis(const PatternInput& input, int width, int height,
                                                   float x, float y) const {
    const ProjectionFrame frame = frameFor(input, width, height, 1.0f);
    std::optional<ZoneAxisPick> nearest;
    float best = kZoneAxisReach;
    for (const ZoneAxisPick& z : markedZoneAxes(input, frame, width, height)) {
        const auto distance = static_cast<float>(
            std::hypot(static_cast<double>(z.x) - x, static_cast<double>(z.y) - y));
        if (distance <= best) {
            best = distance;
            nearest = z;
        }
    }
    return nearest;
}

} // namespace tavrel
