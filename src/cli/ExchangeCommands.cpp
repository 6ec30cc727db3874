#include "cli/ExchangeCommands.h"
#include "cli/CliCommand.h"
#include "exchange/HarrisList.h"
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
};

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

const std::array<ImportFormat, 1>& importFormats()
{
    static const std::array<ImportFormat, 1> formats{{
        {".LST",
         [](Session& session, const QString& file, const ImportOptions& o, const QString& excavation) {
             return ImportHarrisList(session, file, excavation, o.oem);
         },
         [](Session& session, const QString& file, const ImportOptions& o, const QString& projectFile) {
             return ImportHarrisListAsProject(session, file, projectFile, *o.excavation, false, o.oem);
         }},
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

} // namespace

void RegisterExchangeCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<ImportOptions>();
    CLI::App* command = AddCommand(program, c, "import", "read a Harris list into a project, made when it does not exist",
                                   [&c, o] { return cmdImport(c, *o); });
    AddWords(command, c, "P.bvp", "the project file; a new project is made when there is none");
    AddWords(command, c, "FILE.lst", "the Harris list to read");
    command->add_flag("--oem", o->oem, "the list is DOS (OEM code page 850) text, as the Kestrel Harris program wrote it");
    AddText(command, "--excavation", "NAME",
            "the excavation of the imported units (default: the project's); needed for a new project", o->excavation);

    AddExportFormat(program, c, "--lst", "the project as an Extended Harris List",
                    [&c](const QString& project, const QString& file) { return writeHarrisList(c, project, file); });
}

} // namespace belvanto
