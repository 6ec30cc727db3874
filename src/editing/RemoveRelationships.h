#pragma once
// Removing relationships from the main window's relationship list, and the
// reassignment that splits an equal or contemporary class or moves the
// members of a container to another one.
#include "store/UnitKey.h"
#include <QString>
#include <compare>
#include <functional>
#include <vector>

namespace belvanto {

class Session;

inline constexpr int kDeleteRelationHelpTopic = 54;

// One row of the relationship table, by its key: the list's selection is
// taken as such a snapshot, so deleting rows cannot shift what is meant.
struct RelationRowKey {
    UnitKey first, second;
    bool operator==(const RelationRowKey&) const = default;
    auto operator<=>(const RelationRowKey&) const = default;
};

// What the relationship list's window supplies.
struct RelationListHooks {
    // The group hierarchy view is showing and is rebuilt after a part-of
    // change. Part-of cycles (G1 part of G2 and G2 part of G1) are allowed,
    // so the rebuild must not follow containers without remembering them.
    bool groupTreeShowing = false;
    std::function<void()> rebuildGroupTree;
    // Opens the reassignment dialog for a class with further members; true
    // when it changed the tables.
    std::function<bool(const UnitKey& first, const UnitKey& second, QChar code,
                       const std::vector<UnitKey>& members)>
        reassign;
};

// The Relations | Remove command on the selected rows; an empty selection
// means the relationship table's current row. True when rows were deleted.
bool RemoveRelationships(Session& session, const std::vector<RelationRowKey>& selection,
                         const RelationListHooks& hooks);

// The reassignment dialog's OK, after the user divided the members into the
// two lists.
//  "=" and "-": every row between {first} + left and {second} + right is
//  deleted in both directions, which splits the class in two.
//  "p": each unit of the right list moves from container first to
//  container second; a move the part-of rules refuse keeps the old
//  container, so no unit loses its membership.
void ApplyReassignment(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                       const std::vector<UnitKey>& left, const std::vector<UnitKey>& right);

// Caption and help topic of the reassignment dialog.
QString ReassignCaption(QChar code);
QString ReassignHelpTopic(QChar code);

} // namespace belvanto
