// The group hierarchy on a project of 100,000 units: 10,000 groups nested
// three deep (100 top-level groups, each group below them part of one group
// of the level above) and 90,000 contexts, nine per group, each with the
// period of its top-level group. Built as "Show group hierarchy" builds it:
// units and "part of" rows read, the tree made and sorted; with periods also
// the group periods written (cleared again between runs).
#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

constexpr int kGroups = 10000;
constexpr int kContextsPerGroup = 9;   // 90,000 contexts

// Group g (g >= 100) is part of group g / 10: the groups 100..999 below
// 10..99, 1000..9999 below 100..999; 0..99 are top-level.
int parentOf(int g)
{
    return g < 100 ? -1 : g / 10;
}

int topOf(int g)
{
    while (parentOf(g) >= 0) g = parentOf(g);
    return g;
}

const QString kExcavation = QStringLiteral("Site");

QString groupName(int g)
{
    return QStringLiteral("G%1").arg(g, 5, 10, QLatin1Char('0'));
}

void addUnit(Table& units, const QString& name, const QString& unitClass, const QString& period = QString())
{
    units.insert();
    units.set(uf::Excavation, kExcavation);
    units.set(uf::Unitname, name);
    units.set(uf::Unitclass, unitClass);
    units.set(uf::Period, period);
    units.post();
}

void addPartOf(Table& relations, const QString& member, const QString& group)
{
    InsertRelationRow(relations, {kExcavation, member}, {kExcavation, group}, category::PartOf, QString(), status::Stored);
}

struct Project {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    Session session{ui, regional};

    Project()
    {
        CreateProjectFiles(session, dir.filePath(QStringLiteral("Bench.bvp")), kExcavation, QString(), true);
        BulkScope bulk;
        for (int g = 0; g < kGroups; ++g) {
            addUnit(session.units(), groupName(g), kGroup);
            if (parentOf(g) >= 0) addPartOf(session.relations(), groupName(g), groupName(parentOf(g)));
        }
        for (int c = 0; c < kGroups * kContextsPerGroup; ++c) {
            const QString name = QStringLiteral("%1").arg(c, 6, 10, QLatin1Char('0'));
            const int g = c % kGroups;
            addUnit(session.units(), name, kContext, QStringLiteral("P%1").arg(topOf(g) % 20));
            addPartOf(session.relations(), name, groupName(g));
        }
    }
    ~Project() { CloseProject(session, true); }

    void clearGroupPeriods()
    {
        Table& units = session.units();
        BulkScope bulk;
        for (const auto& row : units.query(QStringLiteral("Unitclass = ?"), {kGroup})) {
            units.gotoRowid(row.rowid);
            units.edit();
            units.set(uf::Period, QString());
            units.post();
        }
    }
};

Project& project()
{
    static Project p;
    return p;
}

void BuildHierarchy(benchmark::State& state, HierarchyOptions options)
{
    Project& p = project();
    for (auto _ : state) {
        if (options.chronology != Chronology::Ignore) {
            state.PauseTiming();
            p.clearGroupPeriods();
            state.ResumeTiming();
        }
        HierarchyTree tree;
        Protocol protocol;
        if (!BuildGroupHierarchy(p.session, options, tree, &protocol)) state.SkipWithError("the build failed");
        state.counters["nodes"] = tree.size();
    }
}
BENCHMARK_CAPTURE(BuildHierarchy, GroupsOnly, HierarchyOptions{false, Chronology::Ignore})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BuildHierarchy, WithContexts, HierarchyOptions{true, Chronology::Ignore})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BuildHierarchy, WithPeriods, HierarchyOptions{true, Chronology::Periods})
    ->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
