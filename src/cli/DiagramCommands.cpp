#include "cli/DiagramCommands.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "diagram/DisplayList.h"
#include "diagram/StoredLayout.h"
#include "diagram/export/SvgWriter.h"
#include "diagram/qt/QtTextMetrics.h"
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

} // namespace

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv)
{
    bool fonts = false;
    for (int i = 1; i < argc; ++i)
        fonts = fonts || qstrcmp(argv[i], "--svg") == 0 || QByteArray(argv[i]).startsWith("--svg=");
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

int writeSvg(CliContext& c, const SvgOptions& o, const QString& project, const QString& file)
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
    c.ui.setSaveFileAnswer(MakeAbsolute(file));
    if (!ExportSvgCommand(c.ui, drawing, state.font)) return Failed;
    c.print(c.out, QStringLiteral("Harris diagram layout created on %1\n").arg(LayoutCreatedText(p.session)));
    return Ok;
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
}

} // namespace belvanto
