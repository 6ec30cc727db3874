#pragma once
// The table sources besides dBase (DbaseSource.h): our own SQLite tables,
// Paradox tables through pxlib and our text table with its schema.
#include "exchange/ImportSource.h"

namespace belvanto {

// One of our own tables: the file starts with "SQLite format 3" and holds
// one table. Throws ImportError naming the file otherwise.
std::unique_ptr<ImportSource> OpenSqliteTableSource(const QString& path);

// A Paradox table (.db) read with pxlib.
std::unique_ptr<ImportSource> OpenParadoxSource(const QString& path);

// A text table "x.txt" with its schema "x.sch" beside it (TextTable.h).
std::unique_ptr<ImportSource> OpenTextTableSource(const QString& path);

} // namespace belvanto
