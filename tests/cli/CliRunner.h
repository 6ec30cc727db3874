#pragma once
// Runs belvanto-cli commands in-process and captures what they print.
#include "cli/Cli.h"
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace belvanto::testing {

struct CliResult {
    int code = -1;
    QString out;
    QString err;
};

inline QString readStream(FILE* f)
{
    std::string text;
    rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
    return QString::fromStdString(text);
}

inline CliResult runCliCaptured(const QStringList& args)
{
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    CliResult r;
    r.code = runCli(args, out, err);
    r.out = readStream(out);
    r.err = readStream(err);
    return r;
}

} // namespace belvanto::testing
