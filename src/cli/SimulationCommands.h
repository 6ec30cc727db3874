#pragma once
// belvanto-cli simulate: a simulated project without the dialog.
namespace belvanto {

struct CliContext;

int cmdSimulate(CliContext& c);

} // namespace belvanto
