#pragma once
// The main window's "&Import..." and "&Export..." commands apart from their
// windows: the import dialog's checks, the import by the file's extension
// into a new project, and the export by the chosen file's extension. The
// steps that need windows of their own (the CSV options, the field
// concordance) come in as functions, so that the desktop program shows its
// dialogs and tests answer them from a script.
#include "core/TextFile.h"
#include "exchange/Concordance.h"
#include "exchange/Csv.h"
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace belvanto {

class ImportSource;
class Session;
class UserInterface;

inline constexpr int kImportHelpTopic = 90;
inline constexpr int kExportHelpTopic = 144;

inline const QString kImportFileFilter =
    QStringLiteral("Harris printable list (*.lst);;Paradox table (*.db);;dBASE table (*.dbf);;"
                   "Separator delimited ANSI/OEM format (*.csv);;all files (*)");
inline const QString kExportFileFilter =
    QStringLiteral("Extended Harris List (*.lst);;DBase format (*.dbf);;ASCII format (*.txt);;"
                   "Separator delimited ANSI/OEM format (*.csv)");

// What the "Select Import File" dialog hands over. A name chosen with a
// search button counts as tested while the edit still holds it.
struct ImportRequest {
    QString importFile;
    bool importChosenBySearch = false;
    QString projectFile;
    bool projectChosenBySearch = false;
    QString excavation;
};
enum class ImportFocus { None, ImportFile, ProjectFile, Excavation };

// Before the dialog: refuses while a project is open, resets the field
// catalogue and makes the new project a single-excavation one.
bool BeginImport(Session& session);
// The dialog's OK tests in their order; the focus names the edit that gets
// the focus back, None when all pass.
ImportFocus ValidateImportRequest(Session& session, const ImportRequest& request);
// The dialog's two search buttons: the chosen name, or none.
std::optional<QString> SearchImportFile(Session& session);
std::optional<QString> SearchTargetProjectFile(Session& session);

// Whether the import reads files with this extension (any case, no dot).
bool IsImportExtension(const QString& suffix);

// The steps that have windows of their own.
struct ImportSteps {
    // The separator options ("Import CSV data"); none when cancelled.
    std::function<std::optional<CsvOptions>()> csvOptions;
    // The field concordance of source into the new project, whose tables
    // are open as the session's while it runs: true when it imported, false
    // when the user gave up.
    std::function<bool(Session& session, ImportSource& source, const QString& excavation)> concordance;
};

// Imports the file of a validated request into a new project: a Harris list
// directly, a CSV file after its options, a table through the concordance.
// On success the new project is open and the status line says "<n> units
// imported"; otherwise no new project is left and none is open.
std::optional<int> RunImport(Session& session, const ImportRequest& request, const ImportSteps& steps);

// The table source of a .dbf, .db or .txt file, or nothing after showing why.
std::unique_ptr<ImportSource> OpenTableSourceReporting(UserInterface& ui, const QString& path);

// What the concordance dialog's OK came to: imported, or the dialog stays
// open (after the message) with `row` selected when a row is to blame.
struct ConcordanceOk {
    bool imported = false;
    int row = -1;
};
// The concordance dialog's OK: the checks of the assignment, the separators
// asked in input boxes (kept in the concordance for the next OK), the check
// of every record, then the import into the open project.
ConcordanceOk AcceptConcordance(Session& session, ImportSource& source, Concordance& concordance);

// The export's save dialog ("Export Harris data base"); read-only files are
// refused and the dialog opens again. None when cancelled.
std::optional<QString> ChooseExportFile(Session& session);
// Writes the open project by the file's extension: .lst, .dbf, .txt or .csv
// (after csvOptions, which may cancel). The relationship filter is off while
// it writes. False after showing why nothing was written, or on Cancel.
bool ExportByExtension(Session& session, const QString& path,
                       const std::function<std::optional<CsvOptions>()>& csvOptions);

// Shows a writer's refusal; whether it wrote.
bool ReportWritten(UserInterface& ui, const TextFileResult& written);

} // namespace belvanto
