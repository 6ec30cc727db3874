#include "diagram/Geometry.h"
#include "store/UnitKey.h"
#include <algorithm>

namespace belvanto {

const std::array<QString, kBoxStyleCount>& BoxStyleNames()
{
    static const std::array<QString, kBoxStyleCount> names{
        QStringLiteral("solid"),        QStringLiteral("dash"),       QStringLiteral("dot"),
        QStringLiteral("dashdot"),      QStringLiteral("dashdotdot"), QStringLiteral("clear"),
        QStringLiteral("rounded rect"), QStringLiteral("oval rect"),  QStringLiteral("hexagon"),
        QStringLiteral("house"),        QStringLiteral("slim hexagon"), QStringLiteral("arrow left"),
        QStringLiteral("arrow right")};
    return names;
}

int ValidBoxStyle(std::optional<qint32> stored)
{
    return stored && *stored >= 0 && *stored < kBoxStyleCount ? int(*stored) : 0;
}

QString LabelText(const QString& excavation, const QString& unitname, BoxContents mode,
                  const AbbreviationList& abbreviations)
{
    switch (mode) {
    case BoxContents::UnitName: return unitname;
    case BoxContents::ExcavationName: return excavation + QLatin1Char(':') + unitname;
    case BoxContents::AbbreviationName: {
        // The list is sorted, so the walk can stop at the first name past ours.
        QString shown = excavation;
        for (const ExcavationAbbreviation& entry : abbreviations) {
            const int order = CompareKeyText(entry.excavation, excavation);
            if (order == 0) {
                shown = entry.abbreviation;
                break;
            }
            if (order > 0) break;
        }
        return shown + QLatin1Char(':') + unitname;
    }
    }
    return unitname;
}

int LabelWidth(const TextMetrics& metrics, bool italic, const QString& label)
{
    const int width = metrics.width(label);
    return italic ? width + width / 5 : width;
}

BoxGeometry MakeBoxGeometry(int widestLabel, int highestLabel)
{
    BoxGeometry g;
    g.BoxWidth = widestLabel + (widestLabel % 2 != 0 ? 1 : 0);
    g.BoxHeight = highestLabel + (highestLabel % 2 != 0 ? 1 : 0);
    g.MarginX = 5;
    g.MarginY = 2;
    g.BoxHalfWidth = g.BoxWidth / 2 + g.MarginX;
    g.BoxHalfHeight = g.BoxHeight / 2 + g.MarginY;
    return g;
}

BoxLook BoxStyleAndColour(const UnitRecord& unit, bool thematic, bool blackWhite)
{
    const std::optional<qint32>& colour = thematic ? unit.ThemColour : unit.Colour;
    BoxLook look;
    look.fill = blackWhite || !colour ? kWhite : quint32(*colour) & 0xFFFFFFu;
    look.style = ValidBoxStyle(thematic ? unit.ThemBoxStyle : unit.BoxStyle);
    return look;
}

std::array<Point, 6> ShapePoints(int style, const Rect& r, int marginX, bool yDown)
{
    const qint64 L = r.left, T = r.top, R = r.right, B = r.bottom, d = marginX;
    const qint64 m = (T + B) / 2;
    switch (style) {
    case 8: return {{{L + d, B}, {R - d, B}, {R, m}, {R - d, T}, {L + d, T}, {L, m}}};
    case 9: {
        const qint64 base = yDown ? std::max(T, B) : std::min(T, B);
        const qint64 roof = yDown ? std::min(T, B) : std::max(T, B);
        return {{{L, base}, {R, base}, {R, m}, {R - d, roof}, {L + d, roof}, {L, m}}};
    }
    case 10: return {{{L, B}, {R, B}, {R - d, m}, {R, T}, {L, T}, {L + d, m}}};
    case 11: return {{{L + d, B}, {R, B}, {R - d, m}, {R, T}, {L + d, T}, {L, m}}};
    case 12: return {{{L, B}, {R - d, B}, {R, m}, {R - d, T}, {L, T}, {L + d, m}}};
    default: return {{{L, B}, {R, B}, {R, m}, {R, T}, {L, T}, {L, m}}};
    }
}

PathParams ScreenPathParams(const BoxGeometry& box)
{
    PathParams p;
    p.laneStep = 3;
    p.boxHeight = box.BoxHeight;
    p.trackStep = 6;
    p.verticalMargin = 2;
    p.centreOffset = box.BoxHalfWidth;
    p.portStep = 3;
    p.portLimit = box.BoxHalfWidth / 3;
    p.down = true;
    return p;
}

// --- DiagramGeometry ---------------------------------------------------------------

qint32 DiagramGeometry::at(const std::vector<qint32>& values, qint32 i)
{
    return i >= 0 && std::size_t(i) < values.size() ? values[std::size_t(i)] : 0;
}

DiagramGeometry::DiagramGeometry(const BoxGeometry& box, const LayoutParameters& parameters,
                                 std::optional<int> periodNamesWidth, bool empty)
    : box_(box), empty_(empty || parameters.columns <= 0 || parameters.levels <= 0)
{
    legendWidth_ = periodNamesWidth ? qint64(*periodNamesWidth) + 6 : 0;
    if (empty_) {
        width_ = legendWidth_ + 13;
        height_ = 10;
        return;
    }
    columns_ = parameters.columns;
    levels_ = parameters.levels;
    const qint64 boxW = box.BoxWidth, boxH = box.BoxHeight;
    const auto& left = parameters.LeftFrameLanes;
    const auto& right = parameters.RightFrameLanes;
    frameLanesBelow_ = parameters.FrameLanesBelow;
    frameLanesBelow_.resize(std::size_t(levels_) + 1, 0);

    columnX_.assign(std::size_t(columns_) + 1, 0);
    columnX_[1] = legendWidth_ + 3 * (qint64(at(left, 1)) + 1);
    for (qint32 c = 2; c <= columns_; ++c)
        columnX_[std::size_t(c)] =
            columnX_[std::size_t(c) - 1] + boxW + 10 + 3 * (qint64(at(left, c)) + at(right, c - 1) + 1);
    width_ = columnX_[std::size_t(columns_)] + boxW + 3 * (qint64(at(right, columns_)) + 1) + 10;

    levelY_.assign(std::size_t(levels_) + 1, 0);
    levelY_[1] = 6;
    for (qint32 l = 2; l <= levels_; ++l)
        levelY_[std::size_t(l)] = levelY_[std::size_t(l) - 1] + boxH + 4
                                  + 3 * (qint64(at(frameLanesBelow_, l - 1)) + 2)
                                  + 6 * qint64(at(parameters.TrackCount, l - 1));
    height_ = levelY_[std::size_t(levels_)] + boxH + 3 * (qint64(at(frameLanesBelow_, levels_)) + 1) + 4;
}

qint64 DiagramGeometry::ColumnX(qint32 column) const
{
    return column >= 1 && column <= columns_ ? columnX_[std::size_t(column)] : 0;
}

qint64 DiagramGeometry::LevelY(qint32 level) const
{
    return level >= 1 && level <= levels_ ? levelY_[std::size_t(level)] : 0;
}

bool DiagramGeometry::fits(const UnitRecord& u) const
{
    return !empty_ && u.XStart >= 1 && u.XStart <= u.XStop && u.XStop <= columns_ && u.YLevelStart >= 1
           && u.YLevelStart <= u.YLevelStop && u.YLevelStop <= levels_ && u.NestCt >= 0;
}

bool DiagramGeometry::fits(const RelRecord& r) const
{
    if (empty_) return false;
    if (r.isEqual())
        return r.XPos1 >= 1 && r.XPos1 <= columns_ && r.XPos2 >= 1 && r.XPos2 <= columns_ && levelExists(r.YLevel1);
    const qint64 halfColumns = 2 * qint64(columns_);
    const bool straight = r.XPos1 == r.XPos2 && r.Port1 == r.Port2;
    return r.XPos1 >= 1 && r.XPos1 <= halfColumns && r.XPos2 >= 1 && r.XPos2 <= halfColumns
           && levelExists(r.YLevel1) && levelExists(r.YLevel2) && (straight || r.YLevel2 >= 2);
}

Rect DiagramGeometry::boxRect(const UnitRecord& u) const
{
    const qint64 n = u.NestCt;
    return {ColumnX(u.XStart) - 3 * n, LevelY(u.YLevelStart), ColumnX(u.XStop) + box_.BoxWidth + 10 + 3 * n,
            LevelY(u.YLevelStop) + box_.BoxHeight + 4 + 3 * n};
}

VerticalLine DiagramGeometry::dummyLine(const UnitRecord& u) const
{
    return {ColumnX(u.XStart) + box_.BoxHalfWidth, LevelY(u.YLevelStart), LevelY(u.YLevelStop) + box_.BoxHeight + 4};
}

qint64 DiagramGeometry::halfColumnX(qint32 p, int centreOffset) const
{
    // Odd positions are computed without p + 1, which could overflow.
    return p % 2 == 0 ? ColumnX(p / 2) + centreOffset : ColumnX(p / 2 + 1);
}

RelPath DiagramGeometry::path(const RelRecord& r, const PathParams& k) const
{
    auto portOffset = [&](qint32 port) {
        return qint64(k.portStep) * std::clamp<qint64>(port, -qint64(k.portLimit), qint64(k.portLimit));
    };
    const qint64 sign = k.down ? 1 : -1;
    RelPath p;
    p.straight = r.XPos1 == r.XPos2 && r.Port1 == r.Port2;
    const qint64 upper = halfColumnX(r.XPos1, k.centreOffset);
    p.x1 = upper + portOffset(r.Port1);
    // A line leaving a dummy line starts at its centre and jogs to its port.
    p.startX = r.Excavation2 == kDummyExcavation && r.Port1 != 0 ? upper : p.x1;
    p.y1 = LevelY(r.YLevel1)
           + sign * (qint64(k.boxHeight) + 2 * k.verticalMargin + qint64(k.laneStep) * r.NestCt2);
    p.y2 = LevelY(r.YLevel2);
    if (p.straight) {
        p.x2 = p.x1;
        p.trackY = p.y1;
    } else {
        p.x2 = halfColumnX(r.XPos2, k.centreOffset) + portOffset(r.Port2);
        const qint32 above = r.YLevel2 - 1;
        p.trackY = LevelY(above)
                   + sign * (qint64(k.boxHeight) + 2 * k.verticalMargin
                             + qint64(k.laneStep) * (qint64(at(frameLanesBelow_, above)) + 2)
                             + qint64(k.trackStep) * (qint64(r.YSubLevel) - 1));
    }
    return p;
}

EqualLine DiagramGeometry::equalLine(const RelRecord& r) const
{
    return {ColumnX(r.XPos1) + box_.BoxWidth + 10, ColumnX(r.XPos2), LevelY(r.YLevel1) + box_.BoxHalfHeight};
}

ContractionMark DiagramGeometry::contractionMark(const UnitRecord& g, bool marked, quint32 groupFill) const
{
    ContractionMark mark;
    const qint64 x = ColumnX(g.XStart), y = LevelY(g.YLevelStart);
    mark.rect = {x - 3 * qint64(g.NestCt) + 1, y + 1, x + box_.MarginX - 2, y + box_.BoxHeight - 1};
    mark.marked = marked;
    mark.fill = marked ? kRed : groupFill;
    if (marked) mark.line = {(mark.rect.left + mark.rect.right) / 2, mark.rect.top + 1, mark.rect.bottom - 1};
    return mark;
}

qint64 DiagramGeometry::labelX(const UnitRecord& u, int labelWidth) const
{
    qint64 x = ColumnX(u.XStart) + box_.MarginX;
    if (u.XStart == u.XStop) x += (box_.BoxWidth - labelWidth) / 2;
    return x;
}

std::vector<PeriodBand> PeriodBands(const PeriodList& periods, const DiagramGeometry& g)
{
    std::vector<PeriodBand> bands;
    bands.reserve(periods.size());
    for (std::size_t i = 0; i < periods.size(); ++i) {
        PeriodBand band;
        band.name = periods[i].name;
        band.upper = i == 0 ? 0 : g.LevelY(periods[i].position) - 5;
        band.lower = i + 1 == periods.size() ? g.height() : g.LevelY(periods[i + 1].position) - 5;
        bands.push_back(band);
    }
    return bands;
}

} // namespace belvanto
