#pragma once
// belvanto-cli's consistency checks:
//   check P.bvp [--components [--store-components]] [--no-cycles]
//               [--redundancy [--delete-redundant]] [--group-assignments]
//               [--hierarchy [--chronology period|phase] [--with-contexts]] [--short]
//       the chosen checks of a check run, in the run's order (the cycle
//       check unless --no-cycles); prints the protocol; exit code 1 when a
//       check found problems.
//   pair P.bvp A B
//       the stratigraphic path between two contexts, as the pair window
//       shows it; exit code 1 when there is none.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterCheckCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
