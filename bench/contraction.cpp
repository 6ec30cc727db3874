// Contraction of groups in a simulated diagram of 10,000 contexts, grouped
// ten to a group in key order and the groups ten to an upper group: 1,000
// groups in 100 upper groups, laid out with groups and stored once, outside
// the timed loops. Timed: the contraction as the diagram window runs it
// (the group hierarchy built, the project read, the contracted layout made
// in memory) for the 100 upper groups (every top-level group) and for 100
// of the inner groups.
#include "SimulatedProject.h"
#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "core/Random.h"
#include "diagram/Contraction.h"
#include "diagram/Interaction.h"
#include "diagram/StoredLayout.h"
#include "layout/GroupLayout.h"
#include "layout/PlacementRun.h"
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

struct LaidOut : bench::SimulatedProject {
    LayoutSnapshot full;
    bool ready = false;

    explicit LaidOut(int contexts) : SimulatedProject(contexts)
    {
        bench::AddSimulatedGroups(*session, 10, 10);
        RelationGraph graph;
        Protocol protocol;
        ready = RunLayoutChecks(*session, graph, protocol, true).ok();
        FreeRelationGraph(graph);
        HierarchyTree tree;
        ready = ready && BuildGroupHierarchy(*session, HierarchyOptions{true, Chronology::Ignore}, tree, &protocol);
        RandomGenerator random(932216981u);
        PeriodList periods;
        ready = ready && LayoutWithGroups(*session, tree, random, -1, false, protocol, periods);
        if (!ready) return;
        auto stored = ReadStoredLayout(*session, true);
        ready = stored.has_value();
        if (ready) full = std::move(*stored);
    }
};

void contract(benchmark::State& state, bool upper)
{
    LaidOut& p = bench::SharedBySize<LaidOut>(int(state.range(0)));
    if (!p.ready) {
        state.SkipWithError("the stored layout could not be made");
        return;
    }
    QStringList marked;
    if (upper) {
        marked = TopLevelGroups(p.full.units);
    } else {
        for (const UnitRecord& u : p.full.units)
            if (u.Unitclass == kGroupRecord && u.Unitname.startsWith(QLatin1Char('G'))) marked << GroupKeyText(u);
        marked.sort();
        marked = marked.mid(0, 100);
    }
    state.counters["marked"] = double(marked.size());
    state.counters["records"] = double(p.full.units.size());
    for (auto _ : state) {
        Protocol protocol;
        const auto contracted = ContractGroups(*p.session, p.full, marked, protocol);
        if (!contracted) {
            state.SkipWithError("the contraction failed");
            return;
        }
        state.counters["contracted records"] = double(contracted->units.size());
    }
}

void ContractTopLevelGroups(benchmark::State& state) { contract(state, true); }
void ContractInnerGroups(benchmark::State& state) { contract(state, false); }

BENCHMARK(ContractTopLevelGroups)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ContractInnerGroups)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
