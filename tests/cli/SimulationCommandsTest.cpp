#include "CliRunner.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class SimulateCommand : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString project() const { return dir.filePath(QStringLiteral("Dig.bvp")); }

    QStringList dump(const char* table)
    {
        const auto r = runCliCaptured({"dump", project(), table});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!lines.isEmpty()) lines.removeFirst();
        return lines;
    }
};

TEST_F(SimulateCommand, DefaultsGiveTheDialogsProjectInTheProjectsExcavation)
{
    const auto r = runCliCaptured({"simulate", project(), "--contexts", "10"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QStringList units = dump("units");
    ASSERT_EQ(units.size(), 10);
    EXPECT_TRUE(units.first().startsWith(QStringLiteral("Dig,F01,context,"))) << units.first().toStdString();
    EXPECT_TRUE(units.last().startsWith(QStringLiteral("Dig,F10,context,"))) << units.last().toStdString();
    EXPECT_TRUE(units.first().contains(QStringLiteral(",7653621,"))) << units.first().toStdString();
    EXPECT_TRUE(units.first().contains(QStringLiteral(",Period 1,"))) << units.first().toStdString();
}

TEST_F(SimulateCommand, OptionsReachTheGenerator)
{
    const auto r = runCliCaptured({"simulate", project(), "--contexts", "40", "--contemporary", "30", "--grid", "12,15",
                                   "--cubes", "10", "--upright", "3", "--periods", "0", "--years", "-100,100",
                                   "--interval", "5", "--prefix", "C", "--seeds", "1,2,3,4,5,6,7", "--excavation",
                                   "Trench 2", "--mean-contemporary", "3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList units = dump("units");
    ASSERT_EQ(units.size(), 40);
    EXPECT_TRUE(units.first().startsWith(QStringLiteral("Trench 2,C01,context,")));
    for (const QString& unit : units) {
        const QStringList f = unit.split(QLatin1Char(','));
        EXPECT_EQ(f[28], QString()) << "no period: " << unit.toStdString();
        const int year = f[27].toInt(), min = f[25].toInt(), max = f[26].toInt();
        EXPECT_TRUE(year >= -100 && year <= 100 && year - min < 5 && max - year == year - min) << unit.toStdString();
    }
    bool contemporary = false;
    for (const QString& row : dump("rels")) contemporary = contemporary || row.contains(QStringLiteral(",-,,U"));
    EXPECT_TRUE(contemporary);
}

TEST_F(SimulateCommand, SameSeedsSameRelationships)
{
    ASSERT_EQ(runCliCaptured({"simulate", project(), "--contexts", "30", "--seeds", "9,8,7,6,5,4,3"}).code, 0);
    const QStringList first = dump("rels");
    ASSERT_FALSE(first.isEmpty());
    ASSERT_EQ(runCliCaptured({"--yes", "simulate", project(), "--contexts", "30", "--seeds", "9,8,7,6,5,4,3"}).code, 0);
    EXPECT_EQ(dump("rels"), first);
    ASSERT_EQ(runCliCaptured({"--yes", "simulate", project(), "--contexts", "30"}).code, 0);
    EXPECT_NE(dump("rels"), first);
}

TEST_F(SimulateCommand, AnExistingProjectIsReplacedOnlyWithConsent)
{
    ASSERT_EQ(runCliCaptured({"simulate", project(), "--contexts", "10"}).code, 0);
    const auto r = runCliCaptured({"simulate", project(), "--contexts", "20"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("confirmation: File %1 already exists. Do you want to overwrite file? [answer: No]\n")
                         .arg(QDir::toNativeSeparators(project())));
    EXPECT_EQ(dump("units").size(), 10);
    ASSERT_EQ(runCliCaptured({"--yes", "simulate", project(), "--contexts", "20"}).code, 0);
    EXPECT_EQ(dump("units").size(), 20);
}

struct RefusalCase {
    const char* title;
    QStringList options;
    int code;
    const char* err;
};

class SimulateRefusals : public SimulateCommand, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SimulateRefusals, CreateNothing)
{
    const RefusalCase& c = GetParam();
    const auto r = runCliCaptured(QStringList{"simulate", project()} + c.options);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.err, QString::fromUtf8(c.err));
    EXPECT_FALSE(QFile::exists(project()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimulateRefusals,
    ::testing::Values(
        RefusalCase{"FewContexts", {"--contexts", "5"}, 1, "error: Number in range 10..99999 expected.\n"},
        RefusalCase{"NoNumber", {"--cubes", "many"}, 1, "error: Illegal number\n"},
        RefusalCase{"Years", {"--years", "500,0"}, 1, "error: First year must be smaller than last year!\n"},
        RefusalCase{"PrefixColon", {"--prefix", "F:"}, 1, "error: The unit name must not contain a colon.\n"},
        RefusalCase{"Excavation", {"--excavation", "a:b"}, 1, "error: The excavation name must not contain a colon.\n"},
        // Names are stored in Windows-1252, as the exchange formats need them.
        RefusalCase{"PrefixOutsideWindows1252", {"--prefix", QString::fromUtf8("Ж")}, 1,
                    "error: The unit name contains characters that cannot be stored.\n"},
        RefusalCase{"ExcavationOutsideWindows1252", {"--excavation", QString::fromUtf8("Гора")}, 1,
                    "error: The excavation name contains characters that cannot be stored.\n"},
        RefusalCase{"LongPrefix", {"--prefix", "ABCD"}, 2, "error: --prefix takes at most 3 characters\n"},
        RefusalCase{"GridOneValue", {"--grid", "10"}, 2, "error: --grid takes 2 values separated by commas\n"},
        RefusalCase{"SixSeeds", {"--seeds", "1,2,3,4,5,6"}, 2, "error: --seeds takes 7 values separated by commas\n"},
        RefusalCase{"Stray", {"extra"}, 2, "error: simulate takes P.bvp and its options (see --help)\n"}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
