// Values of the table engine: normalisation on write, conversion on read and
// the mapping between field definitions and declared SQL types.
#include "store/TableInternal.h"
#include <sqlite3.h>
#include <charconv>
#include <cmath>
#include <limits>

namespace belvanto {

bool valueIsEmpty(const Value& v)
{
    if (std::holds_alternative<std::monostate>(v)) return true;
    if (auto s = std::get_if<QString>(&v)) return s->isEmpty();
    if (auto d = std::get_if<QDate>(&v)) return !d->isValid();
    return false;
}

QString valueToString(const Value& v)
{
    if (auto s = std::get_if<QString>(&v)) return *s;
    if (auto n = std::get_if<qint32>(&v)) return QString::number(*n);
    if (auto f = std::get_if<double>(&v)) return detail::formatDouble(*f);
    if (auto d = std::get_if<QDate>(&v)) return d->isValid() ? d->toString(Qt::ISODate) : QString();
    return QString();
}

namespace detail {

QString cutToSize(const QString& s, int size)
{
    if (size <= 0 || s.size() <= size) return s;
    qsizetype i = 0;
    for (int chars = 0; i < s.size() && chars < size; ++chars)
        i += (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ? 2 : 1;
    return s.left(i);
}

QString formatDouble(double v)
{
    // Plain digits in the usual range (3000000000, not 3e+09), exponents only
    // for the very large and the very small; always the shortest text that
    // reads back as the same value.
    char buf[400];
    const double a = std::fabs(v);
    const bool plain = a == 0 || (a >= 1e-4 && a < 1e15);
    auto r = plain ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                   : std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

namespace {

[[noreturn]] void badValue(const FieldDef& f, const QString& text, const char* kind)
{
    throw EngineError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                          .arg(text, QLatin1String(kind), f.name));
}

qint32 checkedInt(const FieldDef& f, double v, const QString& text)
{
    if (!std::isfinite(v)) badValue(f, text, "integer");
    const double r = std::nearbyint(v);
    if (r < double(std::numeric_limits<qint32>::min()) || r > double(std::numeric_limits<qint32>::max()))
        throw EngineError(QStringLiteral("Value %1 is out of range for integer field '%2'").arg(text, f.name));
    return qint32(r);
}

qint32 intFromText(const FieldDef& f, const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok) {
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            throw EngineError(QStringLiteral("Value %1 is out of range for integer field '%2'").arg(t, f.name));
        return qint32(n);
    }
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d) || d != std::trunc(d)) badValue(f, text, "integer");
    return checkedInt(f, d, t);
}

double floatFromText(const FieldDef& f, const QString& text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d)) badValue(f, text, "floating point");
    return d;
}

QDate dateFromText(const FieldDef& f, const QString& text)
{
    const QDate d = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (!d.isValid()) badValue(f, text, "date");
    return d;
}

QDate checkedDate(const FieldDef& f, const QDate& d)
{
    // ISO text keeps its order only for four-digit years.
    if (d.year() < 1 || d.year() > 9999) badValue(f, d.toString(Qt::ISODate), "date");
    return d;
}

} // namespace

Value toFieldValue(const FieldDef& f, const Value& v, bool cut)
{
    if (valueIsEmpty(v)) return std::monostate{};
    switch (f.type) {
    case FieldType::String: {
        QString s = valueToString(v);
        return cut ? cutToSize(s, f.size) : s;
    }
    case FieldType::Integer:
        if (auto n = std::get_if<qint32>(&v)) return *n;
        if (auto d = std::get_if<double>(&v)) return checkedInt(f, *d, formatDouble(*d));
        if (auto s = std::get_if<QString>(&v)) return s->trimmed().isEmpty() ? Value{} : Value{intFromText(f, *s)};
        badValue(f, valueToString(v), "integer");
    case FieldType::Float:
        if (auto n = std::get_if<qint32>(&v)) return double(*n);
        if (auto d = std::get_if<double>(&v)) {
            if (!std::isfinite(*d)) badValue(f, formatDouble(*d), "floating point");
            return *d;
        }
        if (auto s = std::get_if<QString>(&v)) return s->trimmed().isEmpty() ? Value{} : Value{floatFromText(f, *s)};
        badValue(f, valueToString(v), "floating point");
    case FieldType::Date:
        if (auto d = std::get_if<QDate>(&v)) return checkedDate(f, *d);
        if (auto s = std::get_if<QString>(&v)) return s->trimmed().isEmpty() ? Value{} : Value{checkedDate(f, dateFromText(f, *s))};
        badValue(f, valueToString(v), "date");
    }
    return std::monostate{};
}

