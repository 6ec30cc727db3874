#pragma once
// The Relations menu: Add, Edit, Chain and Remove, each a function of the
// session and the window that owns the dialogs.
#include "editing/RemoveRelationships.h"
#include "store/UnitKey.h"
#include <optional>
#include <vector>

class QWidget;

namespace belvanto {

class Session;
class Table;

// Relations | Add. firstUnit: the unit list's current unit, or the selected
// node of the group hierarchy when that view shows. hooks: the group tree.
void AddRelationshipCommand(Session& session, QWidget* parent, const std::optional<UnitKey>& firstUnit,
                            const RelationListHooks& hooks = {});
// Relations | Edit (and a double click on the relationship list): the
// comment of the relationship table's current row.
void EditRelationshipCommand(Session& session, QWidget* parent);
// Relations | Chain; true when the dialog ended with OK.
bool ChainCommand(Session& session, QWidget* parent);
// Relations | Remove on the selected rows (empty: the current row). Without
// a reassign hook the reassignment dialog opens over parent.
bool RemoveRelationshipsCommand(Session& session, QWidget* parent, const std::vector<RelationRowKey>& selection,
                                RelationListHooks hooks = {});

// The keys of relationship rows given by record id, in the given order.
std::vector<RelationRowKey> RelationRowKeys(const Table& relTable, const std::vector<qint64>& rowids);
// The unit table's current unit, none on an empty view.
std::optional<UnitKey> CurrentUnit(const Table& unitTable);

} // namespace belvanto
