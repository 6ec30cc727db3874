#include "exchange/DbaseSource.h"

#include "core/TextCodec.h"
#include "exchange/DbaseMemo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <shapefil.h>

#include <limits>

namespace belvanto {

namespace {

constexpr int kHeaderSize = 32;
constexpr int kFieldDescriptorSize = 32;
constexpr int kMaxIntegerWidth = 11;

enum class Encoding { Cp1252, Cp850, Utf8 };

struct DbfCloser {
    void operator()(DBFInfo* h) const { if (h) DBFClose(h); }
};

struct RawColumn {
    char nativeType;
    int offset;
    int width;
};

QString fileName(const QString& path) { return QDir::toNativeSeparators(path); }

// The code page a .cpg file beside the table names, or the code page byte's.
Encoding encodingOf(const QString& path, unsigned char ldid)
{
    const QFileInfo info(path);
    for (const char* suffix : {".cpg", ".CPG"}) {
        QFile cpg(info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1String(suffix));
        if (!cpg.open(QIODevice::ReadOnly)) continue;
        const QByteArray name = cpg.read(64).trimmed().toUpper();
        if (name == "UTF-8" || name == "UTF8") return Encoding::Utf8;
        if (name.endsWith("850")) return Encoding::Cp850;
        return Encoding::Cp1252;
    }
    return ldid == 0x02 ? Encoding::Cp850 : Encoding::Cp1252;
}

class DbaseSource final : public ImportSource {
public:
    explicit DbaseSource(const QString& path) : path_(path) { open(); }

    QString filePath() const override { return path_; }
    const std::vector<SourceColumn>& columns() const override { return columns_; }
    void rewind() override { record_ = 0; position_ = 0; }
    int position() const override { return position_; }
    QString positionWord() const override { return QStringLiteral("record"); }

    bool next(std::vector<Value>& record) override
    {
        while (record_ < recordCount_) {
            const int index = record_++;
            position_ = index + 1;
            if (dataStart_ + qint64(index + 1) * recordLength_ > fileSize_)
                throw error(QStringLiteral("the file ends inside the record"));
            const char* tuple = DBFReadTuple(dbf_.get(), index);
            if (!tuple) throw error(QStringLiteral("the record cannot be read"));
            if (tuple[0] == '*') continue;
            record.assign(columns_.size(), Value());
            for (size_t c = 0; c < columns_.size(); ++c)
                record[c] = value(c, QByteArray(tuple + raw_[c].offset, raw_[c].width));
            return true;
        }
        return false;
    }

private:
    ImportError error(const QString& why) const
    {
        if (position_ > 0)
            return ImportError(QStringLiteral("%1, record %2: %3").arg(fileName(path_)).arg(position_).arg(why));
        return ImportError(QStringLiteral("%1: %2").arg(fileName(path_), why));
    }

    QString text(const QByteArray& bytes) const
    {
        switch (encoding_) {
        case Encoding::Utf8: return QString::fromUtf8(bytes);
        case Encoding::Cp850: return decodeCp850(bytes);
        case Encoding::Cp1252: break;
        }
        return decodeCp1252(bytes);
    }

    // The header is checked against the file before shapelib trusts it.
    void open()
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly)) throw error(QStringLiteral("the file cannot be opened"));
        fileSize_ = file.size();
        const QByteArray header = file.read(kHeaderSize);
        const QString notDbase = QStringLiteral("not a dBase table (damaged header)");
        if (header.size() < kHeaderSize) throw error(notDbase);
        const auto* h = reinterpret_cast<const uchar*>(header.constData());
        const quint32 records = qFromLittleEndian<quint32>(h + 4);
        dataStart_ = qFromLittleEndian<quint16>(h + 8);
        recordLength_ = qFromLittleEndian<quint16>(h + 10);
        if (dataStart_ < kHeaderSize + kFieldDescriptorSize + 1 || dataStart_ > fileSize_ || recordLength_ < 1 ||
            records > quint32(std::numeric_limits<int>::max()))
            throw error(notDbase);
        recordCount_ = int(records);
        const unsigned char version = h[0];
        encoding_ = encodingOf(path_, h[29]);
        file.close();

