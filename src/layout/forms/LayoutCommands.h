#pragma once
// "&Layout and check...": the run's options dialog, the run, and what the
// user sees at its end.
#include "checks/PeriodCheck.h"
#include "checks/Projection.h"
#include "layout/LayoutCheckRun.h"
#include "layout/forms/TLayoutCheckForm.h"
#include <functional>
#include <optional>

class QWidget;

namespace belvanto {

class CommandRegistry;
class Session;


// The windows of other subsystems that the run opens on its way. The
// program passes its own; each may be empty (the run then goes on without
// asking: no projection ends the run, the period order stands as found).
struct LayoutRunWindows {
    std::function<std::optional<ProjectionChoice>(Session& session, QWidget* parent)> projection;
    // The chooser of the order of periods, for the dating field's label.
    std::function<PeriodOrderChooser(QWidget* parent, const QString& fieldLabel)> periodOrder;
    std::function<void(Session& session, int datingField, QWidget* parent)> periodRelations;
    // The diagram window over the stored layout, with the run's protocol;
    // without one the protocol window shows the protocol.
    std::function<void(Session& session, QWidget* parent, const QStringList& protocol, bool detailed,
                       ColourDepth colours)>
        diagram;
};

// DiagramLayout.
void RegisterLayoutCommands(CommandRegistry& commands, LayoutRunWindows windows);

// The command itself: the warning for an empty unit table, the dialog, the
// run, and the diagram window after a stored layout, else the protocol
// window.
void LayoutAndCheck(Session& session, QWidget* parent, const LayoutRunWindows& windows,
                    const ShuffleClock& clock = QTime::currentTime);

} // namespace belvanto
