#pragma once
// The Units menu's commands that delete, merge and split units. They work
// on a snapshot of the unit list's selection (keys in selection order), so
// that what they delete cannot shift what the user meant.
//
// Every command keeps the relationship table's two invariants: each
// earlier/later row has its opposite row, and each equal and contemporary
// class is closed (every member has a row to every other member).
#include "editing/UnitEditor.h"
#include "store/UnitKey.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
class Table;

inline constexpr int kMergeHelpTopic = 55;
inline constexpr int kSplitHelpTopic = 74;
inline constexpr int kDeleteUnitHelpTopic = 76;
inline constexpr int kCombineHelpTopic = 77;
inline constexpr int kCopyUnitHelpTopic = 73;

// Deletes the units and every relationship row naming them, at either end,
// without asking: one transaction per table, the relationships' first. Members of a deleted container lose
// their part-of row and stay. Keys that name no unit are passed over.
void RemoveUnits(Table& unitTable, Table& relTable, const std::vector<UnitKey>& keys);

// The Delete command: an empty selection means the unit table's current
// row. Asks first; true when units were deleted.
bool DeleteUnits(Session& session, const std::vector<UnitKey>& selection);

// Moves every relationship of `other` to `target` and deletes `other`. Per
// other end Y, decided on target's rows from before the move: when Y is the
// target or the target already has a row with Y, every row between other
// and Y goes; otherwise they all move, so both rows of a pair move or go
// together. Afterwards target's equal and contemporary classes are closed.
void MergeUnitInto(Table& unitTable, Table& relTable, const UnitKey& target, const UnitKey& other);

// The Merge command: the first selected unit is the target. True when units
// were merged.
bool MergeUnits(Session& session, const std::vector<UnitKey>& selection);

// The refusals of the Split command, before the edit form opens: true when
// `selection` (one unit; empty means the current row) may be split.
bool SplitAllowed(Session& session, const std::vector<UnitKey>& selection);

// Stores the new unit of a split: the old unit's field values under the new
// key, copies of the rows in which the old unit is the first unit, and the
// new unit joined to the old unit's equal or contemporary class. The rows
// naming the old unit as a container are not copied: the caller lets the
// user reassign members. True when the new unit is stored.
bool SplitUnit(Session& session, const UnitKey& unit, const UnitKey& newUnit);

// The refusals of the Combine command, before the edit form opens: on
// success the classes the new container may have ("group" and "work area"
// for contexts, "group" for groups).
std::optional<QStringList> CombineClasses(Session& session, const std::vector<UnitKey>& selection);

// After the container was stored: each selected unit becomes part of it,
// except, for a group, a unit already part of a group, which is reported.
void CombineInto(Session& session, const std::vector<UnitKey>& selection, const UnitKey& container);

// The whole command without the form: the refusals, the container's key
// and class checked as the form's save checks them, the container created
// with only its key and class, then CombineInto. True when stored.
bool CombineUnits(Session& session, const std::vector<UnitKey>& selection, const UnitKey& container,
                  const QString& containerClass);

// What a Units-menu command hands to the edit form: the preset key, the
// classes the form may offer (empty: all three) and the mode.
struct UnitEditStart {
    QString excavation, unitName;
    QStringList classes;
    EditMode mode = EditMode::New;
};

// New: the current excavation and an empty name.
UnitEditStart NewUnitStart(Session& session);
// Edit: the current (or only selected) unit with only its own class; with
// an empty unit table a new unit. None after the warning for a selection of
// several units.
std::optional<UnitEditStart> EditUnitStart(Session& session, const std::vector<UnitKey>& selection);
// Copy: the current unit as a new one of any class, after the refusals.
std::optional<UnitEditStart> CopyUnitStart(Session& session, const std::vector<UnitKey>& selection);
// Split: SplitAllowed, then the unit with only its class.
std::optional<UnitEditStart> SplitUnitStart(Session& session, const std::vector<UnitKey>& selection);
// Combine: CombineClasses, then a new container in the current excavation.
std::optional<UnitEditStart> CombineUnitStart(Session& session, const std::vector<UnitKey>& selection);

// The units that are part of the container (rows (X, container, "p")), in
// key order: after a split the user may move them to the new container.
std::vector<UnitKey> ContainerMembers(const Table& relTable, const UnitKey& container);

} // namespace belvanto
