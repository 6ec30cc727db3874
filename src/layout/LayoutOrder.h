#pragma once
// Every order and tie rule the layout results depend on, in one place.
//
// The cycle listing, the levels of a layout with dating constraints and the
// routing of lines must come out the same on every machine and in every later
// version, so where the description of a step leaves a choice, it is fixed
// here and tested (tests/layout/LayoutOrderTest.cpp):
//
// Text order
//   Keys and the "unit 1 before unit 2" test of symmetric rows compare text by
//   code point, case-sensitive (CompareKeyText and UnitKey's order in
//   store/UnitKey.h), so that in-memory orders agree with the tables' key
//   order.
//
// Node lists
//   A graph list takes a new neighbour at its head, so it holds its entries in
//   the reverse order of insertion, and insertion follows the relationship
//   table's key order. NodeList keeps that order; iterate it, never its
//   storage.
//
// Same-level classes
//   Breadth first from the start node; at each node the ContemporaryList is
//   visited before the EqualList, each in list order. The start node comes
//   first and every member occurs once.
//
// Cycle listing
//   - A pair is popped and its node appended to the path without looking at
//     its level; levels are tested only when pushing. A node finished in the
//     meantime can therefore be visited again and close further cycles.
//   - The symbol of a cycle line is decided with the full same-level class,
//     not with the variant that skips finished nodes.
//   - "Cycles could not be listed (contemporary/equal conflict?).\r\n" is one
//     protocol line that carries its own CR LF.
//   - After a cycle failure the node numbers stay in the unit table and no
//     level is written: levels go back only when every node was placed.
//
// Levels
//   A class is placed on the level after the deepest level among the later
//   units of its members, as soon as that level is being expanded. Frontier
//   order, and so the member that decides whether a class waits for its
//   period, is that of the step-by-step description: the frontier in order,
//   each node's EarlierList in list order, the first member met decides, and
//   the members follow in same-level-class order from that member.
//
// Line routing
//   - Ties in the port ranking and in the walk over the lines of a gap are
//     broken by the relationship layout table's primary key.
//   - Recording a line on its track, the Port1 test against the column
//     occupancy and YSubLevel apply to every line of a gap, the first one (on
//     track 0) included.
//   - NestCt2 ends as set by the line-end step on every "<" record, dummy
//     segments included.
//   - "=" records keep RelCount, Port1, Port2, YLevel2 and YSubLevel empty;
//     vertical lines keep YSubLevel empty.
//
// Group layout
//   - " Root" takes the tree's top-level nodes from the last to the first,
//     each as its last child: the reverse of the tree's (sorted) order.
//   - Period nodes give up their members to " Root": the period nodes in
//     " Root"'s child order, each one's children in their tree order, after
//     the nodes that are not periods.
//   - The groups wait on a stack: after a group is laid out its member
//     groups are pushed in tree order, so the last of them comes next, depth
//     first. This order fixes which random draws each group takes and the
//     dummy numbers, which count on through the whole run.
//   - A member's mark is its position in the working table's key order; the
//     relationships between members are gathered member by member in that
//     order, each member's contexts in key order, each context's rows in
//     the relationship table's key order. That order decides which
//     contradiction a strict layout reports.
//   - Redundant links between members go into the protocol as "group " +
//     the group's node text + ": " (the top level: "top level groups: ")
//     followed by the line of the redundancy test; no count line follows.
//   - Keys of the top level are the padded number alone, for dummies too; a
//     record belongs to the top level when its level key has one component.
//   - A horizontal key loses its trailing components that are the number 1
//     (with leading zeros), each with its "*", down to its first component,
//     which stays: a group and its first column share a key.
//   - A frame runs from its group's own column and level to the furthest
//     record of the group's own layout (member groups after their own
//     compaction, the group's dummies included); a group's NestCt is one
//     more than the largest among its member groups. Compaction takes out
//     every column and every level of the frame that no record of the
//     group's own layout covers (the group's own level always counts as
//     covered); everything right of (below) such a run moves left (up) by
//     its length.
//   - Without a window an open period order stands as the period check
//     found it.
#include "store/UnitKey.h"
#include <QString>
#include <QStringView>
#include <cstddef>
#include <iterator>
#include <vector>

namespace belvanto {

// A neighbour list of the relation graph. pushFront takes a neighbour at the
// head; iteration and operator[] run from the head (latest insertion first).
class NodeList {
public:
    using const_iterator = std::vector<int>::const_reverse_iterator;

    void pushFront(int node) { cells_.push_back(node); }
    const_iterator begin() const { return cells_.crbegin(); }
    const_iterator end() const { return cells_.crend(); }
    std::size_t size() const { return cells_.size(); }
    bool empty() const { return cells_.empty(); }
    int operator[](std::size_t i) const { return cells_[cells_.size() - 1 - i]; }
    bool contains(int node) const;
    // Removes the first occurrence from the head; false when there is none.
    bool remove(int node);
    void clear() { cells_.clear(); cells_.shrink_to_fit(); }

private:
    std::vector<int> cells_;   // the head is the back
};

} // namespace belvanto
