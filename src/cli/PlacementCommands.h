#pragma once
// belvanto-cli's layout run and the Graphviz export:
//   layout P.bvp [--seed N] [--use-coordinates ANGLE]
//       the cycle check, then the layout without groups: the levels go into
//       Y, the layout tables and the parameter file are written and the
//       project's diagram is marked present. Prints the protocol; exit code
//       1 when the check or the layout fails. The seed (default 932216981)
//       is taken modulo 2^32; ANGLE is the section angle in whole degrees
//       (0 to 180) along which the context coordinates order the contexts.
//   export P.bvp --dot FILE
//       the contexts and their earlier/later relationships as a Graphviz
//       digraph (later above earlier).
#include <QtGlobal>

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

inline constexpr quint32 kDefaultLayoutSeed = 932216981u;

void RegisterPlacementCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
