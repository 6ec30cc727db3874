#pragma once
// The diagram image as plain pixels, its reduction to the colour depths of
// the diagram window and the device-independent bitmap that both the bitmap
// file and the metafile carry. No QtGui here: the Qt painter's image is
// copied into a RasterImage by the caller.
#include "layout/RunOptions.h"
#include <QByteArray>
#include <QHash>
#include <QString>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

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

// The diagram image a strip of rows at a time. The writers ask for the rows
// they write next, so that nobody holds the whole picture: a diagram of
// 10,000 contexts is about 2,300 x 108,000 pixels, a gigabyte at 32 bits.
class RasterRows {
public:
    virtual ~RasterRows() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // How many rows a strip should have (at least 1).
    virtual int stripRows() const = 0;
    // Makes `strip` the rows top ... top + count - 1, width x count pixels.
    virtual void rows(int top, int count, RasterImage& strip) = 0;
};

// The rows of an image that is already whole.
class WholeImageRows : public RasterRows {
public:
    explicit WholeImageRows(const RasterImage& image, int stripRows = 256) : image_(image), strip_(stripRows) {}
    int width() const override { return image_.width; }
    int height() const override { return image_.height; }
    int stripRows() const override { return std::max(strip_, 1); }
    void rows(int top, int count, RasterImage& strip) override;

private:
    const RasterImage& image_;
    int strip_;
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

// ReducedColour for many pixels: a diagram has few distinct colours, each
// is reduced once. The high byte of a pixel is kept.
class ColourReducer {
public:
    explicit ColourReducer(ColourDepth depth) : depth_(depth) {}
    ColourDepth depth() const { return depth_; }
    void reduce(quint32* pixels, std::size_t count);

private:
    ColourDepth depth_;
    QHash<quint32, quint32> known_;
};

RasterImage ReduceImage(const RasterImage& image, ColourDepth depth);

// The rows of another image, reduced to a depth: what the diagram window
// shows, prints and writes as JPEG at that depth.
class ReducedRows : public RasterRows {
public:
    ReducedRows(RasterRows& source, ColourDepth depth) : source_(source), reducer_(depth) {}
    int width() const override { return source_.width(); }
    int height() const override { return source_.height(); }
    int stripRows() const override { return source_.stripRows(); }
    void rows(int top, int count, RasterImage& strip) override
    {
        source_.rows(top, count, strip);
        reducer_.reduce(strip.rgb.data(), strip.rgb.size());
    }

private:
    RasterRows& source_;
    ColourReducer reducer_;
};

// "1 bit per pixel", "24 bits per pixel".
QString PixelFormatText(ColourDepth depth);

// Bytes of one bitmap row, padded to a multiple of four.
qint64 DibRowBytes(int width, ColourDepth depth);

// The reason in words when an image of this size cannot be stored in the
// 32-bit size fields of a bitmap or metafile; `format` names the file kind
// ("bitmap file", "metafile").
std::optional<QString> RasterSizeProblem(int width, int height, ColourDepth depth, const QString& format,
                                         qint64 extraBytes);

// The bitmap info header with its colour table; the size must pass
// RasterSizeProblem.
QByteArray DibInfo(int width, int height, ColourDepth depth);
qint64 DibBitsSize(int width, int height, ColourDepth depth);
// The pixel rows reduced to the depth, the bottom row first, a strip at a
// time from the bottom strip up; false when the device refuses a write.
bool WriteDibBits(QIODevice& out, RasterRows& image, ColourDepth depth);

// Runs `write` on a file beside the target, which replaces the target only
// when all of it is written. The reason in words when it cannot.
std::optional<QString> WriteWholeFile(const QString& path, const std::function<bool(QIODevice&)>& write);
// What `write` writes, in memory.
QByteArray WrittenBytes(const std::function<bool(QIODevice&)>& write);

} // namespace belvanto
