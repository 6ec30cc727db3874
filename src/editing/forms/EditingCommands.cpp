#include "editing/forms/EditingCommands.h"
#include "editing/forms/RelationCommands.h"
#include "editing/forms/TConsecutiveForm.h"
#include "store/Session.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

void RegisterEditingCommands(CommandRegistry& commands, std::function<RelationListHooks()> groupTree)
{
    auto hooks = [groupTree] { return groupTree ? groupTree() : RelationListHooks{}; };
    commands.add(QStringLiteral("RelationsAdd"), [hooks](Session& session, QWidget* parent) {
        AddRelationshipCommand(session, parent, CurrentUnit(session.units()), hooks());
    });
    commands.add(QStringLiteral("RelationsEdit"), EditRelationshipCommand);
    commands.add(QStringLiteral("RelationsChain"), ChainCommand);
    commands.add(QStringLiteral("RelationsRemove"), ListSelection::Relations,
                 [hooks](Session& session, QWidget* parent, const std::vector<qint64>& rowids) {
                     // A snapshot of the selection by key: deleting rows must
                     // not shift what the user selected.
                     RemoveRelationshipsCommand(session, parent, RelationRowKeys(session.relations(), rowids), hooks());
                 });
    commands.add(QStringLiteral("UnitsConsecutive"), ConsecutiveNumbers);
}

} // namespace belvanto
