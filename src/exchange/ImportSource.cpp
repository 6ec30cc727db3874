#include "exchange/ImportSource.h"

namespace belvanto {

QString SourceTypeText(const SourceColumn& column)
{
    switch (column.type) {
    case SourceType::String: return QStringLiteral("string(%1)").arg(column.size);
    case SourceType::Integer: return QStringLiteral("integer");
    case SourceType::Float: return QStringLiteral("float");
    case SourceType::Date: return QStringLiteral("date");
    case SourceType::Memo: return QStringLiteral("memo");
    case SourceType::Unknown: return QStringLiteral("unknown");
    }
    return {};
}

} // namespace belvanto
