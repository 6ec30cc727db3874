#include "exchange/TableSources.h"

#include "core/Format.h"
#include "core/TextFile.h"
#include "exchange/Csv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

namespace belvanto {

namespace {

// A schema is a few dozen short lines; anything far longer is no schema.
constexpr qint64 kMaxSchemaBytes = 1 << 20;
constexpr qsizetype kQuotedValueMax = 100;

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString quoted(const QString& value)
{
    return value.size() <= kQuotedValueMax ? value : value.left(kQuotedValueMax) + QStringLiteral("...");
}

struct TableSchema {
    std::vector<SourceColumn> columns;
    std::vector<FieldType> types;
    CsvOptions options;
};

// The schema "x.sch" beside "x.txt": a section line, Key=Value lines
// (Filetype, Delimiter, Separator, CharSet) and FieldN=name,type,width,...
// lines numbered from 1. Delimiter and separator values are taken as they
// stand, blanks and tabs included.
class SchemaReader {
public:
    SchemaReader(const QString& dataPath, const QString& schemaPath) : dataPath_(dataPath), path_(schemaPath) {}

    TableSchema read()
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly))
            throw ImportError(QStringLiteral("%1: its schema %2 cannot be read: %3")
                                  .arg(shown(dataPath_), shown(path_), file.errorString()));
        if (file.size() > kMaxSchemaBytes)
            throw ImportError(QStringLiteral("%1: the schema is longer than %2 bytes.").arg(shown(path_)).arg(kMaxSchemaBytes));
        const QByteArray bytes = file.readAll();
        if (bytes.contains('\0')) throw ImportError(QStringLiteral("%1: a zero byte; this is no schema.").arg(shown(path_)));

        TableSchema schema;
        schema.options.setDelimited(CsvDelimited::TextFieldsOnly, QStringLiteral("\""));
        schema.options.Separator = QStringLiteral(",");
        schema.options.DoubledDelimiters = true;
        std::map<int, std::pair<SourceColumn, FieldType>> fields;
        const QStringList lines = splitTextLines(bytes);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            line_ = int(i) + 1;
            QString line = lines[i];
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('['))) continue;
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0) fail(QStringLiteral("\"%1\" is no Key=Value line.").arg(quoted(line)));
            const QString key = line.left(eq).trimmed();
            const QString value = line.mid(eq + 1);
            if (key.compare(u"Filetype", Qt::CaseInsensitive) == 0) {
                if (value.trimmed().compare(u"VARYING", Qt::CaseInsensitive) != 0)
                    fail(QStringLiteral("only VARYING text tables can be read, not %1.").arg(quoted(value.trimmed())));
            } else if (key.compare(u"Delimiter", Qt::CaseInsensitive) == 0) {
                if (value.size() > 1) fail(QStringLiteral("the delimiter must be one character or none."));
                schema.options.setDelimited(value.isEmpty() ? CsvDelimited::Nothing : CsvDelimited::TextFieldsOnly, value);
            } else if (key.compare(u"Separator", Qt::CaseInsensitive) == 0) {
                if (value.size() != 1) fail(QStringLiteral("the separator must be one character."));
                schema.options.Separator = value;
            } else if (key.compare(u"CharSet", Qt::CaseInsensitive) == 0) {
                const QString set = value.trimmed().toLower();
                if (set == QLatin1String("oem")) schema.options.Oem = true;
                else if (set == QLatin1String("ascii") || set == QLatin1String("ansi")) schema.options.Oem = false;
                else fail(QStringLiteral("unknown character set %1.").arg(quoted(value.trimmed())));
            } else if (key.startsWith(u"Field", Qt::CaseInsensitive)) {
                const auto number = parseInt32(QStringView(key).sliced(5));
                if (!number || *number < 1) fail(QStringLiteral("%1 is no column number.").arg(quoted(key)));
                if (fields.count(*number)) fail(QStringLiteral("Field%1 is given twice.").arg(*number));
                fields.emplace(*number, column(value));
            }
        }
        if (fields.empty()) throw ImportError(QStringLiteral("%1: the schema names no columns.").arg(shown(path_)));
        int expected = 1;
        for (const auto& [number, field] : fields) {
            if (number != expected)
                throw ImportError(QStringLiteral("%1: Field%2 is missing.").arg(shown(path_)).arg(expected));
            schema.columns.push_back(field.first);
            schema.types.push_back(field.second);
            ++expected;
        }
        return schema;
    }

