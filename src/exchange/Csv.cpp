#include "exchange/Csv.h"

#include "core/Format.h"
#include "core/Regional.h"
#include "core/TextFile.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"

#include <QFileInfo>
#include <array>
#include <map>

namespace belvanto {

void CsvOptions::setDelimited(CsvDelimited choice, const QString& delimiter)
{
    TextDelimiter = choice == CsvDelimited::Nothing ? QString() : delimiter;
    AllFieldsDelimiter = choice == CsvDelimited::AllFields ? delimiter : QString();
}

CsvLine ParseCsvLine(QStringView line, const CsvOptions& options)
{
    CsvLine result;
    const QString& delimiter = options.TextDelimiter;
    const QChar separator = options.Separator.isEmpty() ? QChar() : options.Separator.front();
    // An empty text delimiter would make rule 5 refuse every field: "All
    // fields" only means something with a delimiter.
    const bool allDelimited = !delimiter.isEmpty() && options.AllFieldsDelimiter == delimiter;
    const bool doubled = options.DoubledDelimiters && delimiter.size() == 1;
    QString field;
    // Whether the field is complete; strips its delimiters when it was delimited.
    auto complete = [&](QString& f) {
        if (delimiter.isEmpty() || f.isEmpty()) return true;
        if (!f.startsWith(delimiter)) {
            if (allDelimited && result.error.isEmpty())
                result.error = QStringLiteral("Field delimited by ") + delimiter + QStringLiteral(" expected.");
            return true;
        }
        if (f.size() < 2 * delimiter.size() || !f.endsWith(delimiter)) return false;
        if (doubled) {
            // The closing delimiter is the last of an odd run: in an even
            // one the last two are a delimiter of the value.
            qsizetype run = 0;
            for (qsizetype i = f.size() - 1; i > 0 && f[i] == delimiter.front(); --i) ++run;
            if (run % 2 == 0) return false;
            f = f.mid(1, f.size() - 2).replace(delimiter + delimiter, delimiter);
            return true;
        }
        f = f.mid(delimiter.size(), f.size() - 2 * delimiter.size());
        return true;
    };
    for (const QChar c : line) {
        if (c == separator && !separator.isNull()) {
            QString candidate = field;
            if (complete(candidate)) {
                result.fields.append(candidate);
                field.clear();
                continue;
            }
        }
        field += c;
    }
    if (complete(field)) result.fields.append(field);
    else result.open = true;
    return result;
}

QString CsvField(const QString& value, const QString& delimiter)
{
    QString text = value;
    if (delimiter.isEmpty()) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text;
    }
    // Every break as CR LF, the way the reader joins the lines again.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return delimiter + text + delimiter;
}

namespace {

constexpr int kFirstExportField = uf::Unitclass;
constexpr int kLastExportField = uf::FindCat;

} // namespace

