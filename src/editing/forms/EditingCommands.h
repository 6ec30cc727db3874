#pragma once
// The editing commands of the main window's menus.
#include "editing/RemoveRelationships.h"
#include <functional>

namespace belvanto {

class CommandRegistry;

// RelationsAdd, RelationsEdit, RelationsChain, RelationsRemove (on the
// relationship list's selection) and UnitsConsecutive. groupTree, when
// given, tells whether the group hierarchy shows and rebuilds it.
void RegisterEditingCommands(CommandRegistry& commands, std::function<RelationListHooks()> groupTree = {});

} // namespace belvanto
