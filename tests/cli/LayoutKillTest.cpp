// A layout run, or a simulation over an existing project, killed at any
// moment leaves the old files or the new ones, whole, and nothing of its own
// behind once the project is opened again.
#include "CliRunner.h"
#include "KillRunner.h"
#include "store/LayoutFileNames.h"
#include "store/Table.h"
#include <QFileInfo>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::copyFiles;
using belvanto::testing::runCliCaptured;
using belvanto::testing::runKilledAfter;

namespace {

class KillTest : public ::testing::Test {
protected:
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }

    // Opening the project for writing (here, to pack it) finishes or
    // clears what a killed run left; reading leaves that to the lock's holder.
    void reopen() { ASSERT_EQ(runCliCaptured({"pack", project()}).code, 0); }
    void expectNothingLeft(const QString& when)
    {
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            EXPECT_FALSE(name.contains(QStringLiteral("-new")) || name.endsWith(QStringLiteral(".new"))
                         || name.startsWith(QStringLiteral("__")) || name.contains(QStringLiteral("Swap"))
                         || name.contains(QStringLiteral(".creating")))
                << name.toStdString() << " left after a kill at " << when.toStdString();
    }

    QTemporaryDir dir, saved;
};

class LayoutKill : public KillTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && saved.isValid());
        ASSERT_EQ(runCliCaptured({"simulate", project(), "--contexts", "300"}).code, 0);
    }
    // The stored layout as the command line prints it.
    QString layout()
    {
        QString text;
        for (const char* table : {"unitlayout", "rellayout", "layoutparams"}) {
            const auto r = runCliCaptured({"dump", project(), table});
            text += r.out + r.err;
        }
        return text;
    }
    void layoutKilledAfter(qint64 microseconds) { runKilledAfter({"layout", project(), "--seed", "2"}, microseconds); }
};

TEST_F(LayoutKill, LeavesTheOldLayoutOrTheNewOne)
{
    ASSERT_EQ(runCliCaptured({"layout", project(), "--seed", "1"}).code, 0);
    const QString before = layout();
    copyFiles(dir.path(), saved.path());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(runCliCaptured({"layout", project(), "--seed", "2"}).code, 0);
    const qint64 full = timer.nsecsElapsed() / 1000;
    const QString after = layout();
    ASSERT_NE(before, after);

    // The kills spread over the time a whole run takes; the last trial is
    // not killed, so the forked run is shown to reach the new layout.
    int old = 0, fresh = 0;
    for (int trial = 0; trial <= 12; ++trial) {
        copyFiles(saved.path(), dir.path());
        layoutKilledAfter(trial < 12 ? full * trial / 10 : -1);
        reopen();
        const QString now = layout();
        EXPECT_TRUE(now == before || now == after) << "killed after " << full * trial / 10 << " us";
        (now == before ? old : fresh) += 1;
        expectNothingLeft(QStringLiteral("%1 us").arg(full * trial / 10));
    }
    // A kill at once leaves the old layout; the unkilled run the new one.
    EXPECT_GT(old, 0);
    EXPECT_GT(fresh, 0);
}

// A swap cut short between its renames is finished on the next open.
TEST_F(LayoutKill, ASwapCutShortIsFinished)
{
    ASSERT_EQ(runCliCaptured({"layout", project(), "--seed", "1"}).code, 0);
    const QString before = layout();
    copyFiles(dir.path(), saved.path());
    ASSERT_EQ(runCliCaptured({"layout", project(), "--seed", "2"}).code, 0);
    const QString after = layout();
    // The new files as staged, the old ones live, the journal written, and
    // only the unit layout table renamed.
    QTemporaryDir fresh;
    copyFiles(dir.path(), fresh.path());
    copyFiles(saved.path(), dir.path());
    const QString d = dir.path();
    auto stage = [&](const QString& live, const QString& staged) {
        ASSERT_TRUE(QFile::copy(QDir(fresh.path()).filePath(QFileInfo(live).fileName()), staged));
    };
    stage(Table::pathOf(d, UnitLayoutTableName("P")), Table::pathOf(d, UnitLayoutTableName("P", LayoutStage::Staged)));
    stage(Table::pathOf(d, RelLayoutTableName("P")), Table::pathOf(d, RelLayoutTableName("P", LayoutStage::Staged)));
    stage(LayoutParameterPath(d, "P"), LayoutParameterPath(d, "P", LayoutStage::Staged));
    ASSERT_TRUE(QFile::remove(Table::pathOf(d, UnitLayoutTableName("P"))));
    ASSERT_TRUE(QFile::rename(Table::pathOf(d, UnitLayoutTableName("P", LayoutStage::Staged)),
                              Table::pathOf(d, UnitLayoutTableName("P"))));
    {
        QFile journal(QDir(d).filePath(QStringLiteral("P_LayoutSwap.txt")));
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    }
    reopen();
    EXPECT_EQ(layout(), after);

    // Without the journal the staged files are an unfinished run's: dropped.
    copyFiles(saved.path(), dir.path());
    stage(Table::pathOf(d, UnitLayoutTableName("P")), Table::pathOf(d, UnitLayoutTableName("P", LayoutStage::Staged)));
    // A reader leaves the staged file to the program that may be writing it.
    layout();
    EXPECT_TRUE(QFile::exists(Table::pathOf(d, UnitLayoutTableName("P", LayoutStage::Staged))));
    reopen();
    EXPECT_EQ(layout(), before);
    EXPECT_FALSE(QFile::exists(Table::pathOf(d, UnitLayoutTableName("P", LayoutStage::Staged))));
}

