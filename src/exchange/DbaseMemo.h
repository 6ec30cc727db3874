#pragma once
// dBase memo files (.dbt). Written as dBase III does: 512-byte blocks, block
// 0 holds the number of the next free block, each memo starts on a block of
// its own and ends with two 0x1A bytes. Read also as dBase IV writes them:
// a block that starts with FF FF 08 00 carries its length, and the block
// size stands in the header.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

namespace belvanto {

inline constexpr int kDbaseMemoBlock = 512;

class DbaseMemoWriter {
public:
    bool open(const QString& path);
    // The block number the record's memo column names; -1 when writing failed.
    qint64 write(const QByteArray& text);
    // Writes the header; false when anything failed.
    bool close();

private:
    QFile file_;
    qint64 nextBlock_ = 1;
    bool ok_ = true;
};

class DbaseMemoReader {
public:
    // dBase IV memo files keep their block size in the header.
    bool open(const QString& path, bool dbase4);
    // The memo starting at this block; nothing when the block lies outside
    // the file.
    std::optional<QByteArray> read(qint64 block);

private:
    QFile file_;
    qint64 blockSize_ = kDbaseMemoBlock;
};

} // namespace belvanto
