#include "cli/DiagramCommands.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "diagram/DisplayList.h"
#include "diagram/StoredLayout.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/EmfWriter.h"
#include "diagram/export/SvgWriter.h"
#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <QDir>
#include <QGuiApplication>

namespace belvanto {

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt notes on standard error that it had to choose a runtime directory; the
// command's own messages are the only lines it should write there.
void quietRuntimeDirectoryNote(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (previousHandler) previousHandler(type, context, text);
}

// Fonts are measured through a QGuiApplication. belvanto-cli's main makes
// one; a caller without any application object (a test calling runCli)
// gets one on the offscreen platform that lives until the process ends.
bool haveGuiApplication()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) return false;
    static int argc = 1;
    static char name[] = "belvanto-cli";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!previousHandler) previousHandler = qInstallMessageHandler(quietRuntimeDirectoryNote);
    static QGuiApplication* const app = new QGuiApplication(argc, argv);
    return app != nullptr;
}

std::optional<DiagramFont> parseFont(const QString& text, QString& problem)
{
    const QStringList parts = text.split(QLatin1Char(','));
    DiagramFont font;
    font.family = parts.value(0).trimmed();
    // 0 where the size is missing or not a number: out of range as well.
    const int points = parts.size() >= 2 ? parseInt32(parts[1]).value_or(0) : 0;
    if (font.family.isEmpty() || points < 1 || points > 1000) {
        problem = QStringLiteral("--font takes FAMILY,POINTS[,bold][,italic][,underline] with 1 to 1000 points");
        return std::nullopt;
    }
    font.points = points;
    for (qsizetype i = 2; i < parts.size(); ++i) {
        const QString style = parts[i].trimmed().toLower();
        if (style == QStringLiteral("bold")) font.bold = true;
        else if (style == QStringLiteral("italic")) font.italic = true;
        else if (style == QStringLiteral("underline")) font.underline = true;
        else {
            problem = QStringLiteral("unknown font style '%1': use bold, italic or underline").arg(parts[i]);
            return std::nullopt;
        }
    }
    return font;
}

bool isRasterExportOption(const char* argument)
{
    for (const char* option : {"--bmp", "--emf"})
        if (qstrcmp(argument, option) == 0 || QByteArray(argument).startsWith(QByteArray(option) + '=')) return true;
    return false;
}

} // namespace

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv)
{
    bool fonts = false;
    for (int i = 1; i < argc; ++i)
        fonts = fonts || qstrcmp(argv[i], "--svg") == 0 || QByteArray(argv[i]).startsWith("--svg=")
                || isRasterExportOption(argv[i]);
    if (!fonts) return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietRuntimeDirectoryNote);
    return std::make_unique<QGuiApplication>(argc, argv);
}

