#include "cli/StoreCommands.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/Terms.h"
#include <QDir>

namespace belvanto {

namespace {

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The tables of the project itself.
int dumpProjectTable(CliContext& c, const QString& project, const QString& what)
{
    OpenedProject p(c, project, OpenMode::ReadOnly);
    if (!p.ok) return Failed;
    Session& s = p.session;
    if (what == QStringLiteral("units")) DumpTable(c, s.units());
    else if (what == QStringLiteral("rels")) DumpTable(c, s.relations());
    else if (!s.termsOpen()) {
        s.ui().message(MessageKind::Warning, kNoTermFileMessage, Buttons::Ok);
        return Failed;
    } else DumpTable(c, s.terms());
    return Ok;
}

int cmdDump(CliContext& c)
{
    if (c.args.size() == 1) {
        Table table;
        table.openFile(MakeAbsolute(c.args[0]));
        DumpTable(c, table);
        return Ok;
    }
    QStringList names;
    for (const auto& dump : c.dumps) {
        if (dump.name == c.args[1]) return dump.print(c.args[0]);
        names << dump.name;
    }
    return c.usage(QStringLiteral("unknown table '%1': use %2 or %3")
                       .arg(c.args[1], names.mid(0, names.size() - 1).join(QStringLiteral(", ")), names.last()));
}

struct NewOptions {
    std::optional<QString> excavation, term;
    bool single = false;
};

int cmdNew(CliContext& c, const NewOptions& o)
{
    Session session(c.ui, c.regional);
    if (!BeginNewProject(session)) return Failed;
    session.project().SingleExcavation = o.single;
    NewProjectRequest request{c.args[0], false, o.term.value_or(QString()), o.excavation.value_or(QString())};
    if (ValidateNewProjectRequest(session, request) != NewProjectFocus::None) return Failed;
    if (!NewProject(session, request)) {
        c.projectInUse = session.refusedInUse;
        return Failed;
    }
    return CloseProject(session, true) ? Ok : Failed;
}

int cmdInfo(CliContext& c)
{
    OpenedProject p(c, c.args[0], OpenMode::ReadOnly);
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
    const QStringList damaged = DamagedProjectTables(p.session);
    for (const QString& finding : damaged) p.session.ui().error(finding);
    return damaged.isEmpty() ? Ok : Failed;
}

int cmdCopy(CliContext& c)
{
    OpenedProject p(c, c.args[0], OpenMode::ReadOnly);
    if (!p.ok) return Failed;
    c.ui.setSaveFileAnswer(MakeAbsolute(c.args[1]));
    return SaveProjectCopy(p.session) ? Ok : Failed;
}

struct MergeOptions {
    std::optional<QString> backup;
    bool noBackup = false;
};

int cmdMerge(CliContext& c, const MergeOptions& o)
{
    if (o.backup.has_value() == o.noBackup) return c.usage(QStringLiteral("merge takes --backup FILE or --no-backup"));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    // The backup question comes first; its file is the copy's save dialog.
    c.ui.setNextAnswer(o.noBackup ? Answer::No : Answer::Yes);
    if (o.backup) c.ui.setSaveFileAnswer(MakeAbsolute(*o.backup));
    c.ui.setOpenFileAnswer(MakeAbsolute(c.args[1]));
    if (AddProject(p.session)) return Ok;
    // Some stops are answers to questions, which name no failure of their own.
    p.session.ui().error(QStringLiteral("merge stopped: %1 was not added to %2")
                             .arg(QDir::toNativeSeparators(c.args[1]), QDir::toNativeSeparators(c.args[0])));
    return Failed;
}

int cmdDelete(CliContext& c)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    return DeleteProject(p.session) ? Ok : Failed;
}

int cmdPack(CliContext& c)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    PackTables(p.session);
    return Ok;
}

const char* const kProjectFile = "the project file";

} // namespace

