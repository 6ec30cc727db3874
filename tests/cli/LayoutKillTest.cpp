// A layout run killed at any moment leaves the last layout or the new one,
// whole, and nothing of its own behind once the project is opened again.
#include "CliRunner.h"
#include "store/LayoutFileNames.h"
#include "store/Table.h"
#include <QFileInfo>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class LayoutKill : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && saved.isValid());
        ASSERT_EQ(runCliCaptured({"simulate", project(), "--contexts", "300"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }

    // Opening the project for writing (here, to pack it) finishes or
    // clears what a killed run left; reading leaves that to the lock's holder.
    void reopen() { ASSERT_EQ(runCliCaptured({"pack", project()}).code, 0); }
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
    void copyFiles(const QString& from, const QString& to)
    {
        for (const QString& name : QDir(to).entryList(QDir::Files)) QFile::remove(QDir(to).filePath(name));
        for (const QString& name : QDir(from).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)));
    }
    // Lays out with seed 2 in a child process, killed after the delay.
    void layoutKilledAfter(qint64 microseconds)
    {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FILE* null = fopen("/dev/null", "w");
            _exit(runCli({"layout", project(), "--seed", "2"}, null, null));
        }
        // A negative delay lets the run finish.
        if (microseconds >= 0) {
            QThread::usleep(quint64(microseconds));
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }

    QTemporaryDir dir, saved;
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
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            EXPECT_FALSE(name.contains(QStringLiteral("-new")) || name.startsWith(QStringLiteral("__"))
                         || name.contains(QStringLiteral("Swap")))
                << name.toStdString() << " left after a kill at " << full * trial / 10 << " us";
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

} // namespace
