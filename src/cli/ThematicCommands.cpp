#include "cli/ThematicCommands.h"
#include "cli/CliCommand.h"
#include "cli/DiagramCommands.h"
#include "core/Format.h"
#include "core/UserInterface.h"
#include "diagram/Thematic.h"
#include "diagram/export/LegendWriter.h"
#include "diagram/qt/LegendPainter.h"
#include "diagram/qt/QtTextMetrics.h"
#include <memory>

namespace belvanto {

const std::vector<quint32>& ThematicPalette()
{
    // Light enough for the black labels to stay readable.
    static const std::vector<quint32> palette{0x8080FF, 0x80FF80, 0xFF8080, 0x80FFFF,
                                              0xFF80FF, 0xFFFF80, 0x40A0FF, 0xC0C0C0};
    return palette;
}

namespace {

struct ThematicOptions {
    QString field;
    std::optional<int> ranges;
    bool values = false;
    std::vector<quint32> colours;
    std::vector<int> styles;
    bool styleOnly = false;
    bool colourOnly = false;
};

// "#RRGGBB" or a stored colour number (red in the lowest byte).
std::optional<quint32> parseColour(const QString& text)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('#')) && t.size() == 7) {
        bool ok = false;
        const uint rgb = t.mid(1).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        return quint32(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    const auto n = parseInt32(t);
    if (!n || *n < 0 || *n > 0xFFFFFF) return std::nullopt;
    return quint32(*n);
}

// A style number 0 to 12, or its name ("solid", "dashed", ...).
std::optional<int> parseStyle(const QString& text)
{
    const QString t = text.trimmed();
    const auto& names = BoxStyleNames();
    for (int i = 0; i < kBoxStyleCount; ++i)
        if (QString::compare(names[std::size_t(i)], t, Qt::CaseInsensitive) == 0) return i;
    const auto n = parseInt32(t);
    if (n && *n >= 0 && *n < kBoxStyleCount) return *n;
    return std::nullopt;
}

void addEntryOptions(CLI::App* command, const std::shared_ptr<ThematicOptions>& o, const std::string& colours,
                     const std::string& styles)
{
    AddValueOption(command, "--field", "F", "the unit field, by name or label", [o](const QString& t) { o->field = t; });
    CLI::Option* ranges = AddValueOption(command, "--ranges", "N",
                                         "N value ranges of an integer, float or date field (default: 4)",
                                         [o](const QString& t) {
                                             const auto n = parseInt32(t);
                                             if (!n || *n < 1 || *n > 1000)
                                                 RefuseValue(QStringLiteral("--ranges takes 1 to 1000 ranges"));
                                             o->ranges = *n;
                                         });
    CLI::Option* values = command->add_flag("--values", o->values, "one entry per distinct value of a string field");
    ranges->excludes(values);
    AddValueOption(command, colours, "C,...",
                   "the entries' colours in order, each #RRGGBB or a stored colour number (default: the term "
                   "file's colours, else a fixed palette)",
                   [o](const QString& t) {
                       o->colours.clear();
                       for (const QString& part : t.split(QLatin1Char(','))) {
                           const auto colour = parseColour(part);
                           if (!colour) RefuseValue(QStringLiteral("cannot read the colour '%1'").arg(part));
                           o->colours.push_back(*colour);
                       }
                   });
    AddValueOption(command, styles, "S,...",
                   "the entries' box styles in order, each 0 to 12 or its name (default: the term file's styles, "
                   "else solid)",
                   [o](const QString& t) {
                       o->styles.clear();
                       for (const QString& part : t.split(QLatin1Char(','))) {
                           const auto style = parseStyle(part);
                           if (!style) RefuseValue(QStringLiteral("unknown box style '%1'").arg(part));
                           o->styles.push_back(*style);
                       }
                   });
}

// The entries of the field as the dialogs start them, with the options'
// colours and styles: texts and looks in legend order.
struct Entries {
    ThematicField field;
    QStringList texts;
    TermStyles terms;
    std::vector<ThematicRange> ranges;
};

void applyLooks(const ThematicOptions& o, std::vector<BoxLook*> looks)
{
    std::size_t palette = 0;
    for (std::size_t i = 0; i < looks.size(); ++i) {
        BoxLook& look = *looks[i];
        if (!o.colours.empty()) look.fill = o.colours[i % o.colours.size()];
        else if (look.fill == kWhite) look.fill = ThematicPalette()[palette++ % ThematicPalette().size()];
        if (!o.styles.empty()) look.style = o.styles[i % o.styles.size()];
    }
}

// Nothing after the message; usage problems set `code` to Usage.
std::optional<Entries> entries(CliContext& c, Session& s, const ThematicOptions& o, int& code)
{
    code = Failed;
    if (o.field.isEmpty()) {
        code = c.usage(QStringLiteral("--field is required"));
        return std::nullopt;
    }
    std::optional<int> pos;
    for (int i = 0; i < kUnitFieldCount && !pos; ++i) {
        const UnitFieldEntry& f = s.catalogue()[i];
        if (f.Internal) continue;
        if (QString::compare(f.Name, o.field, Qt::CaseInsensitive) == 0
            || QString::compare(f.Label, o.field, Qt::CaseInsensitive) == 0)
            pos = i;
    }
    if (!pos) {
        code = c.usage(QStringLiteral("unknown field '%1'").arg(o.field));
        return std::nullopt;
    }
    const bool isString = s.catalogue()[*pos].Type == FieldType::String;
    if (isString && o.ranges) {
        code = c.usage(QStringLiteral("--ranges needs an integer, float or date field"));
        return std::nullopt;
    }
    if (!isString && o.values) {
        code = c.usage(QStringLiteral("--values needs a string field"));
        return std::nullopt;
    }
    auto start = StartThematic(s, *pos, o.ranges.value_or(kDefaultRangeRows));
    if (!start) return std::nullopt;
    Entries e{start->field, {}, std::move(start->terms), std::move(start->ranges)};
    std::vector<BoxLook*> looks;
    if (isString) {
        e.texts = e.terms.entries;
        for (BoxLook& look : e.terms.looks) looks.push_back(&look);
    } else {
        e.texts = RangeLegendTexts(e.field.type, e.ranges);
        for (ThematicRange& r : e.ranges) looks.push_back(&r.look);
    }
    applyLooks(o, looks);
    return e;
}

std::vector<BoxLook> looksOf(const Entries& e)
{
    if (e.field.type == FieldType::String) return e.terms.looks;
    std::vector<BoxLook> looks;
    for (const ThematicRange& r : e.ranges) looks.push_back(r.look);
    return looks;
}

QString colourText(quint32 colour)
{
    return QStringLiteral("#%1%2%3")
        .arg(colour & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

int runThematic(CliContext& c, const ThematicOptions& o)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    int code = Failed;
    const auto e = entries(c, p.session, o, code);
    if (!e) return code;
    const ThematicAssignment a = e->field.type == FieldType::String
                                     ? AssignTermStyles(p.session, e->field, e->terms)
                                     : AssignRangeStyles(p.session, e->field, e->ranges);
    const ThematicMode mode = o.colourOnly ? ThematicMode::ColourOnly
                              : o.styleOnly ? ThematicMode::StyleOnly
                                            : ThematicMode::Both;
    const qint64 layout = WriteThematicStyles(p.session, a, mode);
    const std::vector<BoxLook> looks = looksOf(*e);
    for (qsizetype i = 0; i < e->texts.size(); ++i) {
        const BoxLook& look = looks[std::size_t(i)];
        c.print(c.out, QStringLiteral("%1: %2 units, colour %3, style %4\n")
                           .arg(e->texts[i])
                           .arg(a.counts[std::size_t(i)])
                           .arg(colourText(look.fill), BoxStyleNames()[std::size_t(look.style)]));
    }
    WarnNotInRange(c.ui, a);
    c.print(c.out, QStringLiteral("Units styled: %1; unit layout records: %2\n").arg(a.rowids.size()).arg(layout));
    return Ok;
}

int writeLegend(CliContext& c, const ThematicOptions& o, const QString& project, const QString& file)
{
    if (!HaveGuiApplication()) {
        c.ui.error(QStringLiteral("Text cannot be measured: the program has no graphical application object"));
        return Failed;
    }
    OpenedProject p(c, project, OpenMode::ReadOnly);
    if (!p.ok) return Failed;
    int code = Failed;
    const auto e = entries(c, p.session, o, code);
    if (!e) return code;
    const DiagramFont font;
    const LegendDrawing legend = BuildLegend(e->texts, looksOf(*e), font, QtTextMetrics(font));
    if (!WriteLegendFile(c.ui, MakeAbsolute(file), legend, font, RenderLegend)) return Failed;
    c.print(c.out, QStringLiteral("Legend: %1 entries, %2 x %3 pixels\n")
                       .arg(e->texts.size())
                       .arg(legend.width)
                       .arg(legend.height));
    return Ok;
}

} // namespace

void RegisterThematicCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<ThematicOptions>();
    CLI::App* command = AddCommand(program, c, "thematic",
                                   "give every unit the thematic colour and box style of its value of a field",
                                   [&c, o] { return runThematic(c, *o); });
    AddWords(command, c, "P.bvp", "the project file");
    addEntryOptions(command, o, "--colours", "--styles");
    CLI::Option* styleOnly = command->add_flag("--style-only", o->styleOnly, "set the box style only");
    command->add_flag("--colour-only", o->colourOnly, "set the colour only")->excludes(styleOnly);

    auto legend = std::make_shared<ThematicOptions>();
    const auto [exportCommand, legendOption] =
        AddExportFormat(program, c, "--legend", "the legend of the thematic styles of --field (.bmp, .jpg, .svg, .wmf)",
                        [&c, legend](const QString& project, const QString& file) {
                            return writeLegend(c, *legend, project, file);
                        });
    addEntryOptions(exportCommand, legend, "--legend-colours", "--legend-styles");
    for (const char* name : {"--field", "--ranges", "--values", "--legend-colours", "--legend-styles"})
        exportCommand->get_option(name)->needs(legendOption);
}

} // namespace belvanto
