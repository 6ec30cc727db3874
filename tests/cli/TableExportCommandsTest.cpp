#include "CliRunner.h"
#include "exchange/DbaseSource.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

const QByteArray kList("Stratigraphic Dataset X\r\n\r\n\r\n"
                       "12      F\xFCllung\r\nabove: 7\r\nbelow:\r\nequal to:\r\ncontemporary with:\r\n7\r\n");

class TableExportCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile f(path(QStringLiteral("in.lst")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kList);
        f.close();
        const auto r = runCliCaptured({"import", project(), f.fileName(), "--excavation", "A"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString project() const { return path(QStringLiteral("P.bvp")); }
    QTemporaryDir dir;
};

TEST_F(TableExportCommands, DbfAndTxtWriteTheUnitTable)
{
    auto r = runCliCaptured({"export", project(), "--dbf", path(QStringLiteral("out.dbf"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto source = OpenDbaseSource(path(QStringLiteral("out.dbf")));
    std::vector<Value> record;
    ASSERT_TRUE(source->next(record));
    EXPECT_EQ(source->columns()[0].name, QStringLiteral("EXC_UNIT"));
    EXPECT_EQ(record[0], Value(QStringLiteral("A:12")));

    r = runCliCaptured({"export", project(), "--txt", path(QStringLiteral("out.txt"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile txt(path(QStringLiteral("out.txt")));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), QByteArray("\"A:12\",\"context\",\"F\xFCllung\",\"\",\"A:7\"\r\n"
                                        "\"A:7\",\"context\",\"\",\"A:12\",\"\"\r\n\r"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out.sch"))));
}

// The dBase export read back by the import: the short column names find
// their fields and lists again, so a new project gets the same tables.
TEST_F(TableExportCommands, ADbfExportImportsIntoTheSameTables)
{
    ASSERT_EQ(runCliCaptured({"unit", "set", project(), "A:7", "Location=Gr\xC3\xA4" "ben Nord", "XMinCoord=12.5"}).code, 0);
    auto r = runCliCaptured({"export", project(), "--dbf", path(QStringLiteral("out.dbf"))});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString copy = path(QStringLiteral("Q.bvp"));
    r = runCliCaptured({"import", copy, path(QStringLiteral("out.dbf")), "--excavation", "A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2 units imported\n"));
    for (const char* table : {"units", "rels"}) {
        const auto before = runCliCaptured({"dump", project(), table});
        const auto after = runCliCaptured({"dump", copy, table});
        ASSERT_EQ(before.code, 0) << before.err.toStdString();
        EXPECT_EQ(after.out, before.out) << table;
    }
}

TEST_F(TableExportCommands, AFileThatCannotBeWrittenIsReported)
{
    const QString target = path(QStringLiteral("missing/out.dbf"));
    const auto r = runCliCaptured({"export", project(), "--dbf", target});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot write ") + QDir::toNativeSeparators(target)))
        << r.err.toStdString();
}

} // namespace
