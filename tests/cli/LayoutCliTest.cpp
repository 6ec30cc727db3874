#include "CliRunner.h"
#include <QFile>
#include <map>
#include <set>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class LayoutCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E", "--single"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void units(const QStringList& names)
    {
        ASSERT_EQ(runCliCaptured(QStringList{"unit", "add", project()} + names).code, 0);
    }
    void relations(const QStringList& rels)
    {
        const auto r = runCliCaptured(QStringList{"rel", "add", project()} + rels);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    std::string run(const QStringList& args, int expectedCode = 0)
    {
        const auto r = runCliCaptured(args);
        EXPECT_EQ(r.code, expectedCode) << r.err.toStdString();
        return (r.out + r.err).toStdString();
    }
    // A context with a plan position, at height 1.
    void coordinates(const QString& name, const char* x, const char* y) { coordinates(project(), name, x, y); }
    void coordinates(const QString& file, const QString& name, const char* x, const char* y)
    {
        ASSERT_EQ(runCliCaptured({"unit", "add", file, name, "--set", QStringLiteral("XAvgCoord=%1").arg(x), "--set",
                                  QStringLiteral("YAvgCoord=%1").arg(y), "--set", "ZAvgCoord=1"})
                      .code,
                  0);
    }
    bool diagramPresent(const QString& file) { return run({"info", file}).find("Diagram present: yes") != std::string::npos; }
    bool diagramPresent() { return diagramPresent(project()); }
    QTemporaryDir dir;
};

TEST_F(LayoutCli, ChainIsLaidOutAndStored)
{
    units({"A", "B", "C"});
    relations({"A>B", "B>C"});
    EXPECT_EQ(run({"layout", project()}),
              "No cycles found.\n\n0 redundant relationships found.\n\nLayout stored: 1 columns, 3 levels.\n");
    EXPECT_TRUE(diagramPresent());
    EXPECT_EQ(run({"dump", project(), "layoutparams"}),
              "Groups: no\nColumns: 1\nLevels: 3\nLeftFrameLanes: 0\nRightFrameLanes: 0\nFrameLanesBelow: 0 0 0\n"
              "TrackCount: 0 0 0\nPeriods: 0\n");
    EXPECT_EQ(run({"dump", project(), "unitlayout"}),
              "Excavation,Unitname,Clevel,CXPos,XStart,XStop,YLevelStart,YLevelStop,NestCt,SonCt,FatherCt,Colour,"
              "BoxStyle,ThemColour,ThemBoxStyle,Unitclass,GExcavation,GUnitname\n"
              "E,A,1,,1,1,1,1,0,1,0,16777215,0,16777215,0,C,,\n"
              "E,B,2,,1,1,2,2,0,1,1,16777215,0,16777215,0,C,,\n"
              "E,C,3,,1,1,3,3,0,0,1,16777215,0,16777215,0,C,,\n");
}

