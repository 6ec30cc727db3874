#pragma once
// The coordinate, height and year checks: do the measured centre heights and
// the center years of the contexts agree with their stratigraphic
// relationships? They only report; none of them stops a check run.
#include <QChar>
#include <QString>

namespace belvanto {

class Protocol;
class Session;

// Lists the contexts that lack one of XAvgCoord, YAvgCoord and ZAvgCoord
// (detailed) or writes their number (short). Gives that number.
int CoordinatesPresentCheck(Session& session, Protocol& protocol);

// Compares `field` (uf::ZAvgCoord or uf::AvgYear) of the two units of every
// relationship of `category` (">", "-" or "=") with the limit: for ">" the
// earlier unit may lie higher, or be dated later, by at most the limit; for
// "-" and "=" the two values may differ by at most the limit, each pair tested
// once. Units with an empty field are passed over; a relationship naming a
// missing unit ends the walk after its error box. Gives the number of
// problems found.
// An empty limit skips the check and writes nothing (0). A limit that is no
// non-negative number (read as the run's dialog reads it, with "." or the
// regional decimal separator) is refused: nothing is written, -1.
int DifferenceCheck(Session& session, int field, QChar category, const QString& limitText, Protocol& protocol);

} // namespace belvanto
