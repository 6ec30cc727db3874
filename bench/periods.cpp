// The period check over stored tables, on simulated projects of 10,000 and
// 100,000 contexts in ten periods: ordering alone, and ordering with the
// levels with dating constraints on the cycle check's graph. The cycle check
// that the period check relies on runs once, outside the timed loop.
#include "checks/PeriodCheck.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "layout/RelationGraph.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

using namespace belvanto;

namespace {

constexpr int kPeriods = 10;

struct PeriodProject {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    Session session{ui, regional};
    RelationGraph graph;
    int relationships = 0;

    explicit PeriodProject(int contexts)
    {
        SimulationSettings s;
        s.projectFile = dir.filePath(QStringLiteral("Bench.bvp"));
        s.excavation = QStringLiteral("Bench");
        s.contexts = contexts;
        s.periods = kPeriods;
        CreateProjectFiles(session, s.projectFile, s.excavation, QString(), false);
        GenerateSimulation(session, s, 1);
        relationships = session.relations().count();
        Protocol cycles(ReportMode::Summary);
        RunCycleCheck(session, graph, cycles);
    }
    ~PeriodProject() { CloseProject(session, true); }
};

PeriodProject& project(int contexts)
{
    static std::map<int, std::unique_ptr<PeriodProject>> projects;
    auto& p = projects[contexts];
    if (!p) p = std::make_unique<PeriodProject>(contexts);
    return *p;
}

void run(benchmark::State& state, bool datingLevels)
{
    PeriodProject& p = project(int(state.range(0)));
    int asked = 0;
    const PeriodOrderChooser keepOrder = [&](const PeriodList& list) -> std::optional<std::vector<int>> {
        ++asked;
        std::vector<int> order;
        for (std::size_t i = 0; i < list.size(); ++i) order.push_back(int(i));
        return order;
    };
    for (auto _ : state) {
        Protocol protocol(ReportMode::Detailed);
        PeriodList periods;
        if (PeriodCheck(p.session, uf::Period, protocol, datingLevels, periods, keepOrder, &p.graph) != kPeriodCheckOk) {
            state.SkipWithError("the check ended the run");
            return;
        }
        state.counters["periods"] = double(periods.size());
    }
    state.counters["contexts"] = double(state.range(0));
    state.counters["relationships"] = double(p.relationships);
    state.counters["asked"] = double(asked);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void PeriodOrder(benchmark::State& state)
{
    run(state, false);
}
BENCHMARK(PeriodOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void PeriodOrderWithDatingLevels(benchmark::State& state)
{
    run(state, true);
}
BENCHMARK(PeriodOrderWithDatingLevels)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
