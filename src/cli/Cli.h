#pragma once
#include <QStringList>
#include <cstdio>

namespace belvanto {

// Runs one belvanto-cli command; the exit code: 0 done, 1 failed, 2 usage.
int runCli(const QStringList& arguments, FILE* out, FILE* err);

} // namespace belvanto
