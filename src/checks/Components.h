#pragma once
// The connected-components check: whether the stratigraphic relationships
// tie every context of the open project into one network.
//
// Every context gets the number of its component in the work field Group:
// 1 for a context without any relationship but "part of", 2, 3, ... for the
// first, second, ... component met walking the units in key order. Other
// units get 0, unless a connecting row that only an import makes (from a
// context to a group) reaches them. "Part of" rows never connect: two
// contexts that only share a group are in different components.
//
// The labels do not depend on the order in which a component is traversed,
// so the check loads the units and relationships once, labels in memory and
// writes Group back in one transaction.
#include <QString>

namespace belvanto {

class Protocol;
class Session;

// Runs the check over the open project's tables in the protocol's report
// mode and writes its protocol lines. With more than one component it asks
// whether to store each component as a project of its own, <P>_1, <P>_2, ...
// beside the open project; a group with members in several components goes
// into each of their projects. The answer decides the result: No lets the
// check run go on (true); Yes (after storing) and Cancel end it (false).
// Projects of those names are never overwritten without a second question;
// its No stores nothing and ends the run too.
// counts, when given, receives what the check found.
struct ComponentCounts {
    int components = 0;  // of two or more connected contexts
    int singles = 0;     // contexts connected to none
};
bool ComponentCheck(Session& session, Protocol& protocol, ComponentCounts* counts = nullptr);

// "<P>_<c>": the name of the project that holds component c (1-based).
QString ComponentProjectName(const QString& projectName, int component);

} // namespace belvanto
