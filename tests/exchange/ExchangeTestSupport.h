#pragma once
// Files and tables as the exchange tests compare them.
#include "editing/AddRelationship.h"
#include "exchange/ImportSource.h"
#include "store/UnitKey.h"
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace belvanto {

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// The relationship table as "A:12 > A:13" lines in key order, for comparing
// projects before and after a round trip.
inline QStringList RelationRowTexts(const Table& relations)
{
    QStringList rows;
    for (const auto& row : relations.query(QString(), {}, kRelationKeyOrder))
        rows.append(QStringLiteral("%1:%2 %3 %4:%5")
                        .arg(textAt(row, 0), textAt(row, 1), CategoryOf(row), textAt(row, 2), textAt(row, 3)));
    return rows;
}

// Every record of a source from where it stands.
inline std::vector<std::vector<Value>> ReadAllRecords(ImportSource& source)
{
    std::vector<std::vector<Value>> rows;
    std::vector<Value> record;
    while (source.next(record)) rows.push_back(record);
    return rows;
}

// Opens a source with open() and reads all of it: the ImportError's text, or
// "" when every record read cleanly.
template <typename Open>
QString ReadAllOrError(Open&& open)
{
    try {
        auto source = open();
        ReadAllRecords(*source);
        return {};
    } catch (const ImportError& e) {
        return e.text();
    }
}

} // namespace belvanto
