#pragma once
// A foreign table read record by record for the field-concordance import:
// a CSV file, a dBase file, one of our own tables or a Paradox table. The
// import reads each source twice (the pre-check, then the import), so every
// source can start again from its first record.
#include "store/Table.h"
#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

namespace belvanto {

// What a column holds, as the concordance grid shows it ("string(12)",
// "integer", "float", "date", "memo", "unknown").
enum class SourceType { String, Integer, Float, Date, Memo, Unknown };

struct SourceColumn {
    QString name;
    SourceType type = SourceType::String;
    int size = 0;   // strings: the longest value or the declared width
};

QString SourceTypeText(const SourceColumn& column);

// A record the source cannot read: the message names the file and where in
// it ("line 12", "record 12") and why.
class ImportError : public std::runtime_error {
public:
    explicit ImportError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

class ImportSource {
public:
    virtual ~ImportSource() = default;
    virtual QString filePath() const = 0;
    virtual const std::vector<SourceColumn>& columns() const = 0;
    // Before the first record again.
    virtual void rewind() = 0;
    // The next record, one value per column (text sources give strings, typed
    // sources typed values; null for an empty value); false after the last.
    // Throws ImportError for a record that cannot be read.
    virtual bool next(std::vector<Value>& record) = 0;
    // The 1-based line or record number of the record next() returned last,
    // as messages name it.
    virtual int position() const = 0;
    virtual QString positionWord() const { return QStringLiteral("line"); }
    // Every value is a text as the file holds it (CSV): any column may then
    // feed a string field, and the import converts by the field's type.
    virtual bool givesText() const { return false; }
};

// The table sources by the file's kind: ".dbf" a dBase table, ".db" one of
// our own tables (told by its SQLite header) or a Paradox table, ".txt" our
// text table with its ".sch" schema. Throws ImportError naming the file when
// it is missing, of another kind or not readable.
std::unique_ptr<ImportSource> OpenTableSource(const QString& path);

// Whether OpenTableSource reads files with this extension (any case, with or
// without the dot).
bool IsTableSourceExtension(const QString& extension);

} // namespace belvanto
