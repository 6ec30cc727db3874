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

// The stored layout for an export without the diagram window. When the
// project records no current diagram (the last layout run failed) the
// stored one may show an older state of the data: says so and asks the
// display question, which names the layout's date; only Yes reads it.
// outdated tells whether it asked.
std::optional<LayoutSnapshot> ReadLayoutForExport(Session& session, bool& outdated);

// When the stored layout was made (the parameter file's time), as the
// display question writes it.
QString LayoutCreatedText(Session& session);

} // namespace belvanto
