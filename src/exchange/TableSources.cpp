#include "exchange/TableSources.h"
#include "exchange/DbaseSource.h"
#include <QFile>
#include <QFileInfo>

namespace belvanto {

namespace {

bool startsWithSqliteHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

QString upperExtension(const QString& extension)
{
    QString e = extension.toUpper();
    if (e.startsWith(QLatin1Char('.'))) e.remove(0, 1);
    return e;
}

} // namespace

bool IsTableSourceExtension(const QString& extension)
{
    const QString e = upperExtension(extension);
    return e == QLatin1String("DBF") || e == QLatin1String("DB") || e == QLatin1String("TXT");
}

std::unique_ptr<ImportSource> OpenTableSource(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw ImportError(QStringLiteral("Illegal import file name or file not found - try again"));
    const QString e = upperExtension(info.suffix());
    if (e == QLatin1String("DBF")) return OpenDbaseSource(path);
    if (e == QLatin1String("TXT")) return OpenTextTableSource(path);
    if (e == QLatin1String("DB"))
        return startsWithSqliteHeader(path) ? OpenSqliteTableSource(path) : OpenParadoxSource(path);
    throw ImportError(QStringLiteral("%1: not a table that can be imported (.dbf, .db or .txt)").arg(path));
}

} // namespace belvanto
