// The connected-components check over stored tables, answering No to the
// question: on simulated projects of 10,000 and 100,000 contexts (one
// component, every deposit's relationships stored), the 100,000 with 10,000
// groups added (every context part of a group, the groups nested ten to a
// parent), and a half-recorded site of 100,000 contexts in 50,000 pairs, one
// component each.
#include "checks/Components.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

using namespace belvanto;

namespace {

const QString kExcavation = QStringLiteral("Bench");

enum class Shape { Simulated, SimulatedWithGroups, Pairs };

constexpr int kGroups = 10000;

void addUnit(Table& units, const QString& name, const QString& unitClass)
{
    units.insert();
    units.set(uf::Excavation, kExcavation);
    units.set(uf::Unitname, name);
    units.set(uf::Unitclass, unitClass);
    units.post();
}

QString groupName(int g)
{
    return QStringLiteral("G%1").arg(g, 5, 10, QLatin1Char('0'));
}

// Every context part of one of the groups in turn; group g part of g / 10.
void addGroups(Session& session)
{
    BulkScope bulk;
    Table& units = session.units();
    std::vector<QString> contexts;
    for (const auto& row : units.query(QStringLiteral("Unitclass = ?"), {kContext}, QStringLiteral("Unitname")))
        contexts.push_back(valueToString(row.values[uf::Unitname]));
    for (int g = 1; g <= kGroups; ++g) addUnit(units, groupName(g), kGroup);
    Table& relations = session.relations();
    for (std::size_t i = 0; i < contexts.size(); ++i)
        InsertRelationRow(relations, {kExcavation, contexts[i]}, {kExcavation, groupName(int(i % kGroups) + 1)},
                          category::PartOf, QString(), status::Stored);
    for (int g = 10; g <= kGroups; ++g)
        InsertRelationRow(relations, {kExcavation, groupName(g)}, {kExcavation, groupName(g / 10)}, category::PartOf,
                          QString(), status::Stored);
}

// Contexts 2i - 1 and 2i, one earlier than the other; nothing else.
void addPairs(Session& session, int contexts)
{
    BulkScope bulk;
    Table& units = session.units();
    Table& relations = session.relations();
    auto name = [](int k) { return QStringLiteral("F%1").arg(k, 6, 10, QLatin1Char('0')); };
    for (int k = 1; k <= contexts; ++k) addUnit(units, name(k), kContext);
    for (int k = 1; k + 1 <= contexts; k += 2) {
        const UnitKey a{kExcavation, name(k)}, b{kExcavation, name(k + 1)};
        InsertRelationRow(relations, a, b, category::Earlier, QString(), status::Stored);
        InsertRelationRow(relations, b, a, category::Later, QString(), status::Stored);
    }
}

struct Project {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    std::unique_ptr<Session> session;

    Project(Shape shape, int contexts)
    {
        // The question gets No: the check run goes on and nothing is stored.
        ui.setDefaultAnswer(Answer::No);
        session = std::make_unique<Session>(ui, regional);
        const QString file = dir.filePath(QStringLiteral("Bench.bvp"));
        CreateProjectFiles(*session, file, kExcavation, QString(), false);
        if (shape == Shape::Pairs) {
            addPairs(*session, contexts);
            return;
        }
        SimulationSettings s;
        s.projectFile = file;
        s.excavation = kExcavation;
        s.contexts = contexts;
        GenerateSimulation(*session, s, 1);
        if (shape == Shape::SimulatedWithGroups) addGroups(*session);
    }
    ~Project() { CloseProject(*session, true); }
};

Project& project(Shape shape, int contexts)
{
    static std::map<std::pair<Shape, int>, std::unique_ptr<Project>> projects;
    auto& p = projects[{shape, contexts}];
    if (!p) p = std::make_unique<Project>(shape, contexts);
    return *p;
}

// Labels of another step, so that every run writes every context's label.
void clearLabels(Table& units)
{
    BulkScope bulk;
    for (units.first(); !units.eof(); units.next()) {
        units.edit();
        units.set(uf::Group, Value());
        units.post();
    }
}

void run(benchmark::State& state, Shape shape)
{
    Project& p = project(shape, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        clearLabels(p.session->units());
        state.ResumeTiming();
        Protocol protocol(ReportMode::Detailed);
        if (!ComponentCheck(*p.session, protocol)) {
            state.SkipWithError("the check ended the run");
            return;
        }
        state.counters["lines"] = double(protocol.lines().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ComponentsSimulated(benchmark::State& state)
{
    run(state, Shape::Simulated);
}
BENCHMARK(ComponentsSimulated)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void ComponentsSimulatedWithGroups(benchmark::State& state)
{
    run(state, Shape::SimulatedWithGroups);
}
BENCHMARK(ComponentsSimulatedWithGroups)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void ComponentsInPairs(benchmark::State& state)
{
    run(state, Shape::Pairs);
}
BENCHMARK(ComponentsInPairs)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
