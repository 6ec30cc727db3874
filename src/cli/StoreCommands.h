#pragma once
// belvanto-cli's project and table commands: new, info, copy, merge, delete,
// pack and dump.
#include <QString>
#include <functional>

namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;
class Table;

void RegisterStoreCommands(CLI::App& program, CliContext& c);

// Prints a table as CSV: a header of field names, then one line per record
// in primary-key order.
void DumpTable(CliContext& c, Table& table);

// Another table for "dump P.bvp NAME", described in dump's help; print gets
// the project file's name.
void AddProjectDump(CLI::App& program, CliContext& c, const QString& name, const QString& description,
                    std::function<int(const QString& project)> print);

} // namespace belvanto
