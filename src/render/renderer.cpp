#include "render/renderer.h"

#include "common/numeric.h"
#include "render/colour_table.h"
#include "render/projection.h"
#include "render/surface.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace tavrel {

namespace {

constexpr int kStepCount = 360;
// Below this many traced cones, starting threads costs more than it saves: most cones of a
// pattern are rejected before any sampling.
constexpr std::size_t kParallelMinimum = 512;

} // namespace

Renderer::Renderer(int threads)
    : threads_(threads > 0 ? threads
                           : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))) {}

void selectListEntry(Session& s, std::int32_t entry) {
    const std::int32_t i = entry - 1;
    if (i < 0 || static_cast<std::size_t>(i) >= s.selection.size()) return;
    s.selection.toggle(static_cast<std::size_t>(i));
    if (s.showListEntry) s.showListEntry(entry);
}

void Renderer::DRAW(Session& s, DrawingSurface& surface, const PrintContext* print) {
    if (!s.reflections.generated) return;
    drawOnce(s, surface, print);
    if (s.pointer.pickRequest) {
        // The pick is completed; the redraw that follows shows the new selection.
        s.pointer.pickRequest = false;
        drawOnce(s, surface, print);
    }
}

void Renderer::drawOnce(Session& s, DrawingSurface& surface, const PrintContext* print) {
    const PatternDocument& doc = s.doc;
    const ReflectionList& refl = s.reflections;
    const ViewState& view = s.view;
    const ColourTable& colours = s.colours;
    const bool printing = print != nullptr;

    const int W = surface.width(), H = surface.height();
    ProjectionFrame frame;
    frame.cx = static_cast<float>(W / 2.0);
    frame.cy = static_cast<float>(H / 2.0);
    frame.scale = view.patternScale;
    frame.printScale =
        printing && !(view.viewStereographic && view.showLines) ? print->printFactor : 1.0f;
    frame.stereoRadius = stereoRadiusFor(W, H);
    s.view.printScale = frame.printScale;
    s.view.stereoRadius = frame.stereoRadius;

    float nearestPole = 999, nearestLine = 999, bestLine = 999;
    std::size_t nearestPoleRow = 0, nearestLineRow = 0;
    int traced = 0;

    surface.clear(backgroundColour(colours, view.lightBackground));
    surface.setTextSize(view.viewStereographic ? 7 : 8);

    TraceSettings ts;
    ts.wavelength = doc.wavelength;
    ts.thetaWindow = doc.thetaWindow;
    ts.patternScale = view.patternScale;
    ts.stereoRadius = frame.stereoRadius;
    ts.printScale = frame.printScale;
    ts.stereographic = view.viewStereographic;
    ts.labels = view.viewLabels;
    ts.lightBackground = view.lightBackground;
    ts.dragging = s.pointer.dragging;
    ts.highlight = colours.baseColours[2];
    ts.lastX = s.pointer.lastX;
    ts.lastY = s.pointer.lastY;
    ts.reflectionCount = refl.count();
    ts.width = W;
    ts.height = H;
    ts.cx = frame.cx;
    ts.cy = frame.cy;
    const ConeTracer tracer(ts, refl);

    const std::vector<PointRow>& rows = s.points.rows;
    auto dOf = [&](const PointRow& row) {
        const auto i = static_cast<std::size_t>(PointTable::reflectionIndex(row));
        return i < refl.d.size() ? refl.d[i] : 0.0f;
    };

    // Sample every cone that will be traced, possibly on several threads; the drawing loop
    // below then uses the samples in table order.
    tracedRows_.clear();
    if (view.showLines)
        for (std::size_t n = 0; n < rows.size(); ++n)
            if (dOf(rows[n]) > doc.displayDMin) tracedRows_.push_back(n);
    if (cones_.size() < tracedRows_.size()) cones_.resize(tracedRows_.size());
    auto sampleRange = [&](std::size_t from, std::size_t to) {
        for (std::size_t j = from; j < to; ++j) {
            const PointRow& row = rows[tracedRows_[j]];
            tracer.sample({row[0], row[1], row[2], dOf(row)}, kStepCount, false, cones_[j]);
        }
    };
    const std::size_t count = tracedRows_.size();
    const auto workers = static_cast<std::size_t>(threads_);
    if (workers > 1 && count >= kParallelMinimum) {
        std::vector<std::jthread> pool;
        const std::size_t chunk = (count + workers - 1) / workers;
        for (std::size_t w = 1; w < workers; ++w)
            pool.emplace_back(sampleRange, std::min(count, w * chunk),
                              std::min(count, (w + 1) * chunk));
        sampleRange(0, std::min(count, chunk));
    } else {
        sampleRange(0, count);
    }

    const bool monochrome = colours.schemeIndex == kMonochromeScheme;
    const float dMin = doc.dMin, dMax = doc.dMax;
    std::size_t next = 0; // next entry of tracedRows_
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const PointRow& row = rows[n];
        const std::int32_t i = PointTable::reflectionIndex(row);
        const float d = dOf(row);

        const LatticeOffset o = latticeOffset(row, frame.scale);
        const float poleDistance = static_cast<float>(
            std::sqrt(static_cast<double>(o.a) * o.a + static_cast<double>(o.b) * o.b));
        if (poleDistance < nearestPole) {
            nearestPole = poleDistance;
            nearestPoleRow = n;
        }

        const int size = roundToInt16(d / dMax * 8 * frame.printScale);
        Rgb pen = colours.colourLUT[static_cast<std::size_t>(
            colourIndex(d, dMin, dMax, view.lightBackground))];
        if (monochrome) pen = view.lightBackground ? kBlack : kWhite;

        if (!view.showLines) {
            surface.setPen(pen, 1, PenStyle::Solid);
            const PixelPoint p = projectLatticePoint(frame, row);
            surface.drawCircle(p.x, p.y, size, true);
            if (view.viewLabels) surface.drawText(p.x + size, p.y, hklLabel(refl, i, ""), pen);
            continue;
        }
        if (next >= tracedRows_.size() || tracedRows_[next] != n) continue;
        const TracedCone& cone = cones_[next++];

        surface.setPen(pen, 1, PenStyle::Solid);
        tracer.draw(surface, cone, i, false);
        ++traced;
        nearestLine = std::min(nearestLine, cone.nearestDistance);
        if (nearestLine < bestLine) {
            bestLine = nearestLine;
            nearestLineRow = n;
        }
        if (!refl.empty() && s.selection.isSelected(static_cast<std::size_t>(i))) {
            surface.setPen(colours.baseColours[2], printing ? 6 : 2, PenStyle::DashDot);
            TracedCone highlighted;
            tracer.sample({row[0], row[1], row[2], d}, kStepCount, true, highlighted);
            tracer.draw(surface, highlighted, i, true);
            surface.setPen(pen, 1, PenStyle::Solid);
        }
    }

    OverlayOptions overlays;
    overlays.stereographic = view.viewStereographic;
    overlays.showLines = view.showLines;
    overlays.filmOutline = view.viewFilmOutline;
    overlays.rings = view.viewRings;
    overlays.printer = printing;
    drawFilmOutline(surface, frame, overlays, doc.film);
    drawStereographicCircles(surface, frame, overlays);

    auto labelOfRow = [&](std::size_t n) {
        return n < rows.size() ? hklLabel(refl, PointTable::reflectionIndex(rows[n]), " ") : "";
    };
    s.status.text[0] =
        std::to_string(rows.size()) + " hkl (" + std::to_string(traced) + " visible)";
    s.status.text[1] = "approx. (" + labelOfRow(nearestPoleRow) + ")";
    s.status.nearestPoleTip = "Closest pole found";

    if (s.pointer.pickRequest && nearestLineRow < rows.size()) {
        s.status.text[2] = "clicked (" + labelOfRow(nearestLineRow) + ")";
        selectListEntry(s, PointTable::reflectionIndex(rows[nearestLineRow]) + 1);
    }
}

} // namespace tavrel
