#pragma once
// belvanto-cli's relationship commands:
//   rel add P.bvp REL... [--comment TEXT]
//       REL is A>B, A<B, A=B, A-B, or three words "A p B" (also "A > B");
//       units are [EXC:]NAME. Each goes through the relationship rules with
//       every message shown.
//   rel delete P.bvp A B [--with [EXC:]NAME]...
//       removes the relationship of A to B; for an equal or contemporary
//       class with further members the class is split: B and the --with
//       members on one side, A and the rest on the other.
//   chain P.bvp NAME... [--excavation EXC]
//       the names from the latest to the earliest, each later than the next.
namespace belvanto {

struct CliContext;

int cmdRel(CliContext& c);
int cmdChain(CliContext& c);

// The usage lines of these commands, in the form of belvanto-cli --help.
extern const char* const kRelCommandsUsage;

} // namespace belvanto
