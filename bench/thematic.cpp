// Thematic styles on a simulated project of 100,000 units with a stored
// unit layout record for each. Timed: the dialogs' OK, that is working out
// every unit's style (one pass over the unit table) and writing
// ThematicColour, ThematicStyle, ThemColour and ThemBoxStyle in one
// transaction, for four ranges of an integer field and for the distinct
// values of a string field; and, on its own, what the command reads before
// a dialog opens (the smallest and largest value, the distinct values).
#include "SimulatedProject.h"
#include "diagram/Thematic.h"
#include "layout/LayoutFiles.h"
#include "store/LayoutFileNames.h"

#include <benchmark/benchmark.h>

using namespace belvanto;
using namespace belvanto::bench;

namespace {

constexpr int kUnits = 100000;

// MinYear 0 ... 999 in turn, Period one of seven names, and a layout
// record for every unit.
struct ThematicProject {
    SimulatedProject project{kUnits};

    ThematicProject()
    {
        Session& s = *project.session;
        std::vector<std::pair<qint64, UnitKey>> rows;
        s.units().scan(QString(), {}, QString(), [&](Table::Row& row) {
            rows.emplace_back(row.rowid, UnitKey{textAt(row, uf::Excavation), textAt(row, uf::Unitname)});
        });
        const ProjectState& p = s.project();
        CreateLayoutTables(p.ProjectDirectory, p.ProjectName);
        Table layout;
        layout.open(p.ProjectDirectory, UnitLayoutTableName(p.ProjectName));
        BulkScope bulk;
        {
            TableWriter units(s.units());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                units.set(uf::MinYear, qint32(i % 1000));
                units.set(uf::Period, QStringLiteral("Period %1").arg(i % 7));
                units.update(rows[i].first);
            }
        }
        TableWriter writer(layout);
        for (const auto& [rowid, key] : rows) {
            writer.set(ul::Excavation, key.excavation);
            writer.set(ul::Unitname, key.unitname);
            writer.set(ul::Unitclass, kContextRecord);
            writer.append();
        }
    }
};

ThematicProject& project()
{
    static ThematicProject p;
    return p;
}

void BM_ThematicRanges(benchmark::State& state)
{
    Session& s = *project().project.session;
    for (auto _ : state) {
        state.PauseTiming();
        auto start = StartThematic(s, uf::MinYear);
        state.ResumeTiming();
        if (!start) {
            state.SkipWithError("no ranges");
            return;
        }
        for (std::size_t i = 0; i < start->ranges.size(); ++i) start->ranges[i].look = BoxLook{quint32(i * 4000), int(i)};
        const ThematicAssignment a = AssignRangeStyles(s, start->field, start->ranges);
        benchmark::DoNotOptimize(WriteThematicStyles(s, a, ThematicMode::Both));
    }
    state.counters["units"] = double(s.units().count());
}
BENCHMARK(BM_ThematicRanges)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ThematicTerms(benchmark::State& state)
{
    Session& s = *project().project.session;
    for (auto _ : state) {
        state.PauseTiming();
        auto start = StartThematic(s, uf::Period);
        state.ResumeTiming();
        if (!start) {
            state.SkipWithError("no terms");
            return;
        }
        for (std::size_t i = 0; i < start->terms.looks.size(); ++i) start->terms.looks[i] = BoxLook{quint32(i * 9000), int(i)};
        const ThematicAssignment a = AssignTermStyles(s, start->field, start->terms);
        benchmark::DoNotOptimize(WriteThematicStyles(s, a, ThematicMode::Both));
    }
}
BENCHMARK(BM_ThematicTerms)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ThematicStart(benchmark::State& state)
{
    Session& s = *project().project.session;
    for (auto _ : state) {
        benchmark::DoNotOptimize(StartThematic(s, uf::MinYear));
        benchmark::DoNotOptimize(StartThematic(s, uf::Period));
    }
}
BENCHMARK(BM_ThematicStart)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
