#include "diagram/export/JpegWriter.h"
#include "core/Format.h"
#include "core/JpegErrors.h"
#include "core/UserInterface.h"
#include <QDir>
#include <QIODevice>
#include <cstdlib>

namespace belvanto {

namespace {

const int kHelp = 146;

// The compressed bytes in a malloc'ed buffer, or the library's complaint.
// Nothing with a destructor may live between setjmp and longjmp here: the
// strip and the row belong to the caller.
bool compress(RasterRows& image, int quality, bool grayscale, RasterImage& strip, JSAMPLE* row,
              unsigned char** bytes, unsigned long* size, QString& problem)
{
    jpeg_compress_struct info;
    JpegErrorManager errors;
    info.err = InstallJpegErrors(errors);
    if (setjmp(errors.resume)) {
        jpeg_destroy_compress(&info);
        problem = QString::fromLocal8Bit(errors.text);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, bytes, size);
    const int width = image.width(), height = image.height(), stripRows = std::max(image.stripRows(), 1);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = grayscale ? 1 : 3;
    info.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int top = 0; top < height; top += stripRows) {
        image.rows(top, std::min(stripRows, height - top), strip);
        const quint32* pixel = strip.rgb.data();
        for (int y = 0; y < strip.height; ++y) {
            JSAMPLE* out = row;
            for (int x = 0; x < width; ++x, ++pixel) {
                const quint32 r = (*pixel >> 16) & 0xFF, g = (*pixel >> 8) & 0xFF, b = *pixel & 0xFF;
                if (grayscale) {
                    // Luma of the television standards, rounded.
                    *out++ = JSAMPLE((299 * r + 587 * g + 114 * b + 500) / 1000);
                } else {
                    *out++ = JSAMPLE(r);
                    *out++ = JSAMPLE(g);
                    *out++ = JSAMPLE(b);
                }
            }
            JSAMPROW rows[1] = {row};
            jpeg_write_scanlines(&info, rows, 1);
        }
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::optional<int> CheckJpegQuality(UserInterface& ui, const QString& text)
{
    const auto quality = parseInt32(text.trimmed());
    if (!quality) {
        ui.error(QStringLiteral("Entry cannot be converted to an integer number."), kHelp);
        return std::nullopt;
    }
    if (*quality < 1 || *quality > 100) {
        ui.error(QStringLiteral("Entry must be in the range 1..100"), kHelp);
        return std::nullopt;
    }
    return *quality;
}

std::optional<QString> JpegSizeProblem(int width, int height)
{
    if (width < 1 || height < 1) return QStringLiteral("The diagram image is empty");
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return QStringLiteral("The diagram image of %1 x %2 pixels is too large for a JPEG file, which holds at most "
                              "%3 pixels a side")
            .arg(width)
            .arg(height)
            .arg(JPEG_MAX_DIMENSION);
    return std::nullopt;
}

std::optional<QString> WriteJpegFile(const QString& path, RasterRows& image, int quality, bool grayscale)
{
    if (quality < 1 || quality > 100) return QStringLiteral("Entry must be in the range 1..100");
    if (auto problem = JpegSizeProblem(image.width(), image.height())) return problem;
    std::vector<JSAMPLE> row(size_t(image.width()) * 3);
    RasterImage strip;
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    QString problem;
    const bool compressed = compress(image, quality, grayscale, strip, row.data(), &bytes, &size, problem);
    if (!compressed) {
        std::free(bytes);
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), problem);
    }
    const auto failure = WriteWholeFile(path, [&](QIODevice& file) {
        return file.write(reinterpret_cast<const char*>(bytes), qint64(size)) == qint64(size);
    });
    std::free(bytes);
    return failure;
}

std::optional<QString> WriteJpegFile(const QString& path, const RasterImage& image, int quality, bool grayscale)
{
    if (image.rgb.size() != size_t(image.width) * size_t(image.height)) return QStringLiteral("The diagram image is empty");
    WholeImageRows rows(image);
    return WriteJpegFile(path, rows, quality, grayscale);
}

} // namespace belvanto
