#pragma once
// The checks of a check run, each run only when chosen and always in the
// same order: the coordinate, height and year checks, components, cycles
// (which level the contexts), redundant relationships, the period or phase
// order, group assignments, the group hierarchy with its empty-group check. The run's dialog and the command line fill the one option set, so
// the two choose alike.
#include "checks/GroupHierarchy.h"
#include "checks/PeriodCheck.h"
#include "core/Protocol.h"
#include <optional>

namespace belvanto {

class RelationGraph;
class Session;

struct CheckOptions {
    // The coordinate, height and year checks only report. An empty limit
    // leaves its check out; a limit is a non-negative number, as the run's
    // dialog and the command line make sure.
    bool coordinates = false;
    QString laterBelow, contemporaryHeight, equalHeight;
    bool yearsMatch = false;
    QString contemporaryYears, equalYears;
    bool components = false;
    bool cycles = true;
    // The redundancy test runs on the levelled graph, so it brings the cycle
    // check with it; without deletion it only marks and reports.
    bool redundancy = false;
    bool deleteRedundant = false;
    // uf::Period or uf::Phase: the order check of that field, which needs the
    // levels of the cycle check and so brings it with it. It levels the
    // contexts again with its dating constraints.
    std::optional<int> datingField;
    // Asked when the stratigraphy leaves the order of some periods open;
    // without one the order stands as found.
    PeriodOrderChooser choosePeriodOrder;
    bool groupAssignments = false;
    bool hierarchy = false;
    HierarchyOptions hierarchyOptions;
};

struct CheckRunResult {
    // Some check found something to mend (or the user ended the run at the
    // components question).
    bool problems = false;
    // The run stopped before its last chosen check.
    bool ended = false;
    // What the period or phase order check found: the periods from the
    // latest to the earliest, their positions replaced by start levels, and
    // the check's result (kPeriodCheckShowRelations: the period relation
    // table tells why the order failed).
    PeriodList periods;
    int periodResult = kPeriodCheckOk;
};

// The checks of a run one step at a time, for runs that do more between
// them (the layout and check run). Each step runs only what the options
// chose, writes into the protocol and the result, and says whether the run
// goes on.
class CheckSteps {
public:
    CheckSteps(Session& session, const CheckOptions& options, Protocol& protocol, CheckRunResult& result);

    // The coordinate, height and year checks; they only report.
    void plausibility();
    // The components check; false when the run is to end there.
    bool components();
    // The cycle check (levels in Y) and, when chosen, the redundancy test on
    // its graph; false when it found cycles. The graph stays for the steps
    // after it.
    bool cycles(RelationGraph& graph);
    // The period or phase order check on the cycle check's graph; with
    // datingLevels the contexts are levelled again in periods. False when
    // the order could not be found.
    bool periods(RelationGraph& graph, bool datingLevels);
    // The group assignment test; false when it found a conflict.
    bool groupAssignments();
    // The group hierarchy and its empty-group check; false when the tree
    // could not be built or, with emptyGroupEnds, a group is empty.
    bool hierarchy(HierarchyTree& tree, bool emptyGroupEnds);
    // Marks the run as ended before its last chosen check.
    bool end();

private:
    Session& session_;
    const CheckOptions& options_;
    Protocol& protocol_;
    CheckRunResult& result_;
};

// Runs the chosen checks over the open project, its unit table unfiltered,
// and writes what they find into the protocol (whose mode is the report
// mode). Leaves the status line clear.
CheckRunResult RunChecks(Session& session, const CheckOptions& options, Protocol& protocol);

} // namespace belvanto
