// Thematic styles: the range rows and their texts, the checks of edited
// rows, the legend's geometry and files, and the assignment to a project's
// units through the core and through belvanto-cli.
#include "DiagramFixture.h"
#include "ReaderTools.h"
#include "cli/CliRunner.h"
#include "cli/ThematicCommands.h"
#include "core/Regional.h"
#include "diagram/Thematic.h"
#include "diagram/export/LegendWriter.h"
#include "diagram/qt/LegendPainter.h"
#include "store/LayoutFileNames.h"
#include "store/Project.h"
#include "store/Session.h"
#include "support/ScriptedUi.h"
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

struct InitialCase {
    const char* name;
    FieldType type;
    double min, max;
    bool blank;
    int rows;
    QStringList texts;
};

TEST(ThematicRanges, InitialRowsAndTheirTexts)
{
    const double d2020 = double(QDate(2020, 1, 1).toJulianDay());
    const InitialCase cases[] = {
        // Upper end 11, step 2.5 rounded up to 3.
        {"integer 1..10", FieldType::Integer, 1, 10, false, 4, {"1 - 4", "4 - 7", "7 - 10", "10 - 13"}},
        // Upper end 10.01, step 2.5025: 15 significant digits, not 17.
        {"float 0..10", FieldType::Float, 0, 10, false, 4,
         {"0 - 2.5025", "2.5025 - 5.005", "5.005 - 7.5075", "7.5075 - 10.01"}},
        // Step exactly 3: no rounding up.
        {"integer exact step", FieldType::Integer, 0, 8, false, 3, {"0 - 3", "3 - 6", "6 - 9"}},
        {"negative integers with blanks", FieldType::Integer, -10, -1, true, 2, {" blank ", "-10 - -5", "-5 - 0"}},
        // 11 days, step 5.5 rounded up to 6.
        {"dates", FieldType::Date, d2020, d2020 + 10, false, 2, {"2020-01-01 - 2020-01-07", "2020-01-07 - 2020-01-13"}},
        {"one row", FieldType::Float, 1, 2, false, 1, {"1 - 2.001"}},
    };
    for (const InitialCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto ranges = InitialRanges(c.type, c.min, c.max, c.blank, c.rows);
        EXPECT_EQ(RangeLegendTexts(c.type, ranges), c.texts);
        for (const ThematicRange& r : ranges) EXPECT_EQ(r.look, BoxLook{});
        // The grid's texts read back as the same rows.
        const RangeCheck back = CheckRanges(c.type, RangeTexts(c.type, ranges));
        ASSERT_FALSE(back.problem) << back.problem->message.toStdString();
        EXPECT_EQ(RangeLegendTexts(c.type, back.ranges), c.texts);
    }
}

