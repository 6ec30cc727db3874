#include "cli/Cli.h"
#include "cli/CheckCommands.h"
#include "cli/RunCommands.h"
#include "cli/CliCommand.h"
#include "cli/DiagramCommands.h"
#include "cli/EditingCommands.h"
#include "cli/ExchangeCommands.h"
#include "cli/LayoutCommands.h"
#include "cli/PlacementCommands.h"
#include "cli/SimulationCommands.h"
#include "cli/StoreCommands.h"
#include "cli/ThematicCommands.h"
#include "cli/UnitCommands.h"

namespace belvanto {

int runCli(const QStringList& arguments, FILE* out, FILE* err)
{
    CliContext c(out, err);
    CLI::App program("belvanto-cli: Harris-matrix projects from the command line", "belvanto-cli");
    program.formatter(MakeHelpFormatter(c));
    // The answer and --verbose count wherever they stand, also after the command.
    program.fallthrough();
    program.require_subcommand(1);
    program.set_version_flag("--version", "belvanto-cli " BELVANTO_VERSION, "show the program's version");
    program.add_flag_callback(
        "--yes", [&c] { c.ui.setDefaultAnswer(Answer::Yes); }, "answer Yes to every question");
    program.add_flag_callback(
        "--no", [&c] { c.ui.setDefaultAnswer(Answer::No); }, "answer No to every question");
    program.add_flag_callback(
        "--cancel", [&c] { c.ui.setDefaultAnswer(Answer::Cancel); },
        "answer Cancel to every question that offers it, else No");
    program.add_flag_callback(
        "--verbose", [&c] { c.ui.setVerbose(true); }, "write the progress texts as \"status: <text>\"");
    RegisterStoreCommands(program, c);
    RegisterEditingCommands(program, c);
    RegisterUnitCommands(program, c);
    RegisterLayoutCommands(program, c);
    RegisterRunCommands(program, c);
    RegisterCheckCommands(program, c);
    RegisterPlacementCommands(program, c);
    RegisterDiagramCommands(program, c);
    RegisterSimulationCommands(program, c);
    RegisterExchangeCommands(program, c);
    RegisterThematicCommands(program, c);

    // The program's alone: the commands would inherit a footer set before them.
    program.footer("Messages go to standard error as \"<kind>: <text>\". Questions take the\n"
                   "answer given by --yes, --no or --cancel; without one the safe answer\n"
                   "(No, or Cancel where offered). Exit code 0: done, 1: refused or problems\n"
                   "found, 2: the command line is not understood.");
    return RunCommandLine(program, c, arguments);
}

} // namespace belvanto
