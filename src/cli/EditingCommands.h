#pragma once
// belvanto-cli's editing commands: unit add, rel add, rel delete and chain.
namespace CLI {
class App;
}

namespace belvanto {

struct CliContext;

void RegisterEditingCommands(CLI::App& program, CliContext& c);

} // namespace belvanto
