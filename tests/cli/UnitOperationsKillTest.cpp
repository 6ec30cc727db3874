// Deleting or merging units killed at any moment leaves each table as it
// was or as the whole command leaves it. Each table file has a transaction
// of its own, and the relationships are written first: a kill between the
// two commits leaves the units that were to go without relationships, never
// a relationship that names a missing unit or lacks its opposite.
//
// The edit form's save (unit set, unit rename) writes the same two files.
// A save that keeps the key writes the unit first: killed between the two
// commits, the unit has its new values and its old relationships, each
// pair whole. A rename writes the relationships first: killed between,
// the unit still has its old key and every row that named it names the new
// key already, pairs whole; no unit record is lost, and repeating the
// rename completes it. These rows naming a key that no unit has yet are the
// one state of an interrupted save outside "before" and "after".
#include "CliRunner.h"
#include "KillRunner.h"
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::copyFiles;
using belvanto::testing::runCliCaptured;
using belvanto::testing::runKilledAfter;

namespace {

// 200 contexts, each later than the next, every tenth equal to the fifth
// before it.
class KilledUnitCommand : public ::testing::Test {
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
    // Runs the command whole, then killed at `trials` moments spread over
    // its run time and once more let finish: each time the tables must be
    // as before, as after, or as `between` makes of the two.
    void expectKillsLeaveWholeStates(const QStringList& args, int trials, State (*between)(const State&, const State&))
    {
        const State before = state();
        copyFiles(dir.path(), saved.path());
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(runCliCaptured(args).code, 0);
        const qint64 full = timer.nsecsElapsed() / 1000;
        const State after = state();
        ASSERT_NE(before.units, after.units);
        ASSERT_NE(before.rels, after.rels);
        const State halfway = between(before, after);

        int old = 0, fresh = 0;
        for (int trial = 0; trial <= trials; ++trial) {
            copyFiles(saved.path(), dir.path());
            runKilledAfter(args, trial < trials ? full * trial / (trials - 2) : -1);
            // Opening for writing clears what a killed command left.
            const auto packed = runCliCaptured({"pack", project()});
            ASSERT_EQ(packed.code, 0) << packed.err.toStdString();
            const State now = state();
            EXPECT_TRUE(now == before || now == halfway || now == after)
                << "killed after " << full * trial / (trials - 2) << " us";
            (now == before ? old : fresh) += 1;
        }
        EXPECT_GT(old, 0);
        EXPECT_GT(fresh, 0);
    }
    static State relationshipsFirst(const State& before, const State& after) { return {before.units, after.rels}; }
    static State unitsFirst(const State& before, const State& after) { return {after.units, before.rels}; }
    QTemporaryDir dir, saved;
};

class UnitOperationsKill : public KilledUnitCommand, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnitOperationsKill, LeavesTheTablesBeforeOrAfterTheWholeCommand)
{
    QStringList args{"--yes", "unit", GetParam(), project()};
    for (int i = 2; i <= 120; i += 2) args << QString::number(i);
    expectKillsLeaveWholeStates(args, 12, relationshipsFirst);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnitOperationsKill, ::testing::Values("delete", "merge"));

class UnitEditKill : public KilledUnitCommand {};

TEST_F(UnitEditKill, AClassChangeLeavesTheUnitOrItsRelationshipsUnchanged)
{
    // 20 > 21 and 21 > 22 go, as a group has no earlier/later relationships;
    // killed between the commits, the group still has them, pairs whole.
    expectKillsLeaveWholeStates({"unit", "set", project(), "21", "Unitclass=group", "Location=north"}, 24, unitsFirst);
}

TEST_F(UnitEditKill, ARenameLeavesNoUnitRecordLostAndNoPairBroken)
{
    // Every row at both ends: 49 > 50, 50 > 51, 50 = 45 and their opposites.
    // Killed between the commits they name 500 while the unit is still 50.
    expectKillsLeaveWholeStates({"unit", "rename", project(), "50", "500"}, 24, relationshipsFirst);
}

} // namespace