TEST(ThematicRanges, TheDialogShowsAndReadsTheRegionalNotation)
{
    // A German desktop: decimal comma, day.month.year. The texts read back
    // as the same rows, and "." and ISO dates are read as well.
    const FixedRegional german(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
    const double d2020 = double(QDate(2020, 1, 1).toJulianDay());
    struct Case {
        FieldType type;
        double min, max;
        QStringList texts;
    };
    const Case cases[] = {
        {FieldType::Float, 0, 10, {"0 - 2,5025", "2,5025 - 5,005", "5,005 - 7,5075", "7,5075 - 10,01"}},
        {FieldType::Date, d2020, d2020 + 10, {"01.01.2020 - 07.01.2020", "07.01.2020 - 13.01.2020"}},
    };
    for (const Case& c : cases) {
        const auto ranges = InitialRanges(c.type, c.min, c.max, false, int(c.texts.size()));
        EXPECT_EQ(RangeLegendTexts(c.type, ranges, &german), c.texts);
        const RangeCheck back = CheckRanges(c.type, RangeTexts(c.type, ranges, &german), &german);
        ASSERT_FALSE(back.problem) << back.problem->message.toStdString();
        EXPECT_EQ(RangeLegendTexts(c.type, back.ranges), RangeLegendTexts(c.type, ranges));
    }
    EXPECT_EQ(RangeValueOf(FieldType::Float, QStringLiteral("2.5"), &german), 2.5);
    EXPECT_EQ(RangeValueOf(FieldType::Date, QStringLiteral("2020-01-07"), &german), d2020 + 6);
    EXPECT_FALSE(RangeValueOf(FieldType::Date, QStringLiteral("32.01.2020"), &german));
}

struct CheckCase {
    const char* name;
    FieldType type;
    std::vector<std::pair<QString, QString>> rows;   // " blank " for the blank row
    QString message;
    int row;
};

TEST(ThematicRanges, EditedRowsAreCheckedInOrder)
{
    const QString blank = kBlankEntry;
    const CheckCase cases[] = {
        {"text in an integer row", FieldType::Integer, {{"1", "4"}, {"4", "x"}},
         "Range values cannot be converted to integer numbers", 1},
        {"fraction in an integer row", FieldType::Integer, {{"1", "4.5"}}, "Range values cannot be converted to integer numbers", 0},
        {"comma in a float row", FieldType::Float, {{"1,5", "4"}}, "Range values cannot be converted to floating point numbers", 0},
        {"no date", FieldType::Date, {{"2020-01-01", "2020-13-01"}}, "Range values cannot be converted to dates", 0},
        // Conversion of every row comes before the order of any.
        {"conversion first", FieldType::Integer, {{"5", "1"}, {"", "3"}}, "Range values cannot be converted to integer numbers", 1},
        {"empty range", FieldType::Float, {{"1", "2"}, {"3", "3"}}, "Min. value larger or equal than max. value", 1},
        {"overlap", FieldType::Integer, {{blank, blank}, {"1", "5"}, {"4", "9"}},
         "Max. value of previous range larger than min. value", 2},
        {"gap allowed", FieldType::Integer, {{blank, blank}, {"1", "5"}, {"7", "9"}}, QString(), 0},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RangeText> rows;
        for (const auto& [min, max] : c.rows) rows.push_back(RangeText{min == blank, min, max, {}});
        const RangeCheck check = CheckRanges(c.type, rows);
        if (c.message.isEmpty()) {
            EXPECT_FALSE(check.problem);
            continue;
        }
        ASSERT_TRUE(check.problem);
        EXPECT_EQ(check.problem->message, c.message);
        EXPECT_EQ(check.problem->row, c.row);
    }
}

TEST(ThematicLegend, GeometryOfOverlappingBoxes)
{
    FakeMetrics metrics;
    metrics.widths.insert(QStringLiteral("widest"), 40);
    metrics.widths.insert(QStringLiteral("b"), 10);
    metrics.widths.insert(QStringLiteral("c"), 13);
    const LegendDrawing legend = BuildLegend({"widest", "b", "c"}, {{255, 1}, {65280, 6}, {kWhite, 99}}, DiagramFont{},
                                             metrics);
    EXPECT_EQ(legend.textWidth, 40);
    EXPECT_EQ(legend.textHeight, 13);
    EXPECT_EQ(legend.width, 114);
    EXPECT_EQ(legend.height, 91);
    ASSERT_EQ(legend.entries.size(), 3u);
    const qint64 tops[] = {13, 39, 65};
    const qint64 xs[] = {17, 32, 30};
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const UnitItem& e = legend.entries[k];
        EXPECT_EQ(e.rect, (Rect{12, tops[k], 102, tops[k] + 30}));
        EXPECT_EQ(e.label.x, xs[k]);
        EXPECT_EQ(e.label.baseline, tops[k] + 11);
    }
    EXPECT_EQ(legend.entries[2].look.style, 0) << "an unknown style is drawn solid";
    EXPECT_EQ(legend.entries[1].cornerEllipse, legend.box.BoxHalfHeight);

    // The lower box wins where two overlap; nothing outside.
    EXPECT_EQ(LegendEntryAt(legend, 50, 20), 0);
    EXPECT_EQ(LegendEntryAt(legend, 50, 41), 1);
    EXPECT_EQ(LegendEntryAt(legend, 50, 90), 2);
    EXPECT_FALSE(LegendEntryAt(legend, 5, 20));
    EXPECT_FALSE(LegendEntryAt(legend, 50, 5));

    // An italic font widens W by a fifth.
    DiagramFont italic;
    italic.italic = true;
    EXPECT_EQ(BuildLegend({"widest"}, {}, italic, metrics).width, 2 * (48 + 5) + 24);
}

class LegendFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeMetrics metrics;
    LegendDrawing legend = BuildLegend({"<Römisch & Co>", "Ωμέγα", kBlankEntry}, {{255, 0}, {65280, 1}, {16711680, 9}},
                                       DiagramFont{}, metrics);
    QString path(const char* name) { return dir.filePath(QString::fromUtf8(name)); }
};

