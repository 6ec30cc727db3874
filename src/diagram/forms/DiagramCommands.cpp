#include "diagram/forms/DiagramCommands.h"
#include "diagram/forms/TDiagramForm.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

void RegisterDiagramCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("DiagramDisplay"), DisplayHarrisDiagram);
}

} // namespace belvanto
