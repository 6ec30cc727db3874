#pragma once
// belvanto-cli's pair test (the checks of a run: cli/RunCommands.h):
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
