#pragma once
// The diagram image as plain pixels, its reduction to the colour depths of
// the diagram window and the device-independent bitmap that both the bitmap
// file and the metafile carry. No QtGui here: the Qt painter's image is
// copied into a RasterImage by the caller.
#include "layout/RunOptions.h"
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <optional>
#include <vector>

namespace belvanto {

// 0xRRGGBB per pixel (red in the high byte, unlike stored colours), the top
// row first, width pixels a row.
struct RasterImage {
    int width = 0;
    int height = 0;
    std::vector<quint32> rgb;

    RasterImage() = default;
    RasterImage(int w, int h, quint32 fill = 0xFFFFFF)
        : width(std::max(w, 0)), height(std::max(h, 0)), rgb(std::size_t(width) * std::size_t(height), fill)
    {
    }
    quint32 pixel(int x, int y) const { return rgb[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    quint32& pixel(int x, int y) { return rgb[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool operator==(const RasterImage&) const = default;
};

// The colour table of an indexed depth (2, 16 or 256 entries, 0xRRGGBB);
// empty for 16 and 24 bits per pixel.
//  - black/white: black, white;
//  - 16 colours: the 16 VGA colours in their usual order;
//  - 256 colours: the 16 VGA colours, a 6 x 6 x 6 colour cube (levels 0, 95,
//    135, 175, 215, 255) and 24 greys from 8 to 238 in steps of 10.
const std::vector<quint32>& RasterPalette(ColourDepth depth);

// The palette index a pixel is written with. Black/white keeps only white
// as white, so that light grey lines stay visible; the other indexed depths
// take the nearest entry (squared RGB distance, the lower index on a tie).
int PaletteIndex(ColourDepth depth, quint32 rgb);

// The colour a pixel shows once reduced to the depth: the palette entry, the
// 5-5-5 value widened back to 8 bits a channel, or the pixel itself.
quint32 ReducedColour(ColourDepth depth, quint32 rgb);
RasterImage ReduceImage(const RasterImage& image, ColourDepth depth);

// "1 bit per pixel", "24 bits per pixel".
QString PixelFormatText(ColourDepth depth);

// Bytes of one bitmap row, padded to a multiple of four.
qint64 DibRowBytes(int width, ColourDepth depth);

// The reason in words when an image of this size cannot be stored in the
// 32-bit size fields of a bitmap or metafile; `format` names the file kind
// ("bitmap file", "metafile").
std::optional<QString> RasterSizeProblem(int width, int height, ColourDepth depth, const QString& format,
                                         qint64 extraBytes);

// The bitmap info header with its colour table, and the pixel rows bottom up.
struct Dib {
    QByteArray info;
    QByteArray bits;
};
// The image must pass RasterSizeProblem.
Dib MakeDib(const RasterImage& image, ColourDepth depth);

// Writes the parts one after the other, replacing the file only when all of
// them are written.
std::optional<QString> WriteWholeFile(const QString& path, const std::vector<QByteArray>& parts);

} // namespace belvanto
