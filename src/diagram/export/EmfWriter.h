#pragma once
// The diagram image as an enhanced metafile whose only content is the
// bitmap drawn at (0, 0) in its own size: a header, one stretched
// device-independent bitmap at the window's colour depth (the same pixels as
// the bitmap file) and the end record. The diagram window offers it as a
// "Windows meta file (*.WMF)" and writes it under the name the user gives.
#include "diagram/export/RasterImage.h"

namespace belvanto {

// The whole file; the image must pass MetafileSizeProblem.
QByteArray MetafileBytes(const RasterImage& image, ColourDepth depth);
std::optional<QString> MetafileSizeProblem(int width, int height, ColourDepth depth);

// Writes the file, replacing it only when all of it is written. The reason
// in words when it cannot.
std::optional<QString> WriteMetafile(const QString& path, RasterRows& image, ColourDepth depth);
std::optional<QString> WriteMetafile(const QString& path, const RasterImage& image, ColourDepth depth);

} // namespace belvanto
