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

inline const QString kLayoutStoredText =
    QStringLiteral("The Harris diagram layout is stored. It will be shown by \"Display Harris diagram\".");

// The windows of other subsystems that the run opens on its way. The
// program passes its own; each may be empty (the run then goes on without
// asking: no projection ends the run, the period order stands as found).
struct LayoutRunWindows {
    std::function<std::optional<ProjectionChoice>(Session& session, QWidget* parent)> projection;
    // The chooser of the order of periods, for the dating field's label.
    std::function<PeriodOrderChooser(QWidget* parent, const QString& fieldLabel)> periodOrder;
    std::function<void(Session& session, int datingField, QWidget* parent)> periodRelations;
};

// DiagramLayout, and DiagramDisplay until the diagram window shows the
// stored diagram: it says when the stored layout was made.
void RegisterLayoutCommands(CommandRegistry& commands, LayoutRunWindows windows);

// The command itself: the warning for an empty unit table, the dialog, the
// run, and the protocol window or, after a stored layout, the protocol and
// the message that the diagram is stored.
void LayoutAndCheck(Session& session, QWidget* parent, const LayoutRunWindows& windows,
                    const ShuffleClock& clock = QTime::currentTime);

} // namespace belvanto
