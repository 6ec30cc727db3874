#pragma once
// The layout and check run: the checks chosen in the run's options, always
// in the same order, and, when "Harris diagram layout" is chosen and
// nothing failed, the layout (with groups or without) stored in the layout
// files. Everything the checks and the layout report goes into one
// protocol.
//
// The dialogs the run opens on its way (the projection, the order of
// periods the stratigraphy leaves open, the period relation counts) are
// given by the caller: the desktop program shows its windows, the command
// line answers without them.
#include "checks/CheckRun.h"
#include "checks/Projection.h"
#include "layout/RunOptions.h"
#include <functional>

namespace belvanto {

class Session;

struct RunDialogs {
    // The projection for the coordinate order; nothing ends the run.
    std::function<std::optional<ProjectionChoice>()> projection;
    // The order of periods the stratigraphy leaves open; empty keeps it.
    PeriodOrderChooser periodOrder;
    // After a period or phase check that stopped on contradicting periods:
    // the relation counts of that field.
    std::function<void(int datingField)> periodRelations;
};

struct LayoutRunResult : CheckRunResult {
    // The layout files were written: the diagram can be shown.
    bool layoutStored = false;
};

// The checks the options choose, as the run makes them. In "Check only"
// mode the redundancy test runs only to delete; with the layout it always
// runs, so that redundant links are never drawn.
CheckOptions RunCheckOptions(const RunOptions& options);

// The run over the open project after its dialog. The unit table must hold
// units (the caller refuses an empty one). checks are RunCheckOptions of the
// options, possibly with more checks of "Check only": the group assignment
// test and the hierarchy, which then run after the others. The protocol's
// mode is the options' report mode. The project's DiagramPresent follows
// whether a layout was stored.
LayoutRunResult RunLayoutAndCheck(Session& session, const RunOptions& options, const CheckOptions& checks,
                                  const RunDialogs& dialogs, Protocol& protocol);

} // namespace belvanto
