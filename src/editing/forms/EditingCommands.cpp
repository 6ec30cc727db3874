#include "editing/forms/EditingCommands.h"
#include "core/UserInterface.h"
#include "editing/UnitOperations.h"
#include "editing/forms/RelationCommands.h"
#include "editing/forms/TConsecutiveForm.h"
#include "editing/forms/UnitCommands.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

namespace {

int allRows(Table& table)
{
    FilterOff unfiltered(table);
    return table.count();
}

} // namespace

void RegisterEditingCommands(CommandRegistry& commands, std::function<RelationListHooks()> groupTree)
{
    auto hooks = [groupTree] { return groupTree ? groupTree() : RelationListHooks{}; };
    commands.add(QStringLiteral("RelationsAdd"), [hooks](Session& session, QWidget* parent) {
        AddRelationshipCommand(session, parent, CurrentUnit(session.units()), hooks());
    });
    commands.add(QStringLiteral("RelationsEdit"), EditRelationshipCommand);
    // Chain and consecutive numbers end without a message of their own; the
    // status line says what they stored.
    commands.add(QStringLiteral("RelationsChain"), [](Session& session, QWidget* parent) {
        const int units = allRows(session.units());
        const int rows = allRows(session.relations());
        if (ChainCommand(session, parent))
            session.ui().notice(QStringLiteral("Chain: %1 units created, %2 relationships stored.")
                                    .arg(allRows(session.units()) - units)
                                    .arg((allRows(session.relations()) - rows) / 2));
    });
    commands.add(QStringLiteral("RelationsRemove"), ListSelection::Relations,
                 [hooks](Session& session, QWidget* parent, const std::vector<qint64>& rowids) {
                     // The list highlights nothing when the current unit has
                     // no relationships; the table's cursor still stands on
                     // some other unit's row, which is not what the user chose.
                     if (rowids.empty() && session.relations().count() > 0) {
                         session.ui().warning(kNoRelationSelectedMessage);
                         return;
                     }
                     // A snapshot of the selection by key: deleting rows must
                     // not shift what the user selected.
                     RemoveRelationshipsCommand(session, parent, RelationRowKeys(session.relations(), rowids), hooks());
                 });
    // The unit commands take the list's selection as keys before anything
    // changes, so that deleting or creating units cannot shift it.
    auto onUnits = [&commands](const char* name, auto command) {
        commands.add(QString::fromLatin1(name), ListSelection::Units,
                     [command](Session& session, QWidget* parent, const std::vector<qint64>& rowids) {
                         command(session, parent, UnitKeysOfRows(session.units(), rowids));
                     });
    };
    commands.add(QStringLiteral("UnitsNew"), NewUnitCommand);
    onUnits("UnitsEdit", EditUnitCommand);
    onUnits("UnitsCopy", CopyUnitCommand);
    onUnits("UnitsDelete", [](Session& session, QWidget*, const std::vector<UnitKey>& keys) { DeleteUnits(session, keys); });
    onUnits("UnitsSplit", SplitUnitCommand);
    onUnits("UnitsMerge", [](Session& session, QWidget*, const std::vector<UnitKey>& keys) { MergeUnits(session, keys); });
    onUnits("UnitsCombine", CombineUnitsCommand);
    commands.add(QStringLiteral("UnitsConsecutive"), [](Session& session, QWidget* parent) {
        const int units = allRows(session.units());
        const int rows = allRows(session.relations());
        if (!ConsecutiveNumbers(session, parent)) return;
        QString text = QStringLiteral("Consecutive numbers: %1 units created").arg(allRows(session.units()) - units);
        if (const int pairs = (allRows(session.relations()) - rows) / 2; pairs > 0)
            text += QStringLiteral(", %1 relationships stored").arg(pairs);
        session.ui().notice(text + QLatin1Char('.'));
    });
}

} // namespace belvanto
