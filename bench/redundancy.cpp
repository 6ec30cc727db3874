// The redundancy test on simulated projects of 10,000 and 99,999 contexts
// (the simulation stores every deposit's relationships, so most of them are
// shortcuts): the search in memory, and the whole test over the stored
// relationship table (rows read, links marked in one transaction). The graph
// is built and levelled outside the timed loop.
//
// WriteDot writes the same graph's earlier/later links as a DOT file
// "redundancy-<contexts>.dot" into the working folder, one "a -> b;" per
// link from a unit to one earlier than it, for timing Graphviz tred on the
// same input (bench/tred.sh).
#include "checks/Redundancy.h"
#include "SimulatedProject.h"
#include "layout/RelationGraph.h"
#include <QFile>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

struct Simulated : bench::SimulatedProject {
    RelationGraph levelled;
    qint64 links = 0;

    explicit Simulated(int contexts) : SimulatedProject(contexts)
    {
        Protocol protocol;
        RunCycleCheck(*session, levelled, protocol);
        for (const GraphNode& node : levelled.nodes) links += qint64(node.EarlierList.size());
    }
};

Simulated& simulated(int contexts) { return bench::SharedBySize<Simulated>(contexts); }

// Times run on a fresh copy of the levelled graph in every iteration.
template <typename Run>
void onFreshGraphs(benchmark::State& state, const Simulated& p, Run run)
{
    for (auto _ : state) {
        state.PauseTiming();
        RelationGraph graph = p.levelled;
        state.ResumeTiming();
        run(graph);
    }
}

void RedundancySearchInMemory(benchmark::State& state)
{
    Simulated& p = simulated(int(state.range(0)));
    qint64 found = 0;
    onFreshGraphs(state, p, [&](RelationGraph& graph) {
        found = 0;
        FindRedundantLinks(graph, [&](int, int) { ++found; }, [](int) {});
    });
    state.counters["links"] = double(p.links);
    state.counters["redundant"] = double(found);
}
BENCHMARK(RedundancySearchInMemory)->Arg(10000)->Arg(99999)->Unit(benchmark::kMillisecond);

// Marks only: with deletion a second run would find the table changed.
// Each run first clears the marks of the one before, as the test does.
void RedundancyTestOnStoredProject(benchmark::State& state)
{
    Simulated& p = simulated(int(state.range(0)));
    int found = 0;
    onFreshGraphs(state, p, [&](RelationGraph& graph) {
        Protocol protocol(ReportMode::Summary);
        found = RedundancyTest(p.ui, graph, p.session->relations(), protocol, {});
    });
    state.counters["redundant"] = found;
}
BENCHMARK(RedundancyTestOnStoredProject)->Arg(10000)->Arg(99999)->Unit(benchmark::kMillisecond)->Iterations(1);

void WriteDot(benchmark::State& state)
{
    const int contexts = int(state.range(0));
    Simulated& p = simulated(contexts);
    for (auto _ : state) {
        QFile file(QStringLiteral("redundancy-%1.dot").arg(contexts));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            state.SkipWithError("cannot write the DOT file");
            return;
        }
        QByteArray text = "digraph {\n";
        for (int u = 0; u < p.levelled.size(); ++u)
            for (int v : p.levelled.nodes[std::size_t(u)].EarlierList)
                text += 'n' + QByteArray::number(u) + " -> n" + QByteArray::number(v) + ";\n";
        text += "}\n";
        file.write(text);
    }
    state.counters["links"] = double(p.links);
}
BENCHMARK(WriteDot)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
