#pragma once
// The diagram window's commands of the main window.
class QWidget;

namespace belvanto {

class CommandRegistry;

// DiagramDisplay: the stored layout in the diagram window.
void RegisterDiagramCommands(CommandRegistry& commands);

} // namespace belvanto
