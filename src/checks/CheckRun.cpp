#include "checks/CheckRun.h"
#include "checks/Components.h"
#include "checks/GroupAssignments.h"
#include "checks/Plausibility.h"
#include "checks/Redundancy.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

namespace belvanto {

CheckSteps::CheckSteps(Session& session, const CheckOptions& options, Protocol& protocol, CheckRunResult& result)
    : session_(session), options_(options), protocol_(protocol), result_(result)
{
}

bool CheckSteps::end()
{
    result_.problems = true;
    result_.ended = true;
    return false;
}

void CheckSteps::plausibility()
{
    if (options_.coordinates && CoordinatesPresentCheck(session_, protocol_) > 0) result_.problems = true;
    struct Difference {
        int field;
        QChar code;
        QString limit;
    };
    const Difference differences[] = {
        {uf::ZAvgCoord, category::Later, options_.laterBelow},
        {uf::ZAvgCoord, category::Contemporary, options_.contemporaryHeight},
        {uf::ZAvgCoord, category::Equal, options_.equalHeight},
        {uf::AvgYear, category::Later, options_.yearsMatch ? QStringLiteral("0") : QString()},
        {uf::AvgYear, category::Contemporary, options_.contemporaryYears},
        {uf::AvgYear, category::Equal, options_.equalYears},
    };
    for (const Difference& d : differences)
        if (DifferenceCheck(session_, d.field, d.code, d.limit, protocol_) > 0) result_.problems = true;
}

bool CheckSteps::components()
{
    if (!options_.components) return true;
    ComponentCounts counts;
    if (!ComponentCheck(session_, protocol_, &counts)) return end();
    if (counts.components > 1 || counts.singles > 0) result_.problems = true;
    return true;
}

bool CheckSteps::cycles(RelationGraph& graph)
{
    if (!RunCycleCheck(session_, graph, protocol_).ok()) return end();
    if (options_.redundancy) {
        RedundancyOptions redundancy;
        redundancy.deleteRedundant = options_.deleteRedundant;
        if (RedundancyTest(session_.ui(), graph, session_.relations(), protocol_, redundancy) > 0) result_.problems = true;
    }
    return true;
}

bool CheckSteps::periods(RelationGraph& graph, bool datingLevels)
{
    if (!options_.datingField) return true;
    result_.periodResult = PeriodCheck(session_, *options_.datingField, protocol_, datingLevels, result_.periods,
                                       options_.choosePeriodOrder, &graph);
    return result_.periodResult == kPeriodCheckOk || end();
}

bool CheckSteps::groupAssignments()
{
    return !GroupAssignmentTest(session_, protocol_) || end();
}

bool CheckSteps::hierarchy(HierarchyTree& tree, bool emptyGroupEnds)
{
    if (!BuildGroupHierarchy(session_, options_.hierarchyOptions, tree, &protocol_)) return end();
    const QString empty = CheckEmptyGroups(tree);
    protocol_.add(QString());
    protocol_.add(empty);
    if (!empty.startsWith(QStringLiteral("Error"))) return true;
    result_.problems = true;
    return !emptyGroupEnds || end();
}

CheckRunResult RunChecks(Session& session, const CheckOptions& options, Protocol& protocol)
{
    StatusScope clearAtEnd(session.ui());
    CheckRunResult result;
    CheckSteps steps(session, options, protocol, result);
    steps.plausibility();
    if (!steps.components()) return result;
    if (options.cycles || options.redundancy || options.datingField) {
        RelationGraph graph;
        if (!steps.cycles(graph) || !steps.periods(graph, true)) return result;
    }
    if (options.groupAssignments && !steps.groupAssignments()) return result;
    if (options.hierarchy) {
        HierarchyTree tree;
        steps.hierarchy(tree, false);
    }
    return result;
}

} // namespace belvanto
