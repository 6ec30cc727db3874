#pragma once
// The simulation command of the File menu.
namespace belvanto {

class CommandRegistry;

// FileSimulate.
void RegisterSimulationCommands(CommandRegistry& commands);

} // namespace belvanto
