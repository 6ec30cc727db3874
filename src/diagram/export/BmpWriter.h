#pragma once
// The diagram image as a Windows bitmap file at the window's colour depth:
// a 1-bit bitmap for a black-and-white diagram, a colour table up to 8 bits,
// 5-5-5 pixels at 16 bits.
#include "diagram/export/RasterImage.h"

namespace belvanto {

// The whole file; the image must pass BmpSizeProblem.
bool WriteBmp(QIODevice& out, RasterRows& image, ColourDepth depth);
QByteArray BmpFileBytes(const RasterImage& image, ColourDepth depth);
std::optional<QString> BmpSizeProblem(int width, int height, ColourDepth depth);

// Writes the file, replacing it only when all of it is written. The reason
// in words when it cannot.
std::optional<QString> WriteBmpFile(const QString& path, RasterRows& image, ColourDepth depth);
std::optional<QString> WriteBmpFile(const QString& path, const RasterImage& image, ColourDepth depth);

} // namespace belvanto
