// Relationship lists: one pair per row, in and out.
#include "exchange/ExchangeTestSupport.h"
#include "core/Regional.h"
#include "editing/AddRelationship.h"
#include "exchange/RelationList.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace belvanto {
namespace {

class RelationList : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateProjectFiles(session, dir.file("P.bvp"), QStringLiteral("A"), QString(), true));
    }
    void TearDown() override { CloseProject(session, true); }

    void write(const QByteArray& bytes) { writeBytes(dir.file("r.csv"), bytes); }
    QStringList relationRows() { return RelationRowTexts(session.relations()); }
    RelationListOptions commaOptions()
    {
        RelationListOptions o;
        o.csv.Separator = QStringLiteral(",");
        o.csv.FirstRowNames = true;
        o.laterColumn = QStringLiteral("younger");
        o.earlierColumn = QStringLiteral("older");
        return o;
    }

    testing::TempDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

TEST_F(RelationList, CreatesUnitsAndReportsRefusedRowsWithTheirLines)
{
    write("younger,older\r\n1,2\r\n2,3\r\n1,2\r\n4,4\r\n2,1\r\n");
    ui.expectWarning(QStringLiteral("3 relationships of %1 were not imported:\r\n"
                                    "line 4: 1 > 2 is already defined\r\n"
                                    "line 5: 4 is related to itself\r\n"
                                    "line 6: 2 > 1 is already defined").arg(dir.file("r.csv")));
    ASSERT_TRUE(ImportRelationList(session, dir.file("r.csv"), commaOptions()));
    EXPECT_EQ(relationRows(), (QStringList{"A:1 > A:2", "A:2 < A:1", "A:2 > A:3", "A:3 < A:2"}));
    EXPECT_EQ(session.units().count(), 4);
}

TEST_F(RelationList, ARowThatCannotBeReadWritesNothing)
{
    struct Case {
        QByteArray file;
        QString error;
    };
    const Case cases[] = {
        {"younger,older\r\n1,2\r\n2,\r\n", "%1, line 3: The unit name must not be blank\r\nIllegal name: "},
        {"younger,older\r\n1,2\r\n2,3,4\r\n", "%1: 2 fields expected, but 3 fields in line 3"},
        {"young,older\r\n1,2\r\n", "%1 has no column younger."},
    };
    for (const auto& c : cases) {
        write(c.file);
        ui.expectError(c.error.arg(dir.file("r.csv")));
        EXPECT_FALSE(ImportRelationList(session, dir.file("r.csv"), commaOptions()));
        ui.verifyDone();
        EXPECT_EQ(session.units().count(), 0);
        EXPECT_TRUE(relationRows().isEmpty());
    }
}

TEST_F(RelationList, CategoryColumnAndRoundTrip)
{
    const QString script = QStringLiteral(
        "import csv,sys\n"
        "with open(sys.argv[1], 'w', newline='', encoding='cp1252') as f:\n"
        "    w = csv.writer(f)\n"
        "    w.writerow(['younger', 'older', 'kind'])\n"
        "    w.writerows([['F1', 'F2', 'later'], ['F2', 'F3', 'Equal to'], ['F4', 'F3', '-'], ['B:9', 'F1', '>'], ['F5', 'F4', 'earlier']])\n");
    ASSERT_EQ(QProcess::execute(QStringLiteral("python3"), {QStringLiteral("-c"), script, dir.file("r.csv")}), 0);
    RelationListOptions o = commaOptions();
    o.categoryColumn = QStringLiteral("kind");
    ASSERT_TRUE(ImportRelationList(session, dir.file("r.csv"), o));
    const QStringList rows = relationRows();
    EXPECT_EQ(rows.size(), 10);
    EXPECT_TRUE(rows.contains("A:F1 > A:F2") && rows.contains("A:F2 = A:F3") && rows.contains("A:F3 - A:F4")
                && rows.contains("B:9 > A:F1") && rows.contains("A:F5 < A:F4"))
        << rows.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(session.project().SingleExcavation);

    ASSERT_TRUE(ExportRelationList(session, dir.file("out.csv"), o.csv));
    CloseProject(session, true);
    ASSERT_TRUE(CreateProjectFiles(session, dir.file("Q.bvp"), QStringLiteral("A"), QString(), true));
    RelationListOptions back = o;
    back.laterColumn = QStringLiteral("Later");
    back.earlierColumn = QStringLiteral("Earlier");
    back.categoryColumn = QStringLiteral("Category");
    ASSERT_TRUE(ImportRelationList(session, dir.file("out.csv"), back));
    EXPECT_EQ(relationRows(), rows);
}

} // namespace
} // namespace belvanto
