#include "CliRunner.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class ProjectCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString project() const { return path(QStringLiteral("P.bvp")); }
};

TEST_F(ProjectCommands, AProjectMadeByOneCallOpensInTheNext)
{
    auto r = runCliCaptured({"new", project(), "--excavation", "Site 1"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());

    r = runCliCaptured({"unit", "add", project(), "10", "11", "B:7", "--set", "Period=Roman", "--set", "AvgYear=120"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"unit", "add", project(), "G1", "--class", "group"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    r = runCliCaptured({"info", project()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Project: P\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Excavation: Site 1\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Units: 4\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Relationships: 0\n")));

    r = runCliCaptured({"dump", project(), "units"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Excavation,Unitname,Unitclass,XMinCoord,")));
    // Key order: code points, so "B" before "Site 1", and "10" before "G1".
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("B,7,context,")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",120,Roman,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Site 1,10,context,")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("Site 1,G1,group,")));

    // The same table dumped directly from its file.
    auto direct = runCliCaptured({"dump", path(QStringLiteral("P_unit.db"))});
    EXPECT_EQ(direct.out, r.out);
}

// A value another program wrote into a float column ("1,5" with a decimal
// comma): dump writes every unit, that cell as stored, and fails naming the
// unit and the field.
TEST_F(ProjectCommands, DumpNamesTheUnitWhoseValueCannotBeRead)
{
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1", "2", "3", "--set", "XMinCoord=4.5"}).code, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path(QStringLiteral("P_unit.db"))).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE data SET XMinCoord = '1,5' WHERE Unitname = '2'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    for (const QString& table : {project(), path(QStringLiteral("P_unit.db"))}) {
        SCOPED_TRACE(table.toStdString());
        const auto r = table == project() ? runCliCaptured({"dump", table, "units"}) : runCliCaptured({"dump", table});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(
            QStringLiteral("Record E:2: '1,5' is not a valid floating point value for field 'XMinCoord'")))
            << r.err.toStdString();
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("E,1,context,4.5,")));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("E,2,context,\"1,5\",")));
        EXPECT_TRUE(lines[3].startsWith(QStringLiteral("E,3,context,4.5,")));
    }
}

struct RefusalCase {
    const char* title;
    QStringList args;   // after "unit add P.bvp"
    const char* message;
};

