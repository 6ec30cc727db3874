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
