// What a drag costs: from one pointer move on the canvas, with the left button held, to the
// finished repaint of the canvas (the move waits for the event loop, turns the crystal, draws
// the picture with the reduced sampling of a drag and paints it), for the iron sample and for
// silicon with automatic limits, d-Min 0.5 and Mo K-alpha (1,224 cones).

#include "bench_window.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

void BM_DragMoveToRepaint(benchmark::State& state, bench::Sample sample) {
    bench::BenchWindow bench(sample);
    ui::MainWindow& window = bench.window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window was not shown");
        return;
    }
    bench.simulate(sample);
    state.counters["reflections"] = bench.reflections();

    ui::CanvasWidget* canvas = bench.canvas();
    const QPointF from(canvas->width() * 0.4, canvas->height() * 0.5);
    QTest::mousePress(canvas, Qt::LeftButton, {}, from.toPoint());
    QCoreApplication::processEvents();
    double step = 3;
    for (auto _ : state) {
        // Back and forth, so that the pattern stays in view however long the run.
        step = -step;
        const QPointF to = from + QPointF(step, step / 3);
        QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        while (bench.steering()->movePending()) QCoreApplication::processEvents();
        canvas->repaint();
    }
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from.toPoint());
}
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, iron,
                  bench::Sample{229, "2.866", "1.9361", "1.0", false, false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, silicon_mo,
                  bench::Sample{227, "5.431", "0.7107", "0.5", true, false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, silicon_mo_stereographic,
                  bench::Sample{227, "5.431", "0.7107", "0.5", true, true})
    ->Unit(benchmark::kMillisecond);

} // namespace
