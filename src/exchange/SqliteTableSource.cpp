#include "exchange/TableSources.h"

namespace belvanto {

std::unique_ptr<ImportSource> OpenSqliteTableSource(const QString& path)
{
    throw ImportError(QStringLiteral("%1: tables of this kind cannot be read yet").arg(path));
}

} // namespace belvanto
