// A Paradox table (.db, with its .mb memo file) as an import source, read
// with pxlib. Column types: alpha string(size); short, long and
// auto-increment integer; number and currency float; date date; memo and
// formatted memo memo; logical, time, timestamp, BCD and bytes unknown with
// their values as text; binary and graphic blobs unknown and empty. Texts
// are in the table's code page: 850 or 437 read as code page 850, every
// other as Windows-1252.
//
// pxlib trusts the file: it reads past the end of a short file without
// noticing and frees nothing on several of its error paths. So the header
// is checked here before pxlib sees it, every record is checked to lie
// inside the file, all memory pxlib takes comes from an allocator that
// hands back whatever pxlib leaves behind when the table closes, and the
// memo file is read here (see memo()).
#include "exchange/TableSources.h"

#include "exchange/RecordError.h"

#include "core/TextCodec.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>
// pxlib's header declares C functions without saying so.
#include <cstdio>
#include <iconv.h>
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

namespace belvanto {

namespace {

constexpr int kHeaderSize = 0x58;
constexpr int kDataHeaderEnd = 0x78;
constexpr int kMaxFields = 255;
// Day 1 of Paradox dates is 1 January of the year 1.
constexpr qint64 kJulianDayOfDayZero = 1721425;

// What pxlib allocates for one table, and the last complaint of its error
// handler.
struct PxlibState {
    std::unordered_set<void*> blocks;
    QString lastError;
    // No single allocation may be larger: the files give sizes that pxlib
    // allocates unchecked.
    size_t largest = 0;
};

thread_local PxlibState* creating = nullptr;

PxlibState* stateOf(pxdoc_t* p)
{
    return p ? static_cast<PxlibState*>(p->errorhandler_user_data) : creating;
}

void* pxAlloc(pxdoc_t* p, size_t size, const char*)
{
    PxlibState* state = stateOf(p);
    if (!state || size > state->largest) return nullptr;
    void* block = std::calloc(1, size ? size : 1);
    if (block) state->blocks.insert(block);
    return block;
}

void* pxRealloc(pxdoc_t* p, void* mem, size_t size, const char*)
{
    PxlibState* state = stateOf(p);
    if (!state || size > state->largest) return nullptr;
    void* block = std::realloc(mem, size ? size : 1);
    if (block) {
        state->blocks.erase(mem);
        state->blocks.insert(block);
    }
    return block;
}

void pxFree(pxdoc_t* p, void* mem)
{
    if (!mem) return;
    if (PxlibState* state = stateOf(p)) state->blocks.erase(mem);
    std::free(mem);
}

// pxlib's own handler prints to stderr; the message goes into the error the
// caller throws instead.
void pxError(pxdoc_t*, int, const char* message, void* data)
{
    if (auto* state = static_cast<PxlibState*>(data)) state->lastError = QString::fromLocal8Bit(message);
}

struct RawField {
    int type;
    int offset;
    int length;
    int decimals;   // BCD only
};

class ParadoxSource final : public ImportSource {
public:
    explicit ParadoxSource(const QString& path) : path_(path)
    {
        try {
            open();
        } catch (...) {
            close();
            throw;
        }
    }
    ~ParadoxSource() override { close(); }
    ParadoxSource(const ParadoxSource&) = delete;
    ParadoxSource& operator=(const ParadoxSource&) = delete;

    QString filePath() const override { return path_; }
    const std::vector<SourceColumn>& columns() const override { return columns_; }
    void rewind() override { position_ = 0; }
    int position() const override { return position_; }
    QString positionWord() const override { return QStringLiteral("record"); }

    bool next(std::vector<Value>& record) override
    {
        if (position_ >= recordCount_) return false;
        const int index = position_++;
        pxdatablockinfo_t where{};
        int deleted = 0;
        state_.lastError.clear();
        if (!PX_get_record2(doc_, index, buffer_.data(), &deleted, &where))
            throw error(QStringLiteral("the record cannot be read") + pxlibSays());
        if (where.recordpos < kHeaderSize || where.recordpos + recordSize_ > fileSize_)
            throw error(QStringLiteral("the file ends inside the record"));
        record.assign(columns_.size(), Value());
        for (size_t c = 0; c < columns_.size(); ++c) record[c] = value(c);
        return true;
    }

private:
    ImportError error(const QString& why) const { return RecordError(path_, position_, why); }

