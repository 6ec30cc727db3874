#pragma once
// The project commands of the File menu and the field configuration.
namespace belvanto {

class CommandRegistry;

// FileNew, FileOpen, FileRefresh, FileAddProject, FileSaveCopy, FilePack,
// FileDelete and ConfigureFields.
void RegisterStoreCommands(CommandRegistry& commands);

} // namespace belvanto
