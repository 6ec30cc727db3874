#include "cli/RunCommands.h"
#include "checks/PeriodCheck.h"
#include "checks/Projection.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "core/UserInterface.h"
#include "layout/LayoutCheckRun.h"
#include "layout/LayoutFiles.h"
#include "layout/PlacementRun.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QFile>

namespace belvanto {

namespace {

using C = RunControl;

struct RunCommandOptions {
    bool layout = true;   // "Harris diagram layout"; false: "Check only"
    // The check boxes given on the command line, on or off.
    std::optional<bool> given[kRunControlCount];
    QString laterBelow, contemporaryHeight, equalHeight, contemporaryYears, equalYears;
    std::optional<QString> seed;
    bool summary = false;
    QString colours;
    std::optional<int> angle;
    bool proposedAngle = false;   // --use-coordinates auto
    // Check only.
    bool storeComponents = false;
    bool redundancy = false;
    bool deleteRedundant = false;
    bool groupAssignments = false;
    bool hierarchy = false;
    QString chronology;
    bool withContexts = false;
};

// After a period or phase order check: the order it found, or the relation
// counts that stopped it, as the run's windows would show them.
void printPeriodOutcome(CliContext& c, Session& s, int datingField, const CheckRunResult& result,
                        const Protocol& protocol)
{
    const QString label = s.catalogue()[datingField].Label;
    // One empty line between the protocol and what follows.
    const QString gap = protocol.isEmpty() || !protocol.lines().back().isEmpty() ? QStringLiteral("\n") : QString();
    if (result.periodResult == kPeriodCheckOk && !result.periods.empty()) {
        QStringList names;
        bool open = false;
        for (const Period& period : result.periods) {
            names << period.name + (period.ambiguous ? QStringLiteral("*") : QString());
            open = open || period.ambiguous;
        }
        c.print(c.out, gap + QStringLiteral("Sequence of %1s, latest first: %2\n").arg(label, names.join(QStringLiteral(", "))));
        if (open) c.print(c.out, QStringLiteral("* the stratigraphy leaves the order of these open\n"));
    } else if (result.periodResult == kPeriodCheckShowRelations) {
        Table counts;
        counts.openFile(PeriodRelationTablePath(s.project().ProjectDirectory));
        c.print(c.out, gap + QStringLiteral("Check ") + label.toLower() + QStringLiteral(" relation count list:\n") +
                           label + QStringLiteral("1\t") + label + QStringLiteral("2\t> count\t< count\n"));
        const int period1 = counts.fieldIndexOrThrow(u"Period1");
        const int period2 = counts.fieldIndexOrThrow(u"Period2");
        const int later = counts.fieldIndexOrThrow(u"Count1");
        const int earlier = counts.fieldIndexOrThrow(u"Count2");
        for (const Table::Row& row : counts.query(QString(), {}, QStringLiteral("Period1, Period2")))
            c.print(c.out, QStringList{textAt(row, period1), textAt(row, period2), textAt(row, later),
                                       textAt(row, earlier)}
                                   .join(QLatin1Char('\t')) +
                               QLatin1Char('\n'));
    }
}

// The dialog's choices: its presets, then the options in the order of the
// dialog's controls, each as a click with its rules.
RunOptions chosenOptions(Session& s, const RunCommandOptions& o)
{
    RunOptions options = PresetRunOptions(s);
    // "Check only" shows no groups, so their preset does not apply.
    if (!o.layout) SetRunOption(options, C::Groups, false);
    for (int c = 0; c < kRunControlCount; ++c)
        if (o.given[c]) SetRunOption(options, RunControl(c), *o.given[c]);
    SetRunOption(options, C::Layout, o.layout);
    if (!o.layout) {
        // Without options a check run leaves the relationships alone.
        SetRunOption(options, C::DeleteRedundant, o.deleteRedundant);
    }
    options.laterBelow = o.laterBelow;
    options.contemporaryHeight = o.contemporaryHeight;
    options.equalHeight = o.equalHeight;
    options.contemporaryYears = o.contemporaryYears;
    options.equalYears = o.equalYears;
    if (o.seed) options.seed = *o.seed;
    const QStringList depths{QStringLiteral("2"), QStringLiteral("16"), QStringLiteral("256"), QStringLiteral("65536"),
                             QStringLiteral("16M")};
    if (!o.colours.isEmpty()) options.colours = ColourDepth(depths.indexOf(o.colours));
    options.report = o.summary ? ReportMode::Summary : ReportMode::Detailed;
    return options;
}

// The projection without its dialog: the angle given, or the dialog's
// proposal and its refusals.
std::optional<ProjectionChoice> cliProjection(CliContext& c, Session& s, const RunCommandOptions& o)
{
    if (!o.proposedAngle) {
        const MeanPoint mean = ContextMeanPoint(s.units());
        return ProjectionChoice{o.angle.value_or(0), mean.x, mean.y};
    }
    const ProjectionModel model = AnalyseProjection(ReadProjectionPoints(s.units()));
    if (const QString warning = ProjectionWarning(model.summary); !warning.isEmpty()) {
        s.ui().error(warning);
        return std::nullopt;
    }
    c.print(c.out, QStringLiteral("Section angle: %1 degrees\n\n").arg(model.proposedAngle));
    return ProjectionChoice{model.proposedAngle, model.meanX, model.meanY};
}

int cmdRun(CliContext& c, const RunCommandOptions& o)
{
    if (o.given[int(C::Groups)].value_or(false) && o.given[int(C::CoordinateOrder)].value_or(false)) {
        c.ui.error(QStringLiteral("--use-coordinates does not apply to the layout with groups"));
        return Usage;
    }
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    s.ui().status(QString());
    s.units().setFilter(QString());
    if (s.units().count() == 0) {
        s.ui().warning(QStringLiteral("Sorry, checking nothing does not make any sense."));
        return Failed;
    }
    const RunOptions options = chosenOptions(s, o);
    CheckOptions checks = RunCheckOptions(options);
    if (!o.layout) {
        checks.redundancy = o.redundancy;
        checks.deleteRedundant = o.deleteRedundant;
        checks.groupAssignments = o.groupAssignments;
        checks.hierarchy = o.hierarchy;
        HierarchyOptions& h = checks.hierarchyOptions;
        h.chronology = o.chronology == QStringLiteral("period")  ? Chronology::Periods
                       : o.chronology == QStringLiteral("phase") ? Chronology::Phases
                                                                 : Chronology::Ignore;
        // A chronology is checked on the contexts, so it brings them in.
        h.includeContexts = o.withContexts || h.chronology != Chronology::Ignore;
    }
    // Without --store-components the components are reported and the run
    // goes on; --cancel ends it there.
    c.ui.setAnswerFor(Buttons::YesNoCancel, o.storeComponents ? Answer::Yes : Answer::No);
    RunDialogs dialogs;
    dialogs.projection = [&] { return cliProjection(c, s, o); };
    Protocol protocol;
    const LayoutRunResult result = RunLayoutAndCheck(s, options, checks, dialogs, protocol);
    for (const QString& line : protocol.lines()) c.print(c.out, line + QLatin1Char('\n'));
    if (checks.datingField) printPeriodOutcome(c, s, *checks.datingField, result, protocol);
    if (!o.layout) return result.problems ? Failed : Ok;
    if (!result.layoutStored) return Failed;
    QFile file(LayoutParameterPath(s.project().ProjectDirectory, s.project().ProjectName));
    if (file.open(QIODevice::ReadOnly))
        if (const auto parameters = ParseLayoutParameters(file.readAll()))
            c.print(c.out, QStringLiteral("\nLayout stored: %1 columns, %2 levels%3.\n")
                               .arg(parameters->columns)
                               .arg(parameters->levels)
                               .arg(parameters->groups ? QStringLiteral(", with groups") : QString()));
    return Ok;
}

// A limit of the height and year checks: a non-negative number with "." as
// the decimal point, whatever the locale; the protocol quotes it as written.
void addLimit(CLI::App* command, const std::string& name, const std::string& valueName, const std::string& description,
              std::shared_ptr<RunCommandOptions> o, C control, QString RunCommandOptions::*target, bool integer)
{
    AddValueOption(command, name, valueName, description, [name, o, control, target, integer](const QString& text) {
        const auto problem = integer ? YearProblem(text) : HeightProblem(text);
        if (problem || text.trimmed().isEmpty())
            RefuseValue(QStringLiteral("%1 takes a non-negative %2").arg(QString::fromStdString(name),
                                                                          integer ? QStringLiteral("integer")
                                                                                  : QStringLiteral("number, such as 0.5")));
        (*o).*target = text.trimmed();
        o->given[int(control)] = true;
    });
    command->add_flag_callback("--no-" + name.substr(2), [o, control] { o->given[int(control)] = false; },
                               "leave out " + name);
}

// A check box as --NAME and --no-NAME.
CLI::Option* addCheckBox(CLI::App* command, const std::string& name, const std::string& description,
                         std::shared_ptr<RunCommandOptions> o, C control)
{
    CLI::Option* on = command->add_flag_callback(name, [o, control] { o->given[int(control)] = true; }, description);
    command->add_flag_callback("--no-" + name.substr(2), [o, control] { o->given[int(control)] = false; },
                               "the opposite of " + name);
    return on;
}

CLI::App* addRunCommand(CLI::App& program, CliContext& c, bool layout)
{
    auto o = std::make_shared<RunCommandOptions>();
    o->layout = layout;
    CLI::App* command = AddCommand(
        program, c, layout ? "layout" : "check",
        layout ? "check the project as the layout and check run does and lay out and store the Harris diagram"
               : "run the chosen checks of a layout and check run without the layout and print the protocol",
        [&c, o] { return cmdRun(c, *o); });
    AddWords(command, c, "P.bvp", "the project file");
    addCheckBox(command, "--coordinates", "list the contexts without full center coordinates", o, C::CoordinatesPresent);
    addLimit(command, "--later-below", "H", "list later contexts that lie more than H below an earlier one", o,
             C::LaterBelow, &RunCommandOptions::laterBelow, false);
    addLimit(command, "--contemporary-height", "H", "list contemporary contexts whose heights differ by more than H",
             o, C::ContemporaryHeight, &RunCommandOptions::contemporaryHeight, false);
    addLimit(command, "--equal-height", "H", "list equal contexts whose heights differ by more than H", o,
             C::EqualHeight, &RunCommandOptions::equalHeight, false);
    if (layout) {
        AddValueOption(command, "--use-coordinates", "ANGLE",
                       "order the contexts by their centre coordinates along a section at ANGLE degrees, 0 to 180; "
                       "auto: along the direction in which they spread most",
                       [o](const QString& text) {
                           o->given[int(C::CoordinateOrder)] = true;
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
        command->add_flag_callback("--no-use-coordinates", [o] { o->given[int(C::CoordinateOrder)] = false; },
                                   "the opposite of --use-coordinates");
    }
    addCheckBox(command, "--years-match", "list later contexts whose center year is earlier than that of an earlier one",
                o, C::YearsMatch);
    addLimit(command, "--contemporary-years", "Y", "list contemporary contexts whose center years differ by more than Y",
             o, C::ContemporaryYears, &RunCommandOptions::contemporaryYears, true);
    addLimit(command, "--equal-years", "Y", "list equal contexts whose center years differ by more than Y", o,
             C::EqualYears, &RunCommandOptions::equalYears, true);
    CLI::Option* components =
        addCheckBox(command, "--components", "the connected-components check", o, C::Components);
    command->add_flag("--store-components", o->storeComponents,
                      "store each component as a project <P>_1, <P>_2, ... (without it the run goes on)")
        ->needs(components);
    addCheckBox(command, "--cycles", "the cycle check (on unless --no-cycles; the layout needs it)", o, C::Cycles);
    if (layout) {
        command->add_flag_callback("--delete-redundant", [o] { o->given[int(C::DeleteRedundant)] = true; },
                                   "delete the redundant earlier/later relationships (the default)");
        command->add_flag_callback("--keep-redundant,--no-delete-redundant",
                                   [o] { o->given[int(C::DeleteRedundant)] = false; },
                                   "mark the redundant relationships instead of deleting them");
    } else {
        CLI::Option* redundancy = command->add_flag("--redundancy", o->redundancy,
                                                    "mark and report redundant relationships (after the cycle check)");
        redundancy->excludes("--no-cycles");
        command->add_flag("--delete-redundant", o->deleteRedundant, "delete the redundant relationships found")
            ->needs(redundancy);
    }
    CLI::Option* periods = addCheckBox(
        command, "--periods",
        "order the periods by the stratigraphy (after the cycle check) and level the contexts within that order", o,
        C::Periods);
    addCheckBox(command, "--phases", "the same for the phases", o, C::Phases)->excludes(periods);
    if (layout) {
        addCheckBox(command, "--groups", "lay out every group in a frame around its members", o, C::Groups);
        addCheckBox(command, "--strict",
                    "with groups: fail when the contexts of two groups are related both ways, instead of placing "
                    "the groups side by side",
                    o, C::StrictGroups);
    } else {
        command->add_flag_callback("--groups", [] {
            RefuseValue(QStringLiteral("--groups lays out the diagram: a check only run cannot show groups "
                                       "(use layout --groups)"));
        }, "refused: showing groups is a layout");
        command->add_flag("--group-assignments", o->groupAssignments,
                          "list \"equal to\" relationships between contexts of different groups");
        CLI::Option* hierarchy =
            command->add_flag("--hierarchy", o->hierarchy, "build the group hierarchy and check for empty groups");
        AddChoice(command, "--chronology", QStringLiteral("chronology"), {QStringLiteral("period"), QStringLiteral("phase")},
                  "check that the members of each group share a period or a phase", o->chronology)
            ->needs(hierarchy);
        command->add_flag("--with-contexts", o->withContexts, "put the contexts into the hierarchy")->needs(hierarchy);
    }
    AddValueOption(command, "--seed", "N", "the seed of the placement's random draws (default 932216981)",
                   [o](const QString& text) {
                       if (SeedProblem(text)) RefuseValue(QStringLiteral("--seed takes an integer"));
                       o->seed = text.trimmed();
                   });
    command->add_flag("--short,--summary", o->summary, "a short summary instead of the detailed protocol");
    AddChoice(command, "--colours", QStringLiteral("colour depth"),
              {QStringLiteral("2"), QStringLiteral("16"), QStringLiteral("256"), QStringLiteral("65536"),
               QStringLiteral("16M")},
              "the colour depth of the diagram's bitmap", o->colours);
    return command;
}

} // namespace

void RegisterRunCommands(CLI::App& program, CliContext& c)
{
    addRunCommand(program, c, false);
    addRunCommand(program, c, true);
}

} // namespace belvanto
