#pragma once
// The group-assignment test: contexts that are equal to each other must
// belong to the same group.
namespace belvanto {

class Protocol;
class Session;

// Walks the "equal to" relationships of the open project, each pair once
// (the row whose first unit has the later key), and compares the groups of
// its two units: a unit's group is the first group, in key order, that it is
// part of; a unit in no group counts as a group of its own, and so does one
// whose "part of" row names a missing unit (after its error box). Writes the
// conflicts (detailed) or their number (short) into the protocol; true when
// there is at least one.
bool GroupAssignmentTest(Session& session, Protocol& protocol);

} // namespace belvanto
