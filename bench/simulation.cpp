// Simulated projects: generating one of 1,000 and 10,000 contexts into fresh
// tables, with the relationships written directly (what runs use) and, for
// comparison, every deposit sent through AddRelationship. Whole-process
// figures for larger projects come from bench/baseline.sh.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

void simulate(benchmark::State& state, RelationPath path)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        StreamUi ui(stderr);
        FixedRegional regional;
        Session session(ui, regional);
        SimulationSettings s;
        s.projectFile = dir.filePath(QStringLiteral("Bench.bvp"));
        s.excavation = QStringLiteral("Bench");
        s.contexts = n;
        if (!CreateProjectFiles(session, s.projectFile, s.excavation, QString(), false)) {
            state.SkipWithError("cannot create the project");
            return;
        }
        state.ResumeTiming();
        GenerateSimulation(session, s, 1, path);
        state.PauseTiming();
        CloseProject(session, true);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Simulate(benchmark::State& state)
{
    simulate(state, RelationPath::Direct);
}

void BM_SimulateThroughTheGate(benchmark::State& state)
{
    simulate(state, RelationPath::Gate);
}

} // namespace

BENCHMARK(BM_Simulate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateThroughTheGate)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
