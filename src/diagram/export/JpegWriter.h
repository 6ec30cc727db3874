#pragma once
// The diagram image as a baseline JPEG file, compressed by libjpeg: RGB, or
// one grey channel when the diagram is drawn in black and white.
#include "diagram/export/RasterImage.h"
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace belvanto {

class UserInterface;

inline constexpr int DefaultJpegQuality = 75;

// The quality typed into the input box, or nothing after the error box that
// tells the user why it cannot be used.
std::optional<int> CheckJpegQuality(UserInterface& ui, const QString& text);

// Writes the picture, replacing the file only when all of it is written.
// The reason in words when it cannot: a quality outside 1..100, a picture
// libjpeg refuses (such as one wider than it can encode) or a file error.
std::optional<QString> WriteJpegFile(const QString& path, RasterRows& image, int quality, bool grayscale);
std::optional<QString> WriteJpegFile(const QString& path, const RasterImage& image, int quality, bool grayscale);

// The reason in words when a JPEG file cannot hold a picture of this size.
std::optional<QString> JpegSizeProblem(int width, int height);

} // namespace belvanto
