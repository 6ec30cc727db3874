#include "cli/DiagramCommands.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "core/Protocol.h"
#include "diagram/Contraction.h"
#include "diagram/DisplayList.h"
#include "diagram/StoredLayout.h"
#include "diagram/PrintPlan.h"
#include "diagram/export/BmpWriter.h"
#include "diagram/export/EmfWriter.h"
#include "diagram/export/JpegWriter.h"
#include "diagram/export/SvgWriter.h"
#include "diagram/qt/DiagramPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <algorithm>
#include <functional>
#include <limits>
#include <tuple>

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

} // namespace

bool HaveGuiApplication()
{
    return haveGuiApplication();
}

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv)
{
    bool fonts = false;
    for (const char* format : {"--svg", "--jpeg", "--pdf", "--bmp", "--emf", "--legend"})
        for (int i = 1; i < argc; ++i)
            fonts = fonts || qstrcmp(argv[i], format) == 0 || QByteArray(argv[i]).startsWith(QByteArray(format) + '=');
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
    // "excavation:unit name" of the groups drawn contracted.
    QStringList contract;
};

// The diagram of the project's stored layout as the options draw it, and
// when that layout was made; nothing after telling the user why not.
struct StoredDiagram {
    DiagramDrawing drawing;
    DrawState state;
    QString created;
};

// A contracted diagram is laid out in memory; the stored layout stays as it is.
std::optional<LayoutSnapshot> contractGroups(CliContext& c, Session& session, const LayoutSnapshot& full,
                                             const QStringList& groups, int& code)
{
    if (const auto problem = CheckMarkedGroups(full.units, groups)) {
        c.ui.error(*problem + QStringLiteral(" --contract takes groups of the diagram."));
        code = Usage;
        return std::nullopt;
    }
    QStringList marked = groups;
    marked.sort();
    marked.removeDuplicates();
    Protocol protocol;
    auto contracted = ContractGroups(session, full, marked, protocol);
    if (!contracted)
        for (const QString& line : protocol.lines())
            if (!line.isEmpty()) c.ui.error(line);
    return contracted;
}

std::optional<StoredDiagram> drawStoredDiagram(CliContext& c, const SvgOptions& o, const QString& project, int& code)
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
        return std::nullopt;
    }
    if (!DiagramFontFamilyExists(state.font.family)) {
        c.ui.error(QStringLiteral("The font %1 is not installed").arg(state.font.family));
        return std::nullopt;
    }

    // Exports only read the project: they run beside the program that has it open.
    OpenedProject p(c, project, OpenMode::ReadOnly);
    if (!p.ok) return std::nullopt;
    bool outdated = false;
    auto layout = ReadLayoutForExport(p.session, outdated);
    if (!layout) {
        if (outdated)
            c.ui.error(QStringLiteral("No diagram exported: run layout first, or give --yes to export the stored "
                                      "layout as it is."));
        return std::nullopt;
    }
    if (!o.contract.isEmpty()) {
        layout = contractGroups(c, p.session, *layout, o.contract, code);
        if (!layout) return std::nullopt;
    }
    if (state.contents == BoxContents::AbbreviationName) state.abbreviations = ExcavationAbbreviations(p.session);
    StoredDiagram stored{BuildDiagram(std::move(*layout), state, QtTextMetrics(state.font)), state,
                         LayoutCreatedText(p.session)};
    for (const QString& skipped : stored.drawing.skipped) c.ui.warning(skipped);
    return stored;
}

int exported(CliContext& c, const StoredDiagram& stored)
{
    c.print(c.out, QStringLiteral("Harris diagram layout created on %1\n").arg(stored.created));
    return Ok;
}

int writeSvg(CliContext& c, const SvgOptions& o, const QString& project, const QString& file)
{
    int code = Failed;
    const auto stored = drawStoredDiagram(c, o, project, code);
    if (!stored) return code;
    c.ui.setSaveFileAnswer(MakeAbsolute(file));
    if (!ExportSvgCommand(c.ui, stored->drawing, stored->state.font)) return Failed;
    return exported(c, *stored);
}

void reportExported(CliContext& c, const QString& path)
{
    c.ui.information(QStringLiteral("Diagram was exported successfully to file \r\n") + QDir::toNativeSeparators(path));
}

const QString kTooLargeForMemory = QStringLiteral("The diagram image is too large for the memory of this computer");

// Hands the image at zoom 1, painted a strip at a time, to a writer; tells
// the user why when it cannot.
bool writeRaster(CliContext& c, const StoredDiagram& stored,
                 const std::function<std::optional<QString>(RasterRows&)>& write)
{
    PaintedRows rows(stored.drawing, stored.state.font);
    if (!rows.ready()) {
        c.ui.error(kTooLargeForMemory);
        return false;
    }
    if (const auto failure = write(rows)) {
        c.ui.error(*failure);
        return false;
    }
    return true;
}

struct JpegOptions {
    QString quality = QString::number(DefaultJpegQuality);
};