bool ExportCsv(Session& session, const QString& path, const CsvOptions& options)
{
    UserInterface& ui = session.ui();
    const Regional& regional = session.regional();
    const UnitFieldCatalogue& catalogue = session.catalogue();
    const bool single = session.project().SingleExcavation;
    Table& units = session.units();
    Table& relations = session.relations();

    const auto& categories = RelationCategories();
    auto categoryIndex = [&](QChar code) {
        for (std::size_t i = 0; i < categories.size(); ++i)
            if (categories[i].code == code) return int(i);
        return -1;
    };
    // The lists of every unit, from one pass over the relationship table in key order.
    std::map<UnitKey, std::array<QStringList, 5>> lists;
    std::array<bool, 5> categoryUsed{};
    const int ex1 = relations.fieldIndexOrThrow(u"Excavation1"), un1 = relations.fieldIndexOrThrow(u"Unitname1");
    const int ex2 = relations.fieldIndexOrThrow(u"Excavation2"), un2 = relations.fieldIndexOrThrow(u"Unitname2");
    const int cat = relations.fieldIndexOrThrow(u"RelationCat");
    relations.scan(QString(), {}, kRelationKeyOrder, [&](Table::Row& row) {
        const QString code = textAt(row, cat);
        const int c = code.size() == 1 ? categoryIndex(code.front()) : -1;
        if (c < 0) return;
        lists[UnitKey{textAt(row, ex1), textAt(row, un1)}][std::size_t(c)].append(
            UnitLabel(textAt(row, ex2), textAt(row, un2), single));
        categoryUsed[std::size_t(c)] = true;
    });

    std::vector<Table::Row> rows = units.query(QString(), {}, kUnitKeyOrder);
    std::vector<int> used;
    for (int f = kFirstExportField; f <= kLastExportField; ++f) {
        for (const auto& row : rows)
            if (!valueIsEmpty(row.values[std::size_t(f)])) {
                used.push_back(f);
                break;
            }
    }

    const QString& sep = options.Separator;
    QStringList lines;
    lines.reserve(qsizetype(rows.size()) + 1);
    if (options.FirstRowNames) {
        QStringList names{single ? catalogue[uf::Unitname].Name : QStringLiteral("Excavation_Unitname")};
        for (int f : used) names.append(catalogue[f].Name);
        for (std::size_t c = 0; c < categories.size(); ++c)
            if (categoryUsed[c]) names.append(categories[c].explanation);
        lines.append(names.join(sep));
    }
    for (const auto& row : rows) {
        const QString excavation = valueToString(row.values[uf::Excavation]);
        const QString name = valueToString(row.values[uf::Unitname]);
        QString line = CsvField(single ? name : excavation + QLatin1Char(':') + name, options.TextDelimiter);
        for (int f : used) {
            line += sep;
            const Value& v = row.values[std::size_t(f)];
            if (catalogue[f].Type == FieldType::String) {
                line += CsvField(valueToString(v), options.TextDelimiter);
                continue;
            }
            QString text;
            if (const auto* i = std::get_if<qint32>(&v)) text = QString::number(*i);
            else if (const auto* d = std::get_if<double>(&v)) text = regional.formatFloat(*d);
            else if (const auto* date = std::get_if<QDate>(&v)) text = regional.formatDate(*date);
            line += CsvField(text, options.AllFieldsDelimiter);
        }
        const auto found = lists.find(UnitKey{excavation, name});
        for (std::size_t c = 0; c < categories.size(); ++c) {
            if (!categoryUsed[c]) continue;
            line += sep;
            line += CsvField(found == lists.end() ? QString() : found->second[c].join(QStringLiteral(", ")),
                             options.TextDelimiter);
        }
        lines.append(line);
    }
    const TextFileResult written = writeTextLines(path, lines, options.codePage());
    if (!written) {
        ui.message(MessageKind::Error, written.error, Buttons::Ok);
        return false;
    }
    return true;
}

// --- reading ------------------------------------------------------------------

namespace {

constexpr qint64 kChunkBytes = 1 << 16;

enum class Kind { None, Integer, Float, Date, String };

Kind kindOf(const QString& value, const Regional& regional)
{
    if (regional.parseDate(value)) return Kind::Date;
    if (parseInt32(value.trimmed())) return Kind::Integer;
    if (regional.parseFloat(value)) return Kind::Float;
    return Kind::String;
}

// Integers and floats meet in float; a date or a text with anything else is text.
Kind widen(Kind current, Kind value)
{
    if (current == Kind::None || current == value) return value;
    const bool numbers = (current == Kind::Integer || current == Kind::Float)
                         && (value == Kind::Integer || value == Kind::Float);
    return numbers ? Kind::Float : Kind::String;
}

SourceType typeOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer: return SourceType::Integer;
    case Kind::Float: return SourceType::Float;
    case Kind::Date: return SourceType::Date;
    default: return SourceType::String;
    }
}

} // namespace

