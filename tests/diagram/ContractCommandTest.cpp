// belvanto-cli export --svg --contract: a contracted diagram drawn from a
// layout made in memory, the stored layout left as it was.
#include "cli/CliRunner.h"
#include "layout/LayoutFiles.h"
#include "store/Table.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class ContractCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E", "--single"}).code, 0);
        // G holds A and B of the later period; C, of the earlier one, lies
        // below B; D is a context of the later period beside G.
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G", "--class", "group"}).code, 0);
        for (const char* name : {"A", "B", "D"})
            ASSERT_EQ(runCliCaptured({"unit", "add", project(), name, "--set", "Period=Late"}).code, 0);
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "C", "--set", "Period=Early"}).code, 0);
        const auto r = runCliCaptured({"rel", "add", project(), "A>B", "B>C", "D>C", "A", "p", "G", "B", "p", "G"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        ASSERT_EQ(runCliCaptured({"layout", project(), "--groups", "--periods"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray bytes(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QList<QByteArray> storedLayout() const
    {
        return {bytes(Table::pathOf(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix)),
                bytes(Table::pathOf(dir.path(), QStringLiteral("P") + kRelLayoutSuffix)),
                bytes(LayoutParameterPath(dir.path(), QStringLiteral("P")))};
    }
    // Labels: one text element each, the label on its own line.
    static int count(const QByteArray& svg, const char* label)
    {
        return int(svg.count(QByteArray(">\r\n") + label + "\r\n</text>"));
    }
    QTemporaryDir dir;
};

TEST_F(ContractCommand, TheGroupIsOneBoxWithItsMembersLinesAndTheStoredLayoutStays)
{
    const QList<QByteArray> before = storedLayout();
    auto r = runCliCaptured({"export", project(), "--svg", file("full.svg")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runCliCaptured({"export", project(), "--svg", file("c.svg"), "--contract", "E:G"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(storedLayout(), before);

    const QByteArray full = bytes(file("full.svg")), contracted = bytes(file("c.svg"));
    EXPECT_EQ(count(full, "A"), 1);
    EXPECT_EQ(count(contracted, "A"), 0);
    EXPECT_EQ(count(contracted, "B"), 0);
    EXPECT_EQ(count(contracted, "G"), 1);
    EXPECT_EQ(count(contracted, "C"), 1);
    EXPECT_EQ(count(contracted, "D"), 1);
    // B > C now runs from G, D > C as before.
    EXPECT_EQ(count(contracted, "Late"), 1);
    EXPECT_EQ(count(contracted, "Early"), 1);
    const qsizetype lines = contracted.indexOf("<g id=\"Harris relationships\"");
    ASSERT_GT(lines, 0);
    EXPECT_EQ(contracted.mid(lines).count("<line ") + contracted.mid(lines).count("<polyline "), 2);

    // The full diagram is drawn again from the untouched layout.
    r = runCliCaptured({"export", project(), "--svg", file("again.svg")});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(bytes(file("again.svg")), full);
}

TEST_F(ContractCommand, NamesThatAreNoGroupsAreRefused)
{
    struct Case {
        const char* names;
        const char* err;
    } cases[] = {
        {"E:Z", "error: Unit E:Z is not in the diagram. --contract takes groups of the diagram.\n"},
        {"E:G,E:A", "error: Unit E:A is not a group. --contract takes groups of the diagram.\n"},
    };
    for (const Case& c : cases) {
        const auto r = runCliCaptured({"export", project(), "--svg", file("x.svg"), "--contract", c.names});
        EXPECT_EQ(r.code, 2) << c.names;
        EXPECT_EQ(r.err.toStdString(), c.err);
        EXPECT_FALSE(QFile::exists(file("x.svg")));
    }
    const auto r = runCliCaptured({"export", project(), "--dot", file("x.dot"), "--contract", "E:G"});
    EXPECT_EQ(r.code, 2);
}

} // namespace
