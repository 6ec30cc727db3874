#pragma once
// What the user does with the boxes of a shown diagram: point at one, find
// one by name, read its fields, change its colour or border style, and pick
// groups for contraction. Everything works on image coordinates; the window
// maps its displayed coordinates through DiagramView first, so the same box
// is hit at every zoom and after a font change.
#include "diagram/DisplayList.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace belvanto {

class Session;
class UserInterface;

// --- hit test ---------------------------------------------------------------------

struct Cell {
    qint32 column = 0;
    qint32 level = 0;
    bool operator==(const Cell&) const = default;
};

// The column and level band of an image point: the last column (level) that
// does not start right of (below) it. The last column and level reach over
// the whole box (its width plus both margins), so every pixel of their boxes
// can be clicked.
std::optional<Cell> HitCell(const DiagramGeometry& geometry, qint64 x, qint64 y);

// The record whose top left cell is the hit cell, as an index into
// drawing.units; a group is hit only at its top left cell.
std::optional<std::size_t> HitUnit(const DiagramDrawing& drawing, qint64 x, qint64 y);

// --- find -------------------------------------------------------------------------

inline const QString kFindCaption = QStringLiteral("Search unit");
// The input prompt of the box contents mode.
QString FindPrompt(BoxContents contents);

struct FindQuery {
    // Without an excavation the entry is a unit name, matched exactly and
    // then as a prefix ignoring case.
    std::optional<QString> excavation;
    QString unitname;
    bool operator==(const FindQuery&) const = default;
};
struct FindLimits {
    int unitname = 8;
    int excavation = 20;
};
// The entry read as the mode reads it, or the error text.
std::variant<FindQuery, QString> ParseFindEntry(const QString& entry, BoxContents contents,
                                                const AbbreviationList& abbreviations, const FindLimits& limits);
// The first record (in the order given) the query finds.
std::optional<std::size_t> FindUnit(const std::vector<UnitRecord>& units, const FindQuery& query);

// Scroll bar positions that bring a record into view, for the image shown
// at the scales zoomX, zoomY (displayed over image pixels: the zoom factor,
// or after a font change the stretch to the zoomed size) in a view of
// viewWidth x viewHeight; each clamped to 0..maximum.
struct ScrollTarget {
    qint64 x = 0;
    qint64 y = 0;
};
ScrollTarget FindScrollTarget(const DiagramGeometry& geometry, const UnitRecord& unit, double zoomX, double zoomY, qint64 viewWidth,
                              qint64 viewHeight, qint64 maxX, qint64 maxY);

// --- unit information -------------------------------------------------------------

struct UnitInformation {
    std::vector<std::pair<QString, QString>> rows;   // field label, contents
    QStringList relations;                          // "<category> <other unit>"
};
// The unit's filled fields 0..33 and its relationships as first unit; the
// message text when the unit table does not hold it.
std::variant<UnitInformation, QString> ReadUnitInformation(Session& session, const QString& excavation,
                                                           const QString& unitname);

// --- colour and border style ------------------------------------------------------

// Stores the colour (or the style) in the unit layout record and in the
// unit's DisplayColour (DispStyle) when the unit table has it; the record
// in `unit` changes too. True when the whole diagram must be drawn again
// (a group: its frame lies under its members), false when the box alone.
bool StoreBoxColour(Session& session, UnitRecord& unit, quint32 colour);
bool StoreBoxStyle(Session& session, UnitRecord& unit, int style);

// The border style list; the chosen style number, nothing on Cancel.
std::optional<int> SelectBoxStyle(UserInterface& ui);

inline const QString kThematicEditMessage =
    QStringLiteral("Colour and border style can only be changed in non-thematic display");
inline const QString kBlackWhiteColourQuestion =
    QStringLiteral("Black and white display. Unit box colours will not be shown.\r\nAssign colour anyway?");

// --- groups marked for contraction -----------------------------------------------

QString GroupKeyText(const UnitRecord& unit);
// Adds or removes the group; true when it is marked afterwards. The list
// stays sorted.
bool ToggleMarkedGroup(QStringList& marked, const UnitRecord& group);
// Every group that no other group's frame encloses.
QStringList TopLevelGroups(const std::vector<UnitRecord>& units);
bool HasGroups(const std::vector<UnitRecord>& units);

} // namespace belvanto
