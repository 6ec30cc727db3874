#include "exchange/Dbase.h"

#include "exchange/DbaseMemo.h"
#include "exchange/ExportTable.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <shapefil.h>

#include <cstdio>
#include <memory>

namespace belvanto {

namespace {

struct NamePair {
    const char* longName;
    const char* shortName;
};
constexpr NamePair kShortNames[] = {
    {"Excavation_Unitname", "EXC_UNIT"}, {"ExcavationMethod", "EXCMETHOD"},
    {"ExcavationDate", "EXCDATE"},       {"Interpretation", "INTERPRET"},
    {"Description", "DESCRIPT"},         {"Later than", "LATER"},
    {"Earlier than", "EARLIER"},         {"Equal to", "EQUAL"},
    {"Contemporary with", "CONTEMP"},    {"Part of", "PART_OF"},
};

constexpr int kIntegerWidth = 11;
constexpr int kFloatWidth = 20;
constexpr int kFloatDecimals = 8;
constexpr int kDateWidth = 8;
constexpr int kMemoWidth = 10;
constexpr unsigned char kDbase3WithMemo = 0x83;

struct DbfCloser {
    void operator()(DBFInfo* h) const { if (h) DBFClose(h); }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

// Where each column goes in the file.
struct DbaseColumn {
    char type;      // 'C', 'N', 'D', 'M'
    int width;
    int decimals;
};

DbaseColumn dbaseColumn(const ExportColumn& column)
{
    switch (column.type) {
    case FieldType::Integer: return {'N', kIntegerWidth, 0};
    case FieldType::Float: return {'N', kFloatWidth, kFloatDecimals};
    case FieldType::Date: return {'D', kDateWidth, 0};
    case FieldType::String: break;
    }
    const bool memo = column.isList() ? column.size >= 255 : column.size > kDbaseMaxCharWidth;
    if (memo) return {'M', kMemoWidth, 0};
    return {'C', std::max(column.size, 1), 0};
}

QByteArray rightAligned(const QByteArray& text, int width)
{
    return QByteArray(std::max<qsizetype>(0, width - text.size()), ' ') + text;
}

// The float's text with as many of the column's decimals as its width
// holds; empty when not even the integer part fits.
QByteArray floatText(double v)
{
    for (int decimals = kFloatDecimals; decimals >= 0; --decimals) {
        const QByteArray text = QByteArray::number(v, 'f', decimals);
        if (text.size() <= kFloatWidth) return text;
    }
    return {};
}

QString tempName(const QString& path, const char* suffix)
{
    QTemporaryFile reserve(QFileInfo(path).absolutePath() + QStringLiteral("/.dbase-XXXXXX.") +
                           QLatin1String(suffix));
    reserve.setAutoRemove(false);
    if (!reserve.open()) return {};
    return reserve.fileName();
}

// Removes the temporary files unless they were renamed into place.
struct TempFiles {
    QString dbf, dbt;
    ~TempFiles()
    {
        if (!dbf.isEmpty()) QFile::remove(dbf);
        if (!dbt.isEmpty()) QFile::remove(dbt);
    }
};

bool replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

QString DbaseFieldName(const QString& longName)
{
    for (const NamePair& pair : kShortNames)
        if (longName == QLatin1String(pair.longName)) return QLatin1String(pair.shortName);
    QString name = longName.left(kDbaseNameLength);
    for (QChar& c : name)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_')))) c = QLatin1Char('_');
    return name;
}

QString DbaseLongFieldName(const QString& shortName)
{
    // Readers change the letter case of names (python3-dbf writes them in
    // upper case), so every name the export writes is recognised in any case.
    static const QStringList exportNames = [] {
        const UnitFieldCatalogue catalogue;
        QStringList names{QStringLiteral("Excavation_Unitname")};
        for (int f = 0; f < kOptionFieldCount; ++f) names << catalogue[f].Name;
        for (const RelationCategory& c : RelationCategories()) names << c.explanation;
        return names;
    }();
    for (const QString& name : exportNames)
        if (DbaseFieldName(name).compare(shortName, Qt::CaseInsensitive) == 0) return name;
    return shortName;
}

TextFileResult ExportDbase(Session& session, const QString& path)
{
    const ExportTable table = CollectExportTable(session);
    std::vector<DbaseColumn> layout;
    bool hasMemo = false;
    for (const ExportColumn& column : table.columns) {
        layout.push_back(dbaseColumn(column));
        hasMemo = hasMemo || layout.back().type == 'M';
    }

    const QString cannotWrite = QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path));
    TempFiles temp;
    temp.dbf = tempName(path, "dbf");
    if (temp.dbf.isEmpty()) return ExportFailure(cannotWrite);
    // The memo file is the table's name with .dbt: readers find it there.
    const QString tempDbt = temp.dbf.left(temp.dbf.size() - 3) + QStringLiteral("dbt");
    DbaseMemoWriter memo;
    if (hasMemo) {
        temp.dbt = tempDbt;
        if (!memo.open(temp.dbt)) return ExportFailure(cannotWrite);
    }