TEST_F(LegendFiles, EachExtensionReadByItsReader)
{
    ScriptedUi ui;
    for (const char* name : {"l.svg", "l.bmp", "l.JPG", "l.wmf"})
        ASSERT_TRUE(WriteLegendFile(ui, path(name), legend, DiagramFont{}, RenderLegend)) << name;

    const ToolRun xml = runTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path("l.svg")});
    EXPECT_EQ(xml.exitCode, 0) << xml.output.toStdString();
    const ToolRun png = runTool(QStringLiteral("rsvg-convert"), {path("l.svg"), QStringLiteral("-o"), path("l.png")});
    ASSERT_EQ(png.exitCode, 0) << png.output.toStdString();
    const QImage rendered(path("l.png"));
    EXPECT_EQ(rendered.size(), QSize(legend.width, legend.height));
    // Inside the first box, clear of border and text: its red fill.
    EXPECT_EQ(rendered.pixel(15, 30) & 0xFFFFFF, 0xFF0000u);

    QFile svgFile(path("l.svg"));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svg = svgFile.readAll();
    EXPECT_TRUE(svg.contains("<g id=\"Thematic Legend\" stroke=\"black\" stroke-width=\"1pt\">\r\n<rect x=\"12\" y=\"13\" "
                             "width=\"" + QByteArray::number(2 * legend.textWidth + 10) + "\" height=\"30\" fill=\"#FF0000\"  />"));
    EXPECT_TRUE(svg.contains("&#60;R&#246;misch &#38; Co>"));
    EXPECT_TRUE(svg.contains("&#937;&#956;"));
    EXPECT_TRUE(svg.contains("<polygon fill=\"#0000FF\""));

    for (const char* name : {"l.bmp", "l.JPG"}) {
        const ToolRun id = runTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m %w %h %Q"),
                                                                 path(name)});
        ASSERT_EQ(id.exitCode, 0) << id.output.toStdString();
        const QStringList parts = id.output.split(QLatin1Char(' '));
        EXPECT_EQ(parts.value(1), QString::number(legend.width)) << name;
        EXPECT_EQ(parts.value(2), QString::number(legend.height)) << name;
        if (QByteArray(name).endsWith("JPG")) {
            EXPECT_EQ(parts.value(3), QStringLiteral("100"));
        }
    }
    // The bitmap holds the painted legend pixel for pixel.
    const QImage bmp(path("l.bmp"));
    EXPECT_EQ(bmp.convertToFormat(QImage::Format_RGB32), RenderLegendImage(legend, DiagramFont{}));
    const ToolRun emf = runTool(QStringLiteral("file"), {QStringLiteral("-b"), path("l.wmf")});
    EXPECT_TRUE(emf.output.contains(QStringLiteral("Enhanced Metafile"))) << emf.output.toStdString();
}

TEST_F(LegendFiles, UnknownAndVectorOnlyExtensionsAreRefused)
{
    ScriptedUi ui;
    for (const char* ext : {"DXF", "PLT", "MIF", "TXT"}) {
        ui.expect(MessageKind::Warning, QStringLiteral("Sorry, file extension .%1 not supported.").arg(ext), Buttons::Ok, 38);
        EXPECT_FALSE(WriteLegendFile(ui, path("legend.") + QString::fromLatin1(ext).toLower(), legend, DiagramFont{},
                                     RenderLegend));
    }
    ui.verifyDone();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    ui.expectSaveFile().withTitle(QStringLiteral("Save Thematic Legend")).withFileName(QStringLiteral("*.bmp")).cancel();
    EXPECT_FALSE(SaveLegendCommand(ui, legend, DiagramFont{}, RenderLegend));
    ui.verifyDone();
}