Value readColumn(const sqlite::Stmt& s, int c, const FieldDef& f)
{
    const int type = s.columnType(c);
    if (type == SQLITE_NULL) return std::monostate{};
    switch (f.type) {
    case FieldType::String: {
        QString t = s.columnText(c);
        if (t.isEmpty()) return std::monostate{};
        return t;
    }
    case FieldType::Integer:
        if (type == SQLITE_INTEGER) {
            const qint64 n = s.columnInt(c);
            if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                throw EngineError(QStringLiteral("Value %1 is out of range for integer field '%2'")
                                      .arg(n).arg(f.name));
            return qint32(n);
        }
        if (type == SQLITE_FLOAT) {
            const double d = s.columnDouble(c);
            if (d != std::trunc(d)) badValue(f, formatDouble(d), "integer");
            return checkedInt(f, d, formatDouble(d));
        }
        return toFieldValue(f, s.columnText(c), false);
    case FieldType::Float:
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return s.columnDouble(c);
        return toFieldValue(f, s.columnText(c), false);
    case FieldType::Date:
        if (type != SQLITE_TEXT) badValue(f, s.columnText(c), "date");
        return toFieldValue(f, s.columnText(c), false);
    }
    return std::monostate{};
}

Value readColumnAsStored(const sqlite::Stmt& s, int c, const FieldDef& f)
{
    try {
        return readColumn(s, c, f);
    } catch (const EngineError&) {
        return s.columnText(c);
    }
}

QString unreadableMessage(const std::vector<FieldDef>& fields, const std::vector<int>& primary,
                          const std::vector<Value>& row, int field, qint64 rowid)
{
    QStringList key;
    for (int c : primary) key << valueToString(row[std::size_t(c)]);
    const QString record = key.isEmpty() ? QStringLiteral("Record number %1").arg(rowid)
                                         : QStringLiteral("Record ") + key.join(QLatin1Char(':'));
    const FieldDef& f = fields[std::size_t(field)];
    const QString text = valueToString(row[std::size_t(field)]);
    QString why = QStringLiteral("'%1' cannot be read as a value of field '%2'").arg(text, f.name);
    try {
        toFieldValue(f, text, false);
    } catch (const EngineError& e) {
        why = e.text();
    }
    return record + QStringLiteral(": ") + why;
}

QString declaredType(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::String:
        return f.size > 0 ? QStringLiteral("VARCHAR(%1)").arg(f.size) : QStringLiteral("TEXT");
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Float:
        return QStringLiteral("DOUBLE");
    case FieldType::Date:
        return QStringLiteral("DATE");
    }
    return QString();
}

void applyDeclaredType(FieldDef& f, const QString& declared)
{
    const QString t = declared.trimmed().toUpper();
    f.size = 0;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB"))) {
        f.type = FieldType::String;
        const qsizetype open = t.indexOf(QLatin1Char('('));
        const qsizetype close = t.indexOf(QLatin1Char(')'), open + 1);
        if (open >= 0 && close > open) f.size = t.mid(open + 1, close - open - 1).trimmed().toInt();
    } else if (t.startsWith(QLatin1String("DATE"))) {
        f.type = FieldType::Date;
    } else if (t.contains(QLatin1String("INT"))) {
        f.type = FieldType::Integer;
    } else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA"))
               || t.contains(QLatin1String("DOUB")) || t.contains(QLatin1String("NUM"))
               || t.contains(QLatin1String("DEC"))) {
        f.type = FieldType::Float;
    } else {
        f.type = FieldType::String;
    }
}

int findField(const std::vector<FieldDef>& fields, QStringView name)
{
    const QStringView n = name.trimmed();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (QStringView(fields[i].name).compare(n, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

} // namespace detail
} // namespace belvanto
