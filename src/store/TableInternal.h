#pragma once
// Private helpers of the table engine for values, field types and filters,
// shared by the Table*.cpp files, Filter.cpp and TableValues.cpp. Not for use
// outside src/store.
#include "store/SqliteDb.h"
#include "store/Table.h"
#include <vector>

namespace belvanto::detail {

// Cuts a text to at most size characters (code points, so that a character
// outside the BMP is never split). size <= 0 means no limit.
QString cutToSize(const QString& s, int size);

// Shortest text that reads back as the same double, always with '.'.
QString formatDouble(double v);

// Converts a value to the form stored in field f: monostate, QString,
// qint32, double or QDate. Empty texts and invalid dates become monostate.
// With cut, strings longer than the field are cut to its size; without,
// they are left long (a look-up value that long matches nothing).
// Throws EngineError when the value cannot become the field's type.
Value toFieldValue(const FieldDef& f, const Value& v, bool cut);

// Reads column c of the current row as a value of field f.
Value readColumn(const sqlite::Stmt& s, int c, const FieldDef& f);

// As readColumn, but a value that cannot be read as field f's type (a "1,5"
// written into a float column by another program) comes back as the stored
// text: a QString in a field that is not a string field marks such a cell
// in the rows the engine holds. get() refuses it with unreadableMessage().
Value readColumnAsStored(const sqlite::Stmt& s, int c, const FieldDef& f);
inline bool isUnreadable(const FieldDef& f, const Value& v)
{
    return f.type != FieldType::String && std::holds_alternative<QString>(v);
}
// "Record A:u3: '1,5' is not a valid floating point value for field
// 'Height'": the record named by its key values (by its number without a
// primary key), then why the cell cannot be read.
QString unreadableMessage(const std::vector<FieldDef>& fields, const std::vector<int>& primary,
                          const std::vector<Value>& row, int field, qint64 rowid);

// Declared SQL type of a field ("VARCHAR(12)", "INTEGER", "DOUBLE", "DATE")
// and the way back from a declared type found in an existing file.
QString declaredType(const FieldDef& f);
void applyDeclaredType(FieldDef& f, const QString& declared);

// Index of a field by name, any letter case; -1 if none.
int findField(const std::vector<FieldDef>& fields, QStringView name);

// Translates a filter tree into an SQL condition over the inner table's
// columns, appending the bound values to params and marking the fields it
// reads in used (indexed like fields). Throws EngineError "Filter: ..." for
// unknown fields and literals that cannot be compared with their field.
QString filterToSql(const FilterExpr& e, const std::vector<FieldDef>& fields,
                    std::vector<Value>& params, std::vector<bool>& used);

} // namespace belvanto::detail
