#pragma once
// belvanto-cli's layout commands:
//   check P.bvp --cycles [--summary]
//       the cycle check of a check run: prints the protocol lines (detailed
//       unless --summary) and, when there is no cycle, leaves every
//       context's level in Y; exit code 1 when the check fails.
//   dump P.bvp unitlayout|rellayout|layoutparams
//       the stored layout: the two layout tables as CSV, the parameter file
//       as text.
#include <QString>
#include <functional>

namespace belvanto {

struct CliContext;
class Table;

int cmdCheck(CliContext& c);

bool IsLayoutDump(const QString& what);
// c.args holds P.bvp and the dump's name; dumpTable prints a table as CSV.
int DumpLayout(CliContext& c, const std::function<void(Table&)>& dumpTable);

// The usage lines of these commands, in the form of belvanto-cli --help.
extern const char* const kLayoutCommandsUsage;

} // namespace belvanto
