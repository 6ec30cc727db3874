#pragma once
// The thematic legend written to a file, the format chosen by the file's
// extension: the bitmap as a Windows bitmap, a JPEG of quality 100 or an
// enhanced metafile holding it (named .wmf), or the boxes and texts as SVG.
#include "diagram/Thematic.h"
#include "diagram/export/RasterImage.h"
#include <QByteArray>
#include <functional>
#include <optional>

namespace belvanto {

class UserInterface;
struct FileChoice;

inline constexpr int kLegendJpegQuality = 100;

QByteArray LegendSvgDocument(const LegendDrawing& legend, const DiagramFont& font);

// The legend bitmap, painted by the caller's painter.
using LegendRenderer = std::function<RasterImage(const LegendDrawing&, const DiagramFont&)>;

// Writes the file; an extension without a writer gets "Sorry, file extension
// .XYZ not supported.", a failed write its reason. False then.
bool WriteLegendFile(UserInterface& ui, const QString& path, const LegendDrawing& legend, const DiagramFont& font,
                     const LegendRenderer& render);

// "Save &Legend": asks for the file and writes it; no message on success.
FileChoice LegendFileChoice();
bool SaveLegendCommand(UserInterface& ui, const LegendDrawing& legend, const DiagramFont& font,
                       const LegendRenderer& render);

} // namespace belvanto