// A shortcut of a chain is left out of the drawing, and deleted from the
// relationship table unless --keep-redundant only marks it.
TEST_F(LayoutCli, AShortcutIsNotDrawnAndDeletedUnlessKept)
{
    units({"A", "B", "C"});
    relations({"A>B", "B>C", "A>C"});
    EXPECT_EQ(run({"layout", project(), "--keep-redundant"}),
              "No cycles found.\n\nRedundant: link from E:A down to E:C\n1 redundant relationships found.\n\n"
              "Layout stored: 1 columns, 3 levels.\n");
    const std::string rels = run({"dump", project(), "rels"});
    EXPECT_NE(rels.find("E,A,E,C,>,,R\n"), std::string::npos) << rels;
    EXPECT_NE(rels.find("E,C,E,A,<,,R\n"), std::string::npos) << rels;
    const std::string lines = run({"dump", project(), "rellayout"});
    EXPECT_EQ(lines.find("E,C,E,A,"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("E,A,E,C,"), std::string::npos) << lines;

    run({"layout", project()});
    EXPECT_EQ(run({"dump", project(), "rels"}),
              "Excavation1,Unitname1,Excavation2,Unitname2,RelationCat,RelationFull,RelationStatus\n"
              "E,A,E,B,>,,u\nE,B,E,A,<,,u\nE,B,E,C,>,,u\nE,C,E,B,<,,u\n");
    EXPECT_TRUE(diagramPresent());
}

TEST_F(LayoutCli, ACycleStopsTheRunAndTheDiagramIsGone)
{
    units({"A", "B", "C"});
    relations({"A>B"});
    run({"layout", project()});
    ASSERT_TRUE(diagramPresent());
    relations({"B>C", "C>A"});
    const std::string out = run({"layout", project()}, 1);
    EXPECT_EQ(out.substr(0, 36), "Layout not successful.\nCycle list:\n\n");
    EXPECT_FALSE(diagramPresent());
}

TEST_F(LayoutCli, SvgExportAfterAFailedRunAsksBeforeDrawingTheOldLayout)
{
    units({"A", "B", "C"});
    relations({"A>B"});
    run({"layout", project()});
    auto r = runCliCaptured({"export", project(), "--svg", path("ok.svg")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Harris diagram layout created on "))) << r.out.toStdString();

    relations({"B>C", "C>A"});
    run({"layout", project()}, 1);
    const QString warning = QStringLiteral("warning: The project records no current Harris diagram: the last layout "
                                           "run failed, or none was made since the project was created.\n"
                                           "confirmation: The Harris diagram layout was created on ");
    r = runCliCaptured({"export", project(), "--svg", path("old.svg")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(warning)) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("Do you want to display this layout? [answer: No]\n"
                                              "error: No diagram exported: run layout first, or give --yes to export "
                                              "the stored layout as it is.\n")))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("old.svg")));

    r = runCliCaptured({"--yes", "export", project(), "--svg", path("old.svg")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(warning)) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(path("old.svg")));
}

TEST_F(LayoutCli, NothingToLayOut)
{
    EXPECT_EQ(run({"layout", project()}, 1), "warning: Sorry, checking nothing does not make any sense.\n");
}

TEST_F(LayoutCli, SeedsAreTakenModulo2To32)
{
    units({"A", "B", "C", "D", "E", "F"});
    relations({"A>B", "A>C", "A>D", "B>E", "C>F", "D>F"});
    run({"layout", project(), "--seed", "-1"});
    const std::string negative = run({"dump", project(), "unitlayout"});
    run({"layout", project(), "--seed", "4294967295"});
    EXPECT_EQ(run({"dump", project(), "unitlayout"}), negative);
    run({"layout", project()});
    const std::string byDefault = run({"dump", project(), "unitlayout"});
    run({"layout", project(), "--seed", "932216981"});
    EXPECT_EQ(run({"dump", project(), "unitlayout"}), byDefault);
}

TEST_F(LayoutCli, GroupsAndPeriodBands)
{
    // G holds A (later) and B; C is alone and of the earlier period.
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G", "--class", "group"}).code, 0);
    for (const char* name : {"A", "B"})
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), name, "--set", "Period=Late"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "C", "--set", "Period=Early"}).code, 0);
    relations({"A>B", "B>C", "A", "p", "G", "B", "p", "G"});

    run({"layout", project(), "--groups", "--periods"});
    EXPECT_TRUE(diagramPresent());
    // G's frame holds levels 1 to 3; C starts the second band on level 4,
    // with one more track above it for the dividing line.
    EXPECT_EQ(run({"dump", project(), "layoutparams"}),
              "Groups: yes\nColumns: 1\nLevels: 4\nLeftFrameLanes: 1\nRightFrameLanes: 1\nFrameLanesBelow: 0 0 1 0\n"
              "TrackCount: 0 0 1 0\nPeriods: 2\nPeriod: Late from level 1\nPeriod: Early from level 4\n");

    // Without groups the bands stand alone.
    run({"layout", project(), "--periods", "--no-groups"});
    EXPECT_EQ(run({"dump", project(), "layoutparams"}),
              "Groups: no\nColumns: 1\nLevels: 3\nLeftFrameLanes: 0\nRightFrameLanes: 0\nFrameLanesBelow: 0 0 0\n"
              "TrackCount: 0 1 0\nPeriods: 2\nPeriod: Late from level 1\nPeriod: Early from level 3\n");
}

