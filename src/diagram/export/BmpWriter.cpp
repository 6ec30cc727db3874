#include "diagram/export/BmpWriter.h"
#include "diagram/export/LittleEndian.h"
#include <QIODevice>

namespace belvanto {

namespace {
constexpr quint32 kFileHeaderSize = 14;
}

std::optional<QString> BmpSizeProblem(int width, int height, ColourDepth depth)
{
    return RasterSizeProblem(width, height, depth, QStringLiteral("bitmap file"), kFileHeaderSize);
}

bool WriteBmp(QIODevice& out, RasterRows& image, ColourDepth depth)
{
    const QByteArray info = DibInfo(image.width(), image.height(), depth);
    QByteArray header;
    LittleEndianBytes bytes(header);
    bytes.u8('B');
    bytes.u8('M');
    bytes.u32(quint32(kFileHeaderSize + info.size() + DibBitsSize(image.width(), image.height(), depth)));
    bytes.u32(0);
    bytes.u32(quint32(kFileHeaderSize + info.size()));
    return out.write(header) == header.size() && out.write(info) == info.size() && WriteDibBits(out, image, depth);
}

QByteArray BmpFileBytes(const RasterImage& image, ColourDepth depth)
{
    WholeImageRows rows(image);
    return WrittenBytes([&](QIODevice& out) { return WriteBmp(out, rows, depth); });
}

std::optional<QString> WriteBmpFile(const QString& path, RasterRows& image, ColourDepth depth)
{
    if (auto problem = BmpSizeProblem(image.width(), image.height(), depth)) return problem;
    return WriteWholeFile(path, [&](QIODevice& out) { return WriteBmp(out, image, depth); });
}

std::optional<QString> WriteBmpFile(const QString& path, const RasterImage& image, ColourDepth depth)
{
    WholeImageRows rows(image);
    return WriteBmpFile(path, rows, depth);
}

} // namespace belvanto
