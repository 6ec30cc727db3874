#pragma once
// The level assignment exactly as described step by step: every trial
// rebuilds the same-level class and checks every later unit of its members,
// and the deferred list is a list. Slow, and kept only to hold the fast
// version in layout/RelationGraph.cpp to the same results.
#include "layout/RelationGraph.h"

namespace belvanto::testing_support {

LevelResult LiteralAssignLevels(UserInterface& ui, RelationGraph& graph, Protocol& protocol, const LevelOptions& options);

} // namespace belvanto::testing_support
