#pragma once
// The context-pair test: is one of two contexts stratigraphically above the
// other, and along which relationships?
#include "core/UserInterface.h"
#include "store/UnitKey.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace belvanto {

class Session;

// The window that shows a path: its caption, help topic and bold type.
inline const QString kPairWindowCaption = QStringLiteral("Stratigraphic relations between two contexts");
inline const QString kPairWindowHelp = QStringLiteral("Test_Pair");

// The units the user selected, in the order of the selection. Exactly two
// contexts are searched for a path downwards (later to earlier, with equal
// and contemporary steps between) from the first to the second, and when
// there is none from the second to the first. The units visited by the last
// search keep the mark "X" in Selected, every other unit's mark is cleared,
// in one transaction (not in a project opened for reading). Filters of both
// tables are as before.
//
// Returns the path window's lines when a path was found: the connection
// line, an empty line, the path's first unit, then "<category> <unit>" for
// each further unit. Every other outcome ends with its message (or an error
// box for a relationship naming a missing unit, which ends that unit's walk)
// and gives nothing.
std::optional<QStringList> TestContextPair(Session& session, const std::vector<UnitKey>& selected);

} // namespace belvanto
