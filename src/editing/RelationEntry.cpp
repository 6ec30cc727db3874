#include "editing/RelationEntry.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/UnitEntry.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"

namespace belvanto {

EntryControl CheckRelationEntry(Session& session, const QString& category, const UnitKey& second)
{
    UserInterface& ui = session.ui();
    if (category.isEmpty()) {
        ui.message(MessageKind::Error, QStringLiteral("Relation category must be entered."), Buttons::Ok,
                   HelpTopic(kRelationHelpTopic));
        return EntryControl::Category;
    }
    if (!CheckExcavationName(ui, second.excavation)) return EntryControl::Excavation;
    if (second.unitname.isEmpty()) {
        ui.message(MessageKind::Error, QStringLiteral("Unit name may not be blank."), Buttons::Ok,
                   HelpTopic(kRelationHelpTopic));
        return EntryControl::UnitName;
    }
    if (UnitExists(session.units(), second)) return EntryControl::None;
    const QString unitClass = category == category::PartOf ? kGroup : kContext;
    if (const QString problem = CheckUnitName(second.unitname); !problem.isEmpty()) {
        ui.message(MessageKind::Error, problem, Buttons::Ok, HelpTopic(kUnitNameHelpTopic));
        return EntryControl::UnitName;
    }
    if (ui.confirm(QStringLiteral("Unit name %1 does not exist\r\nDo you want to create a %2?")
                       .arg(second.unitname, unitClass),
                   Buttons::YesNo, HelpTopic(kRelationHelpTopic))
        != Answer::Yes)
        return EntryControl::UnitName;
    CreateUnit(session.units(), second, unitClass);
    LeaveSingleExcavationIfMixed(session);
    return EntryControl::None;
}

std::optional<AddRelationshipStart> BeginAddRelationship(Session& session, const std::optional<UnitKey>& firstUnit)
{
    UserInterface& ui = session.ui();
    const std::optional<QString> unitClass = firstUnit ? UnitClassOf(session.units(), *firstUnit) : std::nullopt;
    if (session.units().count() == 0 || !unitClass) {
        ui.warning(QStringLiteral("Please define units before adding their relationships"));
        return std::nullopt;
    }
    if (*unitClass == kWorkArea) {
        ui.message(MessageKind::Information,
                   QStringLiteral("A work area may not have any relationships.\r\nIn order to add a new member to a "
                                  "work area,\r\nclick on the member unit and choose Relations -> Add."),
                   Buttons::Ok, HelpTopic(20));
        return std::nullopt;
    }
    if (*unitClass != kGroup) return AddRelationshipStart{};
    if (!RowsOfFirst(session.relations(), *firstUnit).empty()) {
        ui.message(MessageKind::Information,
                   QStringLiteral("A group must not be part of more than one group.\r\nIn order to change the "
                                  "membership of a group,\r\ndelete the incorrect relationship first using "
                                  "Relations | Remove."),
                   Buttons::Ok, HelpTopic(12));
        return std::nullopt;
    }
    return AddRelationshipStart{QString(category::PartOf), true};
}

bool BeginEditRelationship(Session& session)
{
    if (session.relations().count() > 0 && session.relations().hasRecord()) return true;
    session.ui().message(MessageKind::Warning,
                         QStringLiteral("To add relationships use Relations | Add\r\nor the corresponding toolbar button."),
                         Buttons::Ok, HelpTopic(79));
    return false;
}

bool SetRelationComment(Table& relTable, const RelationRowKey& row, const QString& comment)
{
    const auto found = FindRelationRow(relTable, row.first, row.second);
    if (!found) return false;
    BookmarkRestore position(relTable);
    FilterOff unfiltered(relTable);
    LinkOff unlinked(relTable);
    if (!relTable.gotoRowid(found->rowid)) return false;
    relTable.edit();
    relTable.set(rel::RelationFull, comment);
    relTable.post();
    return true;
}

std::optional<QString> TermLookupField(Session& session, LookupEdit edit)
{
    UserInterface& ui = session.ui();
    if (!session.termsOpen()) {
        ui.information(kNoTermFileMessage);
        return std::nullopt;
    }
    if (edit == LookupEdit::UnitName) {
        ui.information(QStringLiteral("Term lookup not supported for unit names."));
        return std::nullopt;
    }
    const QString field = edit == LookupEdit::Excavation ? QStringLiteral("Excavation") : kRelationshipComment;
    if (TermsOf(session, field).empty()
        && ui.confirm(QStringLiteral("No terms available for field %1.\r\nDo you want to create terms?").arg(field),
                      Buttons::YesNo, HelpTopic(kTermLookupHelpTopic))
               != Answer::Yes)
        return std::nullopt;
    return field;
}

} // namespace belvanto
