#pragma once
// belvanto-cli's layout checks and the stored layout:
//   check P.bvp --cycles [--summary]
//       the cycle check of a check run: prints the protocol lines (detailed
//       unless --summary) and, when there is no cycle, leaves every
//       context's level in Y; exit code 1 when the check fails.
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