namespace {

struct SvgOptions {
    std::optional<DiagramFont> font;
    QString labels = QStringLiteral("name");
    bool blackWhite = false;
    bool thematic = false;
};

// Draws the stored layout as the options ask and hands the drawing to
// write; afterwards names the layout's date when write succeeded.
int exportDrawing(CliContext& c, const SvgOptions& o, const QString& project,
                  const std::function<int(const DiagramDrawing&, const DrawState&)>& write)
{
    DrawState state;
    state.blackWhite = o.blackWhite;
    state.thematic = o.thematic;
    if (o.labels == QStringLiteral("name")) state.contents = BoxContents::UnitName;
    else if (o.labels == QStringLiteral("excavation")) state.contents = BoxContents::ExcavationName;
    else state.contents = BoxContents::AbbreviationName;
    if (o.font) state.font = *o.font;
    if (!haveGuiApplication()) {
        c.ui.error(QStringLiteral("Text cannot be measured: the program has no graphical application object"));
        return Failed;
    }
    if (!DiagramFontFamilyExists(state.font.family)) {
        c.ui.error(QStringLiteral("The font %1 is not installed").arg(state.font.family));
        return Failed;
    }

    // Exports only read the project: they run beside the program that has it open.
    OpenedProject p(c, project, OpenMode::ReadOnly);
    if (!p.ok) return Failed;
    bool outdated = false;
    auto layout = ReadLayoutForExport(p.session, outdated);
    if (!layout) {
        if (outdated)
            c.ui.error(QStringLiteral("No diagram exported: run layout first, or give --yes to export the stored "
                                      "layout as it is."));
        return Failed;
    }
    if (state.contents == BoxContents::AbbreviationName) state.abbreviations = ExcavationAbbreviations(p.session);
    const DiagramDrawing drawing = BuildDiagram(std::move(*layout), state, QtTextMetrics(state.font));
    for (const QString& skipped : drawing.skipped) c.ui.warning(skipped);
    if (write(drawing, state) != Ok) return Failed;
    c.print(c.out, QStringLiteral("Harris diagram layout created on %1\n").arg(LayoutCreatedText(p.session)));
    return Ok;
}

int writeSvg(CliContext& c, const SvgOptions& o, const QString& project, const QString& file)
{
    return exportDrawing(c, o, project, [&c, &file](const DiagramDrawing& drawing, const DrawState& state) {
        c.ui.setSaveFileAnswer(MakeAbsolute(file));
        return ExportSvgCommand(c.ui, drawing, state.font) ? Ok : Failed;
    });
}

struct RasterOptions {
    QString colours = QStringLiteral("16M");
};

ColourDepth colourDepth(const QString& colours)
{
    if (colours == QStringLiteral("2")) return ColourDepth::BlackWhite;
    if (colours == QStringLiteral("16")) return ColourDepth::Colours16;
    if (colours == QStringLiteral("256")) return ColourDepth::Colours256;
    if (colours == QStringLiteral("65536")) return ColourDepth::Colours65536;
    return ColourDepth::Colours16M;
}

RasterImage rasterImage(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    RasterImage out(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) out.pixel(x, y) = line[x] & 0xFFFFFF;
    }
    return out;
}

enum class RasterFile { Bitmap, Metafile };

// The diagram image at zoom 1, reduced to the number of colours; a
// black-and-white file is drawn in black and white, as the window draws it.
int writeRaster(CliContext& c, SvgOptions o, const RasterOptions& r, RasterFile kind, const QString& project,
                const QString& file)
{
    const ColourDepth depth = colourDepth(r.colours);
    o.blackWhite = o.blackWhite || depth == ColourDepth::BlackWhite;
    return exportDrawing(c, o, project, [&](const DiagramDrawing& drawing, const DrawState& state) {
        const int width = drawing.geometry.width(), height = drawing.geometry.height();
        const auto tooLarge = kind == RasterFile::Bitmap ? BmpSizeProblem(width, height, depth)
                                                         : MetafileSizeProblem(width, height, depth);
        if (tooLarge) {
            c.ui.error(*tooLarge);
            return Failed;
        }
        // The painter's image goes as soon as its pixels are copied.
        const RasterImage raster = rasterImage(RenderDiagram(drawing, state.font));
        if (raster.rgb.empty()) {
            c.ui.error(QStringLiteral("There is not enough memory for the diagram image of %1 x %2 pixels")
                           .arg(width)
                           .arg(height));
            return Failed;
        }
        const QString path = MakeAbsolute(file);
        const auto failure =
            kind == RasterFile::Bitmap ? WriteBmpFile(path, raster, depth) : WriteMetafile(path, raster, depth);
        if (failure) {
            c.ui.error(*failure);
            return Failed;
        }
        c.print(c.out, QStringLiteral("Wrote %1: %2 x %3 pixels, %4\n")
                           .arg(QDir::toNativeSeparators(path))
                           .arg(width)
                           .arg(height)
                           .arg(PixelFormatText(depth)));
        return Ok;
    });
}