private:
    [[noreturn]] void fail(const QString& reason) const
    {
        throw ImportError(QStringLiteral("%1, line %2: %3").arg(shown(path_)).arg(line_).arg(reason));
    }

    // name,type,width[,decimals,...]
    std::pair<SourceColumn, FieldType> column(const QString& value) const
    {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() < 3) fail(QStringLiteral("a column is name,type,width,decimals."));
        SourceColumn c;
        c.name = parts[0].trimmed();
        if (c.name.isEmpty()) fail(QStringLiteral("the column has no name."));
        const QString type = parts[1].trimmed().toUpper();
        const auto width = parseInt32(parts[2]);
        if (!width || *width < 0) fail(QStringLiteral("the width %1 is no number.").arg(quoted(parts[2])));
        if (type == QLatin1String("CHAR")) {
            if (*width < 1) fail(QStringLiteral("a CHAR column needs a width."));
            c.type = SourceType::String;
            c.size = *width;
            return {c, FieldType::String};
        }
        if (type == QLatin1String("LONGINT")) {
            c.type = SourceType::Integer;
            return {c, FieldType::Integer};
        }
        if (type == QLatin1String("FLOAT")) {
            c.type = SourceType::Float;
            return {c, FieldType::Float};
        }
        if (type == QLatin1String("DATE")) {
            c.type = SourceType::Date;
            return {c, FieldType::Date};
        }
        fail(QStringLiteral("unknown column type %1 (CHAR, LONGINT, FLOAT or DATE).").arg(quoted(parts[1].trimmed())));
    }

    QString dataPath_;
    QString path_;
    int line_ = 0;
};

// The records of the text table, typed by the schema's columns.
class TextTableSource final : public ImportSource {
public:
    TextTableSource(const QString& path, TableSchema schema)
        : path_(path), schema_(std::move(schema)), reader_(path, schema_.options)
    {
    }

    QString filePath() const override { return path_; }
    const std::vector<SourceColumn>& columns() const override { return schema_.columns; }
    void rewind() override { reader_.rewind(); }
    int position() const override { return reader_.position(); }

    bool next(std::vector<Value>& record) override
    {
        QStringList fields;
        if (!reader_.nextFields(fields)) return false;
        const auto& columns = schema_.columns;
        if (fields.size() != qsizetype(columns.size()))
            throw ImportError(reader_.countError(qsizetype(columns.size()), fields.size()));
        record.assign(columns.size(), Value());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const QString& text = fields[qsizetype(c)];
            if (text.isEmpty()) continue;
            record[c] = value(columns[c], schema_.types[c], text);
        }
        return true;
    }

private:
    Value value(const SourceColumn& column, FieldType type, const QString& text) const
    {
        const auto invalid = [&](const char* what) {
            return ImportError(reader_.lineError(QStringLiteral("column %1 holds \"%2\", which is not %3.")
                                                     .arg(column.name, quoted(text), QLatin1String(what))));
        };
        switch (type) {
        case FieldType::String:
            if (text.size() > column.size)
                throw ImportError(reader_.lineError(QStringLiteral("column %1 holds %2 characters, more than its width %3.")
                                                        .arg(column.name)
                                                        .arg(text.size())
                                                        .arg(column.size)));
            return text;
        case FieldType::Integer:
            if (const auto i = parseInt32(text)) return *i;
            throw invalid("an integer number");
        case FieldType::Float:
            if (const auto d = parseDouble(text)) return *d;
            throw invalid("a number");
        case FieldType::Date: {
            const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
            if (date.isValid()) return date;
            throw invalid("a date (yyyy-mm-dd)");
        }
        }
        return {};
    }

    QString path_;
    TableSchema schema_;
    CsvRecordReader reader_;
};

} // namespace

std::unique_ptr<ImportSource> OpenTextTableSource(const QString& path)
{
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QString schemaPath = base + QStringLiteral(".sch");
    if (!QFileInfo::exists(schemaPath) && QFileInfo::exists(base + QStringLiteral(".SCH")))
        schemaPath = base + QStringLiteral(".SCH");
    TableSchema schema = SchemaReader(path, schemaPath).read();
    return std::make_unique<TextTableSource>(path, std::move(schema));
}

} // namespace belvanto
