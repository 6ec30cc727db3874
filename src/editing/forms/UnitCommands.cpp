#include "editing/forms/UnitCommands.h"
#include "editing/AddRelationship.h"
#include "editing/UnitOperations.h"
#include "editing/forms/EditUnit.h"
#include "editing/forms/TReassignForm.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

// The form from a command's start; after OK the unit list stands on the
// unit saved last, which the main window then selects alone and follows
// with the relationship list.
UnitEditResult editFrom(Session& session, QWidget* parent, const UnitEditStart& start)
{
    const UnitEditResult result = EditUnit(session, parent, start.excavation, start.unitName, start.classes, start.mode);
    if (result.accepted && !result.savedKey.unitname.isEmpty())
        session.units().locate(QStringLiteral("Excavation;Unitname"),
                               {result.savedKey.excavation, result.savedKey.unitname});
    return result;
}

} // namespace

void NewUnitCommand(Session& session, QWidget* parent)
{
    editFrom(session, parent, NewUnitStart(session));
}

void EditUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection)
{
    if (const auto start = EditUnitStart(session, selection)) editFrom(session, parent, *start);
}

void CopyUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection)
{
    if (const auto start = CopyUnitStart(session, selection)) editFrom(session, parent, *start);
}

void SplitUnitCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection)
{
    const auto start = SplitUnitStart(session, selection);
    if (!start) return;
    const UnitKey old{start->excavation, start->unitName};
    const UnitEditResult result = editFrom(session, parent, *start);
    if (!result.accepted || result.savedKey == old) return;
    if (UnitClassOf(session.units(), old).value_or(kContext) == kContext) return;
    if (const auto members = ContainerMembers(session.relations(), old); !members.empty())
        ReassignRelations(session, parent, old, result.savedKey, category::PartOf, members);
}

void CombineUnitsCommand(Session& session, QWidget* parent, const std::vector<UnitKey>& selection)
{
    const auto start = CombineUnitStart(session, selection);
    if (!start) return;
    const UnitEditResult result = editFrom(session, parent, *start);
    if (result.accepted && UnitExists(session.units(), result.savedKey)) CombineInto(session, selection, result.savedKey);
}

} // namespace belvanto
