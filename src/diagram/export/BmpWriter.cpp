#include "diagram/export/BmpWriter.h"
#include "diagram/export/LittleEndian.h"

namespace belvanto {

namespace {
constexpr quint32 kFileHeaderSize = 14;
}

std::optional<QString> BmpSizeProblem(int width, int height, ColourDepth depth)
{
    return RasterSizeProblem(width, height, depth, QStringLiteral("bitmap file"), kFileHeaderSize);
}

namespace {

// The file header, the info header with its colour table, the pixel rows.
std::vector<QByteArray> bmpParts(const RasterImage& image, ColourDepth depth)
{
    Dib dib = MakeDib(image, depth);
    QByteArray header;
    LittleEndianBytes out(header);
    out.u8('B');
    out.u8('M');
    out.u32(quint32(kFileHeaderSize + dib.info.size() + dib.bits.size()));
    out.u32(0);
    out.u32(quint32(kFileHeaderSize + dib.info.size()));
    return {header, std::move(dib.info), std::move(dib.bits)};
}

} // namespace

QByteArray BmpFileBytes(const RasterImage& image, ColourDepth depth)
{
    QByteArray out;
    for (const QByteArray& part : bmpParts(image, depth)) out.append(part);
    return out;
}

std::optional<QString> WriteBmpFile(const QString& path, const RasterImage& image, ColourDepth depth)
{
    if (auto problem = BmpSizeProblem(image.width, image.height, depth)) return problem;
    return WriteWholeFile(path, bmpParts(image, depth));
}

} // namespace belvanto