// A project of eleven units made with belvanto-cli; MinYear 1 to 10 (none
// for the last), Period "Römisch0" ... "Römisch2".
class ThematicProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(cli({"new", project(), "--excavation", "Ex"}).code, 0);
        for (int i = 1; i <= 10; ++i)
            ASSERT_EQ(cli({"unit", "add", project(), QStringLiteral("u%1").arg(i), "--set",
                           QStringLiteral("MinYear=%1").arg(i), "--set", QStringLiteral("Period=Römisch%1").arg(i % 3)})
                          .code,
                      0);
        ASSERT_EQ(cli({"unit", "add", project(), "u11"}).code, 0);
    }
    static CliResult cli(const QStringList& args)
    {
        auto r = runCliCaptured(args);
        EXPECT_NE(r.code, 99) << r.err.toStdString();
        return r;
    }
    QString project() const { return dir.filePath(QStringLiteral("p.bvp")); }
    QByteArray unitTableHash() const
    {
        QFile f(dir.filePath(QStringLiteral("p_unit.db")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    // "colour/style" of every unit by name.
    QMap<QString, QString> styles()
    {
        ScriptedUi ui;
        FixedRegional regional;
        Session s(ui, regional);
        QMap<QString, QString> out;
        if (!OpenProject(s, project())) return out;
        for (const auto& row : s.units().query(QString(), {}))
            out.insert(textAt(row, uf::Unitname), valueToString(row.values[uf::ThematicColour]) + QLatin1Char('/')
                                                       + valueToString(row.values[uf::ThematicStyle]));
        CloseProject(s, true);
        return out;
    }
    QTemporaryDir dir;
};

TEST_F(ThematicProject, RangesAssignEveryUnitInOnePass)
{
    ScriptedUi ui;
    FixedRegional regional;
    Session s(ui, regional);
    ASSERT_TRUE(OpenProject(s, project()));
    // A filter is no reason to leave units out; it stands afterwards.
    s.units().setFilter(QStringLiteral("Unitname = 'u1'"));
    auto start = StartThematic(s, uf::MinYear);
    ASSERT_TRUE(start);
    EXPECT_TRUE(s.units().filtered());
    EXPECT_EQ(RangeLegendTexts(FieldType::Integer, start->ranges),
              (QStringList{" blank ", "1 - 4", "4 - 7", "7 - 10", "10 - 13"}));

    // Without the " blank " row the unit without a year is in no range.
    std::vector<ThematicRange> ranges(start->ranges.begin() + 1, start->ranges.end());
    for (std::size_t i = 0; i < ranges.size(); ++i) ranges[i].look = BoxLook{quint32(100 + i), int(i) + 1};
    const ThematicAssignment a = AssignRangeStyles(s, start->field, ranges);
    EXPECT_EQ(a.counts, (std::vector<qint64>{3, 3, 3, 1}));
    EXPECT_EQ(a.notInRange, 1);
    ui.expect(MessageKind::Warning, QStringLiteral("1 units not in any range"), Buttons::Ok, 61);
    WarnNotInRange(ui, a);
    EXPECT_EQ(WriteThematicStyles(s, a, ThematicMode::Both), 0) << "no layout yet";
    CloseProject(s, true);
    const auto st = styles();
    EXPECT_EQ(st.value("u1"), "100/1");
    EXPECT_EQ(st.value("u4"), "101/2");
    EXPECT_EQ(st.value("u10"), "103/4");
    EXPECT_EQ(st.value("u11"), "16777215/0");
}

TEST_F(ThematicProject, TermsPresetFromTheTermFileAndModesLimitTheWrite)
{
    ScriptedUi ui;
    FixedRegional regional;
    Session s(ui, regional);
    ASSERT_TRUE(OpenProject(s, project()));
    auto start = StartThematic(s, uf::Period);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->terms.entries, (QStringList{"Römisch0", "Römisch1", "Römisch2", " blank "}));
    start->terms.looks = {{1, 3}, {2, 4}, {3, 5}, {4, 6}};
    const ThematicAssignment a = AssignTermStyles(s, start->field, start->terms);
    EXPECT_EQ(a.counts, (std::vector<qint64>{3, 4, 3, 1}));
    WriteThematicStyles(s, a, ThematicMode::StyleOnly);
    CloseProject(s, true);
    EXPECT_EQ(styles().value("u3"), "/3");
    EXPECT_EQ(styles().value("u11"), "/6");

    // "set colour only" leaves every style as it was.
    ASSERT_TRUE(OpenProject(s, project()));
    start->terms.looks = {{7, 9}, {8, 9}, {9, 9}, {10, 9}};
    WriteThematicStyles(s, AssignTermStyles(s, start->field, start->terms), ThematicMode::ColourOnly);
    CloseProject(s, true);
    EXPECT_EQ(styles().value("u3"), "7/3");
    EXPECT_EQ(styles().value("u1"), "8/4");
    EXPECT_EQ(styles().value("u11"), "10/6");
}

TEST_F(ThematicProject, TheCommandsChecksStoreNothing)
{
    const QByteArray before = unitTableHash();
    const struct {
        QStringList args;
        int code;
        QString err;
    } cases[] = {
        {{"--field", "Description"}, 1, "warning: Field Description does not contain any entries\n"},
        {{"--field", "AvgYear"}, 1, "warning: Field Center year does not contain any entries\n"},
        {{"--field", "Nonsense"}, 2, "error: unknown field 'Nonsense'\n"},
        {{"--field", "Period", "--ranges", "3"}, 2, "error: --ranges needs an integer, float or date field\n"},
        {{"--field", "MinYear", "--values"}, 2, "error: --values needs a string field\n"},
        {{"--field", "MinYear", "--colours", "#12345G"}, 2, "error: cannot read the colour '#12345G'\n"},
        {{"--field", "MinYear", "--styles", "wavy"}, 2, "error: unknown box style 'wavy'\n"},
        {{"--field", "MinYear", "--style-only", "--colour-only"}, 2, "error: --style-only excludes --colour-only\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto r = runCliCaptured(QStringList{"thematic", project()} + c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
    }
    ASSERT_EQ(cli({"unit", "set", project(), "u1", "MinYear=5"}).code, 0);
    for (int i = 2; i <= 11; ++i)
        ASSERT_EQ(cli({"unit", "set", project(), QStringLiteral("u%1").arg(i), "MinYear=5"}).code, 0);
    const QByteArray oneValue = unitTableHash();
    auto r = runCliCaptured({"thematic", project(), "--field", "MinYear"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("warning: Field First year does contain only one value.\n"));
    EXPECT_EQ(unitTableHash(), oneValue);
    EXPECT_NE(before, QByteArray());
}

TEST(ThematicEmpty, NothingToColour)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("e.bvp"));
    ASSERT_EQ(runCliCaptured({"new", p, "--excavation", "Ex"}).code, 0);
    const auto r = runCliCaptured({"thematic", p, "--field", "Period"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("warning: Sorry, thematic colouring of nothing does not make any sense.\n"));
}

TEST_F(ThematicProject, CommandLineAssignsPrintsAndDrawsTheLegend)
{
    auto r = runCliCaptured({"thematic", project(), "--field", "Period", "--colours", "#FF0000,255", "--styles",
                             "dash"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Römisch0: 3 units, colour #FF0000, style dash\n"
                                    "Römisch1: 4 units, colour #FF0000, style dash\n"
                                    "Römisch2: 3 units, colour #FF0000, style dash\n"
                                    " blank : 1 units, colour #FF0000, style dash\n"
                                    "Units styled: 11; unit layout records: 0\n"));
    EXPECT_EQ(styles().value("u11"), "255/1");

    // Default palette on ranges; the colour-only run keeps the styles.
    r = runCliCaptured({"thematic", project(), "--field", "First year", "--ranges", "2", "--colour-only"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral(" blank : 1 units, colour #FF8080"))) << r.out.toStdString();
    EXPECT_EQ(styles().value("u1"), QStringLiteral("%1/1").arg(ThematicPalette()[1]));

    const QString svg = dir.filePath(QStringLiteral("legend.svg"));
    r = runCliCaptured({"export", project(), "--legend", svg, "--field", "Period"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Legend: 4 entries, "))) << r.out.toStdString();
    EXPECT_EQ(runTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), svg}).exitCode, 0);

    r = runCliCaptured({"export", project(), "--legend", dir.filePath(QStringLiteral("legend.plt")), "--field", "Period"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("warning: Sorry, file extension .PLT not supported.\n"));
    r = runCliCaptured({"export", project(), "--svg", svg, "--field", "Period"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, QStringLiteral("error: --field requires --legend\n"));
}

TEST_F(ThematicProject, LayoutRecordsGetTheStylesToo)
{
    for (int i = 1; i < 10; ++i)
        ASSERT_EQ(cli({"rel", "add", project(), QStringLiteral("u%1<u%2").arg(i).arg(i + 1)}).code, 0);
    auto r = runCliCaptured({"layout", project()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"thematic", project(), "--field", "MinYear", "--colours", "#00FF00"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("Units styled: 11; unit layout records: 11\n"))) << r.out.toStdString();
    // The thematic drawing shows them without a new layout.
    DrawState state;
    state.thematic = true;
    const DiagramDrawing drawing = storedDrawing(project(), state);
    ASSERT_FALSE(drawing.units.empty());
    for (const UnitItem& u : drawing.units) {
        if (u.dummy) continue;
        EXPECT_EQ(u.look.fill, 0x00FF00u) << u.record->Unitname.toStdString();
    }
}

} // namespace