// A simulation over an existing project replaces the project file, both
// tables and the layout as one.
class SimulateKill : public KillTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && saved.isValid());
        ASSERT_EQ(runCliCaptured({"simulate", project(), "--contexts", "300", "--excavation", "OLD"}).code, 0);
        ASSERT_EQ(runCliCaptured({"layout", project()}).code, 0);
    }
    QStringList simulateNew() const
    {
        return {"simulate", project(), "--contexts", "3000", "--excavation", "NEW", "--yes"};
    }
    QString dump(const char* table)
    {
        const auto r = runCliCaptured({"dump", project(), table});
        return QString::number(r.code) + r.out + r.err;
    }
    QString projectFile()
    {
        QFile f(project());
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QStringLiteral("missing");
    }
    // The old project exactly, or a new one that is whole: 3,000 units of
    // the new excavation, relationships among them only, no layout.
    enum class State { Old, New, Mixed };
    State state(const QString& oldProject)
    {
        const QString now = projectFile() + dump("units") + dump("rels") + dump("unitlayout");
        if (now == oldProject) return State::Old;
        if (!projectFile().contains(QStringLiteral("Excavation=NEW\r\n"))) return State::Mixed;
        const QStringList units = dump("units").split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
        if (units.size() != 3000) return State::Mixed;
        for (const QString& row : units)
            if (!row.startsWith(QStringLiteral("NEW,"))) return State::Mixed;
        const QStringList rels = dump("rels").split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
        if (rels.isEmpty()) return State::Mixed;
        for (const QString& row : rels)
            if (!row.startsWith(QStringLiteral("NEW,")) || row.section(QLatin1Char(','), 2, 2) != QStringLiteral("NEW"))
                return State::Mixed;
        if (QFile::exists(dir.filePath(QStringLiteral("P_UnitLayout.db")))) return State::Mixed;
        return State::New;
    }
};

TEST_F(SimulateKill, LeavesTheOldProjectOrTheNewOne)
{
    const QString before = projectFile() + dump("units") + dump("rels") + dump("unitlayout");
    copyFiles(dir.path(), saved.path());
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(runCliCaptured(simulateNew()).code, 0);
    const qint64 full = timer.nsecsElapsed() / 1000;
    ASSERT_EQ(state(before), State::New);

    int old = 0, fresh = 0;
    for (int trial = 0; trial <= 12; ++trial) {
        copyFiles(saved.path(), dir.path());
        runKilledAfter(simulateNew(), trial < 12 ? full * trial / 10 : -1);
        reopen();
        const State now = state(before);
        EXPECT_NE(now, State::Mixed) << "killed after " << full * trial / 10 << " us";
        (now == State::Old ? old : fresh) += 1;
        expectNothingLeft(QStringLiteral("%1 us").arg(full * trial / 10));
    }
    EXPECT_GT(old, 0);
    EXPECT_GT(fresh, 0);
}

// A replacement cut short between its renames is finished from the project
// file, old or new, and the old layout goes with it.
TEST_F(SimulateKill, AReplacementCutShortIsFinished)
{
    const QString before = projectFile() + dump("units") + dump("rels") + dump("unitlayout");
    copyFiles(dir.path(), saved.path());
    ASSERT_EQ(runCliCaptured(simulateNew()).code, 0);
    QTemporaryDir fresh;
    copyFiles(dir.path(), fresh.path());
    const QString d = dir.path();
    auto stage = [&](const char* live, const char* staged) {
        ASSERT_TRUE(QFile::copy(QDir(fresh.path()).filePath(QString::fromLatin1(live)),
                                QDir(d).filePath(QString::fromLatin1(staged))));
    };
    auto journal = [&] {
        QFile f(QDir(d).filePath(QStringLiteral("P_ProjectSwap.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    for (int renamed = 0; renamed <= 2; ++renamed) {
        SCOPED_TRACE(renamed);
        copyFiles(saved.path(), d);
        const std::pair<const char*, const char*> files[] = {
            {"P.bvp", "P.bvp.new"}, {"P_unit.db", "P_unit-new.db"}, {"P_rel.db", "P_rel-new.db"}};
        for (int i = 0; i < 3; ++i) {
            if (i < renamed) {
                ASSERT_TRUE(QFile::remove(QDir(d).filePath(QString::fromLatin1(files[i].first))));
                stage(files[i].first, files[i].first);
            } else {
                stage(files[i].first, files[i].second);
            }
        }
        journal();
        reopen();
        EXPECT_EQ(state(before), State::New);
        expectNothingLeft(QStringLiteral("rename %1").arg(renamed));
    }

    // Without the journal the staged files are an unfinished run's: dropped.
    copyFiles(saved.path(), d);
    stage("P.bvp", "P.bvp.new");
    stage("P_unit.db", "P_unit-new.db");
    reopen();
    EXPECT_EQ(state(before), State::Old);
    expectNothingLeft(QStringLiteral("no journal"));
}

} // namespace
