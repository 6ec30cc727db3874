#include "checks/CheckRun.h"
#include "checks/Components.h"
#include "checks/GroupAssignments.h"
#include "checks/Redundancy.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Session.h"

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
    if (options.components) {
        ComponentCounts counts;
        if (!ComponentCheck(session, protocol, &counts)) return end();
        if (counts.components > 1 || counts.singles > 0) result.problems = true;
    }
    if (options.cycles || options.redundancy) {
        RelationGraph graph;
        if (!RunCycleCheck(session, graph, protocol).ok()) return end();
        if (options.redundancy) {
            RedundancyOptions redundancy;
            redundancy.deleteRedundant = options.deleteRedundant;
            if (RedundancyTest(ui, graph, session.relations(), protocol, redundancy) > 0) result.problems = true;
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
