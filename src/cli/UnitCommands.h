#pragma once
// belvanto-cli's unit operations: unit delete, merge, split, combine, set
// and rename,
// added to the "unit" commands that the editing commands start.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterUnitCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
