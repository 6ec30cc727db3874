// belvanto-cli export --svg on layouts written by hand, and the independent
// readers (xmllint, rsvg-convert) on what it writes.
#include "ReaderTools.h"
#include "cli/CliContext.h"
#include "cli/CliRunner.h"
#include "core/UserInterface.h"
#include "layout/LayoutFiles.h"
#include "store/Table.h"
#include "store/Terms.h"
#include "support/ScriptedUi.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

struct StoredUnit {
    const char* excavation;
    const char* name;
    qint32 column, level;
    std::optional<qint32> colour;
    std::optional<qint32> style;
    const char* kind = "C";
};

class SvgExportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void storeLayout(const std::vector<StoredUnit>& units, qint32 columns, qint32 levels,
                     const std::vector<std::array<qint32, 6>>& segments = {}, const PeriodList& periods = {})
    {
        CreateLayoutTables(dir.path(), QStringLiteral("P"));
        {
            Table t;
            t.open(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix);
            for (const StoredUnit& u : units) {
                t.insert();
                t.set(ul::Excavation, QString::fromUtf8(u.excavation));
                t.set(ul::Unitname, QString::fromUtf8(u.name));
                t.set(ul::XStart, u.column);
                t.set(ul::XStop, u.column);
                t.set(ul::YLevelStart, u.level);
                t.set(ul::YLevelStop, u.level);
                t.set(ul::NestCt, 0);
                if (u.colour) t.set(ul::Colour, *u.colour);
                if (u.style) t.set(ul::BoxStyle, *u.style);
                t.set(ul::Unitclass, QString::fromLatin1(u.kind));
                t.post();
            }
            Table r;
            r.open(dir.path(), QStringLiteral("P") + kRelLayoutSuffix);
            int n = 0;
            for (const auto& s : segments) {
                r.insert();
                r.set(rl::Excavation1, QStringLiteral("E"));
                r.set(rl::Unitname1, QStringLiteral("low%1").arg(++n));
                r.set(rl::Excavation2, QStringLiteral("E"));
                r.set(rl::Unitname2, QStringLiteral("up%1").arg(n));
                r.set(rl::XPos1, s[0]);
                r.set(rl::YLevel1, s[1]);
                r.set(rl::XPos2, s[2]);
                r.set(rl::YLevel2, s[3]);
                r.set(rl::YSubLevel, s[4]);
                r.set(rl::Port1, s[5]);
                r.set(rl::Port2, 0);
                r.set(rl::RelationCat, QStringLiteral("<"));
                r.post();
            }
        }
        DeleteWorkingTables(dir.path());
        LayoutParameters p;
        p.reset(columns, levels);
        for (qint32 l = 1; l < levels; ++l) p.TrackCount[std::size_t(l)] = 1;
        p.periods = periods;
        ScriptedUi ui;
        ASSERT_TRUE(WriteLayoutParameters(ui, dir.path(), QStringLiteral("P"), p));
        // As a successful layout run leaves the project.
        QFile file(project());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("DiagramPresent=True\r\n");
    }

    QTemporaryDir dir;
};

// The colourful layout the reader tests render.
const std::vector<StoredUnit> kColourful{
    {"\xc5\xa0\xc3\xa1rka", "1", 1, 1, 255, 0},       // Šárka, red
    {"E", "\xe2\x82\xac" "2", 2, 2, 16744512, 1},     // €2, #4080FF, dashed
    {"E", "A&1", 3, 3, 65280, 6},                     // green, rounded
    {"E", "(4)", 1, 3, std::nullopt, 2},              // no colour: white
    {":Dummy", "9", 2, 1, std::nullopt, std::nullopt, "D"},
};

} // namespace

