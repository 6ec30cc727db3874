#include "cli/PlacementCommands.h"
#include "cli/CliCommand.h"
#include "exchange/DotExport.h"
#include "store/Session.h"
#include "store/Table.h"

namespace belvanto {

namespace {

int writeDot(CliContext& c, const QString& project, const QString& file)
{
    OpenedProject opened(c, project, OpenMode::ReadOnly);
    if (!opened.ok) return Failed;
    Session& session = opened.session;
    const ProjectState& p = session.project();
    FilterOff units(session.units());
    FilterOff relations(session.relations());
    return ExportDot(c.ui, session.units(), session.relations(), p.SingleExcavation, p.ProjectName, MakeAbsolute(file))
               ? Ok
               : Failed;
}

} // namespace

void RegisterPlacementCommands(CLI::App& program, CliContext& c)
{
    AddExportFormat(program, c, "--dot",
                    "the contexts and their earlier/later relationships as a Graphviz digraph (later above earlier)",
                    [&c](const QString& project, const QString& file) { return writeDot(c, project, file); });
}

} // namespace belvanto
