#include "layout/forms/LayoutCommands.h"
#include "core/UserInterface.h"
#include "layout/LayoutCheckRun.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "ui/CommandRegistry.h"
#include "ui/TProtocolForm.h"

namespace belvanto {

namespace {

RunDialogs runDialogs(Session& session, QWidget* parent, const LayoutRunWindows& windows, const RunOptions& options)
{
    RunDialogs dialogs;
    if (windows.projection)
        dialogs.projection = [&session, parent, ask = windows.projection] { return ask(session, parent); };
    const std::optional<int> datingField = RunCheckOptions(options).datingField;
    if (windows.periodOrder && datingField)
        dialogs.periodOrder = windows.periodOrder(parent, session.catalogue()[*datingField].Label);
    if (windows.periodRelations)
        dialogs.periodRelations = [&session, parent, show = windows.periodRelations](int field) {
            show(session, field, parent);
        };
    return dialogs;
}

} // namespace

void LayoutAndCheck(Session& session, QWidget* parent, const LayoutRunWindows& windows, const ShuffleClock& clock)
{
    UserInterface& ui = session.ui();
    ui.status(QString());
    session.units().setFilter(QString());
    if (session.units().count() == 0) {
        ui.warning(kCheckingNothingText);
        return;
    }
    const std::optional<RunOptions> options = AskRunOptions(session, parent, clock);
    if (!options) return;

    Protocol protocol(options->report);
    const LayoutRunResult result = RunLayoutAndCheck(session, *options, RunCheckOptions(*options),
                                                     runDialogs(session, parent, windows, *options), protocol);
    if (result.layoutStored && windows.diagram) {
        windows.diagram(session, parent, protocol.lines(), protocol.detailed(), options->colours);
        return;
    }
    ShowReport(parent, ui, protocol.lines(), protocol.detailed(), QStringLiteral("check"),
               session.project().ProjectName);
}

void RegisterLayoutCommands(CommandRegistry& commands, LayoutRunWindows windows)
{
    commands.add(QStringLiteral("DiagramLayout"), [windows = std::move(windows)](Session& session, QWidget* parent) {
        LayoutAndCheck(session, parent, windows);
    });
}

} // namespace belvanto
