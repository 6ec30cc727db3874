// Deleting or merging units killed at any moment leaves each table as it
// was or as the whole command leaves it. Each table file has a transaction
// of its own, and the relationships are written first: a kill between the
// two commits leaves the units that were to go without relationships, never
// a relationship that names a missing unit or lacks its opposite.
#include "CliRunner.h"
#include "KillRunner.h"
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::copyFiles;
using belvanto::testing::runCliCaptured;
using belvanto::testing::runKilledAfter;

namespace {

class UnitOperationsKill : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && saved.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
        QStringList names, rels;
        for (int i = 1; i <= 200; ++i) {
            names << QString::number(i);
            if (i > 1) rels << QStringLiteral("%1>%2").arg(i - 1).arg(i);
            if (i % 10 == 0) rels << QStringLiteral("%1=%2").arg(i).arg(i - 5);
        }
        ASSERT_EQ(runCliCaptured(QStringList{"unit", "add", project()} + names).code, 0);
        ASSERT_EQ(runCliCaptured(QStringList{"rel", "add", project()} + rels).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    struct State {
        QString units, rels;
        bool operator==(const State&) const = default;
    };
    State state()
    {
        auto dump = [&](const char* table) {
            const auto r = runCliCaptured({"dump", project(), table});
            return r.out + r.err;
        };
        return {dump("units"), dump("rels")};
    }
    QTemporaryDir dir, saved;
};

TEST_P(UnitOperationsKill, LeavesTheTablesBeforeOrAfterTheWholeCommand)
{
    QStringList args{"--yes", "unit", GetParam(), project()};
    for (int i = 2; i <= 120; i += 2) args << QString::number(i);
    const State before = state();
    copyFiles(dir.path(), saved.path());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(runCliCaptured(args).code, 0);
    const qint64 full = timer.nsecsElapsed() / 1000;
    const State after = state();
    ASSERT_NE(before.units, after.units);
    ASSERT_NE(before.rels, after.rels);
    const State between{before.units, after.rels};

    int old = 0, fresh = 0;
    for (int trial = 0; trial <= 12; ++trial) {
        copyFiles(saved.path(), dir.path());
        runKilledAfter(args, trial < 12 ? full * trial / 10 : -1);
        // Opening for writing clears what a killed command left.
        ASSERT_EQ(runCliCaptured({"pack", project()}).code, 0);
        const State now = state();
        EXPECT_TRUE(now == before || now == between || now == after) << "killed after " << full * trial / 10 << " us";
        (now == before ? old : fresh) += 1;
    }
    EXPECT_GT(old, 0);
    EXPECT_GT(fresh, 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnitOperationsKill, ::testing::Values("delete", "merge"));

} // namespace
