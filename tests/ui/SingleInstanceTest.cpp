#include "ui/SingleInstance.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

using namespace belvanto;

TEST(SingleInstance, SecondStartAsksTheFirstToComeForward)
{
    const QString key = QStringLiteral("Belvanto test ") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    SingleInstance first(key);
    ASSERT_TRUE(first.start());
    QSignalSpy activated(&first, &SingleInstance::activated);
    SingleInstance second(key);
    EXPECT_FALSE(second.start());
    EXPECT_TRUE(activated.wait(5000));
}

TEST(SingleInstance, LockOfAnEndedInstanceIsTakenOver)
{
    const QString key = QStringLiteral("Belvanto test ") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.start());
    }
    SingleInstance again(key);
    EXPECT_TRUE(again.start());
}

// The program itself: a second start ends at once with code 0 and the first
// keeps running.
TEST(SingleInstance, SecondProgramStartEndsAtOnce)
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/app/belvanto"));
    if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "belvanto is not built";
    QLocalSocket probe;
    probe.connectToServer(SingleInstance::serverName(kInstanceKey));
    if (probe.waitForConnected(500)) GTEST_SKIP() << "Belvanto is running already";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    bool listening = false;
    for (int i = 0; i < 300 && !listening && first.state() == QProcess::Running; ++i) {
        QLocalSocket s;
        s.connectToServer(SingleInstance::serverName(kInstanceKey));
        listening = s.waitForConnected(100);
        if (!listening) first.waitForFinished(100);
    }
    ASSERT_TRUE(listening);

    QTemporaryDir dir;
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {dir.filePath(QStringLiteral("Other.bvp"))});
    EXPECT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}