        dbf_.reset(DBFOpen(QFile::encodeName(path_).constData(), "rb"));
        if (!dbf_) throw error(notDbase);
        const int fieldCount = DBFGetFieldCount(dbf_.get());
        if (fieldCount < 1) throw error(notDbase);
        int offset = 1;   // after the deletion mark
        bool hasMemo = false;
        for (int f = 0; f < fieldCount; ++f) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0, decimals = 0;
            DBFGetFieldInfo(dbf_.get(), f, name, &width, &decimals);
            const char type = DBFGetNativeFieldType(dbf_.get(), f);
            if (width < 1 || offset + width > recordLength_) throw error(notDbase);
            raw_.push_back({type, offset, width});
            offset += width;
            SourceColumn column;
            column.name = text(QByteArray(name)).trimmed();
            switch (type) {
            case 'C': column.type = SourceType::String; column.size = width; break;
            case 'N':
            case 'F':
                column.type = decimals == 0 && width <= kMaxIntegerWidth ? SourceType::Integer : SourceType::Float;
                break;
            case 'D': column.type = SourceType::Date; break;
            case 'M': column.type = SourceType::Memo; hasMemo = true; break;
            default: column.type = SourceType::Unknown; break;
            }
            columns_.push_back(column);
        }
        if (hasMemo) {
            const QFileInfo info(path_);
            bool opened = false;
            for (const char* suffix : {".dbt", ".DBT"}) {
                opened = memo_.open(info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                                        QLatin1String(suffix),
                                    (version & 0x0f) == 0x0b);
                if (opened) break;
            }
            if (!opened)
                throw error(QStringLiteral("the memo file %1.dbt is missing").arg(info.completeBaseName()));
        }
    }

    Value value(size_t c, const QByteArray& raw)
    {
        const SourceColumn& column = columns_[c];
        const auto invalid = [&](const char* what, const QByteArray& bytes) {
            return error(QStringLiteral("column %1 holds \"%2\", which is not %3")
                             .arg(column.name, text(bytes), QLatin1String(what)));
        };
        QByteArray bytes = raw;
        while (!bytes.isEmpty() && (bytes.back() == ' ' || bytes.back() == '\0')) bytes.chop(1);
        switch (column.type) {
        case SourceType::String:
        case SourceType::Unknown:
            return bytes.isEmpty() ? Value() : Value(text(bytes));
        case SourceType::Integer:
        case SourceType::Float: {
            bytes = bytes.trimmed();
            // dBase writes an empty number as blanks, shapelib as asterisks.
            if (bytes.isEmpty() || bytes.count('*') == bytes.size()) return {};
            bool ok = false;
            if (column.type == SourceType::Integer) {
                const int v = bytes.toInt(&ok);
                if (!ok) throw invalid("an integer", bytes);
                return qint32(v);
            }
            const double v = bytes.toDouble(&ok);
            if (!ok) throw invalid("a number", bytes);
            return v;
        }
        case SourceType::Date: {
            bytes = bytes.trimmed();
            if (bytes.isEmpty() || bytes == "00000000") return {};
            const QDate date = QDate::fromString(QString::fromLatin1(bytes), QStringLiteral("yyyyMMdd"));
            if (!date.isValid()) throw invalid("a date", bytes);
            return date;
        }
        case SourceType::Memo: {
            qint64 block = 0;
            if (raw.size() == 4) {
                // Later dBase versions keep the block number as binary.
                block = qFromLittleEndian<quint32>(raw.constData());
            } else {
                bytes = bytes.trimmed();
                if (bytes.isEmpty() || bytes.count('0') == bytes.size()) return {};
                bool ok = false;
                block = bytes.toLongLong(&ok);
                if (!ok) throw invalid("a memo block", bytes);
            }
            if (block == 0) return {};
            const auto memo = memo_.read(block);
            if (!memo) throw error(QStringLiteral("column %1 names memo block %2, which the memo file lacks")
                                       .arg(column.name).arg(block));
            return memo->isEmpty() ? Value() : Value(text(*memo));
        }
        }
        return {};
    }

    QString path_;
    std::unique_ptr<DBFInfo, DbfCloser> dbf_;
    std::vector<SourceColumn> columns_;
    std::vector<RawColumn> raw_;
    DbaseMemoReader memo_;
    Encoding encoding_ = Encoding::Cp1252;
    qint64 fileSize_ = 0;
    qint64 dataStart_ = 0;
    int recordLength_ = 0;
    int recordCount_ = 0;
    int record_ = 0;
    int position_ = 0;
};

} // namespace

std::unique_ptr<ImportSource> OpenDbaseSource(const QString& path)
{
    return std::make_unique<DbaseSource>(path);
}

} // namespace belvanto
