#include "CliRunner.h"
#include "layout/LayoutFiles.h"
#include "support/ScriptedUi.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class LayoutCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A", "--single"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    // Unit name, X and Y of every unit, one line each.
    QStringList units()
    {
        const auto r = runCliCaptured({"dump", project(), "units"});
        QStringList lines;
        for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1)) {
            const QStringList f = line.split(QLatin1Char(','));
            lines << f[1] + QLatin1Char(' ') + f[34] + QLatin1Char(' ') + f[35];
        }
        return lines;
    }
    QTemporaryDir dir;
};

TEST_F(LayoutCommands, CheckCyclesPrintsTheCycleListing)
{
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "P", "Q", "R"}).code, 0);
    ASSERT_EQ(runCliCaptured({"rel", "add", project(), "P<Q", "Q<R", "R<P"}).code, 0);
    auto r = runCliCaptured({"check", project(), "--cycles"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "Layout not successful.\n"
                                   "Cycle list:\n"
                                   "\n"
                                   "Cycle no. 1:\n"
                                   "  P (relationships: 1 earlier, 1 later)\n"
                                   "> R (relationships: 1 earlier, 1 later)\n"
                                   "> Q (relationships: 1 earlier, 1 later)\n"
                                   "> P (relationships: 1 earlier, 1 later)\n");
    EXPECT_EQ(r.err.toStdString(), "");
    // Node numbers stay in X, no level is written.
    EXPECT_EQ(units(), (QStringList{"P 0 ", "Q 1 ", "R 2 "}));
    r = runCliCaptured({"check", project(), "--cycles", "--summary"});
    EXPECT_EQ(r.out.toStdString(), "Layout not successful.\nCycle list:\n\nCycle no. 1:\n  P \n> R \n> Q \n> P \n");
}

TEST_F(LayoutCommands, CheckCyclesStoresTheLevels)
{
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1", "2", "3", "4"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G", "--class", "group"}).code, 0);
    ASSERT_EQ(runCliCaptured({"rel", "add", project(), "1>2", "2>3", "1>4", "4-3", "3", "p", "G"}).code, 0);
    auto r = runCliCaptured({"check", project(), "--cycles"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(), "No cycles found.\n\n");
    EXPECT_EQ(units(), (QStringList{"1 0 1", "2 0 2", "3 0 3", "4 0 3", "G  "}));
    r = runCliCaptured({"check", project(), "--cycles", "--summary"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QString());
}

TEST_F(LayoutCommands, CheckRefusesAnEmptyProject)
{
    auto r = runCliCaptured({"check", project(), "--cycles"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), "warning: Sorry, checking nothing does not make any sense.\n");
    // The cycle check is the default.
    EXPECT_EQ(runCliCaptured({"check", project()}).err, r.err);
}

TEST_F(LayoutCommands, DumpsTheStoredLayout)
{
    const QString d = dir.path();
    auto r = runCliCaptured({"dump", project(), "unitlayout"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error: The project has no stored layout: "))) << r.err.toStdString();

    CreateLayoutTables(d, QStringLiteral("P"));
    {
        Table units;
        units.open(d, QStringLiteral("P") + kUnitLayoutSuffix);
        units.insert();
        units.set(ul::Excavation, QStringLiteral("A"));
        units.set(ul::Unitname, QStringLiteral("1"));
        units.set(ul::XStart, 2);
        units.set(ul::XStop, 2);
        units.set(ul::YLevelStart, 1);
        units.set(ul::YLevelStop, 1);
        units.set(ul::Unitclass, QStringLiteral("C"));
        units.post();
    }
    LayoutParameters p;
    p.reset(2, 1);
    p.periods = {{QStringLiteral("Roman"), 0, 1, false}};
    ScriptedUi ui;
    ASSERT_TRUE(WriteLayoutParameters(ui, d, QStringLiteral("P"), p));

    r = runCliCaptured({"dump", project(), "unitlayout"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(),
              "Excavation,Unitname,Clevel,CXPos,XStart,XStop,YLevelStart,YLevelStop,NestCt,SonCt,FatherCt,Colour,"
              "BoxStyle,ThemColour,ThemBoxStyle,Unitclass,GExcavation,GUnitname\n"
              "A,1,,,2,2,1,1,,,,,,,,C,,\n");
    r = runCliCaptured({"dump", project(), "rellayout"});
    EXPECT_EQ(r.out.toStdString(), "Excavation1,Unitname1,Excavation2,Unitname2,YSubLevel,YLevel1,YLevel2,XPos1,"
                                   "XPos2,NestCt2,RelationCat,RelCount,Port1,Port2\n");
    r = runCliCaptured({"dump", project(), "layoutparams"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(), "Groups: no\nColumns: 2\nLevels: 1\nLeftFrameLanes: 0 0\nRightFrameLanes: 0 0\n"
                                   "FrameLanesBelow: 0\nTrackCount: 0\nPeriods: 1\nPeriod: Roman from level 1\n");

    // Parameters of a smaller layout than the tables'.
    p.reset(1, 1);
    ASSERT_TRUE(WriteLayoutParameters(ui, d, QStringLiteral("P"), p));
    r = runCliCaptured({"dump", project(), "layoutparams"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("error: Error: Program is not able to open parameter file\n  ")
                         + QDir::toNativeSeparators(LayoutParameterPath(d, QStringLiteral("P"))) + QLatin1Char('\n'));
}

} // namespace
