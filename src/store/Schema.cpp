#include "store/Schema.h"
#include <QDir>

namespace belvanto {

namespace {

QString typeText(const FieldDef& f)
{
    switch (f.type) {
    case FieldType::String:
        return f.size > 0 ? QStringLiteral("text of %1 characters").arg(f.size) : QStringLiteral("text");
    case FieldType::Integer: return QStringLiteral("integer");
    case FieldType::Float: return QStringLiteral("floating point number");
    case FieldType::Date: return QStringLiteral("date");
    }
    return QString();
}

} // namespace

std::optional<QString> SchemaProblem(const Table& table, const std::vector<FieldDef>& expected, const QString& kind)
{
    const QString head = QStringLiteral("File %1 is not a %2: ").arg(QDir::toNativeSeparators(table.path()), kind);
    const auto& fields = table.fields();
    if (fields.size() != expected.size())
        return head + QStringLiteral("it has %1 fields, %2 expected.").arg(fields.size()).arg(expected.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& has = fields[i];
        const FieldDef& want = expected[i];
        if (has.name.compare(want.name, Qt::CaseInsensitive) != 0)
            return head + QStringLiteral("field %1 is %2, %3 expected.").arg(i + 1).arg(has.name, want.name);
        const bool sameType = has.type == want.type && (want.type != FieldType::String || has.size == want.size);
        if (!sameType)
            return head + QStringLiteral("field %1 is %2, %3 expected.").arg(want.name, typeText(has), typeText(want));
    }
    return std::nullopt;
}

} // namespace belvanto
