#pragma once
// The Configure menu's "Change excavation" command: the excavation that new
// units and unit names without one get.
#include <QStringList>

namespace belvanto {

class Session;

inline const QString kNewExcavationItem = QStringLiteral("** New Excavation **");

// The excavations of the units, each once in key order, then the excavation
// terms of the term file that no unit has yet.
QStringList ExcavationCandidates(Session& session);

// Offers the candidates (and a new name) and makes the chosen excavation the
// current one. Does nothing in a single-excavation project. True when the
// current excavation was set.
bool ChangeCurrentExcavation(Session& session);

} // namespace belvanto