CsvRecordReader::CsvRecordReader(const QString& path, const CsvOptions& options)
    : path_(path), options_(options), file_(path)
{
    if (options_.Separator.size() != 1)
        throw ImportError(QStringLiteral("The field separator of %1 must be one character.").arg(path_));
    if (!file_.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Cannot read %1: %2").arg(path_, file_.errorString()));
}

QString CsvRecordReader::lineError(const QString& reason) const
{
    return QStringLiteral("%1, line %2: %3").arg(path_).arg(recordLine_).arg(reason);
}

QString CsvRecordReader::countError(qsizetype expected, qsizetype found) const
{
    return QStringLiteral("%1: %2 fields expected, but %3 fields in line %4").arg(path_).arg(expected).arg(found).arg(recordLine_);
}

void CsvRecordReader::rewind()
{
    if (!file_.seek(0)) throw ImportError(QStringLiteral("Cannot read %1: %2").arg(path_, file_.errorString()));
    buffer_.clear();
    bufferPos_ = 0;
    atEnd_ = false;
    physicalLine_ = 0;
    recordLine_ = 0;
}

std::optional<QByteArray> CsvRecordReader::readPhysicalLine()
{
    QByteArray line;
    for (;;) {
        if (bufferPos_ >= buffer_.size()) {
            if (atEnd_) break;
            buffer_ = file_.read(kChunkBytes);
            bufferPos_ = 0;
            if (buffer_.isEmpty()) {
                atEnd_ = true;
                if (file_.error() != QFileDevice::NoError)
                    throw ImportError(QStringLiteral("Cannot read %1: %2").arg(path_, file_.errorString()));
                break;
            }
        }
        const qsizetype lf = buffer_.indexOf('\n', bufferPos_);
        const qsizetype end = lf < 0 ? buffer_.size() : lf;
        line.append(buffer_.constData() + bufferPos_, end - bufferPos_);
        bufferPos_ = lf < 0 ? buffer_.size() : lf + 1;
        if (line.size() > kMaxCsvRecordBytes) {
            recordLine_ = physicalLine_ + 1;
            throw ImportError(lineError(QStringLiteral("the line is longer than %1 characters.").arg(kMaxCsvRecordBytes)));
        }
        if (lf >= 0) {
            ++physicalLine_;
            if (line.endsWith('\r')) line.chop(1);
            return line;
        }
    }
    if (line.isEmpty()) return std::nullopt;
    ++physicalLine_;
    if (line.endsWith('\r')) line.chop(1);
    return line;
}

bool CsvRecordReader::nextFields(QStringList& fields)
{
    std::optional<QByteArray> bytes;
    // Empty lines hold no record.
    do {
        bytes = readPhysicalLine();
        if (!bytes) return false;
    } while (bytes->isEmpty());
    recordLine_ = physicalLine_;
    QByteArray record = *bytes;
    for (;;) {
        if (record.contains('\0'))
            throw ImportError(lineError(QStringLiteral("a zero byte; this is no text file.")));
        const CsvLine parsed = ParseCsvLine(decode(options_.codePage(), record), options_);
        if (!parsed.open) {
            if (!parsed.error.isEmpty()) throw ImportError(lineError(parsed.error));
            fields = parsed.fields;
            return true;
        }
        // A delimited field holds a line break: the record goes on in the next line.
        const auto more = readPhysicalLine();
        if (!more)
            throw ImportError(lineError(QStringLiteral("the field delimited by %1 is not closed before the end of the file.")
                                            .arg(options_.TextDelimiter)));
        record += "\r\n";
        record += *more;
        if (record.size() > kMaxCsvRecordBytes)
            throw ImportError(lineError(QStringLiteral("the record is longer than %1 characters.").arg(kMaxCsvRecordBytes)));
    }
}

CsvSource::CsvSource(const QString& path, const CsvOptions& options, const Regional& regional)
    : path_(path), options_(options), reader_(path, options)
{
    analyse(regional);
    rewind();
}

CsvSource::~CsvSource() = default;

void CsvSource::rewind()
{
    reader_.rewind();
    if (options_.FirstRowNames) {
        QStringList names;
        nextFields(names);
    }
}

void CsvSource::analyse(const Regional& regional)
{
    reader_.rewind();
    QStringList first;
    if (!nextFields(first)) throw ImportError(QStringLiteral("%1 is empty. No data imported.").arg(path_));
    const qsizetype n = first.size();
    columns_.resize(std::size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        const QString name = options_.FirstRowNames ? first[i].trimmed() : QString();
        columns_[std::size_t(i)].name = name.isEmpty() ? QStringLiteral("FIELD%1").arg(i + 1) : name;
    }
    std::vector<Kind> kinds(std::size_t(n), Kind::None);
    QStringList fields = first;
    bool have = !options_.FirstRowNames;
    if (!have) have = nextFields(fields);
    while (have) {
        if (fields.size() != n)
            throw ImportError(reader_.countError(n, fields.size()));
        for (qsizetype i = 0; i < n; ++i) {
            SourceColumn& column = columns_[std::size_t(i)];
            const QString& value = fields[i];
            column.size = std::max(column.size, int(value.size()));
            Kind& kind = kinds[std::size_t(i)];
            if (kind != Kind::String && !value.isEmpty()) kind = widen(kind, kindOf(value, regional));
        }
        have = nextFields(fields);
    }
    for (std::size_t i = 0; i < kinds.size(); ++i) columns_[i].type = typeOf(kinds[i]);
}

bool CsvSource::next(std::vector<Value>& record)
{
    QStringList fields;
    if (!nextFields(fields)) return false;
    if (fields.size() != qsizetype(columns_.size()))
        throw ImportError(reader_.countError(qsizetype(columns_.size()), fields.size()));
    record.assign(columns_.size(), Value());
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (!fields[i].isEmpty()) record[std::size_t(i)] = fields[i];
    return true;
}

std::unique_ptr<CsvSource> ReadCsvHeader(UserInterface& ui, const QString& path, const CsvOptions& options,
                                         const Regional& regional)
{
    try {
        return std::make_unique<CsvSource>(path, options, regional);
    } catch (const ImportError& e) {
        ui.message(MessageKind::Error, e.text(), Buttons::Ok);
        return nullptr;
    }
}

} // namespace belvanto
