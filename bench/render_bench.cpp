// What the user waits for after pressing "Perform Simulation" and while dragging: generating the
// reflection list, and drawing at full quality and with the coarser sampling of a drag. Each draw
// is compared with a baseline that only hands the very same segments to QPainter on the same
// image, so the ratio shows what tracing and bookkeeping add to the bare drawing. A drag frame
// is what the window does for every pointer move: the coarse picture on an image of the canvas
// size, then that image painted on the window's own.

#include "output/banded_surface.h"
#include "output/image_surface.h"
#include "output/painter_surface.h"
#include "output/raster_line_surface.h"
#include "render/renderer.h"
#include "session/generation.h"
#include "session/pattern_view.h"
#include "support/recording_surface.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QLine>
#include <QPainter>
#include <QPen>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

namespace {

using namespace tavrel;

constexpr int kWidth = 850;
constexpr int kHeight = 620;

struct Sample {
    const char* name;
    int group;
    const char* a;
    const char* wavelength;
    const char* dMin;
    const char* dMax;
    bool autoLimits;
    const char* orientation;
    const char* limit = "2";
};

// Iron: the built-in sample. Silicon with automatic limits and d-Min 0.5 (Cu K-alpha gives 302
// reflections, Mo K-alpha 1224: the large drag case of a small cell). Larger cells of the same
// group at the Mo wavelength give about 5,000 cones and the full list of 32,767; the capped
// pattern at 0.3 angstrom is the one whose nearly flat cones cross the whole picture.
constexpr Sample kIron{"iron", 229, "2.866", "1.9361", "1.0", "0", false, "0 0 1"};
constexpr Sample kSilicon{"silicon", 227, "5.431", "1.5418", "0.5", "0", true, "1 1 1"};
constexpr Sample kSiliconMo{"silicon-mo", 227, "5.431", "0.7107", "0.5", "0", true, "1 1 1"};
constexpr Sample kCell862{"cell-8.62", 227, "8.62", "0.7107", "0.5", "0", false, "1 1 1", "30"};
constexpr Sample kCell25{"cell-25", 227, "25", "0.7107", "0.5", "0", false, "1 1 1", "60"};
constexpr Sample kCapped{"capped", 227, "25", "0.3", "0.5", "0", false, "1 1 1", "40"};

// A simulation of the sample shown in the window's first picture size.
struct Shown {
    Simulation sim;
    PatternView pattern;
};

std::unique_ptr<Shown> simulate(const Sample& sample) {
    auto s = std::make_unique<Shown>();
    DocumentFields& f = s->sim.fields;
    f.spaceGroupIndex = sample.group - 1;
    f.cell = {sample.a, sample.a, sample.a, "90", "90", "90"};
    f.wavelength = {sample.wavelength, "0"};
    f.d = {sample.dMin, sample.dMax};
    f.hklMax = {sample.limit, sample.limit, sample.limit};
    f.autoLimits = sample.autoLimits;
    f.orientation = sample.orientation;
    (void)generateReflections(s->sim);
    showNewReflections(s->pattern, s->sim, NewList::Generated);
    return s;
}

// On every core the picture takes the window's path for a still picture: sampled on every
// core, recorded, then painted in bands on every core. On one thread all of it goes straight
// through one QPainter.
void drawBench(benchmark::State& state, const Sample& sample, bool dragging, int threads) {
    const auto s = simulate(sample);
    const PatternInput input = patternInput(s->sim, s->pattern, dragging);
    Renderer renderer(threads);
    if (threads == 1) {
        ImageSurface surface(kWidth, kHeight);
        for (auto _ : state) renderer.draw(input, surface);
    } else {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        BandedSurface::Record record; // as the window keeps it
        for (auto _ : state) {
            BandedSurface surface(image, kWidth, kHeight, 0, BandedSurface::Lines::Painter,
                                  &record);
            renderer.draw(input, surface);
            surface.paint();
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    state.counters["cones"] = s->sim.reflections.count();
}

// The same segments in the same batches and pens, straight to QPainter.
void baselineBench(benchmark::State& state, const Sample& sample, bool dragging) {
    const auto s = simulate(sample);
    RecordingSurface recorder(kWidth, kHeight);
    Renderer().draw(patternInput(s->sim, s->pattern, dragging), recorder);
    struct Batch {
        QPen pen;
        std::vector<QLine> lines;
    };
    std::vector<Batch> batches;
    std::optional<RecordingSurface::Pen> pen;
    for (const auto& [l, segmentPen] : recorder.segments()) {
        if (!pen || !(*pen == segmentPen)) {
            Batch b;
            b.pen = QPen(toQColor(segmentPen.colour), segmentPen.width,
                         segmentPen.style == PenStyle::Solid ? Qt::SolidLine : Qt::DashDotLine,
                         Qt::SquareCap, Qt::MiterJoin);
            batches.push_back(std::move(b));
            pen = segmentPen;
        }
        batches.back().lines.emplace_back(l.x1, l.y1, l.x2, l.y2);
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::black);
        for (const Batch& b : batches) {
            painter.setPen(b.pen);
            painter.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
        }
    }
    state.counters["segments"] = static_cast<double>(recorder.segmentCount());
}

void BM_Draw(benchmark::State& state, Sample sample, bool dragging) {
    drawBench(state, sample, dragging, 0);
}
void BM_DrawOneThread(benchmark::State& state, Sample sample, bool dragging) {
    drawBench(state, sample, dragging, 1);
}
void BM_Baseline(benchmark::State& state, Sample sample, bool dragging) {
    baselineBench(state, sample, dragging);
}

BENCHMARK_CAPTURE(BM_Draw, iron_full, kIron, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawOneThread, iron_full, kIron, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, iron_full, kIron, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, iron_drag, kIron, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, iron_drag, kIron, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, silicon_full, kSilicon, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawOneThread, silicon_full, kSilicon, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, silicon_full, kSilicon, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, silicon_drag, kSilicon, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, silicon_drag, kSilicon, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, silicon_mo_full, kSiliconMo, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, silicon_mo_full, kSiliconMo, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, silicon_mo_drag, kSiliconMo, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawOneThread, silicon_mo_drag, kSiliconMo, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, silicon_mo_drag, kSiliconMo, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, capped_full, kCapped, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawOneThread, capped_full, kCapped, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, capped_full, kCapped, false)->Unit(benchmark::kMillisecond);

// A drag frame as the window makes it: the picture drawn with dragging set on an image of the
// canvas size (in bands on every core, its thin lines set straight into the pixels, or for
// comparison all through one QPainter), which the canvas's paint event then draws onto the
// window's backing store.
void BM_DragFrame(benchmark::State& state, Sample sample, bool fastLines,
                  bool stereographic = false) {
    const auto s = simulate(sample);
    s->pattern.view.viewStereographic = stereographic;
    const PatternInput input = patternInput(s->sim, s->pattern, true);
    Renderer renderer;
    QImage window(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    BandedSurface::Record record; // as the window keeps it
    for (auto _ : state) {
        QImage picture(kWidth, kHeight, QImage::Format_RGB32);
        if (fastLines) {
            BandedSurface surface(picture, kWidth, kHeight, 0, BandedSurface::Lines::Fast, &record);
            renderer.draw(input, surface);
            surface.paint();
        } else {
            QPainter painter(&picture);
            PainterSurface surface(painter, kWidth, kHeight);
            renderer.draw(input, surface);
        }
        QPainter painter(&window);
        painter.drawImage(QPointF(0, 0), picture);
    }
    state.counters["cones"] = s->sim.reflections.count();
    // How much there is to draw: segments, and the pixels along them.
    RecordingSurface recorder(kWidth, kHeight);
    Renderer().draw(input, recorder);
    double pixels = 0;
    for (const auto& [l, pen] : recorder.segments())
        pixels += std::max(std::abs(l.x2 - l.x1), std::abs(l.y2 - l.y1)) + 1;
    state.counters["segments"] = static_cast<double>(recorder.segmentCount());
    state.counters["pixels"] = pixels;
}
BENCHMARK_CAPTURE(BM_DragFrame, cones_1224, kSiliconMo, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_1224_qpainter, kSiliconMo, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_5000, kCell862, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_5000_qpainter, kCell862, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_32767, kCell25, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_32767_qpainter, kCell25, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_32767_stereo, kCell25, true, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_5000_stereo, kCell862, true, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, cones_1224_stereo, kSiliconMo, true, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, capped_32767, kCapped, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrame, capped_32767_qpainter, kCapped, false)
    ->Unit(benchmark::kMillisecond);

// Encoding a picture as PNG at zlib levels Qt's quality picks: -1 (the default level), 70 to
// 80 (fast levels). The size of the encoded picture is reported alongside.
void BM_EncodePng(benchmark::State& state, Sample sample) {
    const auto s = simulate(sample);
    ImageSurface surface(kWidth, kHeight);
    Renderer().draw(patternInput(s->sim, s->pattern), surface);
    const QImage image = surface.image();
    const int quality = static_cast<int>(state.range(0));
    qsizetype bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(quality);
        writer.write(image);
        bytes = buffer.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(BM_EncodePng, iron, kIron)
    ->Arg(-1)
    ->Arg(70)
    ->Arg(75)
    ->Arg(80)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, silicon_mo, kSiliconMo)
    ->Arg(-1)
    ->Arg(70)
    ->Arg(75)
    ->Arg(80)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePng, capped, kCapped)
    ->Arg(-1)
    ->Arg(70)
    ->Arg(75)
    ->Arg(80)
    ->Unit(benchmark::kMillisecond);

// Generation with automatic limits 10/10/10 (a = 10, d-Min 1: 9,261 triples).
void BM_Generate(benchmark::State& state, int group) {
    Simulation s;
    DocumentFields& f = s.fields;
    f.spaceGroupIndex = group - 1;
    f.cell = {"10", "10", "10", "90", "90", "90"};
    f.wavelength = {"0.7107", "0"};
    f.d = {"1.0", "20"};
    f.autoLimits = true;
    for (auto _ : state) (void)generateReflections(s);
    state.SetItemsProcessed(state.iterations() * 9261);
    state.counters["reflections"] = s.reflections.count();
}
BENCHMARK_CAPTURE(BM_Generate, primitive_221, 221)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Generate, face_centred_225, 225)->Unit(benchmark::kMillisecond);

// The two halves of a drag frame: sampling the cones and recording the calls (sampling on
// every core, recording on one), and painting the record in bands.
void BM_DragFrameHalves(benchmark::State& state, Sample sample, bool stereographic, bool paint) {
    const auto s = simulate(sample);
    s->pattern.view.viewStereographic = stereographic;
    const PatternInput input = patternInput(s->sim, s->pattern, true);
    Renderer renderer;
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    BandedSurface::Record record;
    for (auto _ : state) {
        BandedSurface surface(picture, kWidth, kHeight, 0, BandedSurface::Lines::Fast, &record);
        if (!paint) {
            renderer.draw(input, surface);
            continue;
        }
        state.PauseTiming();
        renderer.draw(input, surface);
        state.ResumeTiming();
        surface.paint();
    }
}
BENCHMARK_CAPTURE(BM_DragFrameHalves, record_32767, kCell25, false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrameHalves, paint_32767, kCell25, false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrameHalves, record_32767_stereo, kCell25, true, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragFrameHalves, paint_32767_stereo, kCell25, true, true)
    ->Unit(benchmark::kMillisecond);

} // namespace
