#pragma once
// Runs belvanto-cli commands in-process, "export ... --svg" included.
#include "cli/CliContext.h"
#include "cli/CliRunner.h"
#include "cli/DiagramCommands.h"

namespace belvanto::testing {

// "export P.bvp --svg FILE ..." as belvanto-cli runs it.
inline CliResult runExport(const QStringList& args)
{
    if (args.value(0) != QStringLiteral("export")) return runCliCaptured(args);
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    CliResult r;
    {
        CliContext c(out, err);
        c.args = args.mid(1);
        r.code = cmdExportSvg(c);
    }
    r.out = readStream(out);
    r.err = readStream(err);
    return r;
}

} // namespace belvanto::testing
