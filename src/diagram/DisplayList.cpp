#include "diagram/DisplayList.h"
#include "core/Rounding.h"
#include <QHash>
#include <algorithm>

namespace belvanto {

namespace {

QString unitKeyText(const QString& excavation, const QString& unitname)
{
    return excavation + QLatin1Char(':') + unitname;
}

QString outsideText(const QString& what, const LayoutParameters& p)
{
    return QStringLiteral("%1 lies outside the layout of %2 columns and %3 levels and is not drawn.")
        .arg(what)
        .arg(p.columns)
        .arg(p.levels);
}

UnitItem unitItem(const UnitRecord& unit, const DiagramGeometry& g, const DrawState& state, const QString& label,
                  int labelWidth)
{
    UnitItem item;
    item.record = &unit;
    item.dummy = unit.isDummy();
    if (item.dummy) {
        item.dummyLine = g.dummyLine(unit);
        return item;
    }
    const BoxGeometry& box = g.box();
    item.rect = g.boxRect(unit);
    item.look = BoxStyleAndColour(unit, state.thematic, state.blackWhite);
    if (item.look.style == 6) item.cornerEllipse = box.BoxHalfHeight;
    if (item.look.style == 7) item.cornerEllipse = int(roundHalfEven(1.5 * box.BoxHalfHeight));
    item.label.text = label;
    item.label.x = g.labelX(unit, labelWidth);
    item.label.top = item.rect.top + box.MarginY;
    item.label.baseline = item.rect.top + box.BoxHeight - box.MarginY;
    return item;
}

} // namespace

UnitItem BuildUnitItem(const UnitRecord& unit, const DiagramGeometry& geometry, const DrawState& state,
                       const TextMetrics& metrics)
{
    const QString label = LabelText(unit.Excavation, unit.Unitname, state.contents, state.abbreviations);
    return unitItem(unit, geometry, state, label, LabelWidth(metrics, state.font.italic, label));
}

DiagramDrawing BuildDiagram(LayoutSnapshot snapshot, const DrawState& state, const TextMetrics& metrics)
{
    DiagramDrawing drawing;
    drawing.layout = std::move(snapshot);
    const LayoutSnapshot& layout = drawing.layout;
    const LayoutParameters& parameters = layout.parameters;

    // Which records can be drawn depends on the column and level counts only.
    const DiagramGeometry probe(BoxGeometry{}, parameters, std::nullopt, false);
    std::vector<const UnitRecord*> units;
    units.reserve(layout.units.size());
    for (const UnitRecord& unit : layout.units) {
        if (probe.fits(unit)) units.push_back(&unit);
        else
            drawing.skipped << outsideText(QStringLiteral("Unit layout record %1 (columns %2 to %3, levels %4 to %5)")
                                               .arg(unitKeyText(unit.Excavation, unit.Unitname))
                                               .arg(unit.XStart)
                                               .arg(unit.XStop)
                                               .arg(unit.YLevelStart)
                                               .arg(unit.YLevelStop),
                                           parameters);
    }
    const bool empty = units.empty();

    // Labels and the box size.
    std::vector<QString> labels(units.size());
    std::vector<int> widths(units.size(), 0);
    int widest = 0, highest = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const UnitRecord& unit = *units[i];
        // Dummies are drawn as lines and do not count for the box size.
        const bool drawnAsBox = !unit.isDummy();
        const bool counts = unit.Unitclass != kDummyRecord;
        if (!drawnAsBox && !counts) continue;
        const QString label = LabelText(unit.Excavation, unit.Unitname, state.contents, state.abbreviations);
        const int width = LabelWidth(metrics, state.font.italic, label);
        if (drawnAsBox) {
            labels[i] = label;
            widths[i] = width;
        }
        if (counts) {
            widest = std::max(widest, width);
            highest = std::max(highest, metrics.height(label));
        }
    }
    const BoxGeometry box = MakeBoxGeometry(widest, highest);

    // Periods: the first band starts at the top; every later one needs its
    // start level. An empty diagram draws no band but keeps the legend strip.
    PeriodList periods;
    std::optional<int> namesWidth;
    if (!parameters.periods.empty()) {
        int widestName = 0;
        for (std::size_t i = 0; i < parameters.periods.size(); ++i) {
            const Period& period = parameters.periods[i];
            if (!empty && i > 0 && !probe.levelExists(period.position)) {
                drawing.skipped << QStringLiteral("Period %1 starts on level %2, outside the layout of %3 levels, and is not shown.")
                                       .arg(period.name)
                                       .arg(period.position)
                                       .arg(parameters.levels);
                continue;
            }
            if (!empty) periods.push_back(period);
            widestName = std::max(widestName, metrics.width(period.name));
        }
        namesWidth = widestName;
    }

    drawing.geometry = DiagramGeometry(box, parameters, namesWidth, empty);
    const DiagramGeometry& g = drawing.geometry;
    if (g.empty()) return drawing;

    const std::vector<PeriodBand> bands = PeriodBands(periods, g);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const PeriodBand& band = bands[i];
        if (i > 0) drawing.periodLines.push_back(band.upper);
        TextItem name;
        name.text = band.name;
        name.x = 3;
        name.top = (band.upper + band.lower - metrics.height(band.name)) / 2;
        name.baseline = (band.upper + band.lower + box.BoxHeight) / 2;
        drawing.periodNames.push_back(name);
    }

    drawing.units.reserve(units.size());
    QHash<QString, std::size_t> byKey;
    for (std::size_t i = 0; i < units.size(); ++i) {
        drawing.units.push_back(unitItem(*units[i], g, state, labels[i], widths[i]));
        if (!state.markedGroups.isEmpty()) byKey.insert(unitKeyText(units[i]->Excavation, units[i]->Unitname), i);
    }

    drawing.relations.reserve(layout.relations.size());
    const PathParams screen = ScreenPathParams(box);
    for (const RelRecord& relation : layout.relations) {
        const QString record = QStringLiteral("Relationship layout record %1 %2 %3")
                                   .arg(unitKeyText(relation.Excavation1, relation.Unitname1), relation.RelationCat,
                                        unitKeyText(relation.Excavation2, relation.Unitname2));
        if (!g.fits(relation)) {
            drawing.skipped << outsideText(record, parameters);
            continue;
        }
        // A damaged table must not draw a line that says the opposite of the
        // stratigraphy: "<" runs down from the later unit to the earlier one.
        if (!relation.isEqual() && relation.RelationCat != category::Earlier) {
            drawing.skipped << record + QStringLiteral(" has no category of a drawn line and is not drawn.");
            continue;
        }
        if (!relation.isEqual() && relation.YLevel2 <= relation.YLevel1) {
            drawing.skipped << record
                                   + QStringLiteral(" runs upward from level %1 to level %2 and is not drawn.")
                                         .arg(relation.YLevel2)
                                         .arg(relation.YLevel1);
            continue;
        }
        RelItem item;
        item.record = &relation;
        item.equal = relation.isEqual();
        if (item.equal) item.equalLine = g.equalLine(relation);
        else item.path = g.path(relation, screen);
        drawing.relations.push_back(std::move(item));
    }

    for (const QString& key : state.markedGroups) {
        const auto it = byKey.constFind(key);
        if (it == byKey.constEnd()) continue;
        const UnitItem& unit = drawing.units[*it];
        if (unit.dummy) continue;
        drawing.marks.push_back(g.contractionMark(*unit.record, true, unit.look.fill));
    }
    return drawing;
}

} // namespace belvanto
