#include "layout/LayoutCheckRun.h"
#include "core/UserInterface.h"
#include "layout/GroupLayout.h"
#include "layout/PlacementRun.h"
#include "layout/RelationGraph.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

using C = RunControl;

QString ifChosen(bool chosen, const QString& text)
{
    return chosen ? text.trimmed() : QString();
}

// One run: what it owns lives as long as the run and goes on every path.
class Run {
public:
    Run(Session& session, const RunOptions& options, const CheckOptions& checks, const RunDialogs& dialogs,
        Protocol& protocol)
        : session_(session), options_(options), checks_(checks), dialogs_(dialogs), protocol_(protocol),
          random_(SeedOf(options.seed)), steps_(session, checks, protocol, result_)
    {
    }

    LayoutRunResult run();

private:
    bool layOut();

    Session& session_;
    const RunOptions& options_;
    const CheckOptions& checks_;
    const RunDialogs& dialogs_;
    Protocol& protocol_;
    RandomGenerator random_;
    LayoutRunResult result_;
    CheckSteps steps_;
    RelationGraph graph_;
    HierarchyTree tree_;
    std::optional<ProjectionChoice> projection_;
};

bool Run::layOut()
{
    const int datingField = checks_.datingField.value_or(-1);
    if (options_[C::Groups]) {
        FreeRelationGraph(graph_);
        if (!steps_.groupAssignments() || !steps_.hierarchy(tree_, true)) return false;
        return LayoutWithGroups(session_, tree_, random_, datingField, options_[C::StrictGroups], protocol_,
                                result_.periods);
    }
    if (projection_) ProjectContextCoordinates(session_.units(), projection_->angle, projection_->meanX, projection_->meanY);
    PlacementOptions placement;
    placement.useCoordinates = projection_.has_value();
    placement.periodsShown = datingField >= 0;
    return LayoutWithoutGroups(session_, graph_, random_, placement, result_.periods);
}

LayoutRunResult Run::run()
{
    UserInterface& ui = session_.ui();
    StatusScope status(ui);
    BusyCursor busy(ui);
    WholeTable allRelations(session_.relations());
    session_.project().DiagramPresent = false;

    steps_.plausibility();
    if (!steps_.components()) return result_;
    if (options_[C::CoordinateOrder]) {
        projection_ = dialogs_.projection ? dialogs_.projection() : std::nullopt;
        if (!projection_) {
            steps_.end();
            return result_;
        }
    }
    if (options_[C::Cycles]) {
        if (!steps_.cycles(graph_)) return result_;
        if (!steps_.periods(graph_, !options_[C::Groups])) {
            if (result_.periodResult == kPeriodCheckShowRelations && dialogs_.periodRelations)
                dialogs_.periodRelations(*checks_.datingField);
            return result_;
        }
    }
    if (options_[C::Layout] && options_[C::Cycles]) {
        result_.layoutStored = layOut();
        if (!result_.layoutStored) steps_.end();
        session_.project().DiagramPresent = result_.layoutStored;
        return result_;
    }
    FreeRelationGraph(graph_);
    if (checks_.groupAssignments && !steps_.groupAssignments()) return result_;
    if (checks_.hierarchy) steps_.hierarchy(tree_, false);
    return result_;
}

} // namespace

CheckOptions RunCheckOptions(const RunOptions& options)
{
    CheckOptions checks;
    checks.coordinates = options[C::CoordinatesPresent];
    checks.laterBelow = ifChosen(options[C::LaterBelow], options.laterBelow);
    checks.contemporaryHeight = ifChosen(options[C::ContemporaryHeight], options.contemporaryHeight);
    checks.equalHeight = ifChosen(options[C::EqualHeight], options.equalHeight);
    checks.yearsMatch = options[C::YearsMatch];
    checks.contemporaryYears = ifChosen(options[C::ContemporaryYears], options.contemporaryYears);
    checks.equalYears = ifChosen(options[C::EqualYears], options.equalYears);
    checks.components = options[C::Components];
    checks.cycles = options[C::Cycles];
    checks.redundancy = options[C::Cycles] && (options[C::Layout] || options[C::DeleteRedundant]);
    checks.deleteRedundant = options[C::DeleteRedundant];
    if (options[C::Periods]) checks.datingField = uf::Period;
    else if (options[C::Phases]) checks.datingField = uf::Phase;
    checks.hierarchyOptions.includeContexts = true;
    checks.hierarchyOptions.chronology = options[C::Periods]  ? Chronology::Periods
                                         : options[C::Phases] ? Chronology::Phases
                                                              : Chronology::Ignore;
    return checks;
}

LayoutRunResult RunLayoutAndCheck(Session& session, const RunOptions& options, const CheckOptions& checks,
                                  const RunDialogs& dialogs, Protocol& protocol)
{
    protocol.setMode(options.report);
    CheckOptions withChooser = checks;
    if (!withChooser.choosePeriodOrder) withChooser.choosePeriodOrder = dialogs.periodOrder;
    return Run(session, options, withChooser, dialogs, protocol).run();
}

} // namespace belvanto
