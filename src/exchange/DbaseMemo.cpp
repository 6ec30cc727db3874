#include "exchange/DbaseMemo.h"

#include <QtEndian>

namespace belvanto {

namespace {
constexpr char kMemoEnd = '\x1a';
constexpr int kDbase4BlockHeader = 8;
// A memo larger than this is a damaged length, not text.
constexpr qint64 kMaxMemo = qint64(64) << 20;
}

bool DbaseMemoWriter::open(const QString& path)
{
    file_.setFileName(path);
    nextBlock_ = 1;
    ok_ = file_.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
          file_.write(QByteArray(kDbaseMemoBlock, '\0')) == kDbaseMemoBlock;
    return ok_;
}

qint64 DbaseMemoWriter::write(const QByteArray& text)
{
    QByteArray block = text;
    block.append(kMemoEnd).append(kMemoEnd);
    block.append(QByteArray((kDbaseMemoBlock - block.size() % kDbaseMemoBlock) % kDbaseMemoBlock, '\0'));
    if (!ok_ || file_.write(block) != block.size()) {
        ok_ = false;
        return -1;
    }
    const qint64 first = nextBlock_;
    nextBlock_ += block.size() / kDbaseMemoBlock;
    return first;
}

bool DbaseMemoWriter::close()
{
    uchar header[4];
    qToLittleEndian(quint32(nextBlock_), header);
    ok_ = ok_ && file_.seek(0) && file_.write(reinterpret_cast<const char*>(header), 4) == 4;
    file_.close();
    return ok_ && file_.error() == QFileDevice::NoError;
}

bool DbaseMemoReader::open(const QString& path, bool dbase4)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) return false;
    blockSize_ = kDbaseMemoBlock;
    if (dbase4) {
        const QByteArray header = file_.read(22);
        if (header.size() == 22) {
            const quint16 size = qFromLittleEndian<quint16>(header.constData() + 20);
            if (size >= kDbase4BlockHeader) blockSize_ = size;
        }
    }
    return true;
}

std::optional<QByteArray> DbaseMemoReader::read(qint64 block)
{
    if (block <= 0 || block >= file_.size() / blockSize_ || !file_.seek(block * blockSize_)) return std::nullopt;
    const QByteArray head = file_.peek(kDbase4BlockHeader);
    if (head.size() == kDbase4BlockHeader && head.startsWith(QByteArrayLiteral("\xff\xff\x08\x00"))) {
        const qint64 length = qFromLittleEndian<quint32>(head.constData() + 4);
        if (length < kDbase4BlockHeader || length > kMaxMemo) return std::nullopt;
        file_.skip(kDbase4BlockHeader);
        const QByteArray text = file_.read(length - kDbase4BlockHeader);
        if (text.size() != length - kDbase4BlockHeader) return std::nullopt;
        return text;
    }
    // dBase III: up to the end mark, which a damaged file may lack.
    QByteArray text;
    while (text.size() < kMaxMemo) {
        const QByteArray chunk = file_.read(blockSize_);
        const qsizetype end = chunk.indexOf(kMemoEnd);
        if (end >= 0) return text + chunk.left(end);
        text += chunk;
        if (chunk.size() < blockSize_) return text;
    }
    return std::nullopt;
}

} // namespace belvanto
