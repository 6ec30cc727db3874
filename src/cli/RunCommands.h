#pragma once
// belvanto-cli's layout and check run, as the dialog "Select checking
// operations and layout properties" chooses it:
//   check P.bvp [options]    "Check only"
//   layout P.bvp [options]   "Harris diagram layout"
// Every control of the dialog is an option (a check box as --NAME and
// --no-NAME); the dialog's presets apply first, then the options, each with
// the rules between the controls. Prints the protocol; exit code 0 when the
// run ended with a stored layout (layout) or found no problem (check), 1
// when a check ended the run or found problems, 2 for bad input.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterRunCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
