#pragma once
// Where everything of a Harris diagram lies, in whole pixels of one image
// (origin top left, y down). The window, printing and every export take
// their coordinates from here, so that they all show the same diagram.
//
// Coordinates are 64-bit: they are sums over every column and level of
// numbers read from files, and a damaged file must not overflow them.
#include "diagram/LayoutSnapshot.h"
#include "diagram/TextMetrics.h"
#include <QString>
#include <array>
#include <vector>

namespace belvanto {

inline constexpr quint32 kWhite = 16777215;
inline constexpr quint32 kBlack = 0;
inline constexpr quint32 kRed = 255;
inline constexpr quint32 kYellow = 65535;
inline constexpr quint32 kGrey = 8421504;

inline constexpr int kBoxStyleCount = 13;
// "solid" ... "arrow right", indexed by style number.
const std::array<QString, kBoxStyleCount>& BoxStyleNames();
// The stored style when it is one of the 13, else 0: imports and edited
// tables can hold any number.
int ValidBoxStyle(std::optional<qint32> stored);

enum class BoxContents { UnitName = 1, ExcavationName = 2, AbbreviationName = 3 };

struct ExcavationAbbreviation {
    QString excavation;
    QString abbreviation;
};
// Sorted by excavation name.
using AbbreviationList = std::vector<ExcavationAbbreviation>;

QString LabelText(const QString& excavation, const QString& unitname, BoxContents mode,
                  const AbbreviationList& abbreviations);
// Measured width with the fifth added for italic fonts.
int LabelWidth(const TextMetrics& metrics, bool italic, const QString& label);

struct BoxGeometry {
    int BoxWidth = 0;
    int BoxHalfWidth = 5;
    int BoxHeight = 0;
    int BoxHalfHeight = 2;
    int MarginX = 5;
    int MarginY = 2;
    bool operator==(const BoxGeometry&) const = default;
};

// From the widest label (italic allowance already in it) and the highest.
BoxGeometry MakeBoxGeometry(int widestLabel, int highestLabel);

struct Point {
    qint64 x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    qint64 left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// Fill colour (red in the lowest byte) and style number of a box.
struct BoxLook {
    quint32 fill = kWhite;
    int style = 0;
    bool operator==(const BoxLook&) const = default;
};
BoxLook BoxStyleAndColour(const UnitRecord& unit, bool thematic, bool blackWhite);

// The six outline points of styles 8 to 12 ("hexagon" ... "arrow right");
// for the other styles the four corners and the two side middles.
// yDown: image coordinates; clear for exports whose y axis points up, where
// the roof of a "house" must still point up on the page.
std::array<Point, 6> ShapePoints(int style, const Rect& box, int marginX, bool yDown);

// Lane step, box height, track step, vertical margin, centre offset, port
// step, port limit and direction of the relationship lines.
struct PathParams {
    int laneStep = 3;
    int boxHeight = 0;
    int trackStep = 6;
    int verticalMargin = 2;
    int centreOffset = 0;
    int portStep = 3;
    int portLimit = 0;
    bool down = true;
};
// The window's and the SVG, DXF and MapInfo exports' parameters.
PathParams ScreenPathParams(const BoxGeometry& box);

struct RelPath {
    qint64 startX = 0, x1 = 0, y1 = 0, trackY = 0, x2 = 0, y2 = 0;
    bool straight = false;
    bool operator==(const RelPath&) const = default;
};

// An "=" link: two lines, at y - 2 and y + 2, from xFrom to xTo.
struct EqualLine {
    qint64 xFrom = 0, xTo = 0, y = 0;
    bool operator==(const EqualLine&) const = default;
};

struct VerticalLine {
    qint64 x = 0, top = 0, bottom = 0;
    bool operator==(const VerticalLine&) const = default;
};

// A period's band: from its upper boundary to its boundary.
struct PeriodBand {
    QString name;
    qint64 upper = 0;
    qint64 lower = 0;
};

// The red bar of a group marked for contraction, or the bar painted over
// with the group's fill when the mark goes.
struct ContractionMark {
    Rect rect;
    quint32 fill = kRed;
    bool marked = true;
    VerticalLine line;   // yellow, only when marked
};

// Column and level positions and the image size of one layout in one font.
class DiagramGeometry {
public:
    DiagramGeometry() = default;
    // periodNamesWidth: the widest period name, or nothing when no periods
    // are shown. empty: nothing to draw (no columns, no levels or no box);
    // the image is then only the legend strip.
    DiagramGeometry(const BoxGeometry& box, const LayoutParameters& parameters,
                    std::optional<int> periodNamesWidth, bool empty);

    const BoxGeometry& box() const { return box_; }
    qint64 legendWidth() const { return legendWidth_; }
    qint64 width() const { return width_; }
    qint64 height() const { return height_; }
    bool empty() const { return empty_; }
    qint32 columns() const { return columns_; }
    qint32 levels() const { return levels_; }
    // 1-based, as the layout numbers columns and levels.
    qint64 ColumnX(qint32 column) const;
    qint64 LevelY(qint32 level) const;

    // Whether a record lies inside the layout's columns and levels, so that
    // every position it needs exists.
    bool fits(const UnitRecord& unit) const;
    bool fits(const RelRecord& relation) const;
    bool levelExists(qint32 level) const { return !empty_ && level >= 1 && level <= levels_; }

    Rect boxRect(const UnitRecord& unit) const;
    VerticalLine dummyLine(const UnitRecord& unit) const;
    // x of a line end at a half-column: even = centre of the column, odd =
    // the lane in the gap left of column (p + 1) / 2.
    qint64 halfColumnX(qint32 halfColumn, int centreOffset) const;
    RelPath path(const RelRecord& relation, const PathParams& params) const;
    EqualLine equalLine(const RelRecord& relation) const;
    ContractionMark contractionMark(const UnitRecord& group, bool marked, quint32 groupFill) const;
    // Label position: left x and top y of the text, and the baseline of
    // exports that place text by its baseline.
    qint64 labelX(const UnitRecord& unit, int labelWidth) const;

private:
    static qint32 at(const std::vector<qint32>& values, qint32 i);
    BoxGeometry box_;
    qint32 columns_ = 0;
    qint32 levels_ = 0;
    std::vector<qint64> columnX_;   // [0] unused
    std::vector<qint64> levelY_;
    std::vector<qint32> frameLanesBelow_;
    qint64 legendWidth_ = 0;
    qint64 width_ = 0;
    qint64 height_ = 0;
    bool empty_ = true;
};

// The bands of the periods shown, each starting on a level of the layout
// (after the first, whose start is the top of the image). The dividing lines
// lie at the upper boundaries of every band but the first.
std::vector<PeriodBand> PeriodBands(const PeriodList& periods, const DiagramGeometry& geometry);

} // namespace belvanto
