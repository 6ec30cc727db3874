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

QByteArray BmpFileBytes(const RasterImage& image, ColourDepth depth)
{
    const Dib dib = MakeDib(image, depth);
    QByteArray out;
    const qsizetype total = kFileHeaderSize + dib.info.size() + dib.bits.size();
    out.reserve(total);
    LittleEndianBytes header(out);
    header.u8('B');
    header.u8('M');
    header.u32(quint32(total));
    header.u32(0);
    header.u32(quint32(kFileHeaderSize + dib.info.size()));
    out.append(dib.info);
    out.append(dib.bits);
    return out;
}

std::optional<QString> WriteBmpFile(const QString& path, const RasterImage& image, ColourDepth depth)
{
    if (auto problem = BmpSizeProblem(image.width, image.height, depth)) return problem;
    return WriteWholeFile(path, BmpFileBytes(image, depth));
}

} // namespace belvanto
