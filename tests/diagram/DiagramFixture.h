#pragma once
// Small hand-made layouts and a text measurer with fixed numbers: every
// character 6 pixels plus 1, every text 13 high, unless a text is given its
// own width.
#include "diagram/DisplayList.h"
#include "diagram/export/SvgWriter.h"
#include <QHash>
#include <QStringList>

namespace belvanto::testing {

class FakeMetrics : public TextMetrics {
public:
    QHash<QString, int> widths;
    int width(const QString& text) const override { return widths.value(text, 6 * int(text.size()) + 1); }
    int height(const QString&) const override { return 13; }
};

inline UnitRecord box(const char* name, qint32 column, qint32 level, std::optional<qint32> colour = 16777215,
                      std::optional<qint32> style = 0)
{
    UnitRecord u;
    u.Excavation = QStringLiteral("E");
    u.Unitname = QString::fromUtf8(name);
    u.XStart = u.XStop = column;
    u.YLevelStart = u.YLevelStop = level;
    u.Colour = colour;
    u.BoxStyle = style;
    u.ThemColour = 16777215;
    u.ThemBoxStyle = 0;
    u.Unitclass = QStringLiteral("C");
    return u;
}

inline UnitRecord group(const char* name, qint32 fromColumn, qint32 toColumn, qint32 fromLevel, qint32 toLevel,
                        qint32 nest)
{
    UnitRecord u = box(name, fromColumn, fromLevel);
    u.XStop = toColumn;
    u.YLevelStop = toLevel;
    u.NestCt = nest;
    u.Unitclass = QStringLiteral("G");
    return u;
}

inline UnitRecord dummy(const char* number, qint32 column, qint32 fromLevel, qint32 toLevel)
{
    UnitRecord u = box(number, column, fromLevel);
    u.Excavation = QStringLiteral(":Dummy");
    u.YLevelStop = toLevel;
    u.Unitclass = QStringLiteral("D");
    return u;
}

// A "<" segment from the upper unit at half-column xUpper on level yUpper to
// the lower unit at xLower on level yLower.
inline RelRecord segment(const char* lower, const char* upper, qint32 xUpper, qint32 yUpper, qint32 xLower,
                         qint32 yLower, qint32 track = 1, qint32 port1 = 0, qint32 port2 = 0)
{
    RelRecord r;
    r.Excavation1 = r.Excavation2 = QStringLiteral("E");
    r.Unitname1 = QString::fromUtf8(lower);
    r.Unitname2 = QString::fromUtf8(upper);
    r.XPos1 = xUpper;
    r.YLevel1 = yUpper;
    r.XPos2 = xLower;
    r.YLevel2 = yLower;
    r.YSubLevel = track;
    r.Port1 = port1;
    r.Port2 = port2;
    r.RelationCat = QStringLiteral("<");
    return r;
}

inline RelRecord equal(const char* first, const char* second, qint32 leftColumn, qint32 rightColumn, qint32 level)
{
    RelRecord r;
    r.Excavation1 = r.Excavation2 = QStringLiteral("E");
    r.Unitname1 = QString::fromUtf8(first);
    r.Unitname2 = QString::fromUtf8(second);
    r.XPos1 = leftColumn;
    r.XPos2 = rightColumn;
    r.YLevel1 = level;
    r.RelationCat = QStringLiteral("=");
    return r;
}

inline LayoutParameters parameters(qint32 columns, qint32 levels, std::vector<qint32> tracks = {})
{
    LayoutParameters p;
    p.reset(columns, levels);
    for (std::size_t i = 0; i < tracks.size() && i + 1 < p.TrackCount.size(); ++i) p.TrackCount[i + 1] = tracks[i];
    return p;
}

inline LayoutSnapshot layout(LayoutParameters p, std::vector<UnitRecord> units, std::vector<RelRecord> relations = {})
{
    LayoutSnapshot s;
    SortForPainting(units, p.groups);
    s.parameters = std::move(p);
    s.units = std::move(units);
    s.relations = std::move(relations);
    return s;
}

// The three columns and three levels most tests draw on: labels of six
// characters (37 pixels), so boxes are 48 x 18, and one track in each of
// the two gaps.
inline LayoutSnapshot threeByThree(std::vector<UnitRecord> units = {}, std::vector<RelRecord> relations = {})
{
    if (units.empty())
        units = {box("AAAAA1", 1, 1), box("AAAAA2", 2, 2), box("AAAAA3", 3, 3)};
    return layout(parameters(3, 3, {1, 1, 0}), std::move(units), std::move(relations));
}

inline DiagramDrawing draw(const LayoutSnapshot& s, const DrawState& state = {})
{
    return BuildDiagram(s, state, FakeMetrics());
}

inline QStringList svgLines(const DiagramDrawing& d, const DiagramFont& font = {})
{
    const QString text = QString::fromLatin1(SvgDocument(d, font));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace belvanto::testing
