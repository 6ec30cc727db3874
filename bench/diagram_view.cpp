// The diagram window over the stored layout of a simulated project of
// 10,000 contexts: reading the layout, building the drawing and the first
// paint of the window (shown at its opening size), then a zoom in and a
// scroll across. Qt's offscreen platform unless QT_QPA_PLATFORM names
// another. Peak memory: /usr/bin/time -f %M around the program.
#include "SimulatedProject.h"
#include "diagram/StoredLayout.h"
#include "diagram/forms/TDiagramForm.h"
#include "layout/LayoutCheckRun.h"

#include "WidgetsMain.h"
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

struct LaidOutProject : bench::SimulatedProject {
    explicit LaidOutProject(int contexts) : bench::SimulatedProject(contexts)
    {
        RunOptions options = PresetRunOptions(*session);
        Protocol protocol;
        RunLayoutAndCheck(*session, options, RunCheckOptions(options), {}, protocol);
    }
};

void OpenAndPaint(benchmark::State& state)
{
    Session& session = *bench::SharedBySize<LaidOutProject>(int(state.range(0))).session;
    for (auto _ : state) {
        auto layout = ReadStoredLayout(session, true);
        TDiagramForm form(session, std::move(*layout), {});
        form.show();
        form.DiagramImage->repaint();
        QApplication::processEvents();
        state.counters["width"] = double(form.drawing().geometry.width());
        state.counters["height"] = double(form.drawing().geometry.height());
    }
}
BENCHMARK(OpenAndPaint)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void ZoomAndScroll(benchmark::State& state)
{
    Session& session = *bench::SharedBySize<LaidOutProject>(int(state.range(0))).session;
    auto layout = ReadStoredLayout(session, true);
    TDiagramForm form(session, std::move(*layout), {});
    form.show();
    QApplication::processEvents();
    for (auto _ : state) {
        form.ZoomIn();
        form.DiagramImage->repaint();
        QScrollBar* h = form.DiagramScroll->horizontalScrollBar();
        for (int step = 0; step < 10; ++step) {
            h->setValue(h->maximum() * step / 10);
            form.DiagramScroll->viewport()->repaint();
        }
        form.ZoomActualSize();
    }
}
BENCHMARK(ZoomAndScroll)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
