// Who may open a project: a second program while one holds it, commands that
// only read, damaged table files and folders that cannot be written.
#include "CliRunner.h"
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class ProjectAccess : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString project() const { return path(QStringLiteral("G.bvp")); }

    void makeProject(const QString& file, const QStringList& extra = {})
    {
        auto r = runCliCaptured(QStringList{"new", file, "--excavation", "E"} + extra);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        r = runCliCaptured({"unit", "add", file, "1", "2"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }

    // Every file of the folder with its bytes.
    std::map<QString, QByteArray> files() const
    {
        std::map<QString, QByteArray> all;
        for (QDirIterator it(dir.path(), QDir::Files | QDir::Hidden); it.hasNext();) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly)) all[it.fileName()] = f.readAll();
        }
        return all;
    }
};

// A second program holding the project open, ended with its input.
class Holder {
public:
    explicit Holder(const QString& project)
    {
        process.start(QStringLiteral(BELVANTO_HOLD_PROJECT), {project});
        started = process.waitForStarted() && process.waitForReadyRead(30000)
                  && process.readAllStandardOutput().startsWith("open");
    }
    ~Holder()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(30000)) process.kill();
    }
    QProcess process;
    bool started = false;
};

TEST_F(ProjectAccess, AProjectOpenInAnotherProgramIsNeitherDeletedReplacedNorOpenedAgain)
{
    makeProject(project());
    makeProject(path(QStringLiteral("O.bvp")));
    Holder holder(project());
    ASSERT_TRUE(holder.started) << holder.process.readAllStandardError().toStdString();
    const auto before = files();
    // The other program's temporary tables are its own, not the folder's.
    EXPECT_EQ(before.count(QStringLiteral("UnitEntry.db")), 0u);
    EXPECT_EQ(before.count(QStringLiteral("RelEntry.db")), 0u);

    const QString refusal = QStringLiteral("error: Project G in %1 is open in another program (belvanto_hold_project, process %2).\n"
                                           "  Close it there first.\n")
                                .arg(QDir::toNativeSeparators(dir.path()))
                                .arg(holder.process.processId());
    const QStringList commands[] = {
        {"--yes", "delete", project()},
        {"--yes", "copy", path(QStringLiteral("O.bvp")), project()},
        {"--yes", "new", project(), "--excavation", "E"},
        {"unit", "add", project(), "3"},
        {"pack", project()},
    };
    for (const QStringList& args : commands) {
        const auto r = runCliCaptured(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.endsWith(refusal)) << r.err.toStdString();
        EXPECT_TRUE(files() == before) << args.join(' ').toStdString();
    }
    // Reading needs no lock and changes nothing.
    const auto info = runCliCaptured({"info", project()});
    EXPECT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("Units: 2\n")));
    EXPECT_TRUE(files() == before);
}

TEST_F(ProjectAccess, TheLockOfAProgramThatDiedIsStale)
{
    makeProject(project());
    {
        Holder holder(project());
        ASSERT_TRUE(holder.started);
        holder.process.kill();
        holder.process.waitForFinished();
    }
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("G.lock"))));
    const auto r = runCliCaptured({"unit", "add", project(), "3"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("G.lock"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("UnitEntry.db"))));
}

// Killed between creating its lock file and writing its details into it, a
// program leaves a lock that names nobody: stale all the same, or the
// project could never be opened again.
TEST_F(ProjectAccess, ALockLeftWithoutItsDetailsIsStale)
{
    makeProject(project());
    for (const QByteArray& content : {QByteArray(), QByteArray("12")}) {
        QFile lock(path(QStringLiteral("G.lock")));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(content);
        lock.close();
        const auto r = runCliCaptured({"unit", "add", project(), QStringLiteral("u%1").arg(content.size())});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("G.lock"))));
    }
}

TEST_F(ProjectAccess, CommandsThatReadNeverRewriteTheProjectFileNorDropALink)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("terms")));
    makeProject(project(), {"--term", path(QStringLiteral("terms/T.db"))});
    const QString file = project();
    const auto written = QFileInfo(file).lastModified();
    // The term file's folder is missing for a while (a drive not mounted).
    ASSERT_TRUE(QDir(path(QStringLiteral("terms"))).removeRecursively());
    const auto before = files();
    const QStringList commands[] = {
        {"info", file},
        {"dump", file, "units"},
        {"copy", file, path(QStringLiteral("C.bvp"))},
    };
    for (const QStringList& args : commands) {
        const auto r = runCliCaptured(args);
        EXPECT_EQ(r.code, 0) << args.join(' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(files().at(QStringLiteral("G.bvp")), before.at(QStringLiteral("G.bvp"))) << args.join(' ').toStdString();
        EXPECT_EQ(QFileInfo(file).lastModified(), written) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(runCliCaptured({"info", file}).out.contains(QStringLiteral("T.db\n")));
    EXPECT_TRUE(runCliCaptured({"info", path(QStringLiteral("C.bvp"))}).out.contains(QStringLiteral("T.db\n")));

    // A command that writes keeps the link too unless told otherwise.
    auto r = runCliCaptured({"unit", "add", file, "3"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(runCliCaptured({"info", file}).out.contains(QStringLiteral("T.db\n")));
    r = runCliCaptured({"--no", "unit", "add", file, "4"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(runCliCaptured({"info", file}).out.contains(QStringLiteral("Term file: \n")));
}

TEST_F(ProjectAccess, InfoNamesADamagedTableFile)
{
    makeProject(project());
    EXPECT_EQ(runCliCaptured({"info", project()}).code, 0);
    // A free-page count in the header that no free page backs: the rows
    // still read, only the engine's check finds it.
    const QString table = path(QStringLiteral("G_rel.db"));
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(36));
    f.write(QByteArray("\0\0\0\5", 4));
    f.close();
    const auto r = runCliCaptured({"info", project()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Units: 2\n")));
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("error: Table file %1 is damaged: ").arg(QDir::toNativeSeparators(table))))
        << r.err.toStdString();
}

TEST_F(ProjectAccess, AProjectInAFolderThatCannotBeWrittenIsReadButNotChanged)
{
    makeProject(project());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    struct Restore {
        QString folder;
        ~Restore() { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
    } restore{dir.path()};
    if (QFile probe(path(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "this user writes into any folder";

    const auto before = files();
    auto r = runCliCaptured({"info", project()});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_TRUE(r.out.contains(QStringLiteral("Units: 2\n")));
    EXPECT_EQ(runCliCaptured({"dump", project(), "units"}).code, 0);

    r = runCliCaptured({"unit", "add", project(), "3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("error: Project G cannot be changed: the folder %1 cannot be written.\n")
                         .arg(QDir::toNativeSeparators(dir.path())));
    EXPECT_TRUE(files() == before);
}

} // namespace
