#include "cli/PlacementCommands.h"
#include "checks/Projection.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "core/Protocol.h"
#include "core/Random.h"
#include "exchange/DotExport.h"
#include "checks/GroupHierarchy.h"
#include "checks/PeriodCheck.h"
#include "layout/GroupLayout.h"
#include "layout/PlacementRun.h"
#include "layout/RelationGraph.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

int writeDot(CliContext& c, const QString& project, const QString& file)
{
    OpenedProject opened(c, project, OpenMode::ReadOnly);
    if (!opened.ok) return Failed;
    Session& session = opened.session;
    const ProjectState& p = session.project();
    FilterOff units(session.units());
    FilterOff relations(session.relations());
    return ExportDot(c.ui, session.units(), session.relations(), p.SingleExcavation, p.ProjectName, MakeAbsolute(file))
               ? Ok
               : Failed;
}

struct LayoutOptions {
    quint32 seed = kDefaultLayoutSeed;
    std::optional<int> angle;
    bool proposedAngle = false;   // --use-coordinates auto
    bool deleteRedundant = false;
    bool groups = false;
    bool strict = false;
    int datingField = -1;   // uf::Period or uf::Phase: period or phase bands
};

// The group hierarchy the group layout lays out, with its contexts and, for
// bands, the chronology; an empty group ends the run. False after the
// protocol says why.
bool buildLayoutHierarchy(Session& s, int datingField, Protocol& protocol, HierarchyTree& tree)
{
    HierarchyOptions options;
    options.includeContexts = true;
    options.chronology = datingField == uf::Period  ? Chronology::Periods
                         : datingField == uf::Phase ? Chronology::Phases
                                                    : Chronology::Ignore;
    if (!BuildGroupHierarchy(s, options, tree, &protocol)) return false;
    const QString empty = CheckEmptyGroups(tree);
    if (!empty.startsWith(QStringLiteral("Error"))) return true;
    protocol.add(QString());
    protocol.add(empty);
    return false;
}

int cmdLayout(CliContext& c, const LayoutOptions& o)
{
    const quint32 seed = o.seed;
    std::optional<int> angle = o.angle;
    if (o.groups && (angle || o.proposedAngle)) {
        c.ui.error(QStringLiteral("--use-coordinates does not apply to the layout with groups"));
        return Usage;
    }
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    s.units().setFilter(QString());
    s.relations().setFilter(QString());
    if (s.units().count() == 0) {
        s.ui().warning(QStringLiteral("Sorry, checking nothing does not make any sense."));
        return Failed;
    }
    Protocol protocol(ReportMode::Detailed);
    PeriodList periods;
    RandomGenerator random(seed);
    // The projection dialog takes its mean point before the check.
    MeanPoint mean = angle ? ContextMeanPoint(s.units()) : MeanPoint{};
    if (o.proposedAngle) {
        // The dialog's proposal, and its refusals, without the dialog.
        const ProjectionModel model = AnalyseProjection(ReadProjectionPoints(s.units()));
        if (const QString warning = ProjectionWarning(model.summary); !warning.isEmpty()) {
            s.ui().error(warning);
            return Failed;
        }
        angle = model.proposedAngle;
        mean = {model.meanX, model.meanY, model.summary.n};
        c.print(c.out, QStringLiteral("Section angle: %1 degrees\n\n").arg(*angle));
    }

    RelationGraph graph;
    bool ok = RunLayoutChecks(s, graph, protocol, o.deleteRedundant).ok();
    // Without a window an open period order stands as found.
    if (ok && o.datingField >= 0)
        ok = PeriodCheck(s, o.datingField, protocol, true, periods, {}, &graph) == kPeriodCheckOk;
    if (ok && o.groups) {
        FreeRelationGraph(graph);
        HierarchyTree tree;
        ok = buildLayoutHierarchy(s, o.datingField, protocol, tree)
             && LayoutWithGroups(s, tree, random, o.datingField, o.strict, protocol, periods);
    } else if (ok) {
        if (angle) ProjectContextCoordinates(s.units(), *angle, mean.x, mean.y);
        PlacementOptions options;
        options.useCoordinates = angle.has_value();
        options.periodsShown = o.datingField >= 0;
        ok = LayoutWithoutGroups(s, graph, random, options, periods);
    }
    FreeRelationGraph(graph);
    s.project().DiagramPresent = ok;
    s.ui().status(QString());
    for (const QString& line : protocol.lines()) c.print(c.out, line + QLatin1Char('\n'));
    return ok ? Ok : Failed;
}

} // namespace

void RegisterPlacementCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<LayoutOptions>();
    CLI::App* command = AddCommand(program, c, "layout", "check for cycles, lay out and store the Harris diagram",
                                   [&c, o] { return cmdLayout(c, *o); });
    AddWords(command, c, "P.bvp", "the project file");
    AddValueOption(command, "--seed", "N", "the seed of the placement's random draws (default 932216981)",
                   [o](const QString& text) {
                       const auto value = parseInt(text);
                       if (!value) RefuseValue(QStringLiteral("--seed takes an integer"));
                       // Modulo 2^32: a negative seed is its 32-bit pattern.
                       o->seed = quint32(quint64(*value));
                   });
    AddValueOption(command, "--use-coordinates", "ANGLE",
                   "order the contexts by their centre coordinates along a section at ANGLE degrees, 0 to 180; "
                   "auto: along the direction in which they spread most",
                   [o](const QString& text) {
                       if (text == QLatin1String("auto")) {
                           o->proposedAngle = true;
                           o->angle.reset();
                           return;
                       }
                       const auto value = parseInt32(text);
                       if (!value || *value < 0 || *value > 180)
                           RefuseValue(QStringLiteral(
                               "--use-coordinates takes a section angle in whole degrees, 0 to 180, or auto"));
                       o->proposedAngle = false;
                       o->angle = *value;
                   });
    command->add_flag_callback("--delete-redundant", [o] { o->deleteRedundant = true; },
                               "delete the redundant earlier/later relationships instead of marking them");
    CLI::Option* groups = command->add_flag_callback("--groups", [o] { o->groups = true; },
                                                     "lay out every group in a frame around its members");
    command->add_flag_callback("--strict", [o] { o->strict = true; },
                               "with --groups: fail when the contexts of two groups are related both ways, "
                               "instead of placing the groups side by side")
        ->needs(groups);
    CLI::Option* periods = command->add_flag_callback("--periods", [o] { o->datingField = uf::Period; },
                                                      "check the order of the periods and lay them out in bands");
    command->add_flag_callback("--phases", [o] { o->datingField = uf::Phase; },
                               "check the order of the phases and lay them out in bands")
        ->excludes(periods);

    AddExportFormat(program, c, "--dot",
                    "the contexts and their earlier/later relationships as a Graphviz digraph (later above earlier)",
                    [&c](const QString& project, const QString& file) { return writeDot(c, project, file); });
}

} // namespace belvanto
