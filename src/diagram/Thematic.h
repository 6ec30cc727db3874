#pragma once
// Thematic styles: a colour and a box style for every unit, chosen by the
// value of one unit field, so that the diagram's thematic display shows how
// that field is spread. String fields get one style per distinct value,
// numeric and date fields one per value range. The result goes into the unit
// table's ThematicColour and ThematicStyle and, when a layout exists, into
// ThemColour and ThemBoxStyle of the unit layout table, so that an open
// diagram shows it without a new layout run.
//
// The legend shows the styles as overlapping diagram boxes, one per entry.
#include "diagram/DisplayList.h"
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace belvanto {

class Regional;

class Session;
class UserInterface;

inline const QString kBlankEntry = QStringLiteral(" blank ");
inline constexpr int kDefaultRangeRows = 4;
inline constexpr int kThematicHelp = 61;

// Which of the two styles OK writes.
enum class ThematicMode { Both, ColourOnly, StyleOnly };

// The field the styles follow: 0-based unit field position, type and label.
struct ThematicField {
    int pos = 0;
    FieldType type = FieldType::String;
    QString label;
};
ThematicField ThematicFieldAt(const Session& session, int pos);

// String fields: the distinct values, then " blank " when some unit has
// none; each entry's style preset from the term file where its term sets it.
struct TermStyles {
    QStringList entries;
    std::vector<BoxLook> looks;
};
TermStyles CollectTermStyles(Session& session, const ThematicField& field);

// A range row: " blank " (units without a value), or minimum <= value <
// maximum. Dates are held as Julian day numbers.
struct ThematicRange {
    bool blank = false;
    double min = 0, max = 0;
    BoxLook look;
    qint64 count = 0;
};

// The rows as the range grid shows and edits them.
struct RangeText {
    bool blank = false;
    QString min, max;
    BoxLook look;
};

// The value as the grid and the legend write it: integers as such, floats
// with 15 significant digits, dates as yyyy-MM-dd. With `regional` (the
// dialog, which people read and type into) floats take its decimal
// separator and dates its short date format; files and the command line
// never depend on the locale.
QString RangeValueText(FieldType type, double value, const Regional* regional = nullptr);
// The value of a cell, nothing when it cannot be read as the type; with
// `regional` also in its notation ("." and ISO dates are always read).
std::optional<double> RangeValueOf(FieldType type, const QString& text, const Regional* regional = nullptr);

// The initial rows between the smallest and the largest value, white and
// "solid", after a " blank " row when some unit has no value.
std::vector<ThematicRange> InitialRanges(FieldType type, double min, double max, bool hasBlank,
                                         int rows = kDefaultRangeRows);
std::vector<RangeText> RangeTexts(FieldType type, const std::vector<ThematicRange>& ranges,
                                  const Regional* regional = nullptr);

// The rows read and checked; on failure the message and the 0-based row
// that caused it.
struct RangeProblem {
    QString message;
    int row = 0;
};
struct RangeCheck {
    std::vector<ThematicRange> ranges;
    std::optional<RangeProblem> problem;
};
RangeCheck CheckRanges(FieldType type, const std::vector<RangeText>& rows, const Regional* regional = nullptr);

// The legend texts of the rows: "min - max", or " blank ".
QStringList RangeLegendTexts(FieldType type, const std::vector<ThematicRange>& ranges,
                             const Regional* regional = nullptr);

// The styles of every unit, worked out before anything is written.
struct ThematicAssignment {
    std::vector<qint64> rowids;          // unit table records
    std::vector<UnitKey> keys;
    std::vector<BoxLook> looks;
    std::vector<qint64> counts;          // per entry or range row
    qint64 notInRange = 0;
};
ThematicAssignment AssignTermStyles(Session& session, const ThematicField& field, const TermStyles& terms);
ThematicAssignment AssignRangeStyles(Session& session, const ThematicField& field,
                                     const std::vector<ThematicRange>& ranges);
// "n units not in any range" as a warning, when there are such units.
void WarnNotInRange(UserInterface& ui, const ThematicAssignment& assignment);

// Writes the styles, as far as the mode lets it, into the unit table and the
// unit layout table when it exists, in one transaction. The number of
// layout records written.
qint64 WriteThematicStyles(Session& session, const ThematicAssignment& assignment, ThematicMode mode);

// The command's first steps: the empty unit table's message, then the
// field chooser (help "Thematic_styles"). The chosen field's position;
// nothing after the message or a cancel. The caller keeps the filter off.
std::optional<int> ChooseThematicField(Session& session);

// The command's checks before a dialog opens: the unit table is not empty,
// the field has values, a numeric field more than one. The field's values
// then; nothing after the message.
struct ThematicStart {
    ThematicField field;
    TermStyles terms;                      // string fields
    std::vector<ThematicRange> ranges;     // the others
};
std::optional<ThematicStart> StartThematic(Session& session, int pos, int rangeRows = kDefaultRangeRows);

// The legend: one box per entry, each drawn as a diagram box, the boxes
// overlapping by 4 pixels.
struct LegendDrawing {
    int textWidth = 0;    // W: the widest text, a fifth more in an italic font
    int textHeight = 0;   // H
    int width = 0, height = 0;
    BoxGeometry box;
    std::vector<UnitItem> entries;
    std::vector<int> labelWidths;
};
LegendDrawing BuildLegend(const QStringList& texts, const std::vector<BoxLook>& looks, const DiagramFont& font,
                          const TextMetrics& metrics);
// The entry under a point of the legend image, the lower entry where two
// overlap; none outside the boxes.
std::optional<int> LegendEntryAt(const LegendDrawing& legend, int x, int y);

} // namespace belvanto