    DbfPtr dbf(DBFCreateEx(QFile::encodeName(temp.dbf).constData(), "LDID/87"));
    if (!dbf) return ExportFailure(cannotWrite);
    for (size_t c = 0; c < table.columns.size(); ++c) {
        const QByteArray name = DbaseFieldName(table.columns[c].name).toLatin1();
        if (DBFAddNativeFieldType(dbf.get(), name.constData(), layout[c].type, layout[c].width,
                                  layout[c].decimals) < 0)
            return ExportFailure(cannotWrite);
    }

    for (size_t r = 0; r < table.rows.size(); ++r) {
        const int record = int(r);
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Value& v = table.rows[r][c];
            const DbaseColumn& col = layout[c];
            QByteArray bytes;
            if (const auto* s = std::get_if<QString>(&v)) {
                const auto encoded = encodeCp1252(*s);
                if (!encoded)
                    return ExportFailure(QStringLiteral("%1: unit %2, column %3 holds a character that "
                                                  "Windows-1252 cannot hold")
                                       .arg(cannotWrite, valueToString(table.rows[r][0]), table.columns[c].name));
                if (col.type == 'M') {
                    const qint64 block = memo.write(*encoded);
                    if (block < 0) return ExportFailure(cannotWrite);
                    bytes = rightAligned(QByteArray::number(block), col.width);
                } else {
                    bytes = *encoded;
                }
            } else if (const auto* i = std::get_if<qint32>(&v)) {
                bytes = rightAligned(QByteArray::number(*i), col.width);
            } else if (const auto* d = std::get_if<double>(&v)) {
                bytes = floatText(*d);
                if (bytes.isEmpty())
                    return ExportFailure(QStringLiteral("%1: unit %2, column %3: the number %4 is too large")
                                       .arg(cannotWrite, valueToString(table.rows[r][0]), table.columns[c].name,
                                            QString::number(*d)));
                bytes = rightAligned(bytes, col.width);
            } else if (const auto* date = std::get_if<QDate>(&v)) {
                bytes = date->toString(QStringLiteral("yyyyMMdd")).toLatin1();
            }
            // An empty value: blanks, which every reader takes for null.
            if (!DBFWriteAttributeDirectly(dbf.get(), record, int(c), bytes.data()))
                return ExportFailure(cannotWrite);
        }
    }
    // A project without units still gets its columns on disk.
    DBFUpdateHeader(dbf.get());
    dbf.reset();
    if (hasMemo) {
        if (!memo.close()) return ExportFailure(cannotWrite);
        QFile file(temp.dbf);
        const char flag = char(kDbase3WithMemo);
        if (!file.open(QIODevice::ReadWrite) || file.write(&flag, 1) != 1) return ExportFailure(cannotWrite);
    }

    const QFileInfo target(path);
    const QString finalDbt = target.absolutePath() + QLatin1Char('/') + target.completeBaseName() +
                             QStringLiteral(".dbt");
    if (hasMemo) {
        if (!replaceFile(temp.dbt, finalDbt)) return ExportFailure(cannotWrite);
        temp.dbt.clear();
    } else {
        // An older export's memo file would be taken for this table's.
        QFile::remove(finalDbt);
    }
    if (!replaceFile(temp.dbf, path)) return ExportFailure(cannotWrite);
    temp.dbf.clear();
    return {};
}

} // namespace belvanto
