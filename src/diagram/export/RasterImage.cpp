#include "diagram/export/RasterImage.h"
#include "diagram/export/LittleEndian.h"
#include <QBuffer>
#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <limits>

namespace belvanto {

namespace {

constexpr quint32 kWhite = 0xFFFFFF;
// 96 dots per inch.
constexpr qint32 kPixelsPerMetre = 3780;
constexpr quint32 kBitmapInfoHeaderSize = 40;

std::vector<quint32> vgaColours()
{
    return {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
}

std::vector<quint32> colours256()
{
    std::vector<quint32> p = vgaColours();
    static constexpr quint32 levels[] = {0, 95, 135, 175, 215, 255};
    for (quint32 r : levels)
        for (quint32 g : levels)
            for (quint32 b : levels) p.push_back(r << 16 | g << 8 | b);
    for (quint32 grey = 8; grey <= 238; grey += 10) p.push_back(grey << 16 | grey << 8 | grey);
    return p;
}

int channel(quint32 rgb, int shift) { return int((rgb >> shift) & 0xFF); }

int nearest(const std::vector<quint32>& palette, quint32 rgb)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int distance = 0;
        for (int shift : {16, 8, 0}) {
            const int d = channel(rgb, shift) - channel(palette[i], shift);
            distance += d * d;
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    return best;
}

quint16 fiveFiveFive(quint32 rgb)
{
    return quint16((rgb >> 9 & 0x7C00) | (rgb >> 6 & 0x03E0) | (rgb >> 3 & 0x001F));
}

quint32 widen(quint16 v)
{
    quint32 out = 0;
    for (int shift : {10, 5, 0}) {
        const quint32 five = (v >> shift) & 0x1F;
        out = out << 8 | (five << 3 | five >> 2);
    }
    return out;
}

// Diagrams hold few distinct colours: each is looked up in the palette once.
class Indexer {
public:
    explicit Indexer(ColourDepth d) : depth(d) {}
    int operator()(quint32 rgb)
    {
        rgb &= kWhite;
        if (rgb == lastColour) return lastIndex;
        auto found = known.constFind(rgb);
        const int index = found != known.cend() ? *found : *known.insert(rgb, PaletteIndex(depth, rgb));
        lastColour = rgb;
        lastIndex = index;
        return index;
    }

private:
    ColourDepth depth;
    QHash<quint32, int> known;
    quint32 lastColour = 0xFFFFFFFF;
    int lastIndex = 0;
};

} // namespace

const std::vector<quint32>& RasterPalette(ColourDepth depth)
{
    static const std::vector<quint32> blackWhite{0x000000, kWhite};
    static const std::vector<quint32> vga = vgaColours();
    static const std::vector<quint32> full = colours256();
    static const std::vector<quint32> none;
    switch (depth) {
    case ColourDepth::BlackWhite: return blackWhite;
    case ColourDepth::Colours16: return vga;
    case ColourDepth::Colours256: return full;
    case ColourDepth::Colours65536:
    case ColourDepth::Colours16M: break;
    }
    return none;
}

int PaletteIndex(ColourDepth depth, quint32 rgb)
{
    rgb &= kWhite;
    if (depth == ColourDepth::BlackWhite) return rgb == kWhite ? 1 : 0;
    return nearest(RasterPalette(depth), rgb);
}

quint32 ReducedColour(ColourDepth depth, quint32 rgb)
{
    rgb &= kWhite;
    switch (depth) {
    case ColourDepth::Colours65536: return widen(fiveFiveFive(rgb));
    case ColourDepth::Colours16M: return rgb;
    default: return RasterPalette(depth)[std::size_t(PaletteIndex(depth, rgb))];
    }
}

void ColourReducer::reduce(quint32* pixels, std::size_t count)
{
    if (depth_ == ColourDepth::Colours16M) return;
    for (std::size_t i = 0; i < count; ++i) {
        auto found = known_.constFind(pixels[i]);
        if (found == known_.cend())
            found = known_.insert(pixels[i], (pixels[i] & 0xFF000000) | ReducedColour(depth_, pixels[i]));
        pixels[i] = *found;
    }
}

RasterImage ReduceImage(const RasterImage& image, ColourDepth depth)
{
    RasterImage out = image;
    ColourReducer(depth).reduce(out.rgb.data(), out.rgb.size());
    return out;
}

QString PixelFormatText(ColourDepth depth)
{
    const int bits = BitsPerPixel(depth);
    return bits == 1 ? QStringLiteral("1 bit per pixel") : QStringLiteral("%1 bits per pixel").arg(bits);
}

qint64 DibRowBytes(int width, ColourDepth depth)
{
    return (qint64(width) * BitsPerPixel(depth) + 31) / 32 * 4;
}

std::optional<QString> RasterSizeProblem(int width, int height, ColourDepth depth, const QString& format,
                                         qint64 extraBytes)
{
    if (width <= 0 || height <= 0)
        return QStringLiteral("The diagram image is empty: no %1 is written").arg(format);
    // Readers take the sizes as signed 32-bit numbers.
    const qint64 total = extraBytes + kBitmapInfoHeaderSize + qint64(RasterPalette(depth).size()) * 4
                         + DibRowBytes(width, depth) * height;
    if (total > std::numeric_limits<qint32>::max())
        return QStringLiteral("The diagram image of %1 x %2 pixels is too large for a %3 with %4")
            .arg(width)
            .arg(height)
            .arg(format, PixelFormatText(depth));
    return std::nullopt;
}

void WholeImageRows::rows(int top, int count, RasterImage& strip)
{
    strip.width = image_.width;
    strip.height = count;
    const auto from = image_.rgb.begin() + std::ptrdiff_t(top) * image_.width;
    strip.rgb.assign(from, from + std::ptrdiff_t(count) * image_.width);
}

QByteArray DibInfo(int width, int height, ColourDepth depth)
{
    const std::vector<quint32>& palette = RasterPalette(depth);
    QByteArray bytes;
    LittleEndianBytes info(bytes);
    info.u32(kBitmapInfoHeaderSize);
    info.i32(width);
    info.i32(height);   // positive: the bottom row first
    info.u16(1);
    info.u16(quint16(BitsPerPixel(depth)));
    info.u32(0);   // uncompressed; 16 bits are 5-5-5 without masks
    info.u32(quint32(DibBitsSize(width, height, depth)));
    info.i32(kPixelsPerMetre);
    info.i32(kPixelsPerMetre);
    info.u32(quint32(palette.size()));
    info.u32(0);
    for (quint32 c : palette) {
        info.u8(quint8(c));
        info.u8(quint8(c >> 8));
        info.u8(quint8(c >> 16));
        info.u8(0);
    }
    return bytes;
}

qint64 DibBitsSize(int width, int height, ColourDepth depth)
{
    return DibRowBytes(width, depth) * height;
}

namespace {

void packRow(const quint32* pixels, int width, int bits, Indexer& index, char* bytes)
{
    qsizetype at = 0;
    for (int x = 0; x < width; ++x) {
        const quint32 p = pixels[x];
        switch (bits) {
        case 1:
        case 4:
        case 8: {
            // The leftmost pixel in the highest bits of its byte.
            const int perByte = 8 / bits;
            const int shift = (perByte - 1 - x % perByte) * bits;
            bytes[x / perByte] = char(uchar(bytes[x / perByte]) | index(p) << shift);
            break;
        }
        case 16: {
            const quint16 v = fiveFiveFive(p);
            bytes[at++] = char(v & 0xFF);
            bytes[at++] = char(v >> 8);
            break;
        }
        default:
            bytes[at++] = char(p & 0xFF);
            bytes[at++] = char(p >> 8 & 0xFF);
            bytes[at++] = char(p >> 16 & 0xFF);
        }
    }
}

} // namespace

bool WriteDibBits(QIODevice& out, RasterRows& image, ColourDepth depth)
{
    const int width = image.width(), height = image.height(), stripRows = std::max(image.stripRows(), 1);
    const qint64 rowBytes = DibRowBytes(width, depth);
    Indexer index(depth);
    RasterImage strip;
    QByteArray rows;
    for (int end = height; end > 0; end -= stripRows) {
        const int top = std::max(end - stripRows, 0), count = end - top;
        image.rows(top, count, strip);
        rows.fill(0, qsizetype(rowBytes * count));
        for (int y = count - 1; y >= 0; --y)
            packRow(strip.rgb.data() + std::size_t(y) * std::size_t(width), width, BitsPerPixel(depth), index,
                    rows.data() + qsizetype(rowBytes) * (count - 1 - y));
        if (out.write(rows) != rows.size()) return false;
    }
    return true;
}

std::optional<QString> WriteWholeFile(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && write(file);
    if (!written || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

QByteArray WrittenBytes(const std::function<bool(QIODevice&)>& write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return bytes;
}

} // namespace belvanto
