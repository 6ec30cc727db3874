#pragma once
// The stored layout: the unit layout table (one record per box), the
// relationship layout table (one record per drawn line), the working tables
// of the placement, and the layout parameter file (column and level counts,
// frame lanes, line tracks, the period list).
//
// Parameter file: 4-byte little-endian signed integers, no header:
//   groups flag, K, L, K x LeftFrameLanes, K x RightFrameLanes,
//   L x FrameLanesBelow, L x TrackCount, P, then per period its name's
//   length n, n character codes (Windows-1252, 0..255) and its start level.
// The start level is stored as a full 32-bit number; for levels below 32768
// that gives the same bytes as a 16-bit value in the low half.
#include "layout/PeriodList.h"
#include "store/LayoutFileNames.h"
#include "store/Table.h"
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class Regional;
class UserInterface;


// Field positions of the unit layout table.
namespace ul {
enum : int {
    Excavation = 0, Unitname, Clevel, CXPos, XStart, XStop, YLevelStart, YLevelStop, NestCt, SonCt,
    FatherCt, Colour, BoxStyle, ThemColour, ThemBoxStyle, Unitclass, GExcavation, GUnitname
};
}

// Field positions of the relationship layout table.
namespace rl {
enum : int {
    Excavation1 = 0, Unitname1, Excavation2, Unitname2, YSubLevel, YLevel1, YLevel2, XPos1, XPos2,
    NestCt2, RelationCat, RelCount, Port1, Port2
};
}

// Record kinds of the unit layout table.
inline const QString kContextRecord = QStringLiteral("C");
inline const QString kMergedRecord = QStringLiteral("E");
inline const QString kDummyRecord = QStringLiteral("D");
inline const QString kGroupRecord = QStringLiteral("G");
inline const QString kDummyExcavation = QStringLiteral(":Dummy");

std::vector<FieldDef> UnitLayoutFields();
std::vector<FieldDef> RelLayoutFields();
IndexDef UnitLayoutPrimaryIndex();    // Excavation, Unitname
IndexDef RelLayoutPrimaryIndex();     // Excavation1, Unitname1, Excavation2, Unitname2
IndexDef PositionsIndex();            // "Positions": YLevelStart, XStart
IndexDef NestCtIndex();               // "NestCt": NestCt, YLevelStart
IndexDef RelationDestIndex();         // "RelationDest": Excavation2, Unitname2, Excavation1, Unitname1

// Creates the two layout tables of the stage and the three working tables
// afresh (each replacing an old one) and removes the stage's parameter file,
// so that old parameters never stand beside new tables.
void CreateLayoutTables(const QString& directory, const QString& projectName,
                        LayoutStage stage = LayoutStage::Live);
// After a failed layout: removes the two layout tables of the stage.
void DeleteLayoutTables(const QString& directory, const QString& projectName,
                        LayoutStage stage = LayoutStage::Live);

// The routed fields of a relationship layout record: what the placement's
// working lines and the routing's lines have in common. Empty fields are
// nullopt.
struct LineRecord {
    QChar category;
    std::optional<qint32> YSubLevel, YLevel1, YLevel2, XPos1, XPos2, NestCt2, Port1, Port2;
    bool operator==(const LineRecord&) const = default;
};
// Sets the routed fields (all but the category) of the relationship layout
// table's record being inserted or updated.
void SetRoutedFields(TableWriter& relLayout, const LineRecord& line);

// Everything the parameter file holds. The arrays are numbered like columns
// and levels, from 1: element 0 is unused and not stored, so a layout of K
// columns and L levels has arrays of K + 1 and L + 1 elements.
struct LayoutParameters {
    bool groups = false;
    qint32 columns = 0;   // K
    qint32 levels = 0;    // L
    std::vector<qint32> LeftFrameLanes;    // per column
    std::vector<qint32> RightFrameLanes;   // per column
    std::vector<qint32> FrameLanesBelow;   // per level
    std::vector<qint32> TrackCount;        // per level: tracks in the gap below it
    PeriodList periods;                    // names and start levels (position)

    // Arrays of the right length, all 0.
    void reset(qint32 k, qint32 l);
    bool operator==(const LayoutParameters&) const = default;
};

// The bytes of the parameter file. Missing array elements are written as 0.
QByteArray SerializeLayoutParameters(const LayoutParameters& parameters);
// Nothing when the bytes are not a whole parameter file: counts, lengths or
// character codes out of range, too few bytes, or bytes left over.
std::optional<LayoutParameters> ParseLayoutParameters(QByteArrayView bytes);

// Writes the file under a temporary name and renames it. Shows an error and
// returns false when it cannot.
bool WriteLayoutParameters(UserInterface& ui, const QString& directory, const QString& projectName,
                           const LayoutParameters& parameters, LayoutStage stage = LayoutStage::Live);

// "The diagram shows groups", "The diagram shows groups and periods/phases.",
// "The diagram displays periods/phases." or "".
QString LayoutDescription(const LayoutParameters& parameters);

// Reads the file back and checks it against the unit layout table (no box
// beyond column K or level L): the one given, when the caller has it open,
// else the project's. Any failure shows "Error: Program is not able to open
// parameter file\r\n<path>". Unless quiet, asks whether to display the
// layout, naming the file's modification time; No gives nothing.
std::optional<LayoutParameters> ReadLayoutParameters(UserInterface& ui, const Regional& regional,
                                                     const QString& directory, const QString& projectName,
                                                     bool quiet, const Table* unitLayout = nullptr);

} // namespace belvanto
