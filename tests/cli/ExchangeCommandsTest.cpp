#include "CliRunner.h"
#include "exchange/ParadoxWriter.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

const QByteArray kList("Stratigraphic Dataset X\r\n\r\n\r\n"
                       "12      F\x81llung\r\nabove: 7\r\nbelow:\r\nequal to:\r\ncontemporary with:\r\n7\r\n");

class ExchangeCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString project() const { return path(QStringLiteral("P.bvp")); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
};

TEST_F(ExchangeCommands, ImportMakesTheProjectAndExportWritesItsList)
{
    const QString list = write(QStringLiteral("in.lst"), kList);
    auto r = runCliCaptured({"import", project(), list, "--oem", "--excavation", "A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2 units imported\n"));
    EXPECT_EQ(r.err, QString());

    // Into the existing project: its excavation unless another is named.
    r = runCliCaptured({"import", project(), list, "--excavation", "B"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    r = runCliCaptured({"export", project(), "--lst", path(QStringLiteral("out.lst"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(read(QStringLiteral("out.lst")), QByteArray("            Stratigraphic Dataset P\r\n\r\nName\r\n"
                                                          "A::12\r\n"
                                                          "            above: A::7\r\n"
                                                          "            Unit class: context\r\n"
                                                          "            Description: F\xFCllung\r\n"
                                                          "A::7\r\n"
                                                          "            below: A::12\r\n"
                                                          "            Unit class: context\r\n"
                                                          "B::12\r\n"
                                                          "            above: B::7\r\n"
                                                          "            Unit class: context\r\n"
                                                          "            Description: F\x81llung\r\n"
                                                          "B::7\r\n"
                                                          "            below: B::12\r\n"
                                                          "            Unit class: context\r\n"));
}

// A project's own unit table and a Paradox table, each into a new project.
TEST_F(ExchangeCommands, DbTablesImportAsNewProjects)
{
    auto r = runCliCaptured({"import", project(), write(QStringLiteral("in.lst"), kList), "--oem", "--excavation", "A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"import", path(QStringLiteral("Q.bvp")), path(QStringLiteral("P_unit.db")), "--auto",
                        "--excavation", "A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2 units imported\n"));
    for (const char* p : {"P.bvp", "Q.bvp"}) {
        r = runCliCaptured({"export", path(QString::fromLatin1(p)), "--csv", path(QString::fromLatin1(p) + ".csv")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    // The same units and fields; the relationships stay behind in P's other table.
    EXPECT_EQ(read(QStringLiteral("Q.bvp.csv")), QByteArray("Unitname;Unitclass;Description\r\n"
                                                           "\"12\";\"context\";\"F\xFCllung\"\r\n"
                                                           "\"7\";\"context\";\"\"\r\n"));
    EXPECT_EQ(read(QStringLiteral("P.bvp.csv")), QByteArray("Excavation_Unitname;Unitclass;Description;Later than;"
                                                           "Earlier than\r\n"
                                                           "\"A:12\";\"context\";\"F\xFCllung\";\"\";\"A:7\"\r\n"
                                                           "\"A:7\";\"context\";\"\";\"A:12\";\"\"\r\n"));

    {
        testing_support::ParadoxWriter w(path(QStringLiteral("old.db")),
                                         {{"Unitname", pxfAlpha, 8}, {"Description", pxfAlpha, 20}});
        w.text(0, "12");
        w.text(1, "Br\xfc" "cke \x80");
        w.append();
        w.text(0, "13");
        w.append();
    }
    r = runCliCaptured({"import", path(QStringLiteral("R.bvp")), path(QStringLiteral("old.db")), "--excavation", "A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2 units imported\n"));
    r = runCliCaptured({"export", path(QStringLiteral("R.bvp")), "--csv", path(QStringLiteral("R.csv"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(read(QStringLiteral("R.csv")), QByteArray("Unitname;Unitclass;Description\r\n"
                                                      "\"12\";\"context\";\"Br\xFC" "cke \x80\"\r\n"
                                                      "\"13\";\"context\";\"\"\r\n"));
}

// The project's Extended Harris List without its first line, which names the project.
QByteArray listBody(const QByteArray& list)
{
    return list.mid(list.indexOf("\r\n"));
}

TEST_F(ExchangeCommands, TextTableAndListExportsImportIntoTheSameUnits)
{
    const QString list = write(QStringLiteral("in.lst"), kList);
    ASSERT_EQ(runCliCaptured({"import", project(), list, "--oem", "--excavation", "A"}).code, 0);
    ASSERT_EQ(runCliCaptured({"import", project(), list, "--excavation", "B"}).code, 0);
    auto r = runCliCaptured({"export", project(), "--lst", path(QStringLiteral("p.lst"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    struct Case {
        const char* exportOption;
        const char* file;
        const char* target;
    };
    for (const Case& c : {Case{"--txt", "x.txt", "Q.bvp"}, Case{"--lst", "x.lst", "R.bvp"}}) {
        r = runCliCaptured({"export", project(), QString::fromLatin1(c.exportOption), path(QString::fromLatin1(c.file))});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        r = runCliCaptured({"import", path(QString::fromLatin1(c.target)), path(QString::fromLatin1(c.file)), "--auto",
                            "--excavation", "A"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("4 units imported\n"));
        const QString back = path(QStringLiteral("back.lst"));
        r = runCliCaptured({"export", path(QString::fromLatin1(c.target)), "--lst", back});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(listBody(read(QStringLiteral("back.lst"))), listBody(read(QStringLiteral("p.lst")))) << c.file;
    }
}

TEST_F(ExchangeCommands, TruncateConfirmsCuttingLongTexts)
{
    const QString csv = write(QStringLiteral("in.csv"), "Unitname;Colour\r\n12;" + QByteArray(25, 'c') + "\r\n");
    auto r = runCliCaptured({"import", project(), csv, "--excavation", "A"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("error: The value of column Colour in line 2 of %1 is longer than the 20 characters of "
                                    "the field Colour.\n").arg(csv));
    EXPECT_FALSE(QFile::exists(project()));
    r = runCliCaptured({"import", project(), csv, "--excavation", "A", "--truncate"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"export", project(), "--lst", path(QStringLiteral("p.lst"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(read(QStringLiteral("p.lst")).contains("            Colour: " + QByteArray(20, 'c') + "\r\n"));
    r = runCliCaptured({"import", "--help"});
    EXPECT_TRUE(r.out.contains(QStringLiteral("--truncate"))) << r.out.toStdString();
}

TEST_F(ExchangeCommands, ARefusedTextTableMakesNoProject)
{
    write(QStringLiteral("bad.sch"), "Field1=Unitname,CHAR,8,00,00\r\nField2=MinYear,LONGINT,11,00,00\r\n");
    const QString txt = write(QStringLiteral("bad.txt"), "\"12\",1\r\n\"13\",x\r\n");
    const auto r = runCliCaptured({"import", project(), txt, "--excavation", "A"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("error: %1, line 2: column MinYear holds \"x\", which is not an integer number.\n").arg(txt));
    EXPECT_FALSE(QFile::exists(project()));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("P_unit.db"))));
}

TEST_F(ExchangeCommands, RefusalsSayWhyAndMakeNoProject)
{
    struct Case {
        QStringList args;
        int code;
        QString err;
    };
    const QString bad = write(QStringLiteral("bad.lst"), QByteArray("Stratigraphic Dataset\r\n\r\n\r\n12 3 x\r\n"));
    const QString list = write(QStringLiteral("in.lst"), kList);
    const QString garbage = write(QStringLiteral("garbage.db"), QByteArray(3000, '\x5a'));
    const QString empty = write(QStringLiteral("empty.db"), QByteArray());
    const QString truncated = write(QStringLiteral("cut.db"), QByteArray("SQLite format 3\0\x10\0\x01\x01", 20));
    const Case cases[] = {
        {{"import", project(), list}, 2,
         QStringLiteral("error: import needs --excavation NAME to make the new project %1\n").arg(project())},
        {{"import", project(), path(QStringLiteral("in.xyz")), "--excavation", "A"}, 2,
         QStringLiteral("error: Unsupported file type '.xyz': import reads .lst, .csv, .dbf, .db, .txt\n")},
        {{"import", project(), path(QStringLiteral("missing.lst")), "--excavation", "A"}, 1,
         QStringLiteral("error: Illegal import file name or file not found - try again\n")},
        {{"import", project(), bad, "--excavation", "A"}, 1,
         QStringLiteral("error: Import error: context 12 3 x\n  The unit name must not contain a blank.\n  (%1, line 4)\n")
             .arg(bad)},
        {{"import", project(), garbage, "--auto", "--excavation", "A"}, 1,
         QStringLiteral("error: %1: not a Paradox table (damaged header)\n").arg(QDir::toNativeSeparators(garbage))},
        {{"import", project(), empty, "--excavation", "A"}, 1,
         QStringLiteral("error: %1: not a Paradox table (damaged header)\n").arg(QDir::toNativeSeparators(empty))},
        {{"import", project(), truncated, "--excavation", "A"}, 1,
         QStringLiteral("error: %1: not a readable table (file is not a database)\n")
             .arg(QDir::toNativeSeparators(truncated))},
    };
    for (const Case& c : cases) {
        const auto r = runCliCaptured(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(QFile::exists(project()));
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("P_unit.db"))));
    }
}

} // namespace
