#pragma once
// A simulated project of the given number of contexts in a temporary folder,
// made once per size and shared by the benchmarks of one program, so that
// the generation stays outside every timed loop.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <vector>

namespace belvanto::bench {

struct SimulatedProject {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    std::unique_ptr<Session> session;

    explicit SimulatedProject(int contexts)
    {
        session = std::make_unique<Session>(ui, regional);
        SimulationSettings s;
        s.projectFile = dir.filePath(QStringLiteral("Bench.bvp"));
        s.excavation = QStringLiteral("Bench");
        s.contexts = contexts;
        CreateProjectFiles(*session, s.projectFile, s.excavation, QString(), false);
        GenerateSimulation(*session, s, 1);
    }
    ~SimulatedProject() { CloseProject(*session, true); }
    SimulatedProject(const SimulatedProject&) = delete;
    SimulatedProject& operator=(const SimulatedProject&) = delete;
};

struct SimulatedGroups {
    int groups = 0;        // of contexts
    int upperGroups = 0;   // of groups
};

// Groups added to the open project's contexts in one transaction: every run
// of contextsPerGroup contexts in unit key order part of one group ("G"
// numbered), every run of groupsPerUpper groups part of one upper group ("U"
// numbered), so that the hierarchy is two deep. The simulation deposits the
// contexts in key order, so a group holds contexts laid down one after the
// other and the groups relate to each other one way only.
inline SimulatedGroups AddSimulatedGroups(Session& session, int contextsPerGroup, int groupsPerUpper)
{
    Table& units = session.units();
    Table& relations = session.relations();
    std::vector<UnitKey> contexts;
    units.scan(QStringLiteral("Unitclass = ?"), {kContext}, QStringLiteral("Excavation, Unitname"),
               [&](Table::Row& row) { contexts.push_back({textAt(row, uf::Excavation), textAt(row, uf::Unitname)}); });
    SimulatedGroups made;
    if (contexts.empty()) return made;
    const QString excavation = contexts.front().excavation;
    const auto addGroup = [&](QChar letter, int number) {
        const UnitKey key{excavation, letter + QStringLiteral("%1").arg(number, 6, 10, QLatin1Char('0'))};
        units.insert();
        units.set(uf::Excavation, key.excavation);
        units.set(uf::Unitname, key.unitname);
        units.set(uf::Unitclass, kGroup);
        units.post();
        return key;
    };
    BulkScope bulk;
    UnitKey group, upper;
    for (std::size_t c = 0; c < contexts.size(); ++c) {
        if (c % std::size_t(contextsPerGroup) == 0) {
            if (made.groups % groupsPerUpper == 0) upper = addGroup(QLatin1Char('U'), ++made.upperGroups);
            group = addGroup(QLatin1Char('G'), ++made.groups);
            InsertRelationRow(relations, group, upper, category::PartOf, QString(), status::Stored);
        }
        InsertRelationRow(relations, contexts[c], group, category::PartOf, QString(), status::Stored);
    }
    return made;
}

// The one instance of T (built from the number of contexts) per size.
template <typename T>
T& SharedBySize(int contexts)
{
    static std::map<int, std::unique_ptr<T>> projects;
    auto& p = projects[contexts];
    if (!p) p = std::make_unique<T>(contexts);
    return *p;
}

} // namespace belvanto::bench
