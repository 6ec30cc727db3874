#pragma once
// The stored layout as the drawing reads it: the unit layout records in the
// order they are painted, the relationship layout records in table order and
// the parameters. Read once per full redraw; nothing here changes the tables.
#include "layout/LayoutFiles.h"
#include "store/Relations.h"
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class Table;

struct UnitRecord {
    QString Excavation;
    QString Unitname;
    qint32 XStart = 0, XStop = 0, YLevelStart = 0, YLevelStop = 0, NestCt = 0;
    std::optional<qint32> Colour, BoxStyle, ThemColour, ThemBoxStyle;
    QString Unitclass;

    bool isDummy() const { return Excavation == kDummyExcavation; }
    bool operator==(const UnitRecord&) const = default;
};

struct RelRecord {
    QString Excavation1, Unitname1, Excavation2, Unitname2;
    qint32 YSubLevel = 0, YLevel1 = 0, YLevel2 = 0, XPos1 = 0, XPos2 = 0, NestCt2 = 0;
    QString RelationCat;
    qint32 Port1 = 0, Port2 = 0;

    bool isEqual() const { return RelationCat == category::Equal; }
    bool operator==(const RelRecord&) const = default;
};

struct LayoutSnapshot {
    LayoutParameters parameters;
    // Painting order: with groups the largest NestCt first (outer frames
    // before what they enclose), then by level, excavation and unit name,
    // all descending; without groups by excavation and unit name descending.
    std::vector<UnitRecord> units;
    // Key order of the relationship layout table.
    std::vector<RelRecord> relations;
};

// Sorts records into painting order (see above).
void SortForPainting(std::vector<UnitRecord>& units, bool groups);

// Reads both layout tables, whatever their filters, in the orders above.
// A layout has a record for every line through every level, hundreds of
// thousands for a large project, so only the fields the drawing uses are
// read, straight from the files: what is posted inside a BulkScope that is
// still open is not seen yet. Failures throw EngineError.
LayoutSnapshot ReadLayoutSnapshot(const QString& unitLayoutFile, const QString& relLayoutFile,
                                  LayoutParameters parameters);
LayoutSnapshot ReadLayoutSnapshot(const Table& unitLayout, const Table& relLayout, LayoutParameters parameters);

} // namespace belvanto
