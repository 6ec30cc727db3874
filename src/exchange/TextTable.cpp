#include "exchange/TextTable.h"

#include "exchange/ExportTable.h"
#include "store/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace belvanto {

namespace {

constexpr int kIntegerWidth = 11;
constexpr int kFloatWidth = 20;
constexpr int kDateWidth = 10;

QString schemaLine(int number, const ExportColumn& column)
{
    QString type;
    int width = 0;
    switch (column.type) {
    case FieldType::String: type = QStringLiteral("CHAR"); width = std::max(column.size, 1); break;
    case FieldType::Integer: type = QStringLiteral("LONGINT"); width = kIntegerWidth; break;
    case FieldType::Float: type = QStringLiteral("FLOAT"); width = kFloatWidth; break;
    case FieldType::Date: type = QStringLiteral("DATE"); width = kDateWidth; break;
    }
    return QStringLiteral("Field%1=%2,%3,%4,00,00").arg(number).arg(column.name, type).arg(width);
}

QString fieldText(const ExportColumn& column, const Value& v)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    if (column.type == FieldType::String) {
        QString text = valueToString(v);
        text.replace(lineBreak, QStringLiteral(" "));
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    if (const auto* d = std::get_if<double>(&v)) return QString::number(*d, 'g', 17);
    return valueToString(v);   // integers as digits, dates as yyyy-MM-dd, empty as nothing
}

} // namespace

TextFileResult ExportTextTable(Session& session, const QString& path)
{
    const ExportTable table = CollectExportTable(session);
    const QFileInfo info(path);
    const QString schemaPath = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                               QStringLiteral(".sch");

    QStringList schema{QLatin1Char('[') + info.completeBaseName() + QLatin1Char(']'),
                       QStringLiteral("Filetype=VARYING"), QStringLiteral("Delimiter=\""),
                       QStringLiteral("Separator=,"), QStringLiteral("CharSet=ascii")};
    for (size_t c = 0; c < table.columns.size(); ++c) schema << schemaLine(int(c) + 1, table.columns[c]);

    QByteArray data;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        QStringList fields;
        for (size_t c = 0; c < table.columns.size(); ++c) fields << fieldText(table.columns[c], table.rows[r][c]);
        const auto line = encodeCp1252(fields.join(QLatin1Char(',')));
        if (!line)
            return ExportFailure(QStringLiteral("Cannot write %1: unit %2 holds a character that Windows-1252 cannot hold")
                               .arg(QDir::toNativeSeparators(path), valueToString(table.rows[r][0])));
        data += *line + "\r\n";
    }
    data += '\r';
    const auto schemaBytes = encodeCp1252(schema.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    if (!schemaBytes)
        return ExportFailure(QStringLiteral("Cannot write %1: the file name holds a character that Windows-1252 "
                                      "cannot hold").arg(QDir::toNativeSeparators(schemaPath)));

    QSaveFile dataFile(path), schemaFile(schemaPath);
    if (!dataFile.open(QIODevice::WriteOnly) || dataFile.write(data) != data.size())
        return ExportFailure(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path)));
    if (!schemaFile.open(QIODevice::WriteOnly) || schemaFile.write(*schemaBytes) != schemaBytes->size())
        return ExportFailure(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(schemaPath)));
    if (!dataFile.commit()) return ExportFailure(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path)));
    if (!schemaFile.commit())
        return ExportFailure(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(schemaPath)));
    return {};
}

} // namespace belvanto
