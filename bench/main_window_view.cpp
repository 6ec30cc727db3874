// The main window opening a simulated project to its first painted lists:
// the project file read, the unit and relationship tables opened, both lists
// filled and painted. The project is made once per size outside the timing.
// Qt's offscreen platform unless QT_QPA_PLATFORM names another.
#include "SimulatedProject.h"
#include "views/forms/TMainForm.h"

#include "WidgetsMain.h"
#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

void OpenProjectToFirstPaintedList(benchmark::State& state)
{
    auto& made = bench::SharedBySize<bench::SimulatedProject>(int(state.range(0)));
    const QString path = made.dir.filePath(QStringLiteral("Bench.bvp"));
    CloseProject(*made.session, true);
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        StreamUi ui{stderr};
        FixedRegional regional;
        Session session(ui, regional);
        TMainForm window(session);
        window.resize(1000, 700);
        window.show();
        QApplication::processEvents();
        state.ResumeTiming();
        if (!window.openProject(path)) state.SkipWithError("the project did not open");
        window.unitList()->viewport()->repaint();
        window.relationList()->viewport()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        rows = window.unitList()->model()->rowCount();
        CloseProject(session, true);
        state.ResumeTiming();
    }
    state.counters["unit rows"] = double(rows);
}

} // namespace

BENCHMARK(OpenProjectToFirstPaintedList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
