#pragma once
// Chain entry: a column of contexts from the latest at the top to the
// earliest at the bottom, each stored as later than the one below it.
#include <QString>
#include <QStringList>

namespace belvanto {

class Session;
class Table;

inline constexpr int kChainHelpTopic = 128;
inline const QString kUndefinedClass = QStringLiteral("undefined");

// What the class cell beside a name shows: the unit's class, or "undefined"
// when the excavation holds no unit of that name.
QString ChainClassCell(const Table& unitTable, const QString& excavation, const QString& unitName);

struct ChainResult {
    bool close = false;          // the dialog closes; otherwise it stays open
    bool focusExcavation = false;
    int focusRow = -1;           // the row whose name was refused
    QStringList classCells;      // refreshed, one per given row ("" for an empty row)
    int unitsCreated = 0;
    int relationshipsStored = 0;
};

// The chain dialog's OK. rows are the name cells from top to bottom; empty
// cells are skipped. Every message is shown, AddRelationship runs at level 10.
ChainResult EnterChain(Session& session, const QString& excavation, const QStringList& rows);

} // namespace belvanto
