#pragma once
// belvanto-cli's exchange formats:
//   import P.bvp FILE.lst [--oem] [--excavation E]
//       reads a Harris list into the project, or into a new project made
//       at P.bvp when there is none (then --excavation names its excavation).
//   export P.bvp --lst FILE
//       writes the project as an Extended Harris List.

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterExchangeCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
