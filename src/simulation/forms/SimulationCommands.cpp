#include "simulation/forms/SimulationCommands.h"
#include "simulation/forms/TSimulationForm.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

void RegisterSimulationCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("FileSimulate"), [](Session& session, QWidget* parent) { SimulateProject(session, parent); });
}

} // namespace belvanto
