#pragma once
// The rules behind the relationship dialog and the Relations menu's Add and
// Edit commands, apart from the widgets, so that every path through them can
// be tested without a screen.
#include "editing/RemoveRelationships.h"
#include "store/UnitKey.h"
#include <QString>
#include <optional>

namespace belvanto {

class Session;
class Table;

inline constexpr int kTermLookupHelpTopic = 79;

// The control that gets the focus back after a refused entry.
enum class EntryControl { None, Category, Excavation, UnitName, Comment };

// OK and Next: category, second excavation and second unit name are checked
// in this order and the first problem is shown. A second unit that does not
// exist is offered for creation (a group for "p", else a context) and is
// created on Yes. None when the relationship may be stored.
EntryControl CheckRelationEntry(Session& session, const QString& category, const UnitKey& second);

// Relations | Add, before the dialog opens.
struct AddRelationshipStart {
    QString category;            // preset; "p" for a group
    bool categoryFixed = false;
};
// none: the command stops (its message has been shown).
std::optional<AddRelationshipStart> BeginAddRelationship(Session& session, const std::optional<UnitKey>& firstUnit);

// Relations | Edit, before the dialog opens: false (after its warning) when
// there is nothing to edit.
bool BeginEditRelationship(Session& session);
// The change-comment dialog writes the comment of this one row only; the
// opposite row keeps its own.
bool SetRelationComment(Table& relTable, const RelationRowKey& row, const QString& comment);

// Term lookup on one of the dialog's edits.
enum class LookupEdit { Excavation, UnitName, Other };
// The target field whose terms the lookup offers, after the messages for no
// term file, a unit-name edit and a field without terms; none to stop.
std::optional<QString> TermLookupField(Session& session, LookupEdit edit);

} // namespace belvanto
