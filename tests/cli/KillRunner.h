#pragma once
// For tests that kill a belvanto-cli command in a child process at some
// moment and look at what it left.
#include "cli/Cli.h"
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace belvanto::testing {

// Replaces the files of `to` by those of `from`.
inline void copyFiles(const QString& from, const QString& to)
{
    for (const QString& name : QDir(to).entryList(QDir::Files)) QFile::remove(QDir(to).filePath(name));
    for (const QString& name : QDir(from).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)));
}

// Runs the command in a child process, killed after the delay; a negative
// delay lets it finish.
inline void runKilledAfter(const QStringList& args, qint64 microseconds)
{
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        FILE* null = fopen("/dev/null", "w");
        _exit(runCli(args, null, null));
    }
    if (microseconds >= 0) {
        QThread::usleep(quint64(microseconds));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace belvanto::testing