void DumpTable(CliContext& c, Table& table)
{
    QStringList header;
    for (const auto& f : table.fields()) header << csvField(f.name);
    c.print(c.out, header.join(QLatin1Char(',')) + QLatin1Char('\n'));
    table.setActiveIndex(QString());
    const int n = int(table.fields().size());
    // A value that cannot be read is dumped as the text stored; the command
    // fails at the end, naming the first such record and field.
    QStringList unreadable;
    for (table.first(); !table.eof(); table.next()) {
        QStringList line;
        for (int i = 0; i < n; ++i) {
            try {
                line << csvField(valueToString(table.get(i)));
            } catch (const EngineError& e) {
                line << csvField(table.unreadableText(i));
                unreadable << e.text();
            }
        }
        c.print(c.out, line.join(QLatin1Char(',')) + QLatin1Char('\n'));
    }
    if (unreadable.size() == 1) throw EngineError(unreadable.first());
    if (unreadable.size() > 1)
        throw EngineError(QStringLiteral("%1 (and %2 more unreadable values)").arg(unreadable.first()).arg(unreadable.size() - 1));
}

void AddProjectDump(CLI::App& program, CliContext& c, const QString& name, const QString& description,
                    std::function<int(const QString& project)> print)
{
    CLI::App* dump = program.get_subcommand("dump");
    dump->footer(dump->get_footer() + QStringLiteral("\n  %1%2").arg(name, -14).arg(description).toStdString());
    c.dumps.push_back({name, std::move(print)});
}

void RegisterStoreCommands(CLI::App& program, CliContext& c)
{
    auto newOptions = std::make_shared<NewOptions>();
    CLI::App* command = AddCommand(program, c, "new", "create a project", [&c, newOptions] { return cmdNew(c, *newOptions); });
    AddWords(command, c, "P.bvp", "the project file to create");
    AddText(command, "--excavation", "NAME", "the excavation of the units entered without one", newOptions->excavation)
        ->required();
    command->add_flag("--single", newOptions->single, "a single-excavation project: units are labelled by name alone");
    AddText(command, "--term", "T.db", "the term file to link", newOptions->term);

    command = AddCommand(program, c, "info", "show the project's settings and counts", [&c] { return cmdInfo(c); });
    AddWords(command, c, "P.bvp", kProjectFile);

    command = AddCommand(program, c, "copy", "save a copy of a project", [&c] { return cmdCopy(c); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "Q.bvp", "the project file of the copy");

    auto mergeOptions = std::make_shared<MergeOptions>();
    command = AddCommand(program, c, "merge", "add another project to a project",
                         [&c, mergeOptions] { return cmdMerge(c, *mergeOptions); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "OTHER.bvp", "the project whose units and relationships are added");
    AddText(command, "--backup", "FILE", "first save a copy of P.bvp as FILE (a .bvp file)", mergeOptions->backup);
    command->add_flag("--no-backup", mergeOptions->noBackup, "merge without a copy of P.bvp");
    SetWrongWordsText(c, command, QStringLiteral("P.bvp OTHER.bvp and --backup FILE or --no-backup"));

    command = AddCommand(program, c, "delete", "delete a project and its tables", [&c] { return cmdDelete(c); });
    AddWords(command, c, "P.bvp", kProjectFile);

    command = AddCommand(program, c, "pack", "compact the unit and relationship tables", [&c] { return cmdPack(c); });
    AddWords(command, c, "P.bvp", kProjectFile);

    command = AddCommand(program, c, "dump", "print a table, or a table of a project, as CSV", [&c] { return cmdDump(c); });
    AddWords(command, c, "FILE", "a table file (TABLE.db), or a project file (P.bvp) followed by TABLE");
    AddWords(command, c, "TABLE", "the table of the project to print", 0);
    command->footer("Tables of a project:");
    const std::pair<const char*, const char*> tables[] = {
        {"units", "the unit table"}, {"rels", "the relationship table"}, {"terms", "the linked term file"}};
    for (const auto& [name, description] : tables) {
        const QString table = QString::fromLatin1(name);
        AddProjectDump(program, c, table, QString::fromLatin1(description),
                       [&c, table](const QString& project) { return dumpProjectTable(c, project, table); });
    }
}

} // namespace belvanto