// Options that only some formats take; CLI11's needs() wants all of them.
void requireOneFormat(CLI::App* command, const std::vector<std::pair<CLI::Option*, std::vector<CLI::Option*>>>& rules)
{
    command->parse_complete_callback([rules] {
        for (const auto& [option, formats] : rules) {
            if (option->count() == 0) continue;
            QStringList names;
            bool given = false;
            for (const CLI::Option* format : formats) {
                given = given || format->count() > 0;
                names << QString::fromStdString(format->get_name());
            }
            if (given) continue;
            const QString list = names.size() < 2 ? names.join(QString())
                                                  : names.mid(0, names.size() - 1).join(QStringLiteral(", "))
                                                        + QStringLiteral(" or ") + names.last();
            throw CLI::RequiresError(option->get_name(), list.toStdString());
        }
    });
}

// belvanto-cli export --bmp FILE / --emf FILE [--colours N], with the
// drawing options of --svg.
void registerRasterExports(CLI::App& program, CliContext& c, const std::shared_ptr<SvgOptions>& o, CLI::Option* svg)
{
    auto r = std::make_shared<RasterOptions>();
    const auto [command, bmp] =
        AddExportFormat(program, c, "--bmp", "the stored Harris diagram as a Windows bitmap",
                        [&c, o, r](const QString& project, const QString& file) {
                            return writeRaster(c, *o, *r, RasterFile::Bitmap, project, file);
                        });
    CLI::Option* emf =
        AddExportFormat(program, c, "--emf", "the stored Harris diagram as an enhanced metafile holding the bitmap",
                        [&c, o, r](const QString& project, const QString& file) {
                            return writeRaster(c, *o, *r, RasterFile::Metafile, project, file);
                        })
            .option;
    CLI::Option* colours =
        AddChoice(command, "--colours", QStringLiteral("--colours"),
                  {QStringLiteral("2"), QStringLiteral("16"), QStringLiteral("256"), QStringLiteral("65536"),
                   QStringLiteral("16M")},
                  "the number of colours of the bitmap: 2 (black and white, 1 bit per pixel), 16, 256, 65536 or 16M "
                  "(24 bits per pixel, the default)",
                  r->colours);
    std::vector<std::pair<CLI::Option*, std::vector<CLI::Option*>>> rules;
    for (const char* name : {"--font", "--labels", "--bw", "--thematic"}) {
        CLI::Option* option = command->get_option(name);
        option->remove_needs(svg);
        rules.push_back({option, {svg, bmp, emf}});
    }
    rules.push_back({colours, {bmp, emf}});
    requireOneFormat(command, rules);
}

} // namespace

void RegisterDiagramCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<SvgOptions>();
    const auto [command, svg] = AddExportFormat(program, c, "--svg", "the stored Harris diagram as SVG, as the diagram window draws it",
                                       [&c, o](const QString& project, const QString& file) {
                                           return writeSvg(c, *o, project, file);
                                       });
    AddValueOption(command, "--font", "FAMILY,POINTS[,bold][,italic][,underline]",
                   "the font of the box labels (default: DejaVu Sans,8)",
                   [o](const QString& text) {
                       QString problem;
                       o->font = parseFont(text, problem);
                       if (!o->font) RefuseValue(problem);
                   })
        ->needs(svg);
    AddChoice(command, "--labels", QStringLiteral("--labels"),
              {QStringLiteral("name"), QStringLiteral("excavation"), QStringLiteral("abbreviation")},
              "the box labels: unit names, excavation and unit name, or the excavation's abbreviation from the "
              "term file and unit name (default: name)",
              o->labels)
        ->needs(svg);
    command->add_flag("--bw", o->blackWhite, "black and white")->needs(svg);
    command->add_flag("--thematic", o->thematic, "the thematic colours and box styles")->needs(svg);
    registerRasterExports(program, c, o, svg);
}

} // namespace belvanto
