#include "cli/ExchangeCommands.h"
#include "cli/CliCommand.h"
#include "exchange/Concordance.h"
#include "exchange/Csv.h"
#include "exchange/Dbase.h"
#include "exchange/HarrisList.h"
#include "exchange/ImportCommand.h"
#include "exchange/RelationList.h"
#include "exchange/TextTable.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QFileInfo>
#include <array>
#include <functional>
#include <memory>

namespace belvanto {

namespace {

struct ImportOptions {
    bool oem = false;
    std::optional<QString> excavation;
    // CSV tables and relationship lists.
    std::vector<std::string> maps;   // COLUMN=FIELD
    bool automatic = false;
    bool truncate = false;           // cut values longer than their fields
    std::optional<QString> separator, delimiter;
    bool noHeader = false;
    std::optional<QString> keySeparator, listSeparator;
    bool relations = false;
    std::optional<QString> later, earlier, categoryColumn, fixedCategory;

    CsvOptions csv() const
    {
        CsvOptions o;
        const QString d = delimiter.value_or(QStringLiteral("\""));
        o.setDelimited(d == QLatin1String("none") ? CsvDelimited::Nothing : CsvDelimited::TextFieldsOnly, d);
        const QString s = separator.value_or(QStringLiteral(";"));
        o.Separator = s == QLatin1String("tab") ? QStringLiteral("\t") : s;
        o.FirstRowNames = !noHeader;
        o.Oem = oem;
        o.KeySeparator = keySeparator.value_or(QStringLiteral(":"));
        o.ListSeparator = listSeparator.value_or(QStringLiteral(","));
        return o;
    }
};

// The concordance of the command line: the automatic one (always without
// --map, else with --auto) and then every --map COLUMN=FIELD, FIELD being a
// field's name or label, "Excavation+unitname" or a relationship target.
std::optional<Concordance> cliConcordance(Session& session, const ImportSource& source, const ImportOptions& o,
                                          const QString& excavation)
{
    const UnitFieldCatalogue& catalogue = session.catalogue();
    Concordance c;
    c.defaultExcavation = excavation;
    const CsvOptions csv = o.csv();
    c.keySeparator = csv.KeySeparator;
    c.listSeparator = csv.ListSeparator;
    const auto& columns = source.columns();
    c.targets.assign(columns.size(), ConcordanceTarget());
    if (o.maps.empty() || o.automatic) c.targets = AutoAssign(columns, catalogue, source.givesText());
    for (const std::string& map : o.maps) {
        const QString text = QString::fromStdString(map);
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        std::optional<std::size_t> column;
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (eq > 0 && columns[i].name.compare(text.left(eq), Qt::CaseInsensitive) == 0) column = i;
        if (!column) {
            session.ui().message(MessageKind::Error, QStringLiteral("--map %1: no such column in %2").arg(text, source.filePath()),
                                 Buttons::Ok);
            return std::nullopt;
        }
        const QString field = text.mid(eq + 1);
        std::optional<ConcordanceTarget> target;
        for (const ConcordanceTarget& t : CompatibleTargets(columns[*column], catalogue, source.givesText())) {
            const QString name = t.kind == ConcordanceTarget::Kind::Field ? catalogue[t.field].Name : QString();
            if (TargetText(t, catalogue).compare(field, Qt::CaseInsensitive) == 0
                || name.compare(field, Qt::CaseInsensitive) == 0)
                target = t;
        }
        if (!target) {
            session.ui().message(MessageKind::Error,
                                 QStringLiteral("--map %1: column %2 (%3) cannot feed %4")
                                     .arg(text, columns[*column].name, SourceTypeText(columns[*column]), field),
                                 Buttons::Ok);
            return std::nullopt;
        }
        c.targets[*column] = *target;
    }
    c.truncationConfirmed.assign(columns.size(), o.truncate);
    return c;
}

std::optional<int> unitCount(Session& session, bool ok)
{
    if (!ok) return std::nullopt;
    return session.units().count();
}

// Through the field concordance, into the open project or a new one.
std::optional<int> importSource(Session& session, ImportSource& source, const ImportOptions& o,
                                const QString& excavation, const QString& newProject)
{
    const auto concordance = cliConcordance(session, source, o, excavation);
    if (!concordance) return std::nullopt;
    if (newProject.isEmpty()) return unitCount(session, ImportWithConcordance(session, source, *concordance));
    return unitCount(session, ImportIntoNewProject(session, newProject, source, *concordance));
}

std::optional<int> importCsv(Session& session, const QString& file, const ImportOptions& o, const QString& excavation,
                             const QString& newProject)
{
    if (o.relations) {
        RelationListOptions r;
        r.csv = o.csv();
        if (o.later) r.laterColumn = *o.later;
        if (o.earlier) r.earlierColumn = *o.earlier;
        r.categoryColumn = o.categoryColumn.value_or(QString());
        if (o.fixedCategory) {
            r.fixedCategory = RelationListCategory(*o.fixedCategory);
            if (r.fixedCategory != u'>' && r.fixedCategory != u'=' && r.fixedCategory != u'-') {
                session.ui().message(MessageKind::Error,
                                     QStringLiteral("--as %1: later, equal or contemporary").arg(*o.fixedCategory),
                                     Buttons::Ok);
                return std::nullopt;
            }
        }
        r.excavation = excavation;
        if (newProject.isEmpty()) return unitCount(session, ImportRelationList(session, file, r));
        return unitCount(session, CreateProjectFiles(session, newProject, excavation, QString(), true,
                                                     [&] { return ImportRelationList(session, file, r); }));
    }
    const auto source = ReadCsvHeader(session.ui(), file, o.csv(), session.regional());
    if (!source) return std::nullopt;
    return importSource(session, *source, o, excavation, newProject);
}

// A table's columns carry their types; the rest is the CSV path.
std::optional<int> importTable(Session& session, const QString& file, const ImportOptions& o,
                               const QString& excavation, const QString& newProject)
{
    const auto source = OpenTableSourceReporting(session.ui(), file);
    if (!source) return std::nullopt;
    return importSource(session, *source, o, excavation, newProject);
}

// What an import format does with the project file, the file read and the
// options: into the project open in session, or into a new project.
struct ImportFormat {
    const char* extension;   // upper case, with the dot
    std::function<std::optional<int>(Session& session, const QString& file, const ImportOptions& o,
                                     const QString& excavation)>
        intoProject;
    std::function<std::optional<int>(Session& session, const QString& file, const ImportOptions& o,
                                     const QString& projectFile)>
        asProject;
};

ImportFormat tableFormat(const char* extension)
{
    return {extension,
            [](Session& session, const QString& file, const ImportOptions& o, const QString& excavation) {
                return importTable(session, file, o, excavation, QString());
            },
            [](Session& session, const QString& file, const ImportOptions& o, const QString& projectFile) {
                return importTable(session, file, o, *o.excavation, projectFile);
            }};
}

const std::array<ImportFormat, 5>& importFormats()
{
    static const std::array<ImportFormat, 5> formats{{
        {".LST",
         [](Session& session, const QString& file, const ImportOptions& o, const QString& excavation) {
             return ImportHarrisList(session, file, excavation, o.oem);
         },
         [](Session& session, const QString& file, const ImportOptions& o, const QString& projectFile) {
             return ImportHarrisListAsProject(session, file, projectFile, *o.excavation, false, o.oem);
         }},
        {".CSV",
         [](Session& session, const QString& file, const ImportOptions& o, const QString& excavation) {
             return importCsv(session, file, o, excavation, QString());
         },
         [](Session& session, const QString& file, const ImportOptions& o, const QString& projectFile) {
             return importCsv(session, file, o, *o.excavation, projectFile);
         }},
        tableFormat(".DBF"),
        tableFormat(".DB"),
        tableFormat(".TXT"),
    }};
    return formats;
}

int cmdImport(CliContext& c, const ImportOptions& o)
{
    const QString project = MakeAbsolute(c.args[0]);
    const QString file = MakeAbsolute(c.args[1]);
    const QString extension = QLatin1Char('.') + QFileInfo(file).suffix().toUpper();
    const ImportFormat* format = nullptr;
    QStringList known;
    for (const ImportFormat& f : importFormats()) {
        known << QString::fromLatin1(f.extension).toLower();
        if (extension == QLatin1String(f.extension)) format = &f;
    }
    if (!format)
        return c.usage(QStringLiteral("Unsupported file type '%1': import reads %2")
                           .arg(QFileInfo(file).suffix().isEmpty() ? QStringLiteral("(none)") : extension.toLower(),
                                known.join(QStringLiteral(", "))));
    if (!QFileInfo(file).isFile()) {
        c.ui.error(QStringLiteral("Illegal import file name or file not found - try again"));
        return Failed;
    }
    std::optional<int> count;
    if (QFileInfo::exists(project)) {
        OpenedProject opened(c, project);
        if (!opened.ok) return Failed;
        const QString excavation = o.excavation.value_or(opened.session.project().CurrentExcavation);
        if (!CheckExcavationName(c.ui, excavation)) return Failed;
        count = format->intoProject(opened.session, file, o, excavation);
    } else {
        if (!o.excavation)
            return c.usage(QStringLiteral("import needs --excavation NAME to make the new project %1").arg(c.args[0]));
        Session session(c.ui, c.regional);
        if (!BeginNewProject(session) || !CheckExcavationName(c.ui, *o.excavation)) return Failed;
        count = format->asProject(session, file, o, project);
        c.projectInUse = session.refusedInUse;
        if (session.project().isOpen() && !CloseProject(session, true)) return Failed;
    }
    if (!count) return Failed;
    c.print(c.out, QStringLiteral("%1 units imported\n").arg(*count));
    return Ok;
}

int writeHarrisList(CliContext& c, const QString& project, const QString& file)
{
    OpenedProject opened(c, project, OpenMode::ReadOnly);
    if (!opened.ok) return Failed;
    return ExportHarrisList(opened.session, MakeAbsolute(file)) ? Ok : Failed;
}

// The table writers tell why they failed; the command shows it.
int writeTable(CliContext& c, const QString& project, const QString& file,
               TextFileResult (*writer)(Session&, const QString&))
{
    OpenedProject opened(c, project, OpenMode::ReadOnly);
    if (!opened.ok) return Failed;
    return ReportWritten(c.ui, writer(opened.session, MakeAbsolute(file))) ? Ok : Failed;
}

// The CSV exports with the options of the import's defaults and a header line.
int writeCsv(CliContext& c, const QString& project, const QString& file,
             bool (*write)(Session&, const QString&, const CsvOptions&))
{
    OpenedProject opened(c, project, OpenMode::ReadOnly);
    if (!opened.ok) return Failed;
    CsvOptions options;
    options.FirstRowNames = true;
    return write(opened.session, MakeAbsolute(file), options) ? Ok : Failed;
}

} // namespace

void RegisterExchangeCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<ImportOptions>();
    CLI::App* command = AddCommand(program, c, "import",
                                   "read a Harris list, a CSV or dBase table or a relationship list into a project, "
                                   "made when it does not exist",
                                   [&c, o] { return cmdImport(c, *o); });
    AddWords(command, c, "P.bvp", "the project file; a new project is made when there is none");
    AddWords(command, c, "FILE", "the file to read: a Harris list (.lst), a CSV (.csv), dBase (.dbf), own or Paradox (.db) or text (.txt) table");
    command->add_flag("--oem", o->oem, "the list is DOS (OEM code page 850) text, as the Kestrel Harris program wrote it");
    AddText(command, "--excavation", "NAME",
            "the excavation of the imported units (default: the project's); needed for a new project", o->excavation);