int writeJpeg(CliContext& c, const SvgOptions& o, const JpegOptions& j, const QString& project, const QString& file)
{
    const auto quality = CheckJpegQuality(c.ui, j.quality);
    if (!quality) return Failed;
    int code = Failed;
    const auto stored = drawStoredDiagram(c, o, project, code);
    if (!stored) return code;
    const QString path = MakeAbsolute(file);
    if (!writeRaster(c, *stored, [&](RasterRows& image) {
            return WriteJpegFile(path, image, *quality, stored->state.blackWhite);
        }))
        return Failed;
    reportExported(c, path);
    return exported(c, *stored);
}

struct PdfOptions {
    int scale = DefaultPrintScale;
    QString sheets = QStringLiteral("several");
};

// Prints the plan's pages into a PDF beside the target, which replaces the
// target only when the printer finished it.
std::optional<QString> printPdf(const QString& path, const DiagramDrawing& drawing, const PrintPlan& plan,
                                const DiagramFont& diagramFont, int scale, const QString& project,
                                QPrinter& printer)
{
    QTemporaryFile part(path + QStringLiteral(".XXXXXX"));
    if (!part.open()) return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), part.errorString());
    part.close();
    printer.setOutputFileName(part.fileName());
    QPainter painter;
    if (!painter.begin(&printer)) return QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path));
    if (!PrintPages(painter, printer, drawing, plan, diagramFont, ColourDepth::Colours16M, scale, project)) {
        printer.abort();
        painter.end();
        return kTooLargeForMemory;
    }
    if (!painter.end()) return QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path));
    QFile::remove(path);
    if (!part.rename(path)) return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), part.errorString());
    part.setAutoRemove(false);
    return std::nullopt;
}

