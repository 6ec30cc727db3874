#pragma once
// The unit table as the table exports (dBase, text table) write it: the key
// column, the fields that some unit uses, and one list column per
// relationship category that occurs, each unit's related units joined by
// ", ". Collected once in memory, so every writer takes the same columns and
// values in the same order.
#include "core/TextFile.h"
#include "store/Table.h"
#include <QChar>
#include <QString>
#include <vector>

namespace belvanto {

class Session;

struct ExportColumn {
    QString name;                      // "Unitname", "Excavation_Unitname", a field name, "Later than"
    FieldType type = FieldType::String;
    int size = 0;                      // strings: the declared size, or the longest list
    int field = -1;                    // catalogue position of a field column, else -1
    QChar category;                    // the category code of a list column, else null
    bool isList() const { return !category.isNull(); }
};

struct ExportTable {
    std::vector<ExportColumn> columns;
    std::vector<std::vector<Value>> rows;   // one per unit in key order; lists as text
};

// The whole unit table, whatever filter the lists show.
ExportTable CollectExportTable(Session& session);

// The writers' refusal with its sentence.
TextFileResult ExportFailure(const QString& text);

} // namespace belvanto
