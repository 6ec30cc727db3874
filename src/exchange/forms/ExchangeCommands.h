#pragma once
// The exchange commands of the File menu.
class QWidget;

namespace belvanto {

class CommandRegistry;
class Session;

// "&Import...": the import dialog, then the file into a new project.
void ImportDataCommand(Session& session, QWidget* parent);
// "&Export...": the save dialog, then the open project into the file.
void ExportDataCommand(Session& session, QWidget* parent);

// FileImport and FileExport.
void RegisterExchangeCommands(CommandRegistry& commands);

} // namespace belvanto
