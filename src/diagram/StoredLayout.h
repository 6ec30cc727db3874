#pragma once
// What the diagram of an open project is drawn from: its stored layout and
// the abbreviations of its excavation names.
#include "diagram/Geometry.h"
#include "diagram/LayoutSnapshot.h"
#include <optional>

namespace belvanto {

class Session;

// The excavation terms of the linked term file that have an abbreviation,
// in the term table's order (by term); empty without a term file.
AbbreviationList ExcavationAbbreviations(Session& session);

// Reads the project's layout tables and parameter file. When they are
// missing or do not belong together, says so and gives nothing; unless
// quiet, first asks whether to display the stored layout.
std::optional<LayoutSnapshot> ReadStoredLayout(Session& session, bool quiet);

} // namespace belvanto