    QString pxlibSays() const
    {
        return state_.lastError.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(state_.lastError);
    }

    QString text(QByteArrayView bytes) const { return decode(codePage_, bytes); }

    void close()
    {
        if (doc_) PX_delete(doc_);
        doc_ = nullptr;
        for (void* block : state_.blocks) std::free(block);
        state_.blocks.clear();
    }

    // The fixed part of the header as pxlib will read it, checked against
    // the file.
    void checkHeader()
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly)) throw error(QStringLiteral("the file cannot be opened"));
        fileSize_ = file.size();
        const QString notParadox = QStringLiteral("not a Paradox table (damaged header)");
        const QByteArray header = file.read(kDataHeaderEnd);
        if (header.size() < kHeaderSize) throw error(notParadox);
        const auto* h = reinterpret_cast<const uchar*>(header.constData());
        recordSize_ = qFromLittleEndian<quint16>(h + 0x00);
        const int headerSize = qFromLittleEndian<quint16>(h + 0x02);
        const int fileType = h[0x04];
        const int blockKb = h[0x05];
        const qint32 records = qFromLittleEndian<qint32>(h + 0x06);
        const int fieldCount = qFromLittleEndian<qint16>(h + 0x21);
        const quint32 encryption = qFromLittleEndian<quint32>(h + 0x25);
        const int version = h[0x39];
        const bool dataHeader = version >= 5;
        const int fieldInfo = dataHeader ? kDataHeaderEnd : kHeaderSize;
        if ((fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB) || blockKb < 1 || blockKb > 32
            || version < 3 || version > 15 || recordSize_ < 1 || headerSize < fieldInfo || headerSize > fileSize_
            || records < 0 || fieldCount < 1 || fieldCount > kMaxFields
            || fieldInfo + 2 * fieldCount > headerSize || header.size() < fieldInfo)
            throw error(notParadox);
        const quint32 dataEncryption = dataHeader ? qFromLittleEndian<quint32>(h + 0x5C) : 0;
        if ((encryption != 0 && encryption != 0xFF00FF00u) || (encryption == 0xFF00FF00u && dataEncryption != 0))
            throw error(QStringLiteral("the table is protected by a password"));
        const int codePage = dataHeader ? qFromLittleEndian<quint16>(h + 0x6A) : 0;
        // Code page 437 puts the accented letters where 850 does.
        codePage_ = codePage == 850 || codePage == 437 ? CodePage::Oem850 : CodePage::Windows1252;
        recordCount_ = records;