// With the dialog's defaults on a simulated project: periods in bands, the
// redundant relationships deleted; kept, they are marked and still never
// drawn, neither as a line nor as a run of dummies.
TEST_F(LayoutCli, SimulatedProjectDrawsNoRedundantRelationship)
{
    const QString file = path("Sim.bvp");
    ASSERT_EQ(runCliCaptured({"simulate", file, "--contexts", "400"}).code, 0);
    const std::string out = run({"layout", file, "--keep-redundant"});
    EXPECT_NE(out.find("Sequence of Periods, latest first: "), std::string::npos) << out;
    EXPECT_NE(out.find("\nLayout stored: "), std::string::npos) << out;

    auto rows = [&](const char* table) {
        QStringList lines = QString::fromStdString(run({"dump", file, table})).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.removeFirst();
        return lines;
    };
    // Marked rows "a > b": b lies below a.
    std::set<std::pair<QString, QString>> marked;
    for (const QString& row : rows("rels")) {
        const QStringList f = row.split(QLatin1Char(','));
        if (f[4] == QStringLiteral(">") && f[6] == QStringLiteral("R")) marked.insert({f[3], f[1]});
    }
    ASSERT_GT(marked.size(), 10u);
    // Lines "lower < upper", followed up through the dummies.
    std::multimap<QString, QString> up;
    for (const QString& row : rows("rellayout")) {
        const QStringList f = row.split(QLatin1Char(','));
        if (f[10] == QStringLiteral("<")) up.emplace(f[0] + QLatin1Char(':') + f[1], f[2] + QLatin1Char(':') + f[3]);
    }
    int followed = 0;
    for (const auto& [lower, first] : up) {
        if (lower.startsWith(QStringLiteral(":Dummy"))) continue;
        QString upper = first;
        while (upper.startsWith(QStringLiteral(":Dummy"))) upper = up.find(upper)->second;
        ++followed;
        EXPECT_FALSE(marked.count({lower.section(QLatin1Char(':'), 1), upper.section(QLatin1Char(':'), 1)}))
            << lower.toStdString() << " up to " << upper.toStdString();
    }
    EXPECT_GT(followed, 400);

    // By default they are gone from the relationship table.
    run({"layout", file});
    for (const QString& row : rows("rels")) EXPECT_FALSE(row.endsWith(QStringLiteral(",R"))) << row.toStdString();
}

