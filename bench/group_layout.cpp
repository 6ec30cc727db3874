// The layout with groups on simulated projects whose contexts are grouped
// ten to a group in key order, the groups ten to an upper group (two deep):
// 10,000 contexts in 1,000 groups and 99,999 in 10,000. The checks the layout
// rests on (cycle check, redundancy test deleting the redundant links as the
// layout run does by default, the group hierarchy with its contexts) run
// once, outside the timed loops. Timed: the project's units
// and relationships read for the tree, the layout in memory on that input,
// and the table form (read, laid out, layout tables, parameter file and
// Group marks written). Whole-process figures of `belvanto-cli layout
// --groups` come from bench/baseline.sh.
#include "SimulatedProject.h"
#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "core/Random.h"
#include "layout/GroupLayout.h"
#include "layout/PlacementRun.h"
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

constexpr quint32 kSeed = 932216981u;
constexpr int kContextsPerGroup = 10;
constexpr int kGroupsPerUpper = 10;

struct Grouped : bench::SimulatedProject {
    bench::SimulatedGroups groups;
    HierarchyTree tree;
    bool ready = false;

    explicit Grouped(int contexts) : SimulatedProject(contexts)
    {
        groups = bench::AddSimulatedGroups(*session, kContextsPerGroup, kGroupsPerUpper);
        RelationGraph graph;
        Protocol protocol;
        ready = RunLayoutChecks(*session, graph, protocol, true).ok();
        FreeRelationGraph(graph);
        ready = ready && BuildGroupHierarchy(*session, HierarchyOptions{true, Chronology::Ignore}, tree, &protocol);
    }
};

Grouped* grouped(benchmark::State& state)
{
    Grouped& p = bench::SharedBySize<Grouped>(int(state.range(0)));
    if (!p.ready) {
        state.SkipWithError("the checks before the layout failed");
        return nullptr;
    }
    state.counters["groups"] = p.groups.groups + p.groups.upperGroups;
    return &p;
}

void counters(benchmark::State& state, const PlacedLayout& layout)
{
    state.counters["records"] = double(layout.units.size());
    state.counters["lines"] = double(layout.lines.size());
    state.counters["levels"] = layout.parameters.levels;
    state.counters["columns"] = layout.parameters.columns;
}

void ReadInput(benchmark::State& state)
{
    Grouped* p = grouped(state);
    if (!p) return;
    for (auto _ : state) {
        const GroupLayoutInput input = ReadGroupLayoutInput(*p->session, p->tree, -1);
        state.counters["relations"] = double(input.relations.size());
    }
}
BENCHMARK(ReadInput)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReadInput)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

void ReadAndLayOutInMemory(benchmark::State& state)
{
    Grouped* p = grouped(state);
    if (!p) return;
    for (auto _ : state) {
        const GroupLayoutInput input = ReadGroupLayoutInput(*p->session, p->tree, -1);
        RandomGenerator random(kSeed);
        Protocol protocol;
        PeriodList periods;
        const auto layout = LayoutWithGroups(p->ui, input, random, GroupLayoutOptions{}, protocol, periods);
        if (!layout) {
            state.SkipWithError("the group layout failed");
            return;
        }
        state.PauseTiming();
        counters(state, *layout);
        state.ResumeTiming();
    }
}
BENCHMARK(ReadAndLayOutInMemory)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReadAndLayOutInMemory)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

void LayOutStoredProject(benchmark::State& state)
{
    Grouped* p = grouped(state);
    if (!p) return;
    for (auto _ : state) {
        RandomGenerator random(kSeed);
        Protocol protocol;
        PeriodList periods;
        if (!LayoutWithGroups(*p->session, p->tree, random, -1, false, protocol, periods)) {
            state.SkipWithError("the group layout failed");
            return;
        }
    }
}
BENCHMARK(LayOutStoredProject)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LayOutStoredProject)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
