// What the user waits for in the window: the reflection list filled with the largest list there
// can be, and one full redraw of the canvas (drawing the pattern plus painting it) for the iron
// sample and for silicon with automatic limits.

#include "app/reflection_model.h"
#include "bench_window.h"
#include "ui/canvas_widget.h"

#include <QHeaderView>
#include <QTableView>

#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

// 32,767 reflections: the most a list can hold.
void BM_FillReflectionList32767(benchmark::State& state) {
    Simulation sim;
    sim.document.wavelength = {1.5418f, 0.7107f};
    for (int i = 0; i < kMaxReflections; ++i) {
        const auto h = static_cast<std::int16_t>(i % 41 - 20);
        const auto k = static_cast<std::int16_t>(i / 41 % 41 - 20);
        const auto l = static_cast<std::int16_t>(i / 1681 - 10);
        sim.reflections.append(h, k, l, 20.0f - static_cast<float>(i) * 0.0005f,
                               {0.1f, 0.2f, 0.3f});
    }
    app::ReflectionTableModel model(sim);
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(280, 400);
    view.show();
    for (auto _ : state) {
        model.reload();
        for (int column = 0; column < app::ReflectionTableModel::kColumnCount; ++column) {
            int width = 0;
            for (const QString& s : model.widthSamples(column))
                width = std::max(width, view.fontMetrics().horizontalAdvance(s));
            view.setColumnWidth(column, width + 12);
        }
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_FillReflectionList32767)->Unit(benchmark::kMillisecond);

void BM_CanvasRedraw(benchmark::State& state, bench::Sample sample) {
    bench::BenchWindow bench(sample);
    ui::MainWindow& window = bench.window;
    window.show();
    bench.simulate(sample);
    state.counters["reflections"] = bench.reflections();
    for (auto _ : state) {
        // Fitting the fitted film changes nothing, and redraws as every change does.
        bench.controller().view().fitToWindow();
        bench.canvas()->repaint();
    }
}
BENCHMARK_CAPTURE(BM_CanvasRedraw, iron, bench::Sample{229, "2.866", "1.9361", "1.0", false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CanvasRedraw, silicon, bench::Sample{227, "5.431", "1.5418", "0.5", true})
    ->Unit(benchmark::kMillisecond);

} // namespace
