#include "checks/forms/CheckCommands.h"
#include "checks/PairTest.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "ui/CommandRegistry.h"
#include "ui/TProtocolForm.h"
#include <QStringList>
#include <unordered_map>

namespace belvanto {

std::vector<UnitKey> UnitKeysOfRows(const Table& unitTable, const std::vector<qint64>& rowids)
{
    if (rowids.empty()) return {};
    QStringList ids;
    ids.reserve(qsizetype(rowids.size()));
    for (qint64 id : rowids) ids << QString::number(id);
    std::unordered_map<qint64, UnitKey> keyOfRow;
    for (const auto& row : unitTable.query(QStringLiteral("rowid IN (%1)").arg(ids.join(QLatin1Char(','))), {}))
        keyOfRow.emplace(row.rowid, UnitKey{valueToString(row.values[uf::Excavation]),
                                            valueToString(row.values[uf::Unitname])});
    std::vector<UnitKey> keys;
    keys.reserve(rowids.size());
    for (qint64 id : rowids)
        if (const auto it = keyOfRow.find(id); it != keyOfRow.end()) keys.push_back(it->second);
    return keys;
}

void RegisterCheckCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("RelationsTestPair"), ListSelection::Units,
                 [](Session& session, QWidget* parent, const std::vector<qint64>& rowids) {
                     if (const auto lines = TestContextPair(session, UnitKeysOfRows(session.units(), rowids)))
                         ShowProtocol(parent, session.ui(), kPairWindowCaption, *lines, HelpTopic(kPairWindowHelp),
                                      true);
                 });
}

} // namespace belvanto