        file.seek(fieldInfo);
        const QByteArray info = file.read(2 * fieldCount);
        int offset = 0;
        for (int f = 0; f < fieldCount; ++f) {
            const int type = uchar(info[2 * f]);
            const int size = uchar(info[2 * f + 1]);
            // A BCD field keeps its digits in 17 bytes; its size is the
            // number of decimals.
            const int length = type == pxfBCD ? 17 : size;
            if (type < pxfAlpha || type > pxfNumTypes || length < 1) throw error(notParadox);
            raw_.push_back({type, offset, length, type == pxfBCD ? size : 0});
            offset += length;
        }
        if (offset != recordSize_) throw error(notParadox);
    }

    void open()
    {
        checkHeader();
        state_.largest = size_t(std::max<qint64>(fileSize_, 1 << 16));
        creating = &state_;
        doc_ = PX_new3(pxError, pxAlloc, pxRealloc, pxFree, &state_);
        creating = nullptr;
        if (!doc_) throw error(QStringLiteral("out of memory"));
        if (PX_open_file(doc_, QFile::encodeName(path_).constData()) < 0)
            throw error(QStringLiteral("not a Paradox table") + pxlibSays());
        if (PX_get_num_fields(doc_) != int(raw_.size()) || PX_get_recordsize(doc_) != recordSize_)
            throw error(QStringLiteral("not a Paradox table (damaged header)"));
        bool hasMemo = false;
        for (size_t f = 0; f < raw_.size(); ++f) {
            const pxfield_t* field = PX_get_field(doc_, int(f));
            SourceColumn column;
            column.name = text(field && field->px_fname ? QByteArrayView(field->px_fname) : QByteArrayView())
                              .trimmed();
            if (column.name.isEmpty()) column.name = QStringLiteral("FIELD%1").arg(f + 1);
            switch (raw_[f].type) {
            case pxfAlpha: column.type = SourceType::String; column.size = raw_[f].length; break;
            case pxfShort:
            case pxfLong:
            case pxfAutoInc: column.type = SourceType::Integer; break;
            case pxfNumber:
            case pxfCurrency: column.type = SourceType::Float; break;
            case pxfDate: column.type = SourceType::Date; break;
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb:
                column.type = SourceType::Memo;
                hasMemo = true;
                break;
            default: column.type = SourceType::Unknown; break;
            }
            columns_.push_back(column);
        }
        buffer_.resize(size_t(recordSize_));
        if (hasMemo) openMemoFile();
    }

    // The memo file beside the table, when there is one: short memos stand
    // in the record itself, and a missing file is only an error for a
    // record whose memo lies in it.
    void openMemoFile()
    {
        const QFileInfo info(path_);
        for (const char* suffix : {".mb", ".MB"}) {
            memo_.setFileName(info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1String(suffix));
            if (memo_.open(QIODevice::ReadOnly)) return;
        }
    }

    Value value(size_t c)
    {
        const RawField& raw = raw_[c];
        char* data = buffer_.data() + raw.offset;
        // Paradox keeps a null as zero bytes, in every type. (pxlib's own
        // test of a null long reads past its four bytes.)
        if (std::all_of(data, data + raw.length, [](char b) { return b == 0; })) return {};
        switch (raw.type) {
        case pxfAlpha: {
            char* value = nullptr;
            if (PX_get_data_alpha(doc_, data, raw.length, &value) <= 0 || !value) return {};
            const QString s = text(QByteArrayView(value, qstrnlen(value, size_t(raw.length))));
            pxFree(doc_, value);
            return s.isEmpty() ? Value() : Value(s);
        }
        case pxfShort: {
            short v = 0;
            return PX_get_data_short(doc_, data, raw.length, &v) > 0 ? Value(qint32(v)) : Value();
        }
        case pxfLong:
        case pxfAutoInc: {
            long v = 0;
            return PX_get_data_long(doc_, data, raw.length, &v) > 0 ? Value(qint32(v)) : Value();
        }
        case pxfNumber:
        case pxfCurrency: {
            double v = 0;
            if (PX_get_data_double(doc_, data, raw.length, &v) <= 0) return {};
            if (!std::isfinite(v)) throw error(QStringLiteral("column %1 holds no number").arg(columns_[c].name));
            return v;
        }
        case pxfDate: {
            long days = 0;
            if (PX_get_data_long(doc_, data, raw.length, &days) <= 0) return {};
            const QDate date = QDate::fromJulianDay(days + kJulianDayOfDayZero);
            if (!date.isValid() || date.year() < 1 || date.year() > 9999)
                throw error(QStringLiteral("column %1 holds no date").arg(columns_[c].name));
            return date;
        }
        case pxfTime: {
            long ms = 0;
            if (PX_get_data_long(doc_, data, raw.length, &ms) <= 0) return {};
            return QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)).toString(QStringLiteral("HH:mm:ss"));
        }
        case pxfTimestamp: {
            double ms = 0;
            if (PX_get_data_double(doc_, data, raw.length, &ms) <= 0 || !std::isfinite(ms)) return {};
            const double days = std::floor(ms / 86400000.0);
            const QDate date = std::fabs(days) < 4e6 ? QDate::fromJulianDay(qint64(days) + kJulianDayOfDayZero)
                                                     : QDate();
            if (!date.isValid()) return {};
            const int time = int(ms - days * 86400000.0);
            return date.toString(Qt::ISODate) + QLatin1Char(' ')
                   + QTime::fromMSecsSinceStartOfDay(time).toString(QStringLiteral("HH:mm:ss"));
        }
        case pxfLogical: {
            char v = 0;
            if (PX_get_data_byte(doc_, data, raw.length, &v) <= 0) return {};
            return v ? QStringLiteral("true") : QStringLiteral("false");
        }
        case pxfBytes: {
            const QByteArray bytes(data, raw.length);
            if (bytes.count('\0') == bytes.size()) return {};
            return QString::fromLatin1(bytes.toHex());
        }
        case pxfBCD: {
            char* digits = nullptr;
            if (PX_get_data_bcd(doc_, reinterpret_cast<unsigned char*>(data), raw.decimals, &digits) <= 0 || !digits)
                return {};
            QString number = QString::fromLatin1(digits);
            pxFree(doc_, digits);
            // pxlib writes the decimal point of the C library's locale.
            number.replace(QLatin1Char(','), QLatin1Char('.'));
            return number;
        }
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb: return memo(c, data, raw.length);
        default: return {};
        }
    }

    // The memo file is read here, not by pxlib: pxlib 0.6.8 overflows a
    // buffer on its stack when it opens a memo file (even one it wrote), and
    // it reads memo sizes from the file unchecked.
    Value memo(size_t c, const char* data, int length)
    {
        // The last ten bytes say where the memo lies and how long it is;
        // a memo that fits stands in the bytes before them.
        const int leader = length - 10;
        if (leader < 0) return {};
        const auto* tail = reinterpret_cast<const uchar*>(data + leader);
        const qint64 size = qFromLittleEndian<qint32>(tail + 4);
        if (size <= 0) return {};
        QByteArray bytes;
        if (size <= leader) {
            bytes = QByteArray(data, size);
        } else {
            if (!memo_.isOpen())
                throw error(QStringLiteral("the memo file %1.mb is missing").arg(QFileInfo(path_).completeBaseName()));
            bytes = memoData(qFromLittleEndian<quint32>(tail), size);
            if (bytes.size() != size)
                throw error(QStringLiteral("column %1 names a memo that the memo file %2 lacks")
                                .arg(columns_[c].name, QFileInfo(memo_.fileName()).fileName()));
        }
        while (!bytes.isEmpty() && bytes.back() == '\0') bytes.chop(1);
        return bytes.isEmpty() ? Value() : Value(text(bytes));
    }

    QByteArray readMemo(qint64 at, qint64 size)
    {
        if (at < 0 || size < 0 || at + size > memo_.size() || !memo_.seek(at)) return {};
        return memo_.read(size);
    }

    // A memo of its own blocks (type 2: a 9-byte head, then the text), or
    // one of up to 64 in a shared block (type 3: a table of 5-byte entries
    // after a 12-byte head, each giving the start in 16-byte units, the
    // length in 16-byte units rounded up and the bytes used of the last).
    QByteArray memoData(quint32 pointer, qint64 size)
    {
        constexpr qint64 kBlock = 4096;
        const qint64 block = pointer & 0xffffff00u;
        const int index = int(pointer & 0xffu);
        const QByteArray head = readMemo(block, 3);
        if (block == 0 || head.size() != 3) return {};
        if (head[0] == 2) {
            const QByteArray full = readMemo(block, 9);
            if (index != 0xff || full.size() != 9
                || qFromLittleEndian<qint32>(reinterpret_cast<const uchar*>(full.constData()) + 3) != size)
                return {};
            return readMemo(block + 9, size);
        }
        if (head[0] == 3 && index < 64) {
            const QByteArray entry = readMemo(block + 12 + 5 * index, 5);
            if (entry.size() != 5) return {};
            const auto* e = reinterpret_cast<const uchar*>(entry.constData());
            if ((qint64(e[1]) - 1) * 16 + e[4] != size || qint64(e[0]) * 16 + size > kBlock) return {};
            return readMemo(block + qint64(e[0]) * 16, size);
        }
        return {};
    }

    QString path_;
    PxlibState state_;
    pxdoc_t* doc_ = nullptr;
    std::vector<SourceColumn> columns_;
    std::vector<RawField> raw_;
    std::vector<char> buffer_;
    CodePage codePage_ = CodePage::Windows1252;
    QFile memo_;
    qint64 fileSize_ = 0;
    int recordSize_ = 0;
    int recordCount_ = 0;
    int position_ = 0;
};

} // namespace

std::unique_ptr<ImportSource> OpenParadoxSource(const QString& path)
{
    return std::make_unique<ParadoxSource>(path);
}

} // namespace belvanto
