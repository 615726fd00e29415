// What a drag costs: from one pointer move on the canvas, with the left button held, to the
// finished repaint of the canvas (the move waits for the event loop, turns the crystal, draws
// the picture with the reduced sampling of a drag and paints it), for the iron sample and for
// silicon with automatic limits, d-Min 0.5 and Mo K-alpha (1,224 cones).

#include "app/reflection_model.h"
#include "ui/canvas_steering.h"
#include "ui/canvas_widget.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "silent_dialogs.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tavrel;

struct Sample {
    int group;
    const char* a;
    const char* wavelength;
    const char* dMin;
    bool autoLimits;
    bool stereographic;
};

void BM_DragMoveToRepaint(benchmark::State& state, Sample sample) {
    QTemporaryDir program;
    bench::SilentDialogs dialogs;
    app::StartupOptions options;
    options.programFolder = program.path();
    options.userFolder = program.filePath(QStringLiteral("user"));
    ui::MainWindow window(options, dialogs);
    ui::InputPanes& in = window.inputs();
    in.spaceGroupList->setCurrentIndex(sample.group - 1);
    in.cellEdits[0]->setText(QString::fromLatin1(sample.a));
    in.wavelengthEdits[0]->setText(QString::fromLatin1(sample.wavelength));
    in.dEdits[0]->setText(QString::fromLatin1(sample.dMin));
    in.dEdits[1]->setText(QStringLiteral("0"));
    in.autoLimitsBox->setChecked(sample.autoLimits);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window was not shown");
        return;
    }
    window.performSimulation();
    if (sample.stereographic)
        window.controller().setViewToggle(app::ViewToggle::Stereographic, true);
    state.counters["reflections"] = window.reflectionModel()->rowCount();

    ui::CanvasWidget* canvas = window.canvas();
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
        while (window.steering()->movePending()) QCoreApplication::processEvents();
        canvas->repaint();
    }
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from.toPoint());
}
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, iron, Sample{229, "2.866", "1.9361", "1.0", false, false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, silicon_mo,
                  Sample{227, "5.431", "0.7107", "0.5", true, false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DragMoveToRepaint, silicon_mo_stereographic,
                  Sample{227, "5.431", "0.7107", "0.5", true, true})
    ->Unit(benchmark::kMillisecond);

} // namespace
