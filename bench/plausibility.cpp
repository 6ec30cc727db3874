// The coordinate, height and year checks on a simulated project of 100,000
// contexts (centre coordinates, center years and earlier/later relationships
// from the simulation), in which of every ten contexts the first is equal to
// the second and the sixth contemporary with the seventh, so that the
// checks of those categories have rows to walk. Detailed report with the
// limit 0: the most problem lines a project of this shape can give.
#include "SimulatedProject.h"
#include "checks/Plausibility.h"
#include "core/Protocol.h"
#include "store/Relations.h"
#include "store/UnitFields.h"
#include <benchmark/benchmark.h>
#include <set>

using namespace belvanto;

namespace {

struct ProjectWithPairs : bench::SimulatedProject {
    explicit ProjectWithPairs(int contexts) : SimulatedProject(contexts)
    {
        Table& units = session->units();
        Table& relations = session->relations();
        std::set<std::pair<UnitKey, UnitKey>> related;
        for (const auto& row : relations.query(QString(), {}, QString()))
            related.insert({{textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)},
                            {textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)}});
        std::vector<UnitKey> keys;
        for (const auto& row : units.query(QStringLiteral("Unitclass = ?"), {kContext}, kUnitKeyOrder))
            keys.push_back({textAt(row, uf::Excavation), textAt(row, uf::Unitname)});
        BulkScope bulk;
        auto relate = [&](std::size_t i, QChar code) {
            if (i + 1 >= keys.size()) return;
            const UnitKey& a = keys[i];
            const UnitKey& b = keys[i + 1];
            if (related.count({a, b}) || related.count({b, a})) return;
            InsertRelationRow(relations, a, b, code, QString(), status::Stored);
            InsertRelationRow(relations, b, a, code, QString(), status::Stored);
        };
        for (std::size_t i = 0; i < keys.size(); i += 10) {
            relate(i, category::Equal);
            relate(i + 5, category::Contemporary);
        }
    }
};

void Plausibility(benchmark::State& state, int field, QChar code)
{
    Session& session = *bench::SharedBySize<ProjectWithPairs>(int(state.range(0))).session;
    for (auto _ : state) {
        Protocol protocol(ReportMode::Detailed);
        if (field < 0) {
            state.counters["problems"] = double(CoordinatesPresentCheck(session, protocol));
        } else {
            state.counters["problems"] = double(DifferenceCheck(session, field, code, QStringLiteral("0"), protocol));
        }
        state.counters["lines"] = double(protocol.lines().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A field of -1 stands for the coordinates check.
BENCHMARK_CAPTURE(Plausibility, CoordinatesPresent, -1, QChar())->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, LaterBelow, uf::ZAvgCoord, category::Later)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, ContemporaryHeight, uf::ZAvgCoord, category::Contemporary)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, EqualHeight, uf::ZAvgCoord, category::Equal)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, YearsMatch, uf::AvgYear, category::Later)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, ContemporaryYears, uf::AvgYear, category::Contemporary)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Plausibility, EqualYears, uf::AvgYear, category::Equal)
    ->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
