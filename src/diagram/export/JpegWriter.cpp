#include "diagram/export/JpegWriter.h"
#include "core/Format.h"
#include "core/UserInterface.h"
#include <QDir>
#include <QSaveFile>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace belvanto {

namespace {

const int kHelp = 146;

// libjpeg's default error handler ends the process; ours jumps back to the
// writer with the library's text.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf resume;
    char text[JMSG_LENGTH_MAX];
};

extern "C" void jumpBack(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->text);
    std::longjmp(errors->resume, 1);
}

extern "C" void noWarnings(j_common_ptr, int) {}

// The compressed bytes in a malloc'ed buffer, or the library's complaint.
// Nothing with a destructor may live between setjmp and longjmp here.
bool compress(const RasterImage& image, int quality, bool grayscale, JSAMPLE* row, unsigned char** bytes,
              unsigned long* size, QString& problem)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.emit_message = noWarnings;
    if (setjmp(errors.resume)) {
        jpeg_destroy_compress(&info);
        problem = QString::fromLocal8Bit(errors.text);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, bytes, size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = grayscale ? 1 : 3;
    info.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const quint32* pixel = image.rgb.data();
    while (info.next_scanline < info.image_height) {
        JSAMPLE* out = row;
        for (int x = 0; x < image.width; ++x, ++pixel) {
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

std::optional<QString> WriteJpegFile(const QString& path, const RasterImage& image, int quality, bool grayscale)
{
    if (quality < 1 || quality > 100) return QStringLiteral("Entry must be in the range 1..100");
    if (image.width < 1 || image.height < 1 || image.rgb.size() != size_t(image.width) * size_t(image.height))
        return QStringLiteral("The diagram image is empty");
    std::vector<JSAMPLE> row(size_t(image.width) * 3);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    QString problem;
    const bool compressed = compress(image, quality, grayscale, row.data(), &bytes, &size, problem);
    if (!compressed) {
        std::free(bytes);
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), problem);
    }
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(reinterpret_cast<const char*>(bytes), qint64(size)) == qint64(size)
                         && file.commit();
    std::free(bytes);
    if (!written) return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

} // namespace belvanto
