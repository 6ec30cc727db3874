// What every command shares: the help, the forms of options and the usage
// errors, which stop a command before it touches anything.
#include "CliRunner.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class CommandLine : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }
};

// Every command as its words are typed.
const QStringList kCommands = {"new",  "info",   "unit add", "copy",     "merge",      "delete", "pack",  "dump",
                               "layout", "export", "simulate", "rel add", "rel delete", "chain",  "check"};

TEST_F(CommandLine, HelpListsEveryCommandAndEachCommandHasItsOwn)
{
    const auto help = runCliCaptured({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("belvanto-cli: ")));
    for (const QString& command : kCommands) {
        EXPECT_TRUE(help.out.contains(QStringLiteral("\n  ") + command + QLatin1Char(' '))) << command.toStdString();
        const auto own = runCliCaptured(command.split(QLatin1Char(' ')) + QStringList{"--help"});
        EXPECT_EQ(own.code, 0) << command.toStdString();
        EXPECT_TRUE(own.out.contains(QStringLiteral("\nUsage: belvanto-cli ") + command + QLatin1Char(' ')))
            << own.out.toStdString();
        EXPECT_EQ(own.err, QString());
    }
    // Without a command: the program's help, as with --help.
    EXPECT_EQ(runCliCaptured({}).out, help.out);
    const auto group = runCliCaptured({"rel", "-h"});
    EXPECT_EQ(group.code, 0);
    EXPECT_TRUE(group.out.contains(QStringLiteral("\n  rel add P.bvp REL...")));
    EXPECT_TRUE(group.out.contains(QStringLiteral("\n  rel delete P.bvp A B")));
    EXPECT_FALSE(group.out.contains(QStringLiteral("\n  unit add")));
    // Each layout dump is described in dump's help.
    const auto dump = runCliCaptured({"dump", "--help"});
    for (const char* table : {"units", "rels", "terms", "unitlayout", "rellayout", "layoutparams"})
        EXPECT_TRUE(dump.out.contains(QStringLiteral("\n  %1 ").arg(QString::fromLatin1(table)))) << table;
}

TEST_F(CommandLine, OptionValuesAfterASpaceOrAnEqualSignAndNegativeNumbers)
{
    const QStringList seeds{"--seeds", "1,2,3,4,5,6,7", "--contexts", "20", "--excavation", "E"};
    auto r = runCliCaptured(QStringList{"simulate", path("A.bvp"), "--years=-800,200"} + seeds);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured(QStringList{"simulate", path("B.bvp"), "--years", "-800,200"} + seeds);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The same seeds: the same relationships and center years.
    EXPECT_EQ(runCliCaptured({"dump", path("B.bvp"), "rels"}).out, runCliCaptured({"dump", path("A.bvp"), "rels"}).out);
    auto years = [&](const char* project) {
        QStringList result;
        const QString units = runCliCaptured({"dump", path(project), "units"}).out;
        for (const QString& line : units.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            result << line.split(QLatin1Char(',')).at(27);
        return result;
    };
    const QStringList centerYears = years("A.bvp");
    EXPECT_EQ(years("B.bvp"), centerYears);
    ASSERT_EQ(centerYears.size(), 20);
    EXPECT_LE(centerYears.first().toInt(), -700) << "the first contexts date from the first century";
    for (const QString& year : centerYears) EXPECT_TRUE(year.toInt() >= -800 && year.toInt() <= 200) << year.toStdString();

    // The answer after the command counts as well.
    r = runCliCaptured({"delete", path("A.bvp"), "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(files().contains(QStringLiteral("A.bvp")));
}

struct UsageCase {
    const char* title;
    QStringList args;   // P stands for a project file
    const char* err;
};

class UsageErrors : public CommandLine, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrors, StopTheCommandWithExitCode2)
{
    QStringList args = GetParam().args;
    for (QString& arg : args)
        if (arg == QStringLiteral("P")) arg = path("P.bvp");
    const auto r = runCliCaptured(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.toStdString(), GetParam().err);
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(files(), QStringList()) << "nothing is created";
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        UsageCase{"UnknownCommand", {"frobnicate", "P"}, "error: unknown command 'frobnicate' (see belvanto-cli --help)\n"},
        UsageCase{"UnknownCommandOfAGroup", {"rel", "insert", "P"},
                  "error: unknown command 'rel insert' (see belvanto-cli rel --help)\n"},
        UsageCase{"GroupAlone", {"unit"}, "error: a command is missing (see belvanto-cli unit --help)\n"},
        UsageCase{"UnknownOption", {"info", "P", "--all"}, "error: unknown option '--all' (see belvanto-cli info --help)\n"},
        UsageCase{"UnknownOptionWithValue", {"new", "P", "--excavation=A", "--sngle"},
                  "error: unknown option '--sngle' (see belvanto-cli new --help)\n"},
        UsageCase{"MissingValue", {"layout", "P", "--seed"}, "error: --seed needs a value (see belvanto-cli layout --help)\n"},
        UsageCase{"MissingValueAtTheEnd", {"new", "P", "--excavation", "A", "--term"},
                  "error: --term needs a value (see belvanto-cli new --help)\n"},
        UsageCase{"NotANumber", {"layout", "P", "--seed", "many"}, "error: --seed takes an integer\n"},
        UsageCase{"NotAWholeNumber", {"layout", "P", "--use-coordinates=22.5"},
                  "error: --use-coordinates takes a section angle in whole degrees, 0 to 180, or auto\n"},
        UsageCase{"NumberOutOfRange", {"layout", "P", "--use-coordinates", "-1"},
                  "error: --use-coordinates takes a section angle in whole degrees, 0 to 180, or auto\n"},
        UsageCase{"BadChoice", {"unit", "add", "P", "1", "--class", "pit"},
                  "error: unknown unit class 'pit': use context, group or \"work area\"\n"},
        UsageCase{"BadChoiceWithEqualSign", {"export", "P", "--svg", "P.svg", "--labels=full"},
                  "error: unknown --labels 'full': use name, excavation or abbreviation\n"},
        UsageCase{"OptionTwice", {"layout", "P", "--seed", "1", "--seed=2"}, "error: --seed is given more than once\n"},
        UsageCase{"OptionOfAnotherFormat", {"export", "P", "--dot", "P.dot", "--bw"},
                  "error: --bw requires --svg, --jpeg, --pdf, --bmp or --emf\n"},
        UsageCase{"FieldWithoutValue", {"unit", "add", "P", "1", "--set", "Period"},
                  "error: --set takes FIELD=VALUE, such as Period=Roman\n"},
        UsageCase{"MissingWord", {"info"}, "error: info takes P.bvp\n"},
        UsageCase{"ExtraWord", {"copy", "P", "Q.bvp", "R.bvp"}, "error: copy takes P.bvp Q.bvp\n"},
        UsageCase{"RequiredOption", {"new", "P"}, "error: new takes P.bvp --excavation NAME [--single] [--term T.db]\n"},
        UsageCase{"UnknownTable", {"dump", "P", "layers"},
                  "error: unknown table 'layers': use units, rels, terms, unitlayout, rellayout or layoutparams\n"}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
