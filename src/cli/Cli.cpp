#include "cli/Cli.h"
#include "cli/CliContext.h"
#include "cli/DiagramCommands.h"
#include "cli/LayoutCommands.h"
#include "cli/SimulationCommands.h"
#include "cli/PlacementCommands.h"
#include "cli/RelCommands.h"
#include "core/Format.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "core/TextCodec.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include <QDir>
#include <QFileInfo>
#include <functional>
#include <map>
#include <set>

namespace belvanto {

namespace {

const char* const kUsage =
    "Usage: belvanto-cli [--yes|--no|--cancel] [--verbose] COMMAND ...\n"
    "\n"
    "Commands:\n"
    "  new P.bvp --excavation NAME [--single] [--term T.db]\n"
    "                         create a project\n"
    "  info P.bvp             show the project's settings and counts\n"
    "  unit add P.bvp [EXC:]NAME... [--class context|group|\"work area\"] [--set FIELD=VALUE]...\n"
    "                         add units\n"
    "  copy P.bvp Q.bvp       save a copy of a project\n"
    "  merge P.bvp OTHER.bvp  add another project to a project\n"
    "  delete P.bvp           delete a project and its tables\n"
    "  pack P.bvp             compact the unit and relationship tables\n"
    "  dump TABLE.db          print a table as CSV\n"
    "  dump P.bvp units|rels|terms\n"
    "                         print a table of a project as CSV\n"
    "  layout P.bvp [--seed N] [--use-coordinates ANGLE]\n"
    "                         check for cycles, lay out and store the Harris diagram\n"
    "  export P.bvp --dot FILE\n"
    "                         write the contexts and their earlier/later relationships\n"
    "  export P.bvp --svg FILE [--font FAMILY,POINTS[,bold][,italic][,underline]]\n"
    "         [--labels name|excavation|abbreviation] [--bw] [--thematic]\n"
    "                         write the stored Harris diagram as SVG\n"
    "  simulate P.bvp [--contexts N] [--contemporary N] [--grid X,Y] [--cubes N] [--upright N] [--periods N] [--years FIRST,LAST] [--interval N] [--prefix P] [--seeds S1,...,S7] [--excavation E (default: the project name)] [--mean-contemporary N]\n"
    "                         create a simulated project (options as in the Simulation Configuration dialog)\n"
    "\n"
    "Messages go to standard error as \"<kind>: <text>\". Questions take the\n"
    "answer given by --yes, --no or --cancel; without one the safe answer\n"
    "(No, or Cancel where offered).\n";

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void dumpTable(CliContext& c, Table& table)
{
    QStringList header;
    for (const auto& f : table.fields()) header << csvField(f.name);
    c.print(c.out, header.join(QLatin1Char(',')) + QLatin1Char('\n'));
    table.setActiveIndex(QString());
    const int n = int(table.fields().size());
    for (table.first(); !table.eof(); table.next()) {
        QStringList line;
        for (int i = 0; i < n; ++i) line << csvField(valueToString(table.get(i)));
        c.print(c.out, line.join(QLatin1Char(',')) + QLatin1Char('\n'));
    }
}

int cmdDump(CliContext& c)
{
    if (c.args.size() == 1) {
        Table table;
        table.openFile(MakeAbsolute(c.args[0]));
        dumpTable(c, table);
        return Ok;
    }
    if (c.args.size() != 2) return c.usage(QStringLiteral("dump takes TABLE.db, or P.bvp and units, rels or terms"));
    const QString what = c.args[1];
    if (IsLayoutDump(what)) return DumpLayout(c, [&](Table& t) { dumpTable(c, t); });
    if (what != QStringLiteral("units") && what != QStringLiteral("rels") && what != QStringLiteral("terms"))
        return c.usage(QStringLiteral("unknown table '%1': use units, rels or terms").arg(what));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    if (what == QStringLiteral("units")) dumpTable(c, s.units());
    else if (what == QStringLiteral("rels")) dumpTable(c, s.relations());
    else if (!s.termsOpen()) {
        s.ui().message(MessageKind::Warning, kNoTermFileMessage, Buttons::Ok);
        return Failed;
    } else dumpTable(c, s.terms());
    return Ok;
}

int cmdNew(CliContext& c)
{
    const auto excavation = c.option(QStringLiteral("--excavation"));
    const auto term = c.option(QStringLiteral("--term"));
    const bool single = c.flag(QStringLiteral("--single"));
    if (c.args.size() != 1 || !excavation)
        return c.usage(QStringLiteral("new takes P.bvp --excavation NAME [--single] [--term T.db]"));
    Session session(c.ui, c.regional);
    if (!BeginNewProject(session)) return Failed;
    session.project().SingleExcavation = single;
    NewProjectRequest request{c.args[0], false, term.value_or(QString()), *excavation};
    if (ValidateNewProjectRequest(session, request) != NewProjectFocus::None) return Failed;
    if (!NewProject(session, request)) return Failed;
    CloseProject(session, true);
    return Ok;
}

int cmdInfo(CliContext& c)
{
    if (c.args.size() != 1) return c.usage(QStringLiteral("info takes P.bvp"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    const ProjectState& s = p.session.project();
    int units = 0, rels = 0;
    {
        FilterOff a(p.session.units());
        units = p.session.units().count();
        FilterOff b(p.session.relations());
        rels = p.session.relations().count();
    }
    const auto options = p.session.catalogue().FieldConfigurationStrings();
    QString text;
    auto line = [&](const char* key, const QString& value) { text += QString::fromLatin1(key) + value + QLatin1Char('\n'); };
    line("Project file: ", QDir::toNativeSeparators(s.ProjectFilePath));
    line("Project: ", s.ProjectName);
    line("Directory: ", QDir::toNativeSeparators(s.ProjectDirectory));
    line("Term file: ", QDir::toNativeSeparators(s.TermFilePath));
    line("Excavation: ", s.CurrentExcavation);
    line("Single excavation: ", s.SingleExcavation ? QStringLiteral("yes") : QStringLiteral("no"));
    line("Diagram present: ", s.DiagramPresent ? QStringLiteral("yes") : QStringLiteral("no"));
    line("List view: ", QLatin1Char('"') + options.TabView + QLatin1Char('"'));
    line("Form view: ", QLatin1Char('"') + options.EditView + QLatin1Char('"'));
    line("Terms only: ", QLatin1Char('"') + options.ClosedTerms + QLatin1Char('"'));
    line("Units: ", QString::number(units));
    line("Relationships: ", QString::number(rels));
    c.print(c.out, text);
    return Ok;
}

int cmdCopy(CliContext& c)
{
    if (c.args.size() != 2) return c.usage(QStringLiteral("copy takes P.bvp Q.bvp"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    c.ui.setSaveFileAnswer(MakeAbsolute(c.args[1]));
    return SaveProjectCopy(p.session) ? Ok : Failed;
}

int cmdMerge(CliContext& c)
{
    if (c.args.size() != 2) return c.usage(QStringLiteral("merge takes P.bvp OTHER.bvp"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    c.ui.setOpenFileAnswer(MakeAbsolute(c.args[1]));
    return AddProject(p.session) ? Ok : Failed;
}

int cmdDelete(CliContext& c)
{
    if (c.args.size() != 1) return c.usage(QStringLiteral("delete takes P.bvp"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    return DeleteProject(p.session) ? Ok : Failed;
}

int cmdPack(CliContext& c)
{
    if (c.args.size() != 1) return c.usage(QStringLiteral("pack takes P.bvp"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    PackTables(p.session);
    return Ok;
}

// Converts a typed value for a field; the message explains a refusal.
std::optional<Value> convertValue(const UnitFieldSpec& field, const QString& text, QString& message)
{
    if (text.isEmpty()) return Value();
    switch (field.Type) {
    case FieldType::String:
        if (text.size() > field.Size) {
            message = QStringLiteral("%1 must not exceed maximum length of %2").arg(field.Label).arg(field.Size);
            return std::nullopt;
        }
        if (!fitsCp1252(text)) {
            message = QStringLiteral("%1 contains characters that cannot be stored").arg(field.Label);
            return std::nullopt;
        }
        return Value(text);
    case FieldType::Integer:
        if (auto v = parseInt32(text)) return Value(*v);
        message = field.Label + QStringLiteral(" cannot be converted to an integer number.");
        return std::nullopt;
    case FieldType::Float:
        if (auto v = parseDouble(text)) return Value(*v);
        message = field.Label + QStringLiteral(" cannot be converted to a floating point number.");
        return std::nullopt;
    case FieldType::Date: {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (d.isValid()) return Value(d);
        message = field.Label + QStringLiteral(" is no date (write yyyy-mm-dd)");
        return std::nullopt;
    }
    }
    return std::nullopt;
}

int cmdUnitAdd(CliContext& c)
{
    const QString unitClass = c.option(QStringLiteral("--class")).value_or(kContext);
    const QStringList sets = c.options(QStringLiteral("--set"));
    if (c.args.size() < 2) return c.usage(QStringLiteral("unit add takes P.bvp and one or more unit names"));
    if (!UnitClassList().contains(unitClass))
        return c.usage(QStringLiteral("unknown unit class '%1': use context, group or \"work area\"").arg(unitClass));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    UserInterface& ui = s.ui();

    // Field values first, so that a bad one stores nothing.
    std::vector<std::pair<int, Value>> values;
    for (const QString& set : sets) {
        const qsizetype eq = set.indexOf(QLatin1Char('='));
        const auto number = eq < 0 ? std::nullopt : s.catalogue().FindField(set.left(eq));
        if (!number || *number <= 3 || s.catalogue()[*number - 1].Internal) {
            ui.error(QStringLiteral("Field %1 cannot be set here").arg(set.left(eq)));
            return Failed;
        }
        QString message;
        const auto value = convertValue(s.catalogue()[*number - 1], set.mid(eq + 1), message);
        if (!value) {
            ui.error(message);
            return Failed;
        }
        values.emplace_back(*number - 1, *value);
    }
    std::vector<UnitKey> keys;
    for (int i = 1; i < c.args.size(); ++i) {
        const QString& arg = c.args[i];
        const qsizetype colon = arg.indexOf(QLatin1Char(':'));
        UnitKey key = colon < 0 ? UnitKey{s.project().CurrentExcavation, arg}
                                : UnitKey{arg.left(colon), arg.mid(colon + 1)};
        if (!CheckExcavationName(ui, key.excavation)) return Failed;
        if (const QString problem = CheckUnitName(key.unitname); !problem.isEmpty()) {
            ui.error(problem);
            return Failed;
        }
        if (!fitsCp1252(key.excavation) || !fitsCp1252(key.unitname)) {
            ui.error(QStringLiteral("Unit %1 contains characters that cannot be stored").arg(key.text()));
            return Failed;
        }
        keys.push_back(key);
    }
    Table& units = s.units();
    // Every name is checked before the first is stored: a refused command
    // leaves the project as it was.
    std::set<UnitKey> seen;
    for (const UnitKey& key : keys) {
        const bool stored = !units.query(QStringLiteral("Excavation IS ? AND Unitname IS ?"),
                                         {key.excavation, key.unitname}).empty();
        if (stored || !seen.insert(key).second) {
            ui.error(QStringLiteral("Unit %1 already exists").arg(key.text()));
            return Failed;
        }
    }
    BulkScope bulk;
    for (const UnitKey& key : keys) {
        units.insert();
        units.set(uf::Excavation, key.excavation);
        units.set(uf::Unitname, key.unitname);
        units.set(uf::Unitclass, unitClass);
        for (const auto& [pos, value] : values) units.set(pos, value);
        units.post();
    }
    if (s.project().SingleExcavation && ExcavationList(units).size() > 1) {
        ui.warning(QStringLiteral("The project holds more than one excavation now; it is no single-excavation project any more."));
        s.project().SingleExcavation = false;
    }
    return Ok;
}

} // namespace

int runCli(const QStringList& arguments, FILE* out, FILE* err)
{
    CliContext c(out, err);
    c.args = arguments;
    if (c.flag(QStringLiteral("--help")) || c.flag(QStringLiteral("-h")) || c.args.isEmpty()) {
        fputs(kUsage, out);
        return Ok;
    }
    if (c.flag(QStringLiteral("--version"))) {
        fputs("belvanto-cli " BELVANTO_VERSION "\n", out);
        return Ok;
    }
    if (c.flag(QStringLiteral("--yes"))) c.ui.setDefaultAnswer(Answer::Yes);
    if (c.flag(QStringLiteral("--no"))) c.ui.setDefaultAnswer(Answer::No);
    if (c.flag(QStringLiteral("--cancel"))) c.ui.setDefaultAnswer(Answer::Cancel);
    c.ui.setVerbose(c.flag(QStringLiteral("--verbose")));

    static const std::map<QString, std::function<int(CliContext&)>> commands{
        {QStringLiteral("new"), cmdNew},       {QStringLiteral("info"), cmdInfo},
        {QStringLiteral("copy"), cmdCopy},     {QStringLiteral("merge"), cmdMerge},
        {QStringLiteral("delete"), cmdDelete}, {QStringLiteral("pack"), cmdPack},
        {QStringLiteral("dump"), cmdDump},     {QStringLiteral("unit add"), cmdUnitAdd},
        {QStringLiteral("rel"), cmdRel},
        {QStringLiteral("layout"), cmdLayout}, {QStringLiteral("export"), cmdExport},
        {QStringLiteral("chain"), cmdChain},
        {QStringLiteral("check"), cmdCheck},
        {QStringLiteral("simulate"), cmdSimulate}};
    QString word = c.args.takeFirst();
    if (word == QStringLiteral("unit") && !c.args.isEmpty()) word += QLatin1Char(' ') + c.args.takeFirst();
    if (word == QStringLiteral("export") && IsDiagramExport(c)) return cmdExportSvg(c);
    const auto it = commands.find(word);
    if (it == commands.end()) return c.usage(QStringLiteral("unknown command '%1' (see --help)").arg(word));
    try {
        return it->second(c);
    } catch (const EngineError& e) {
        c.ui.error(e.text());
        return Failed;
    }
}

} // namespace belvanto
