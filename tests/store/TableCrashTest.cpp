// Crash safety: a child process posts records and is killed with SIGKILL.
// Every post that returned must survive and the file must stay whole; a
// bulk scope's records appear all or not at all.
//
// The child reports its progress through a pipe, so the parent knows how far
// it got without timing anything; a generous poll limit only keeps a broken
// child from hanging the test run.
#include "TableFixture.h"
#include <QFileInfo>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace belvanto::testing {
namespace {

constexpr int kCommitted = -1;   // reported after the bulk scope ended

class Child {
public:
    // Runs body in a forked child that reports numbers through report().
    explicit Child(const std::function<void(const std::function<void(int)>&)>& body)
    {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int out = fds[1];
            int rc = 0;
            try {
                body([out](int n) {
                    if (write(out, &n, sizeof n) != sizeof n) _exit(3);
                });
            } catch (...) {
                rc = 2;
            }
            // Wait to be killed; never run the parent's exit handlers.
            if (rc == 0)
                for (;;) pause();
            _exit(rc);
        }
        close(fds[1]);
        fd_ = fds[0];
    }

    ~Child()
    {
        kill();
        close(fd_);
    }

    // The next number, or nullopt when the child is gone (or stuck).
    std::optional<int> read()
    {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 120000) <= 0) return std::nullopt;
        int n = 0;
        const ssize_t got = ::read(fd_, &n, sizeof n);
        if (got != sizeof n) return std::nullopt;
        return n;
    }

    // Reads until pred holds for a number; returns the last one read.
    std::optional<int> readUntil(const std::function<bool(int)>& pred)
    {
        for (;;) {
            auto n = read();
            if (!n || pred(*n)) return n;
        }
    }

    // Kills the child and returns the last number it managed to report.
    int killAndDrain(int last)
    {
        kill();
        while (auto n = read()) last = *n;
        return last;
    }

private:
    void kill()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

    pid_t pid_ = 0;
    int fd_ = -1;
};

QString keyOf(int i)
{
    return QStringLiteral("k%1").arg(i, 6, 10, QLatin1Char('0'));
}

void expectWhole(const QString& file)
{
    Table t;
    t.openFile(file);   // rolls back a hot journal
    t.close();
    Outside db(file);
    EXPECT_EQ(db.one("PRAGMA integrity_check"), "ok");
}

class CrashTest : public ::testing::Test {
protected:
    TempDir dir;
    QString file;

    void SetUp() override
    {
        file = dir.file("crash.db");
        Table::createFile(file, {{"Key", FieldType::String, 8, true}, {"Payload", FieldType::String, 4000}},
                          {QString(), {"Key"}});
    }

    static void post(Table& t, int i, int payload)
    {
        t.insert();
        t.set(0, keyOf(i));
        t.set(1, QString(payload, QLatin1Char('a' + i % 26)));
        t.post();
    }
};

TEST_F(CrashTest, EveryReturnedPostSurvivesAKill)
{
    const QString path = file;
    Child child([path](const std::function<void(int)>& report) {
        Table t;
        t.openFile(path);
        for (int i = 0;; ++i) {
            post(t, i, 200);
            report(i + 1);
        }
    });
    const auto reached = child.readUntil([](int n) { return n >= 150; });
    ASSERT_TRUE(reached) << "the child stopped before posting 150 records";
    const int reported = child.killAndDrain(*reached);

    expectWhole(file);
    Table t;
    t.openFile(file);
    const int n = t.count();
    EXPECT_GE(n, reported);
    EXPECT_LE(n, reported + 1) << "at most the post the kill interrupted";
    QStringList keys;
    for (t.first(); !t.eof(); t.next()) keys << t.str(0);
    for (int i = 0; i < n; ++i) ASSERT_EQ(keys.value(i), keyOf(i));
}

struct BulkKill {
    const char* name;
    bool afterScope;   // kill after the scope ended, else inside it
};

void PrintTo(const BulkKill& k, std::ostream* os)
{
    *os << k.name;
}

class BulkCrashTest : public CrashTest, public ::testing::WithParamInterface<BulkKill> {};

TEST_P(BulkCrashTest, AKilledBulkScopeLeavesNoneOrAllOfItsRecords)
{
    // Enough data to overflow the page cache, so that the killed
    // transaction has already written into the database file.
    constexpr int kRecords = 6000;
    constexpr int kBefore = 10;
    {
        Table t;
        t.openFile(file);
        for (int i = 0; i < kBefore; ++i) post(t, i, 10);
    }
    const QString path = file;
    Child child([path](const std::function<void(int)>& report) {
        Table t;
        t.openFile(path);
        {
            BulkScope bulk;
            for (int i = 0; i < kRecords; ++i) {
                post(t, kBefore + i, 4000);
                report(i + 1);
            }
        }
        report(kCommitted);
    });
    const bool afterScope = GetParam().afterScope;
    const auto reached = child.readUntil([&](int n) { return afterScope ? n == kCommitted : n >= kRecords * 5 / 6; });
    ASSERT_TRUE(reached) << "the child stopped early";
    child.killAndDrain(*reached);
    if (!afterScope) {
        // The interrupted transaction had reached the file itself.
        EXPECT_TRUE(QFile::exists(file + "-journal"));
        EXPECT_GT(QFileInfo(file).size(), 1 << 20);
    }

    expectWhole(file);
    Table t;
    t.openFile(file);
    EXPECT_EQ(t.count(), afterScope ? kBefore + kRecords : kBefore);
}

INSTANTIATE_TEST_SUITE_P(Kill, BulkCrashTest,
                         ::testing::Values(BulkKill{"InsideTheScope", false}, BulkKill{"AfterTheScope", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace belvanto::testing