    command->add_option("--map", o->maps, "COLUMN=FIELD: the CSV column feeds the field (name or label, "
                        "Excavation+unitname, \"Later than relationships\" ...)")->type_name("COLUMN=FIELD");
    command->add_flag("--auto", o->automatic, "assign the columns by their names first (the default without --map)");
    command->add_flag("--truncate", o->truncate,
                      "cut texts longer than their fields to the field's size (without it such a value is refused)");
    AddText(command, "--separator", "S", "CSV: the field separator, one character or \"tab\" (default ;)", o->separator);
    AddText(command, "--delimiter", "D", "CSV: the text delimiter, one character or \"none\" (default \")", o->delimiter);
    command->add_flag("--no-header", o->noHeader, "CSV: the first line is data, not column names");
    AddText(command, "--key-separator", "S", "CSV: between excavation and unit name (default :)", o->keySeparator);
    AddText(command, "--list-separator", "S", "CSV: between the units of a relationship list (default ,)", o->listSeparator);
    command->add_flag("--relations", o->relations, "the CSV file is a relationship list, one pair per row");
    AddText(command, "--later", "COL", "relationship list: the later unit's column, name or number (default 1)", o->later);
    AddText(command, "--earlier", "COL", "relationship list: the earlier unit's column (default 2)", o->earlier);
    AddText(command, "--category", "COL", "relationship list: the column of the category", o->categoryColumn);
    AddText(command, "--as", "CATEGORY", "relationship list: every row is later, equal or contemporary", o->fixedCategory);

    AddExportFormat(program, c, "--csv", "the unit table as CSV with a header line, \";\" and quotes",
                    [&c](const QString& project, const QString& file) { return writeCsv(c, project, file, ExportCsv); });
    AddExportFormat(program, c, "--relations", "the relationship table as a list, one pair per row",
                    [&c](const QString& project, const QString& file) {
                        return writeCsv(c, project, file, ExportRelationList);
                    });
    AddExportFormat(program, c, "--lst", "the project as an Extended Harris List",
                    [&c](const QString& project, const QString& file) { return writeHarrisList(c, project, file); });
    AddExportFormat(program, c, "--dbf", "the unit table as a dBase file (with a .dbt memo file for long lists)",
                    [&c](const QString& project, const QString& file) {
                        return writeTable(c, project, file, ExportDbase);
                    });
    AddExportFormat(program, c, "--txt", "the unit table as a text table with its .sch schema",
                    [&c](const QString& project, const QString& file) {
                        return writeTable(c, project, file, ExportTextTable);
                    });
}

} // namespace belvanto