TEST_F(SvgExportCommand, WritesTheStoredLayout)
{
    storeLayout(kColourful, 3, 3, {{2, 1, 4, 2, 1, 0}});
    const auto r = runCliCaptured({"export", project(), "--svg", file("d.svg")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.toStdString(), "information: Diagram was exported successfully to file \n  "
                                       + QDir::toNativeSeparators(file("d.svg")).toStdString() + "\n");
    QFile f(file("d.svg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray svg = f.readAll();
    EXPECT_TRUE(svg.startsWith("<?xml version=\"1.0\" standalone=\"no\"?>\r\n"));
    EXPECT_TRUE(svg.contains(">\r\nA&#38;1\r\n</text>"));
    EXPECT_TRUE(svg.contains(">\r\n&#8364;2\r\n</text>"));
    EXPECT_TRUE(svg.contains(">\r\n&#40;4&#41;\r\n</text>"));
    EXPECT_TRUE(svg.contains("fill=\"#4080FF\" stroke-dasharray=\"8,4\" />"));
    EXPECT_TRUE(svg.contains("font-family=\"sans-serif\" font-size=\"8pt\" fill=\"#000000\" text-anchor=\"start\""));
    EXPECT_EQ(svg.count("<rect "), 4);
    for (char c : svg) ASSERT_GT(uchar(c), 0) << "no byte outside ASCII";
    for (char c : svg) ASSERT_LT(uchar(c), 128) << "no byte outside ASCII";
}

TEST_F(SvgExportCommand, ListedInTheHelp)
{
    const auto r = runCliCaptured({"--help"});
    EXPECT_TRUE(r.out.contains(QStringLiteral("  export P.bvp [--dot FILE] [--svg FILE]\n"
                                              "         [--font FAMILY,POINTS[,bold][,italic][,underline]]\n"
                                              "         [--labels name|excavation|abbreviation] [--bw] [--thematic]\n")))
        << r.out.toStdString();
}

TEST_F(SvgExportCommand, LabelModesBlackAndWhiteAndFont)
{
    storeLayout(kColourful, 3, 3);
    auto r = runCliCaptured({"export", project(), "--svg", file("e.svg"), "--labels", "excavation", "--bw", "--font",
                             "DejaVu Sans,10,bold,italic"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(file("e.svg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray svg = f.readAll();
    EXPECT_TRUE(svg.contains(">\r\n&#352;&#225;rka:1\r\n</text>"));
    EXPECT_TRUE(svg.contains(">\r\nE:A&#38;1\r\n</text>"));
    EXPECT_EQ(svg.count("fill=\"#FFFFFF\""), 4);
    EXPECT_TRUE(svg.contains("font-size=\"10pt\" fill=\"#000000\" font-weight=\"bold\" font-style=\"italic\" "
                             "text-anchor=\"start\""));
}

TEST_F(SvgExportCommand, AbbreviationsFromTheTermFile)
{
    const QString terms = dir.filePath(QStringLiteral("T.db"));
    CreateTermTableFile(terms);
    {
        Table t;
        t.openFile(terms);
        for (const auto& [field, term, abbreviation] :
             {std::tuple{"Excavation", "\xc5\xa0\xc3\xa1rka", "SK"}, std::tuple{"Excavation", "E", ""},
              std::tuple{"Period", "E", "PE"}}) {
            TermRecord r;
            r.TermField = QString::fromUtf8(field);
            r.Term = QString::fromUtf8(term);
            r.Abbreviation = QString::fromUtf8(abbreviation);
            t.insert();
            WriteTermRecord(t, r);
            t.post();
        }
    }
    ASSERT_EQ(runCliCaptured({"--yes", "delete", project()}).code, 0);
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E", "--term", terms}).code, 0);
    storeLayout(kColourful, 3, 3);
    const auto r = runCliCaptured({"export", project(), "--svg", file("a.svg"), "--labels", "abbreviation"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(file("a.svg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray svg = f.readAll();
    EXPECT_TRUE(svg.contains(">\r\nSK:1\r\n</text>"));
    // No abbreviation for "E": the name itself; the period term does not count.
    EXPECT_TRUE(svg.contains(">\r\nE:A&#38;1\r\n</text>"));
}

TEST_F(SvgExportCommand, RefusalsAndFailures)
{
    struct Case {
        QStringList args;
        int code;
        const char* err;
    } cases[] = {
        {{"--labels", "full"}, Usage, "error: unknown --labels 'full': use name, excavation or abbreviation\n"},
        {{"--font", "DejaVu Sans"}, Usage,
         "error: --font takes FAMILY,POINTS[,bold][,italic][,underline] with 1 to 1000 points\n"},
        {{"--font", "DejaVu Sans,0"}, Usage,
         "error: --font takes FAMILY,POINTS[,bold][,italic][,underline] with 1 to 1000 points\n"},
        {{"--font", "DejaVu Sans,8,fat"}, Usage, "error: unknown font style 'fat': use bold, italic or underline\n"},
        {{"--font", "No Such Face 4711,8"}, Failed, "error: The font No Such Face 4711 is not installed\n"},
        {{"extra"}, Usage,
         "error: export takes P.bvp [--dot FILE] [--svg FILE] [--font FAMILY,POINTS[,bold][,italic][,underline]] "
         "[--labels name|excavation|abbreviation] [--bw] [--thematic] [--contract E:G1,E:G2] [--jpeg FILE] [--quality Q] [--pdf FILE] "
         "[--scale S] [--sheets one|several] [--bmp FILE] [--emf FILE] [--colours 2|16|256|65536|16M] [--csv FILE] "
         "[--relations FILE] [--lst FILE] [--dbf FILE] [--txt FILE] [--legend FILE] [--field F] [--ranges N] [--values] "
         "[--legend-colours C,...] [--legend-styles S,...]\n"},
    };
    for (const Case& c : cases) {
        const auto r = runCliCaptured(QStringList{"export", project(), "--svg", file("x.svg")} + c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.toStdString(), c.err);
    }
    // No layout yet.
    auto r = runCliCaptured({"export", project(), "--svg", file("x.svg")});
    EXPECT_EQ(r.code, Failed);
    EXPECT_EQ(r.err.toStdString(), "warning: Layout files not found. Layout must be newly created.\n");
    EXPECT_FALSE(QFile::exists(file("x.svg")));
    // A file that cannot be written.
    storeLayout(kColourful, 3, 3);
    r = runCliCaptured({"export", project(), "--svg", file("missing/x.svg")});
    EXPECT_EQ(r.code, Failed);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error: Cannot write "))) << r.err.toStdString();
}

TEST_F(SvgExportCommand, RecordsOutsideTheLayoutAreReportedAndSkipped)
{
    std::vector<StoredUnit> units = kColourful;
    units.push_back({"E", "zero", 0, 1, 255, 0});
    storeLayout(units, 3, 3);
    auto r = runCliCaptured({"export", project(), "--svg", file("s.svg")});
    EXPECT_EQ(r.code, Ok);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral(
        "warning: Unit layout record E:zero (columns 0 to 0, levels 1 to 1) lies outside the layout of 3 columns and "
        "3 levels and is not drawn.\n")))
        << r.err.toStdString();
    QFile f(file("s.svg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("<rect "), 4);

    // A box beyond the last column: the parameter file is not this layout's.
    units.back().column = 7;
    storeLayout(units, 3, 3);
    r = runCliCaptured({"export", project(), "--svg", file("t.svg")});
    EXPECT_EQ(r.code, Failed);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error: Error: Program is not able to open parameter file")))
        << r.err.toStdString();
}

TEST_F(SvgExportCommand, ReadersAcceptTheFileAndShowTheStoredColours)
{
    storeLayout(kColourful, 3, 3, {{2, 1, 4, 2, 1, 0}},
                {Period{QStringLiteral("R\xf6misch"), 0, 1}, Period{QStringLiteral("Eisen"), 0, 3}});
    const QString svg = file("c.svg");
    const auto r = runCliCaptured({"export", project(), "--svg", svg, "--labels", "excavation"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    DrawState state;
    state.contents = BoxContents::ExcavationName;
    checkWithReaders(svg, storedDrawing(project(), state),
                     {{QString::fromUtf8("\xc5\xa0\xc3\xa1rka:1"), 255},
                      {QString::fromUtf8("E:\xe2\x82\xac" "2"), 16744512},
                      {QStringLiteral("E:A&1"), 65280},
                      {QStringLiteral("E:(4)"), 16777215}});
}
