#pragma once
// The diagram as a list of things to draw, in the order they are painted:
// period dividing lines and names, the units (outer frames first), the
// relationship lines, the contraction marks. The Qt painter and every
// vector export walk this one list, so they cannot disagree.
#include "diagram/Geometry.h"
#include <QStringList>
#include <vector>

namespace belvanto {

// What the diagram window lets the user choose about the drawing.
struct DrawState {
    DiagramFont font;
    BoxContents contents = BoxContents::UnitName;
    bool thematic = false;
    bool blackWhite = false;
    AbbreviationList abbreviations;
    // "excavation:unit name" of the groups marked for contraction.
    QStringList markedGroups;
};

struct TextItem {
    QString text;
    qint64 x = 0;
    qint64 top = 0;        // where the painter puts the top of the text
    qint64 baseline = 0;   // where exports that place text by its baseline put it
};

// Items point to their records in the drawing's own copy of the layout.
struct UnitItem {
    const UnitRecord* record = nullptr;
    bool dummy = false;
    VerticalLine dummyLine;            // dummy only
    Rect rect;                         // the rest only
    BoxLook look;
    int cornerEllipse = 0;             // styles 6 and 7: width and height of the corner ellipse
    TextItem label;

    // Styles 8 to 12: the outline, in image coordinates.
    std::array<Point, 6> shape(const BoxGeometry& box) const { return ShapePoints(look.style, rect, box.MarginX, true); }
};

struct RelItem {
    const RelRecord* record = nullptr;
    bool equal = false;
    EqualLine equalLine;   // "=" records
    RelPath path;          // the others
};

// Moves keep the items' records where they are; a copy would not, so there
// is none.
struct DiagramDrawing {
    DiagramDrawing() = default;
    DiagramDrawing(DiagramDrawing&&) = default;
    DiagramDrawing& operator=(DiagramDrawing&&) = default;
    DiagramDrawing(const DiagramDrawing&) = delete;
    DiagramDrawing& operator=(const DiagramDrawing&) = delete;

    LayoutSnapshot layout;   // the records drawn
    DiagramGeometry geometry;
    std::vector<qint64> periodLines;   // y of each dividing line, from x 0 to width - 1
    std::vector<TextItem> periodNames;
    std::vector<UnitItem> units;
    std::vector<RelItem> relations;
    std::vector<ContractionMark> marks;
    // Records that lie outside the layout's columns and levels and are not
    // drawn, one sentence each.
    QStringList skipped;
};

DiagramDrawing BuildDiagram(LayoutSnapshot layout, const DrawState& state, const TextMetrics& metrics);

// One unit as a full redraw draws it; for repainting a single box after a
// change of its colour or style. The item points to `unit`.
UnitItem BuildUnitItem(const UnitRecord& unit, const DiagramGeometry& geometry, const DrawState& state,
                       const TextMetrics& metrics);

} // namespace belvanto
