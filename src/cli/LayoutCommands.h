#pragma once
// belvanto-cli's stored layout:
//   dump P.bvp unitlayout|rellayout|layoutparams
//       the two layout tables as CSV, the parameter file as text.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

// After the store's commands, whose dump it extends.
void RegisterLayoutCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