int writePdf(CliContext& c, const SvgOptions& o, const PdfOptions& pdf, const QString& project, const QString& file)
{
    int code = Failed;
    const auto stored = drawStoredDiagram(c, o, project, code);
    if (!stored) return code;
    const DiagramGeometry& g = stored->drawing.geometry;
    if (g.width() > std::numeric_limits<int>::max() || g.height() > std::numeric_limits<int>::max()) {
        c.ui.error(kTooLargeForMemory);
        return Failed;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const PrintPlan plan = PlanPrint(int(g.width()), int(g.height()), pdf.scale, printer.width(), printer.height(),
                                     g.box().BoxHeight);
    if (!plan.problem.isEmpty()) {
        c.ui.error(plan.problem);
        return Failed;
    }
    if (!plan.oneSheet && pdf.sheets == QStringLiteral("one")) {
        c.ui.error(QStringLiteral("The diagram needs %1 sheets at print scale %2: give --sheets several or a smaller "
                                  "--scale")
                       .arg(plan.sheets())
                       .arg(pdf.scale));
        return Failed;
    }
    const QString path = MakeAbsolute(file);
    if (const auto failure = printPdf(path, stored->drawing, plan, stored->state.font, pdf.scale,
                                      QFileInfo(project).completeBaseName(), printer)) {
        c.ui.error(*failure);
        return Failed;
    }
    c.print(c.out, QStringLiteral("Sheets of paper: %1\n").arg(plan.sheets()));
    reportExported(c, path);
    return exported(c, *stored);
}

// Options that only some formats take, each with those formats; CLI11's
// needs() would want all of them.
using FormatRules = std::vector<std::pair<CLI::Option*, std::vector<CLI::Option*>>>;

void requireOneFormat(CLI::App* command, const FormatRules& rules)
{
    command->parse_complete_callback([rules] {
        for (const auto& [option, formats] : rules) {
            if (option->count() == 0) continue;
            if (std::any_of(formats.begin(), formats.end(), [](CLI::Option* f) { return f->count() > 0; })) continue;
            QStringList names;
            for (const CLI::Option* format : formats) names << QString::fromStdString(format->get_name());
            const QString list = names.size() < 2 ? names.join(QString())
                                                  : names.mid(0, names.size() - 1).join(QStringLiteral(", "))
                                                        + QStringLiteral(" or ") + names.last();
            throw CLI::RequiresError(option->get_name(), list.toStdString());
        }
    });
}

// The JPEG and PDF formats; gives their options.
std::vector<CLI::Option*> registerRasterFormats(CLI::App& program, CliContext& c, std::shared_ptr<SvgOptions> o)
{
    auto j = std::make_shared<JpegOptions>();
    const auto [command, jpeg] = AddExportFormat(program, c, "--jpeg", "the stored Harris diagram as a JPEG image",
                                                 [&c, o, j](const QString& project, const QString& file) {
                                                     return writeJpeg(c, *o, *j, project, file);
                                                 });
    AddValueOption(command, "--quality", "Q", "the JPEG quality, 1 to 100 (default: 75)",
                   [j](const QString& text) { j->quality = text; })
        ->needs(jpeg);

    auto p = std::make_shared<PdfOptions>();
    const auto pdf = AddExportFormat(program, c, "--pdf", "the stored Harris diagram printed to PDF on A4 sheets",
                                     [&c, o, p](const QString& project, const QString& file) {
                                         return writePdf(c, *o, *p, project, file);
                                     }).option;
    AddValueOption(command, "--scale", "S", "printer pixels per diagram pixel, 1 to 32 (default: 2)",
                   [p](const QString& text) {
                       const auto scale = parseInt32(text);
                       if (!scale || *scale < 1 || *scale > 32)
                           RefuseValue(QStringLiteral("Print scaling factor must be in the range 1..32"));
                       p->scale = *scale;
                   })
        ->needs(pdf);
    AddChoice(command, "--sheets", QStringLiteral("--sheets"), {QStringLiteral("one"), QStringLiteral("several")},
              "refuse a diagram larger than one sheet, or print it on as many as it needs (default: several)",
              p->sheets)
        ->needs(pdf);
    return {jpeg, pdf};
}

struct BitmapOptions {
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

enum class BitmapFile { Bitmap, Metafile };

// The diagram image at zoom 1, reduced to the number of colours; a
// black-and-white file is drawn in black and white, as the window draws it.
int writeBitmap(CliContext& c, SvgOptions o, const BitmapOptions& b, BitmapFile kind, const QString& project,
                const QString& file)
{
    const ColourDepth depth = colourDepth(b.colours);
    o.blackWhite = o.blackWhite || depth == ColourDepth::BlackWhite;
    int code = Failed;
    const auto stored = drawStoredDiagram(c, o, project, code);
    if (!stored) return code;
    const int width = stored->drawing.geometry.width(), height = stored->drawing.geometry.height();
    const auto tooLarge = kind == BitmapFile::Bitmap ? BmpSizeProblem(width, height, depth)
                                                     : MetafileSizeProblem(width, height, depth);
    if (tooLarge) {
        c.ui.error(*tooLarge);
        return Failed;
    }
    const QString path = MakeAbsolute(file);
    if (!writeRaster(c, *stored, [&](RasterRows& image) {
            return kind == BitmapFile::Bitmap ? WriteBmpFile(path, image, depth) : WriteMetafile(path, image, depth);
        }))
        return Failed;
    c.print(c.out, QStringLiteral("Image: %1 x %2 pixels, %3\n").arg(width).arg(height).arg(PixelFormatText(depth)));
    reportExported(c, path);
    return exported(c, *stored);
}

// belvanto-cli export --bmp FILE / --emf FILE [--colours N]; gives the two
// formats and --colours.
std::tuple<CLI::Option*, CLI::Option*, CLI::Option*> registerBitmapFormats(CLI::App& program, CliContext& c,
                                                                            const std::shared_ptr<SvgOptions>& o)
{
    auto b = std::make_shared<BitmapOptions>();
    const auto [command, bmp] =
        AddExportFormat(program, c, "--bmp", "the stored Harris diagram as a Windows bitmap",
                        [&c, o, b](const QString& project, const QString& file) {
                            return writeBitmap(c, *o, *b, BitmapFile::Bitmap, project, file);
                        });
    CLI::Option* emf =
        AddExportFormat(program, c, "--emf", "the stored Harris diagram as an enhanced metafile holding the bitmap",
                        [&c, o, b](const QString& project, const QString& file) {
                            return writeBitmap(c, *o, *b, BitmapFile::Metafile, project, file);
                        })
            .option;
    CLI::Option* colours =
        AddChoice(command, "--colours", QStringLiteral("--colours"),
                  {QStringLiteral("2"), QStringLiteral("16"), QStringLiteral("256"), QStringLiteral("65536"),
                   QStringLiteral("16M")},
                  "the number of colours of the bitmap: 2 (black and white, 1 bit per pixel), 16, 256, 65536 or 16M "
                  "(24 bits per pixel, the default)",
                  b->colours);
    return {bmp, emf, colours};
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
    AddValueOption(command, "--contract", "E:G1,E:G2",
                   "the named groups each drawn as one box, their members hidden and the diagram laid out again "
                   "(the stored layout stays as it is)",
                   [o](const QString& text) { o->contract = text.split(QLatin1Char(','), Qt::SkipEmptyParts); })
        ->needs(svg);
    const std::vector<CLI::Option*> raster = registerRasterFormats(program, c, o);
    const auto [bmp, emf, colours] = registerBitmapFormats(program, c, o);

    // The drawing options serve every format that draws the diagram.
    std::vector<CLI::Option*> drawn{svg};
    drawn.insert(drawn.end(), raster.begin(), raster.end());
    drawn.insert(drawn.end(), {bmp, emf});
    FormatRules rules;
    for (const char* name : {"--font", "--labels", "--bw", "--thematic", "--contract"}) {
        CLI::Option* option = command->get_option(name);
        option->remove_needs(svg);
        rules.push_back({option, drawn});
    }
    rules.push_back({colours, {bmp, emf}});
    requireOneFormat(command, rules);
}

} // namespace belvanto
