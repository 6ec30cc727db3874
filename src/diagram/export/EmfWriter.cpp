#include "diagram/export/EmfWriter.h"
#include "diagram/export/LittleEndian.h"
#include <QIODevice>

namespace belvanto {

namespace {

constexpr quint32 kHeaderRecord = 1;
constexpr quint32 kStretchDibRecord = 81;
constexpr quint32 kEndRecord = 14;
constexpr quint32 kHeaderSize = 108;
constexpr quint32 kStretchDibFixedSize = 80;
constexpr quint32 kEndSize = 20;
constexpr quint32 kSignature = 0x464D4520;   // " EMF"
constexpr quint32 kVersion = 0x10000;
constexpr quint32 kSourceCopy = 0x00CC0020;
constexpr quint32 kRgbColours = 0;
// A reference device of 96 dots per inch: 1920 pixels on 508 mm.
constexpr qint32 kDevicePixels = 1920;
constexpr qint32 kDeviceMillimetres = 508;

void rectangle(LittleEndianBytes& out, qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    out.i32(left);
    out.i32(top);
    out.i32(right);
    out.i32(bottom);
}

// Pixels at 96 dpi in hundredths of a millimetre, to the nearest, a half to
// the even neighbour.
qint32 hundredthsOfMillimetre(int pixels)
{
    const qint64 scaled = qint64(pixels) * 2540;
    qint64 whole = scaled / 96;
    const qint64 rest = scaled % 96;
    if (rest > 48 || (rest == 48 && whole % 2 == 1)) ++whole;
    return qint32(whole);
}

} // namespace

std::optional<QString> MetafileSizeProblem(int width, int height, ColourDepth depth)
{
    return RasterSizeProblem(width, height, depth, QStringLiteral("metafile"),
                             kHeaderSize + kStretchDibFixedSize + kEndSize);
}

namespace {

// The header and the fixed part of the bitmap record, the bitmap's info
// header and colour table, its pixel rows, the end record.
bool writeMetafile(QIODevice& file, RasterRows& image, ColourDepth depth)
{
    const qint32 w = image.width(), h = image.height();
    const QByteArray info = DibInfo(w, h, depth);
    const qint64 bitsSize = DibBitsSize(w, h, depth);
    const quint32 stretchSize = kStretchDibFixedSize + quint32(info.size() + bitsSize);
    const quint32 total = kHeaderSize + stretchSize + kEndSize;
    QByteArray bytes;
    LittleEndianBytes out(bytes);

    out.u32(kHeaderRecord);
    out.u32(kHeaderSize);
    rectangle(out, 0, 0, w - 1, h - 1);
    rectangle(out, 0, 0, hundredthsOfMillimetre(w), hundredthsOfMillimetre(h));
    out.u32(kSignature);
    out.u32(kVersion);
    out.u32(total);
    out.u32(3);   // records
    out.u16(1);   // handles: the reserved one
    out.u16(0);
    out.u32(0);   // no description
    out.u32(0);
    out.u32(0);   // no palette
    out.i32(kDevicePixels);
    out.i32(kDevicePixels);
    out.i32(kDeviceMillimetres);
    out.i32(kDeviceMillimetres);
    out.u32(0);   // no pixel format
    out.u32(0);
    out.u32(0);   // not OpenGL
    out.i32(kDeviceMillimetres * 1000);
    out.i32(kDeviceMillimetres * 1000);

    out.u32(kStretchDibRecord);
    out.u32(stretchSize);
    rectangle(out, 0, 0, w - 1, h - 1);
    out.i32(0);   // destination x, y
    out.i32(0);
    out.i32(0);   // source x, y, width, height
    out.i32(0);
    out.i32(w);
    out.i32(h);
    out.u32(kStretchDibFixedSize);
    out.u32(quint32(info.size()));
    out.u32(kStretchDibFixedSize + quint32(info.size()));
    out.u32(quint32(bitsSize));
    out.u32(kRgbColours);
    out.u32(kSourceCopy);
    out.i32(w);   // destination width, height
    out.i32(h);

    QByteArray end;
    LittleEndianBytes eof(end);
    eof.u32(kEndRecord);
    eof.u32(kEndSize);
    eof.u32(0);    // no palette entries
    eof.u32(16);   // where they would start
    eof.u32(kEndSize);
    bytes.append(info);
    return file.write(bytes) == bytes.size() && WriteDibBits(file, image, depth) && file.write(end) == end.size();
}

} // namespace

QByteArray MetafileBytes(const RasterImage& image, ColourDepth depth)
{
    WholeImageRows rows(image);
    return WrittenBytes([&](QIODevice& out) { return writeMetafile(out, rows, depth); });
}

std::optional<QString> WriteMetafile(const QString& path, RasterRows& image, ColourDepth depth)
{
    if (auto problem = MetafileSizeProblem(image.width(), image.height(), depth)) return problem;
    return WriteWholeFile(path, [&](QIODevice& out) { return writeMetafile(out, image, depth); });
}

std::optional<QString> WriteMetafile(const QString& path, const RasterImage& image, ColourDepth depth)
{
    WholeImageRows rows(image);
    return WriteMetafile(path, rows, depth);
}

} // namespace belvanto
