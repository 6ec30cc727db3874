#include "exchange/forms/ExchangeCommands.h"
#include "exchange/ImportCommand.h"
#include "exchange/forms/TCSVExportForm.h"
#include "exchange/forms/TImportFieldsForm.h"
#include "exchange/forms/TImportFileForm.h"
#include "store/Session.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

namespace {

std::optional<CsvOptions> askCsvOptions(Session& session, QWidget* parent, const QString& caption)
{
    TCSVExportForm form(caption, session.ui(), parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.options();
}

} // namespace

void ImportDataCommand(Session& session, QWidget* parent)
{
    if (!BeginImport(session)) return;
    TImportFileForm form(session, parent);
    if (form.exec() != QDialog::Accepted) {
        session.project() = ProjectState{};
        return;
    }
    ImportSteps steps;
    steps.csvOptions = [&session, parent] { return askCsvOptions(session, parent, kCsvImportCaption); };
    steps.concordance = [parent](Session& s, ImportSource& source, const QString& excavation) {
        TImportFieldsForm fields(s, source, excavation, parent);
        return fields.exec() == QDialog::Accepted;
    };
    RunImport(session, form.request(), steps);
}

void ExportDataCommand(Session& session, QWidget* parent)
{
    const auto path = ChooseExportFile(session);
    if (!path) return;
    ExportByExtension(session, *path, [&session, parent] { return askCsvOptions(session, parent, kCsvExportCaption); });
}

void RegisterExchangeCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("FileImport"), ImportDataCommand);
    commands.add(QStringLiteral("FileExport"), ExportDataCommand);
}

} // namespace belvanto
