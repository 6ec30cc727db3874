#pragma once
// Every order, tie and rounding rule of the horizontal placement, in one
// place. The same seed, data and options must give byte-identical layout
// tables and parameter file on every machine and in every later version, so
// where the description of a step leaves a choice it is fixed here and tested
// (tests/layout/PlacementOrderTest.cpp). Text order and the graph's list
// order are those of layout/LayoutOrder.h.
//
// Table order
//   The working tables are keyed like the layout tables: units by
//   (excavation, unit name), relationships by the four names, all compared by
//   code point. "In table order" means in that key order, also for the dummy
//   units (":Dummy" with the counter right-aligned in 8 characters), which
//   therefore interleave with the contexts wherever their key falls.
//
// Random draws
//   A draw is an integer in [0, 99999). Without coordinates every record of
//   the level lists gets one draw in table order; then every element of
//   level 1 that has sons gets one more, in level-list order. With
//   coordinates only the elements of level 1 with sons and no coordinate draw.
//   Nothing else draws. A seed given by the user is taken modulo 2^32, so a
//   negative seed is its 32-bit pattern.
//
// Equal sets
//   - A unit is listed when it has a "=" row as unit 1; its count is the
//     number of its "<" and ">" rows as unit 1 (rows marked redundant
//     included while they are stored).
//   - Going through the list, a unit not yet in a set starts one; the listed
//     units after it that it has a "=" row to, and that are not yet in a set,
//     join. The representative is the member with the highest count, the
//     first in the list on equal counts.
//   - The members other than the representative are rewritten one by one in
//     list order: first the records naming the member as unit 1, then those
//     naming it as unit 2, each in primary-key order; a rewritten record
//     whose key already exists is deleted.
//   - The "=" records chain the set in list order: (representative, first
//     member), (first member, second member), ...; they carry only the unit
//     names and the category until the line routing sets their line ends.
//
// Dummy units
//   Numbered by a counter that starts at 0 with every layout run, in the
//   order of the long relationships in the working table. A dummy's level
//   goes into YLevelStart; its colour and style fields stay empty. "E"
//   records keep SonCt and FatherCt empty.
//
// Barycentre sweeps
//   - A barycentre is the exact sum of the neighbours' positions (64 bits)
//     divided by their number, rounded half to even.
//   - Before each rearrangement the level list is sorted anew from its own
//     order (table order), stably, by position ascending and, on equal
//     positions, previous position descending.
//   - The coordinate exchange keeps the slots of the elements without
//     coordinate; the others are put into the remaining slots in ascending
//     coordinate order, stably, and each takes the position of its new slot.
//   - Spreading: an element at least 5 beyond the last placed position
//     (position - last >= 5, last starting at -99999) keeps its position;
//     otherwise it gets last + 5. This is the run rule of the description
//     element by element.
//   - An element of level 1 without sons is parked at 99999 + its index in
//     the level list, counted from 0.
//   - A level with a single element is never rearranged.
//
// Columns
//   - The chain walk sorts the records by (sweep position, level), ties in
//     table order; "E" records are left out wherever they sort.
//   - When the chain holding a representative is placed, its level's fill
//     is widened by the set's size at once, before the next chain, and the
//     members take the next columns in the order of the "=" chain.
//   - Refinement: every record's desired column is computed once, before any
//     record moves, from the columns that the chain step and the widening
//     gave, as Ceil(sum / (FatherCt + SonCt)) in exact integers; then the
//     moves run level by level from the bottom, right to left.
//   - Final values without groups apply to every record, "E" included:
//     XStart = XStop = its column and YLevelStop = YLevelStart; the
//     representative's XStop is its own column, so that its box does not
//     cover its members' boxes.
//
// Keys in the group layout
//   A prefix joins the padded number with "*"; an empty prefix (the top
//   level) gives the padded number alone, as the level keys of the members
//   themselves are made, so that a top-level dummy shares its level key with
//   the contexts on its level.
#include <QString>
#include <QtGlobal>

namespace belvanto::placement {

inline constexpr quint32 kRandomRange = 99999;      // draws in [0, 99999)
inline constexpr qint64 kParkedBase = 99999;        // level 1 without sons: 99999 + index
inline constexpr qint64 kSpreadStart = -99999;      // last placed position before the first
inline constexpr qint64 kSpreadDistance = 5;
inline constexpr qint32 kNoCoordinate = -2;
inline constexpr int kSweeps = 10;
inline constexpr qint32 kProjectionRange = 100000;
inline constexpr qint32 kProjectionSingleValue = 50000;   // every projected value the same
inline constexpr int kDummyNameWidth = 8;

// sum / count rounded to the nearest integer, halves to the even neighbour;
// count > 0.
inline qint64 DivideHalfEven(qint64 sum, qint64 count)
{
    qint64 q = sum / count;
    qint64 r = sum % count;
    if (r < 0) {   // floor division
        --q;
        r += count;
    }
    const qint64 twice = 2 * r;
    if (twice > count || (twice == count && (q & 1) != 0)) ++q;
    return q;
}

// sum / count rounded up; count > 0.
inline qint64 DivideCeil(qint64 sum, qint64 count)
{
    qint64 q = sum / count;
    if (sum % count != 0 && (sum > 0) == (count > 0)) ++q;
    return q;
}

// Sort order before a rearrangement: position ascending, then previous
// position descending; equal pairs keep the level list's order.
inline bool SortsBefore(qint64 position, qint64 previous, qint64 otherPosition, qint64 otherPrevious)
{
    if (position != otherPosition) return position < otherPosition;
    return previous > otherPrevious;
}

// The position an element gets when spreading, given the last placed one.
inline qint64 SpreadPosition(qint64 position, qint64 last)
{
    return position - last >= kSpreadDistance ? position : last + kSpreadDistance;
}

// The chain step keeps a segment growing while r * 3 >= w or r < 6.
inline bool SegmentGrows(qint64 run, qint64 cost)
{
    return run * 3 >= cost || run < 6;
}

// "12" -> "012" for a count of 3 digits: the number zero-padded to the digits
// of the largest number.
inline QString PaddedNumber(qint64 value, qint64 largest)
{
    const int digits = int(QString::number(largest).size());
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

// A key component under a prefix: "prefix*component", or the component alone
// when the prefix is empty.
inline QString JoinKey(const QString& prefix, const QString& component)
{
    return prefix.isEmpty() ? component : prefix + QLatin1Char('*') + component;
}

// ":Dummy" units are named by their counter right-aligned in 8 characters.
inline QString DummyName(qint64 counter)
{
    const QString digits = QString::number(counter);
    if (digits.size() >= kDummyNameWidth) return digits;
    return QString(kDummyNameWidth - digits.size(), QLatin1Char(' ')) + digits;
}

} // namespace belvanto::placement
