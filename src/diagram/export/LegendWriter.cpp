#include "diagram/export/LegendWriter.h"
#include "core/UserInterface.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/EmfWriter.h"
#include "diagram/export/JpegWriter.h"
#include "diagram/export/SvgWriter.h"
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace belvanto {

namespace {

constexpr int kUnsupportedHelp = 38;

std::optional<QString> writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return std::nullopt;
}

} // namespace

QByteArray LegendSvgDocument(const LegendDrawing& legend, const DiagramFont& font)
{
    QByteArray svg = SvgHeader(legend.width, legend.height);
    svg += "<g id=\"Thematic Legend\" stroke=\"black\" stroke-width=\"1pt\">\r\n";
    for (const UnitItem& entry : legend.entries) svg += SvgBoxElement(entry, legend.box);
    svg += "</g>\r\n";
    svg += "<g id=\"Harris box text\" " + SvgFontAttributes(font).toLatin1() + ">\r\n";
    for (const UnitItem& entry : legend.entries) svg += SvgTextElement(entry.label);
    svg += "</g>\r\n</svg>\r\n";
    return svg;
}

bool WriteLegendFile(UserInterface& ui, const QString& path, const LegendDrawing& legend, const DiagramFont& font,
                     const LegendRenderer& render)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    std::optional<QString> failure;
    if (suffix == QStringLiteral("SVG")) {
        failure = writeBytes(path, LegendSvgDocument(legend, font));
    } else if (suffix == QStringLiteral("BMP") || suffix == QStringLiteral("JPG") || suffix == QStringLiteral("WMF")) {
        const RasterImage image = render(legend, font);
        if (suffix == QStringLiteral("BMP")) failure = WriteBmpFile(path, image, ColourDepth::Colours16M);
        else if (suffix == QStringLiteral("JPG")) failure = WriteJpegFile(path, image, kLegendJpegQuality, false);
        else failure = WriteMetafile(path, image, ColourDepth::Colours16M);
    } else {
        // The vector formats of the diagram exports join as their writers do.
        ui.warning(QStringLiteral("Sorry, file extension .%1 not supported.").arg(suffix), kUnsupportedHelp);
        return false;
    }
    if (failure) {
        ui.error(*failure);
        return false;
    }
    return true;
}

FileChoice LegendFileChoice()
{
    FileChoice choice;
    choice.title = QStringLiteral("Save Thematic Legend");
    choice.filter = QStringLiteral("Bitmap file (*.bmp);;JPEG file (*.jpg);;Scalable vector graphics (*.svg);;"
                                   "AutoCad file (*.dxf);;HPGL (*.plt);;Windows metafile (*.wmf);;"
                                   "MapInfo Interchange (*.mif);;All files (*)");
    choice.fileName = QStringLiteral("*.bmp");
    choice.defaultSuffix = QStringLiteral("bmp");
    return choice;
}

bool SaveLegendCommand(UserInterface& ui, const LegendDrawing& legend, const DiagramFont& font,
                       const LegendRenderer& render)
{
    const auto path = ui.saveFile(LegendFileChoice());
    if (!path) return false;
    return WriteLegendFile(ui, *path, legend, font, render);
}

} // namespace belvanto
