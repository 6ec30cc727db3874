#pragma once
// The Units menu's commands that go through the unit edit form: New, Edit,
// Copy, Split and Combine. Each takes the unit list's selection as keys.
#include "store/UnitKey.h"
#include <vector>

class QWidget;

namespace belvanto {

class Session;

void NewUnitCommand(Session& session, QWidget* parent);
void EditUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection);
void CopyUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection);
// After OK on a split group or work area, the old container's members may
// be moved to the new one in the reassignment dialog.
void SplitUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection);
// After OK the selected units become part of the new container.
void CombineUnitsCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection);

} // namespace belvanto
