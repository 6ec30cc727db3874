#pragma once
// Line ends, ports and tracks: the geometry of every drawn line once the
// boxes have their final levels and columns.
//
// "<" records of the relationship layout table run from unit 1, the lower
// (earlier) box, to unit 2, the upper (later) box, across one gap; "=" records
// link equal boxes on one level. Horizontal line ends are half-columns: a box
// over columns a..b has its centre at a + b. Ports spread the lines that
// leave one box edge; tracks (YSubLevel, from 1) keep the sloping lines of a
// gap from running over each other, and TrackCount[k] counts the tracks of
// the gap below level k.
//
// Ties are fixed in layout/LayoutOrder.h.
#include "layout/LayoutFiles.h"
#include "store/UnitKey.h"
#include <QChar>
#include <optional>
#include <vector>

namespace belvanto {

class Table;
class UserInterface;

// A box of the unit layout table.
struct RoutedBox {
    UnitKey key;
    qint32 XStart = 0, XStop = 0, YLevelStart = 0, YLevelStop = 0, NestCt = 0, SonCt = 0, FatherCt = 0;
};

// A line of the relationship layout table; empty fields are nullopt.
struct RoutedLine : LineRecord {
    UnitKey first;    // "<": the lower box
    UnitKey second;   // "<": the upper box
    qint64 rowid = 0;
    bool operator==(const RoutedLine&) const = default;
};

inline const QString kRoutingStatus = QStringLiteral("Assigning a sublevel to each relationship");

// Routes lines given in the table's key order over boxes in key order;
// trackCount gets levels + 1 elements (element 0 unused). A line naming a
// missing box shows "Error: Not found  <excavation>:<unit name>" and gives
// false; the line ends set before it stay, ports and tracks are not assigned.
bool RouteLineRecords(UserInterface& ui, const std::vector<RoutedBox>& boxes, std::vector<RoutedLine>& lines,
                      qint32 levels, std::vector<qint32>& trackCount);

// RouteLineRecords over the two layout tables (read once, changed lines
// written back in one transaction), with L = parameters.levels; fills
// parameters.TrackCount.
bool RouteLines(UserInterface& ui, Table& unitLayout, Table& relLayout, LayoutParameters& parameters);

// One more track in the gap above the first level of every period but the
// first, for the period's dividing line.
void AddPeriodTracks(LayoutParameters& parameters);

} // namespace belvanto