class UnitAddRefusals : public ProjectCommands, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(UnitAddRefusals, StoreNothingAndSayWhy)
{
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1"}).code, 0);
    QStringList args{"unit", "add", project(), "2"};
    args += GetParam().args;
    const auto r = runCliCaptured(args);
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.err, QString::fromUtf8(GetParam().message));
    const auto info = runCliCaptured({"info", project()});
    EXPECT_TRUE(info.out.contains(QStringLiteral("Units: 1\n"))) << info.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitAddRefusals,
    ::testing::Values(
        RefusalCase{"existingUnit", {"1"}, "error: Unit A:1 already exists\n"},
        RefusalCase{"blankInName", {"a b"}, "error: The unit name must not contain a blank.\n"},
        RefusalCase{"longExcavation", {"ABCDEFGHIJKLM:1"},
                    "error: The excavation name must not exceed maximum length of 12\n"},
        RefusalCase{"notAnInteger", {"--set", "AvgYear=12.5"},
                    "error: Center year cannot be converted to an integer number.\n"},
        RefusalCase{"tooLong", {"--set", "Period=123456789"}, "error: Period must not exceed maximum length of 8\n"},
        RefusalCase{"cannotBeStored", {"--set", QString::fromUtf8("Location=Łódź")},
                    "error: Location contains characters that cannot be stored\n"},
        RefusalCase{"internalField", {"--set", "X=3"}, "error: Field X cannot be set here\n"},
        RefusalCase{"nameOutsideWindows1252", {QString::fromUtf8("Ж1")},
                    "error: The unit name contains characters that cannot be stored.\n"},
        RefusalCase{"yearsReversed", {"--set", "MinYear=1900", "--set", "MaxYear=1800"},
                    "error: Min. of Year is greater than Max.\n"},
        RefusalCase{"coordinatesReversed", {"--set", "YMinCoord=10.5", "--set", "YMaxCoord=-3"},
                    "error: Min. of Y-Coordinate is greater than Max.\n"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(ProjectCommands, QuestionsTakeTheSafeAnswerUnlessOneIsGiven)
{
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1"}).code, 0);
    auto r = runCliCaptured({"delete", project()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("confirmation: Project P consists of 1 units.\n"
                                    "  Do you really want to delete the project and all its data files? [answer: No]\n"));
    EXPECT_TRUE(QFile::exists(project()));
    r = runCliCaptured({"--yes", "delete", project()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

TEST_F(ProjectCommands, CopyAndMerge)
{
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1", "2"}).code, 0);
    const QString other = path(QStringLiteral("Q.bvp"));
    auto r = runCliCaptured({"copy", project(), other});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(runCliCaptured({"unit", "add", other, "3"}).code, 0);

    // The backup is decided on the command line; --yes answers the rest.
    r = runCliCaptured({"--yes", "merge", project(), other});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, QStringLiteral("error: merge takes --backup FILE or --no-backup\n"));
    EXPECT_EQ(runCliCaptured({"--yes", "merge", project(), other, "--backup", path(QStringLiteral("B.bvp")),
                              "--no-backup"})
                  .code,
              2);
    // Shared units are superseded only on Yes; the stop says that nothing was added.
    r = runCliCaptured({"merge", project(), other, "--no-backup"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("confirmation: Do you want to backup current project before adding another "
                                    "project? [answer: No]\n"
                                    "list: Units defined in both projects: Press OK to supersede unit definitions\n"
                                    "  in current project\n  A:1\n  A:2 [answer: Cancel]\n"
                                    "error: merge stopped: %1 was not added to %2\n")
                         .arg(QDir::toNativeSeparators(other), QDir::toNativeSeparators(project())));
    EXPECT_TRUE(runCliCaptured({"info", project()}).out.contains(QStringLiteral("Units: 2\n")));

    const QString backup = path(QStringLiteral("B.bvp"));
    r = runCliCaptured({"--yes", "merge", project(), other, "--backup", backup});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(runCliCaptured({"info", project()}).out.contains(QStringLiteral("Units: 3\n")));
    EXPECT_TRUE(runCliCaptured({"info", backup}).out.contains(QStringLiteral("Units: 2\n")));

    // A backup that cannot be made stops the merge, and says so.
    r = runCliCaptured({"--yes", "merge", project(), other, "--backup", path(QStringLiteral("B.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("has no bvp extension"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("error: merge stopped: %1 was not added to %2\n")
                                   .arg(QDir::toNativeSeparators(other), QDir::toNativeSeparators(project()))))
        << r.err.toStdString();
}

TEST_F(ProjectCommands, AProjectFileThatCannotBeRewrittenFailsTheCommand)
{
    ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
    // A value the writer refuses: the file is read, but cannot be written back
    // (whoever runs the test, root included).
    QFile file(project());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Photopath=a\tb\r\n");
    file.close();
    const auto r = runCliCaptured({"unit", "add", project(), "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("error: Project file %1: the value of Photopath contains a control character\n")
                         .arg(QDir::toNativeSeparators(project())));
}

TEST_F(ProjectCommands, UsageErrorsAndHelp)
{
    EXPECT_EQ(runCliCaptured({"frobnicate"}).code, 2);
    EXPECT_EQ(runCliCaptured({"new", project()}).code, 2);
    const auto help = runCliCaptured({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("  dump FILE [TABLE]")));
    EXPECT_EQ(runCliCaptured({"--version"}).out, QStringLiteral("belvanto-cli 1.5\n"));
    const auto missing = runCliCaptured({"info", path(QStringLiteral("none.bvp"))});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, QStringLiteral("error: Project file %1: I/O-Error\n").arg(path(QStringLiteral("none.bvp"))));
}

} // namespace
