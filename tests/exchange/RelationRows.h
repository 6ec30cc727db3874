#pragma once
// The relationship table as "A:12 > A:13" lines in key order, for comparing
// projects before and after a round trip.
#include "editing/AddRelationship.h"
#include "store/UnitKey.h"
#include <QStringList>

namespace belvanto {

inline QStringList RelationRowTexts(const Table& relations)
{
    QStringList rows;
    for (const auto& row : relations.query(QString(), {}, kRelationKeyOrder))
        rows.append(QStringLiteral("%1:%2 %3 %4:%5")
                        .arg(textAt(row, 0), textAt(row, 1), CategoryOf(row), textAt(row, 2), textAt(row, 3)));
    return rows;
}

} // namespace belvanto
