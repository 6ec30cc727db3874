// belvanto-cli's CSV imports and exports.
#include "cli/CliRunner.h"
#include "exchange/ExchangeTestSupport.h"
#include <gtest/gtest.h>

namespace belvanto {
namespace {

using testing::runCliCaptured;

class CsvCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        writeBytes(path(name), bytes);
        return path(name);
    }
    QByteArray read(const QString& name) const { return readBytes(path(name)); }
};

TEST_F(CsvCommands, TableAndRelationListRoundTrip)
{
    const QString table = write(QStringLiteral("in.csv"), "Nr,Kind,Later than\r\n12,context,\"13, 14\"\r\n13,,\r\n14,,\r\n");
    auto r = runCliCaptured({"import", path("P.bvp"), table, "--excavation", "A", "--separator", ",", "--map",
                             "Nr=Unitname", "--auto"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("3 units imported\n"));

    r = runCliCaptured({"export", path("P.bvp"), "--csv", path("out.csv")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"export", path("P.bvp"), "--relations", path("rel.csv")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(read("out.csv"), QByteArray("Unitname;Unitclass;Later than;Earlier than\r\n"
                                          "\"12\";\"context\";\"13, 14\";\"\"\r\n"
                                          "\"13\";\"context\";\"\";\"12\"\r\n"
                                          "\"14\";\"context\";\"\";\"12\"\r\n"));
    EXPECT_EQ(read("rel.csv"), QByteArray("Later;Earlier;Category\r\n\"12\";\"13\";\"later\"\r\n\"12\";\"14\";\"later\"\r\n"));

    r = runCliCaptured({"import", path("Q.bvp"), "--relations", path("rel.csv"), "--excavation", "A", "--later", "Later",
                        "--earlier", "Earlier", "--category", "Category"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("3 units imported\n"));
}

TEST_F(CsvCommands, AFailedImportMakesNoProject)
{
    const QString table = write(QStringLiteral("in.csv"), "Unitname\r\n12\r\n12\r\n");
    const auto r = runCliCaptured({"import", path("P.bvp"), table, "--excavation", "A"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Unit name 12 occurs twice."))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("P.bvp")));
    EXPECT_FALSE(QFile::exists(path("P_unit.db")));
}

} // namespace
} // namespace belvanto
