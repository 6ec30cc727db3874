#include "editing/forms/RelationCommands.h"
#include "editing/AddRelationship.h"
#include "editing/RelationEntry.h"
#include "editing/forms/TChainForm.h"
#include "editing/forms/TReassignForm.h"
#include "editing/forms/TRelationshipForm.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

namespace belvanto {

void AddRelationshipCommand(Session& session, QWidget* parent, const std::optional<UnitKey>& firstUnit,
                            const RelationListHooks& hooks)
{
    const auto start = BeginAddRelationship(session, firstUnit);
    if (!start) return;
    FilterOff unfiltered(session.relations());
    TRelationshipForm::AddSetup setup;
    setup.first = *firstUnit;
    setup.category = start->category;
    setup.categoryFixed = start->categoryFixed;
    setup.storeNext = [&session](const RelationshipEntry& e) {
        return AddRelationship(session, e.first, e.second, e.code, e.comment, level::Everything) == AddResult::Stored;
    };
    TRelationshipForm form(session, setup, parent);
    const bool ok = form.exec() == QDialog::Accepted;
    if (ok) {
        const RelationshipEntry e = form.entry();
        AddRelationship(session, e.first, e.second, e.code, e.comment, level::Everything);
    }
    if (hooks.groupTreeShowing && hooks.rebuildGroupTree && (ok || form.unitsCreated() > 0)) hooks.rebuildGroupTree();
}

void EditRelationshipCommand(Session& session, QWidget* parent)
{
    if (!BeginEditRelationship(session)) return;
    TRelationshipForm form(session, session.relations(), parent);
    form.exec();
}

bool ChainCommand(Session& session, QWidget* parent)
{
    TChainForm form(session, parent);
    return form.exec() == QDialog::Accepted;
}

bool RemoveRelationshipsCommand(Session& session, QWidget* parent, const std::vector<RelationRowKey>& selection,
                                RelationListHooks hooks)
{
    if (!hooks.reassign)
        hooks.reassign = [&session, parent](const UnitKey& first, const UnitKey& second, QChar code,
                                            const std::vector<UnitKey>& members) {
            return ReassignRelations(session, parent, first, second, code, members);
        };
    return RemoveRelationships(session, selection, hooks);
}

std::vector<RelationRowKey> RelationRowKeys(const Table& relTable, const std::vector<qint64>& rowids)
{
    std::vector<RelationRowKey> keys;
    for (qint64 id : rowids)
        for (const auto& row : relTable.query(QStringLiteral("rowid = %1").arg(id), {}))
            keys.push_back({{valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1])},
                            {valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])}});
    return keys;
}

std::optional<UnitKey> CurrentUnit(const Table& unitTable)
{
    if (!unitTable.isOpen() || unitTable.count() == 0 || !unitTable.hasRecord()) return std::nullopt;
    return UnitKey{unitTable.str(uf::Excavation), unitTable.str(uf::Unitname)};
}

} // namespace belvanto
