#include "cli/CheckCommands.h"
#include "checks/CheckRun.h"
#include "checks/PairTest.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

struct CheckCommandOptions {
    CheckOptions run;
    bool storeComponents = false;
    bool noCycles = false;
    bool summary = false;
    QString chronology;
    bool withContexts = false;
    bool periods = false;
    bool phases = false;
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

int cmdCheck(CliContext& c, CheckCommandOptions o)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    s.units().setFilter(QString());
    if (s.units().count() == 0) {
        s.ui().warning(QStringLiteral("Sorry, checking nothing does not make any sense."));
        return Failed;
    }
    o.run.cycles = !o.noCycles;
    if (o.periods) o.run.datingField = uf::Period;
    else if (o.phases) o.run.datingField = uf::Phase;
    // Without --store-components the components are reported and the run
    // goes on; --cancel ends it there.
    c.ui.setAnswerFor(Buttons::YesNoCancel, o.storeComponents ? Answer::Yes : Answer::No);
    HierarchyOptions& h = o.run.hierarchyOptions;
    h.chronology = o.chronology == QStringLiteral("period")  ? Chronology::Periods
                   : o.chronology == QStringLiteral("phase") ? Chronology::Phases
                                                             : Chronology::Ignore;
    // A chronology is checked on the contexts, so it brings them in.
    h.includeContexts = o.withContexts || h.chronology != Chronology::Ignore;
    Protocol protocol(o.summary ? ReportMode::Summary : ReportMode::Detailed);
    const CheckRunResult result = RunChecks(s, o.run, protocol);
    for (const QString& line : protocol.lines()) c.print(c.out, line + QLatin1Char('\n'));
    if (o.run.datingField) printPeriodOutcome(c, s, *o.run.datingField, result, protocol);
    return result.problems ? Failed : Ok;
}

int cmdPair(CliContext& c)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    std::vector<UnitKey> units;
    for (const QString& word : c.args.mid(1)) {
        const auto key = ParseUnitWord(word, s.project().CurrentExcavation);
        if (!key) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(word));
        if (!UnitExists(s.units(), *key)) {
            s.ui().error(QStringLiteral("Unit %1 does not exist.").arg(key->text()));
            return Usage;
        }
        units.push_back(*key);
    }
    const auto lines = TestContextPair(s, units);
    if (!lines) return Failed;
    for (const QString& line : *lines) c.print(c.out, line + QLatin1Char('\n'));
    return Ok;
}

// A limit of the height and year checks: a non-negative number with "." as
// the decimal point, whatever the locale; the protocol quotes it as written.
void AddLimitOption(CLI::App* command, const std::string& name, const std::string& valueName,
                    const std::string& description, QString& target)
{
    AddValueOption(command, name, valueName, description, [name, &target](const QString& text) {
        const auto value = parseDouble(text);
        if (!value || *value < 0)
            RefuseValue(QStringLiteral("%1 takes a non-negative number, such as 0.5").arg(QString::fromStdString(name)));
        target = text.trimmed();
    });
}

} // namespace

void RegisterCheckCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<CheckCommandOptions>();
    CLI::App* command = AddCommand(program, c, "check", "run the chosen checks of a check run and print the protocol",
                                   [&c, o] { return cmdCheck(c, *o); });
    AddWords(command, c, "P.bvp", "the project file");
    command->add_flag("--coordinates", o->run.coordinates, "list the contexts without full center coordinates");
    AddLimitOption(command, "--later-below", "H",
                   "list later contexts that lie more than H below an earlier one", o->run.laterBelow);
    AddLimitOption(command, "--contemporary-height", "H",
                   "list contemporary contexts whose heights differ by more than H", o->run.contemporaryHeight);
    AddLimitOption(command, "--equal-height", "H", "list equal contexts whose heights differ by more than H",
                   o->run.equalHeight);
    command->add_flag("--years-match", o->run.yearsMatch,
                      "list later contexts whose center year is earlier than that of an earlier one");
    AddLimitOption(command, "--contemporary-years", "Y",
                   "list contemporary contexts whose center years differ by more than Y", o->run.contemporaryYears);
    AddLimitOption(command, "--equal-years", "Y", "list equal contexts whose center years differ by more than Y",
                   o->run.equalYears);
    CLI::Option* components =
        command->add_flag("--components", o->run.components, "the connected-components check");
    command->add_flag("--store-components", o->storeComponents,
                      "store each component as a project <P>_1, <P>_2, ... (without it the run goes on)")
        ->needs(components);
    // Accepted for scripts written when it was the only check.
    command->add_flag("--cycles")->description("the cycle check, which runs unless --no-cycles is given");
    CLI::Option* noCycles = command->add_flag("--no-cycles", o->noCycles, "leave out the cycle check");
    CLI::Option* redundancy = command->add_flag("--redundancy", o->run.redundancy,
                                                "mark and report redundant relationships (after the cycle check)");
    redundancy->excludes(noCycles);
    command->add_flag("--delete-redundant", o->run.deleteRedundant, "delete the redundant relationships found")
        ->needs(redundancy);
    CLI::Option* periods = command->add_flag(
        "--periods", o->periods,
        "order the periods by the stratigraphy (after the cycle check) and level the contexts within that order");
    CLI::Option* phases = command->add_flag("--phases", o->phases, "the same for the phases");
    periods->excludes(phases)->excludes(noCycles);
    phases->excludes(noCycles);
    command->add_flag("--group-assignments", o->run.groupAssignments,
                      "list \"equal to\" relationships between contexts of different groups");
    CLI::Option* hierarchy =
        command->add_flag("--hierarchy", o->run.hierarchy, "build the group hierarchy and check for empty groups");
    AddChoice(command, "--chronology", QStringLiteral("chronology"), {QStringLiteral("period"), QStringLiteral("phase")},
              "check that the members of each group share a period or a phase", o->chronology)
        ->needs(hierarchy);
    command->add_flag("--with-contexts", o->withContexts, "put the contexts into the hierarchy")->needs(hierarchy);
    command->add_flag("--short,--summary", o->summary, "a short summary instead of the detailed protocol");

    CLI::App* pair = AddCommand(program, c, "pair", "the stratigraphic path between two contexts",
                                [&c] { return cmdPair(c); });
    AddWords(pair, c, "P.bvp", "the project file");
    AddWords(pair, c, "UNIT", "two contexts, [EXCAVATION:]NAME each", 2, 2);
}

} // namespace belvanto
