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

CheckRunResult RunChecks(Session& session, const CheckOptions& options, Protocol& protocol)
{
    UserInterface& ui = session.ui();
    StatusScope clearAtEnd(ui);
    CheckRunResult result;
    auto end = [&] {
        result.problems = true;
        result.ended = true;
        return result;
    };
    if (options.coordinates && CoordinatesPresentCheck(session, protocol) > 0) result.problems = true;
    struct Difference {
        int field;
        QChar code;
        QString limit;
    };
    const Difference differences[] = {
        {uf::ZAvgCoord, category::Later, options.laterBelow},
        {uf::ZAvgCoord, category::Contemporary, options.contemporaryHeight},
        {uf::ZAvgCoord, category::Equal, options.equalHeight},
        {uf::AvgYear, category::Later, options.yearsMatch ? QStringLiteral("0") : QString()},
        {uf::AvgYear, category::Contemporary, options.contemporaryYears},
        {uf::AvgYear, category::Equal, options.equalYears},
    };
    for (const Difference& d : differences)
        if (DifferenceCheck(session, d.field, d.code, d.limit, protocol) > 0) result.problems = true;
    if (options.components) {
        ComponentCounts counts;
        if (!ComponentCheck(session, protocol, &counts)) return end();
        if (counts.components > 1 || counts.singles > 0) result.problems = true;
    }
    if (options.cycles || options.redundancy || options.datingField) {
        RelationGraph graph;
        if (!RunCycleCheck(session, graph, protocol).ok()) return end();
        if (options.redundancy) {
            RedundancyOptions redundancy;
            redundancy.deleteRedundant = options.deleteRedundant;
            if (RedundancyTest(ui, graph, session.relations(), protocol, redundancy) > 0) result.problems = true;
        }
        if (options.datingField) {
            result.periodResult = PeriodCheck(session, *options.datingField, protocol, true, result.periods,
                                              options.choosePeriodOrder, &graph);
            if (result.periodResult != kPeriodCheckOk) return end();
        }
    }
    if (options.groupAssignments && GroupAssignmentTest(session, protocol)) return end();
    if (options.hierarchy) {
        HierarchyTree tree;
        if (!BuildGroupHierarchy(session, options.hierarchyOptions, tree, &protocol)) return end();
        const QString empty = CheckEmptyGroups(tree);
        protocol.add(QString());
        protocol.add(empty);
        if (empty.startsWith(QStringLiteral("Error"))) result.problems = true;
    }
    return result;
}

} // namespace belvanto
