#pragma once
// belvanto-cli's Graphviz export (the layout run: cli/RunCommands.h):
//   export P.bvp --dot FILE
//       the contexts and their earlier/later relationships as a Graphviz
//       digraph (later above earlier).

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterPlacementCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
