#include "exchange/ImportCommand.h"

#include "core/UserInterface.h"
#include "exchange/Dbase.h"
#include "exchange/HarrisList.h"
#include "exchange/ImportSource.h"
#include "exchange/TextTable.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QDir>
#include <QFileInfo>

namespace belvanto {

namespace {

const QString kKnownImports = QStringLiteral("Belvanto imports .lst, .csv, .dbf, .db and .txt files.");
const QString kKnownExports = QStringLiteral("Belvanto exports .lst, .dbf, .txt and .csv files.");

QString typeText(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QStringLiteral("without an extension") : QStringLiteral("of type .") + suffix;
}

void refuseImportType(UserInterface& ui, const QString& file)
{
    ui.warning(QStringLiteral("Files %1 cannot be imported.\r\n").arg(typeText(file)) + kKnownImports,
               kImportHelpTopic);
}

// A Belvanto project's own unit table: its project file lies beside it.
bool isProjectUnitTable(const QString& path)
{
    if (QFileInfo(path).suffix().toUpper() != QLatin1String("DB")) return false;
    const qsizetype at = path.lastIndexOf(QLatin1String("_unit.db"), -1, Qt::CaseInsensitive);
    return at >= 0 && at > path.lastIndexOf(QLatin1Char('/')) && QFileInfo::exists(path.left(at) + kProjectExtension);
}

// Nothing of an import that did not happen stays in the session.
void abandon(Session& session)
{
    if (session.project().isOpen()) return;
    session.project() = ProjectState{};
}

std::optional<int> importIntoNewProject(Session& session, ImportSource& source, const QString& projectFile,
                                        const QString& excavation, const ImportSteps& steps)
{
    const bool made = CreateProjectFiles(session, projectFile, excavation, QString(), true,
                                         [&] { return steps.concordance(session, source, excavation); });
    if (!made) return std::nullopt;
    const int count = session.units().count();
    session.ui().status(QStringLiteral("%1 units imported").arg(count));
    return count;
}

std::optional<int> dispatch(Session& session, const QString& file, const QString& project,
                            const QString& excavation, const ImportSteps& steps)
{
    UserInterface& ui = session.ui();
    const QString type = QFileInfo(file).suffix().toUpper();
    if (type == QLatin1String("LST")) return ImportHarrisListAsProject(session, file, project, excavation, true);
    std::unique_ptr<ImportSource> source;
    if (type == QLatin1String("CSV")) {
        const std::optional<CsvOptions> options = steps.csvOptions();
        if (!options) return std::nullopt;
        source = ReadCsvHeader(ui, file, *options, session.regional());
    } else if (IsTableSourceExtension(type)) {
        source = OpenTableSourceReporting(ui, file);
    } else {
        refuseImportType(ui, file);
        return std::nullopt;
    }
    if (!source) return std::nullopt;
    return importIntoNewProject(session, *source, project, excavation, steps);
}

} // namespace

bool BeginImport(Session& session)
{
    if (!BeginNewProject(session)) return false;
    session.project().SingleExcavation = true;
    return true;
}

bool IsImportExtension(const QString& suffix)
{
    return suffix.compare(QLatin1String("lst"), Qt::CaseInsensitive) == 0
           || suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 || IsTableSourceExtension(suffix);
}

ImportFocus ValidateImportRequest(Session& session, const ImportRequest& request)
{
    UserInterface& ui = session.ui();
    const QString file = MakeAbsolute(request.importFile);
    if (isProjectUnitTable(file)) {
        ui.error(QStringLiteral("Unit files of Belvanto projects can be opened directly. Import denied."));
        return ImportFocus::ImportFile;
    }
    const QFileInfo info(file);
    if (!request.importChosenBySearch && !(IsLegalFileName(info.fileName()) && info.isFile())) {
        ui.error(QStringLiteral("Illegal import file name or file not found - try again"));
        return ImportFocus::ImportFile;
    }
    // Said while the dialog is still open, so that another file can be chosen.
    if (!IsImportExtension(info.suffix())) {
        refuseImportType(ui, file);
        return ImportFocus::ImportFile;
    }
    NewProjectRequest project;
    project.projectFile = request.projectFile;
    project.acceptedBySearch = request.projectChosenBySearch;
    project.excavation = request.excavation;
    switch (ValidateNewProjectRequest(session, project)) {
    case NewProjectFocus::ProjectFile: return ImportFocus::ProjectFile;
    case NewProjectFocus::Excavation: return ImportFocus::Excavation;
    case NewProjectFocus::None: break;
    }
    return ImportFocus::None;
}

std::optional<QString> SearchImportFile(Session& session)
{
    return session.ui().openFile(
        {QStringLiteral("Name of File for import"), kImportFileFilter, QDir::currentPath(), QString(), QString()});
}

std::optional<QString> SearchTargetProjectFile(Session& session)
{
    return session.ui().saveFile({QStringLiteral("Name of Target Project File"), kProjectFileFilter,
                                  QDir::currentPath(), QString(), QStringLiteral("bvp")});
}

std::optional<int> RunImport(Session& session, const ImportRequest& request, const ImportSteps& steps)
{
    const std::optional<int> count = dispatch(session, MakeAbsolute(request.importFile),
                                              MakeAbsolute(request.projectFile), request.excavation, steps);
    if (!count) abandon(session);
    return count;
}

std::unique_ptr<ImportSource> OpenTableSourceReporting(UserInterface& ui, const QString& path)
{
    try {
        return OpenTableSource(path);
    } catch (const ImportError& e) {
        ui.message(MessageKind::Error, e.text(), Buttons::Ok);
        return nullptr;
    }
}

namespace {

bool uses(const Concordance& c, ConcordanceTarget::Kind kind)
{
    return std::any_of(c.targets.begin(), c.targets.end(), [kind](const auto& t) { return t.kind == kind; });
}

// Asks until the answer has one or two characters; false on Cancel.
bool askSeparator(UserInterface& ui, const QString& prompt, const QString& refusal, QString& separator)
{
    for (;;) {
        const auto answer = ui.inputText(QStringLiteral("Separator"), prompt, separator);
        if (!answer) return false;
        if (!answer->isEmpty() && answer->size() <= 2) {
            separator = *answer;
            return true;
        }
        ui.error(refusal);
    }
}

} // namespace

ConcordanceOk AcceptConcordance(Session& session, ImportSource& source, Concordance& concordance)
{
    UserInterface& ui = session.ui();
    const UnitFieldCatalogue& catalogue = session.catalogue();
    {
        // The separators are asked for below; the defaults pass.
        Concordance assignment = concordance;
        assignment.keySeparator = QStringLiteral(":");
        assignment.listSeparator = QStringLiteral(",");
        int repeated = -1;
        if (const QString m = CheckConcordance(assignment, catalogue, &repeated); !m.isEmpty()) {
            ui.error(m);
            return {false, repeated};
        }
    }
    if (uses(concordance, ConcordanceTarget::Kind::Key)
        && !askSeparator(ui, QStringLiteral("Enter separator between excavation and unit name:"),
                         kKeySeparatorRefusal,
                         concordance.keySeparator))
        return {};
    if (uses(concordance, ConcordanceTarget::Kind::Relation)
        && !askSeparator(ui, QStringLiteral("Enter separator between unit entries in relationship lists:"),
                         kListSeparatorRefusal,
                         concordance.listSeparator))
        return {};
    // Checks every record before it writes anything, and shows the first refusal.
    return {ImportWithConcordance(session, source, concordance), -1};
}

std::optional<QString> ChooseExportFile(Session& session)
{
    UserInterface& ui = session.ui();
    for (;;) {
        const auto path = ui.saveFile({QStringLiteral("Export Harris data base"), kExportFileFilter,
                                       QDir::currentPath(), QString(), QStringLiteral("lst")});
        if (!path) return std::nullopt;
        const QFileInfo info(*path);
        if (!info.exists() || info.isWritable()) return *path;
        ui.error(QStringLiteral("File %1 is write-protected - choose another name.").arg(NativePath(*path)),
                 kExportHelpTopic);
    }
}

bool ReportWritten(UserInterface& ui, const TextFileResult& written)
{
    if (!written) ui.error(written.error);
    return bool(written);
}

bool ExportByExtension(Session& session, const QString& path,
                       const std::function<std::optional<CsvOptions>()>& csvOptions)
{
    UserInterface& ui = session.ui();
    const QString type = QFileInfo(path).suffix().toUpper();
    std::optional<CsvOptions> options;
    if (type == QLatin1String("CSV")) {
        // Asked before the wait cursor comes up.
        options = csvOptions();
        if (!options) return false;
    } else if (type != QLatin1String("LST") && type != QLatin1String("DBF") && type != QLatin1String("TXT")) {
        ui.warning(QStringLiteral("Files %1 cannot be exported.\r\n").arg(typeText(path)) + kKnownExports,
                   kExportHelpTopic);
        return false;
    }
    bool written = false;
    {
        BusyCursor busy(ui);
        FilterOff relations(session.relations());
        if (type == QLatin1String("LST")) written = ExportHarrisList(session, path);
        else if (type == QLatin1String("DBF")) written = ReportWritten(ui, ExportDbase(session, path));
        else if (type == QLatin1String("TXT")) written = ReportWritten(ui, ExportTextTable(session, path));
        else written = ExportCsv(session, path, *options);
    }
    if (written) {
        FilterOff units(session.units());
        ui.notice(QStringLiteral("%1 units exported to %2.").arg(session.units().count()).arg(NativePath(path)));
    }
    return written;
}

} // namespace belvanto
