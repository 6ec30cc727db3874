#pragma once
// belvanto-cli simulate: a simulated project without the dialog.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterSimulationCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
