#pragma once
// The editing commands of the main window's menus.
#include "editing/RemoveRelationships.h"
#include <QString>
#include <functional>

namespace belvanto {

class CommandRegistry;

// Remove with nothing highlighted in a relationship list that is not empty.
inline const QString kNoRelationSelectedMessage =
    QStringLiteral("No relationship selected.\r\nSelect the relationships to remove in the relationship list.");

// RelationsAdd, RelationsEdit, RelationsChain, RelationsRemove (on the
// relationship list's selection), the Units menu's New, Edit, Copy, Delete,
// Split, Merge and Combine (on the unit list's selection) and
// UnitsConsecutive. groupTree, when
// given, tells whether the group hierarchy shows and rebuilds it.
void RegisterEditingCommands(CommandRegistry& commands, std::function<RelationListHooks()> groupTree = {});

} // namespace belvanto