TEST_F(LayoutCli, RefusesBadOptions)
{
    struct Case { QStringList args; const char* error; };
    const Case cases[] = {
        {{"--seed", "x"}, "error: --seed takes an integer\n"},
        {{"--use-coordinates", "181"},
         "error: --use-coordinates takes a section angle in whole degrees, 0 to 180, or auto\n"},
        {{"--use-coordinates", "1.5"},
         "error: --use-coordinates takes a section angle in whole degrees, 0 to 180, or auto\n"},
        {{"--use-coordinates", "Auto"},
         "error: --use-coordinates takes a section angle in whole degrees, 0 to 180, or auto\n"},
        {{"extra"},
         "error: layout takes P.bvp [--coordinates] [--no-coordinates] [--later-below H] [--no-later-below] "
         "[--contemporary-height H] [--no-contemporary-height] [--equal-height H] [--no-equal-height] "
         "[--use-coordinates ANGLE] [--no-use-coordinates] [--years-match] [--no-years-match] "
         "[--contemporary-years Y] [--no-contemporary-years] [--equal-years Y] [--no-equal-years] [--components] "
         "[--no-components] [--store-components] [--cycles] [--no-cycles] [--delete-redundant] [--keep-redundant] "
         "[--periods] [--no-periods] [--phases] [--no-phases] [--groups] [--no-groups] [--strict] [--no-strict] "
         "[--seed N] [--short] [--colours 2|16|256|65536|16M]\n"},
        {{"--colours", "8"}, "error: unknown colour depth '8': use 2, 16, 256, 65536 or 16M\n"},
        {{"--periods", "--phases"}, "error: --periods excludes --phases\n"},
        {{"--groups", "--use-coordinates", "5"}, "error: --use-coordinates does not apply to the layout with groups\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(QStringList{"layout", project()} + c.args, 2), c.error);
}

TEST_F(LayoutCli, CoordinatesOrderTheContexts)
{
    // B1 lies furthest east; along the section at 0 degrees (west to east)
    // the level reads B5 ... B1, whatever the seed. "auto" finds that
    // section itself: the contexts spread along X only.
    const char* x[] = {"50", "40", "30", "20", "10"};
    for (int i = 0; i < 5; ++i)
        coordinates(QStringLiteral("B%1").arg(i + 1), x[i], "0");
    units({"A"});
    relations({"A>B1", "A>B2", "A>B3", "A>B4", "A>B5"});
    for (const char* angle : {"0", "auto"}) {
        for (const char* seed : {"1", "2"}) {
            const std::string out = run({"layout", project(), "--use-coordinates", angle, "--seed", seed});
            EXPECT_EQ(out.find("Section angle: 0 degrees\n\nNo cycles found."), angle[0] == 'a' ? 0 : std::string::npos)
                << out;
            const std::string layout = run({"dump", project(), "unitlayout"});
            for (int i = 1; i <= 5; ++i)
                EXPECT_NE(layout.find(QStringLiteral("E,B%1,2,,%2,%2,").arg(i).arg(6 - i).toStdString()),
                          std::string::npos)
                    << layout;
        }
    }
}

// Where the projection dialog would not open, "auto" ends the run before
// the checks and leaves the stored layout alone; a run without a diagram
// turns the display command off.
TEST_F(LayoutCli, AutoRefusesAPointlessProjection)
{
    struct Case {
        std::vector<std::pair<const char*, const char*>> plan;   // X, Y of contexts B1, B2, ...
        const char* error;
    };
    const Case cases[] = {
        {{{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}},
         "error: 4 contexts with coordinates, projection not sensible.\n"},
        {{{"1", "1"}, {"1", "1"}, {"1", "1"}, {"1", "1"}, {"1", "1"}},
         "error: No variation both in X- and Y-coordinates, projection not sensible.\n"},
    };
    int count = 0;
    for (const Case& c : cases) {
        const QString file = path("Q") + QString::number(++count) + QStringLiteral(".bvp");
        ASSERT_EQ(runCliCaptured({"new", file, "--excavation", "E", "--single"}).code, 0);
        int next = 1;
        for (const auto& [x, y] : c.plan) coordinates(file, QStringLiteral("B%1").arg(next++), x, y);
        run({"layout", file});
        const std::string stored = run({"dump", file, "unitlayout"});
        EXPECT_EQ(run({"layout", file, "--use-coordinates", "auto"}, 1), c.error);
        EXPECT_EQ(run({"dump", file, "unitlayout"}), stored);
        EXPECT_FALSE(diagramPresent(file));
    }
}

TEST_F(LayoutCli, DotExportWritesLaterAboveEarlier)
{
    units({"A", "B", "C", "\"Q\""});
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G", "--class", "group"}).code, 0);
    relations({"A>B", "B>C", "A=\"Q\"", "C", "p", "G"});
    EXPECT_EQ(run({"export", project(), "--dot", path("p.dot")}), "");
    QFile f(path("p.dot"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(),
              "digraph \"P\" {\n"
              "  node [shape=box];\n"
              "  \"E:\\\"Q\\\"\" [label=\"\\\"Q\\\"\"];\n"
              "  \"E:A\" [label=\"A\"];\n"
              "  \"E:B\" [label=\"B\"];\n"
              "  \"E:C\" [label=\"C\"];\n"
              "  \"E:A\" -> \"E:B\";\n"
              "  \"E:B\" -> \"E:C\";\n"
              "}\n");
}

TEST_F(LayoutCli, ExportNeedsOneFormat)
{
    EXPECT_EQ(run({"export", project()}, 2), "error: export takes P.bvp and one of --dot FILE, --svg FILE, --jpeg FILE, --pdf FILE, --bmp FILE, --emf FILE, --csv FILE, --relations FILE, --lst FILE\n");
    EXPECT_EQ(run({"export", project(), "--dot", path("a.dot"), "--svg", path("b.svg")}, 2),
              "error: export takes P.bvp and one of --dot FILE, --svg FILE, --jpeg FILE, --pdf FILE, --bmp FILE, --emf FILE, --csv FILE, --relations FILE, --lst FILE\n");
}

} // namespace
