#pragma once
// Relationship lists, the exchange format of most other stratigraphy tools
// and of published data sets: one relationship per row, the later unit
// first ("younger, older"), optionally with a category column.
#include "exchange/Csv.h"
#include <QChar>
#include <QString>

namespace belvanto {

class Session;

struct RelationListOptions {
    CsvOptions csv;            // separator, text delimiter, header line
    // Columns by their header name (any letter case) or their 1-based number.
    QString laterColumn = QStringLiteral("1");
    QString earlierColumn = QStringLiteral("2");
    // Empty: every row has fixedCategory (later, equal or contemporary).
    QString categoryColumn;
    QChar fixedCategory = u'>';
    // For names without the key separator; empty: the project's current excavation.
    QString excavation;
};

// The category a cell names: a code (">", "<", "=", "-", "p") or a word
// ("later", "earlier than", "equal to", "contemporary", "part of", any
// letter case); a null character for none.
QChar RelationListCategory(const QString& text);

// Adds the relationships of the file to the open project, creating the units
// it names as contexts, all in one transaction. A row that cannot be read
// stops the import before anything is written; relationships the rules
// refuse (duplicates, self pairs, contradictions) are skipped and listed in
// one warning with their line numbers. False after showing why.
bool ImportRelationList(Session& session, const QString& path, const RelationListOptions& options);

// One row per relationship: a later/earlier pair once as its later row, an
// equal or contemporary pair once, part-of as stored. The header line holds
// "Later", "Earlier" and "Category".
bool ExportRelationList(Session& session, const QString& path, const CsvOptions& options);

} // namespace belvanto
