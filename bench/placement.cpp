// The horizontal placement on simulated projects of 1,000, 10,000 and 99,999
// contexts: the steps in memory (contexts loaded, equal sets, dummy units,
// sweeps, columns, line routing), and the whole layout run over the stored
// tables (cycle check, placement, routing, both layout tables and the
// parameter file written). Whole-process figures of `belvanto-cli layout`
// come from bench/baseline.sh.
#include "SimulatedProject.h"
#include "core/Random.h"
#include "layout/PlacementRun.h"
#include "store/Relations.h"
#include "store/UnitFields.h"
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

constexpr quint32 kSeed = 932216981u;

struct Simulated : bench::SimulatedProject {
    // What the in-memory placement starts from.
    std::vector<GraphUnit> graphUnits;
    std::vector<GraphRelation> graphRelations;
    PlacementInput input;

    explicit Simulated(int contexts) : SimulatedProject(contexts)
    {
        RelationGraph graph;
        Protocol protocol;
        RunCycleCheck(*session, graph, protocol);   // levels into Y
        for (const auto& row : session->units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            graphUnits.push_back({{valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])},
                                  valueToString(row.values[uf::Unitclass]) == kContext, row.rowid});
        for (const auto& row : session->relations().query(QString(), {},
                                                          QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2"))) {
            const QString c = valueToString(row.values[rel::RelationCat]);
            graphRelations.push_back({{valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1])},
                                      {valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])},
                                      c.isEmpty() ? QChar() : c.front()});
        }
        input.contexts = *ReadPlacementContexts(ui, session->units());
        input.relationRows = ReadPlacementRelations(session->relations());
    }
};

Simulated& simulated(int contexts) { return bench::SharedBySize<Simulated>(contexts); }

void counters(benchmark::State& state, const PlacementWork& work)
{
    qint64 dummies = 0;
    for (const PlacementUnit& u : work.units) dummies += u.Unitclass == QStringLiteral("D");
    state.counters["dummies"] = double(dummies);
    state.counters["levels"] = work.levels;
    state.counters["columns"] = work.columns;
}

void PlacementInMemory(benchmark::State& state)
{
    Simulated& p = simulated(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        RelationGraph graph;
        BuildRelationGraph(p.ui, graph, p.graphUnits, p.graphRelations, GraphMode::Normal, false);
        Protocol protocol;
        AssignNodeLevels(p.ui, graph, protocol, {});
        RandomGenerator random(kSeed);
        state.ResumeTiming();
        auto work = PlaceContexts(p.ui, p.input, graph, random, {});
        if (!work) {
            state.SkipWithError("placement failed");
            return;
        }
        state.PauseTiming();
        counters(state, *work);
        state.ResumeTiming();
        benchmark::DoNotOptimize(RoutePlacement(p.ui, std::move(*work), {}, {}));
    }
}
BENCHMARK(PlacementInMemory)->Arg(1000)->Arg(10000)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

void LayoutRunOnStoredProject(benchmark::State& state)
{
    Simulated& p = simulated(int(state.range(0)));
    for (auto _ : state) {
        RelationGraph graph;
        Protocol protocol;
        if (!RunCycleCheck(*p.session, graph, protocol).ok()) state.SkipWithError("cycles");
        RandomGenerator random(kSeed);
        if (!LayoutWithoutGroups(*p.session, graph, random, {})) state.SkipWithError("layout failed");
    }
}
BENCHMARK(LayoutRunOnStoredProject)->Arg(1000)->Arg(10000)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
