#include "diagram/Interaction.h"
#include "core/UserInterface.h"
#include "layout/LayoutFiles.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <algorithm>

namespace belvanto {

namespace {

// The last position (1..count) not beyond `at`, or 0 when `at` lies before
// the first or beyond the last band's end.
template <typename Position>
qint32 band(qint32 count, qint64 at, qint64 lastExtent, Position position)
{
    if (count < 1 || at < position(1) || at >= position(count) + lastExtent) return 0;
    qint32 low = 1, high = count;
    while (low < high) {
        const qint32 mid = low + (high - low + 1) / 2;
        if (position(mid) <= at) low = mid;
        else high = mid - 1;
    }
    return low;
}

} // namespace

std::optional<Cell> HitCell(const DiagramGeometry& g, qint64 x, qint64 y)
{
    if (g.empty()) return std::nullopt;
    const BoxGeometry& box = g.box();
    const qint32 column = band(g.columns(), x, box.BoxWidth + 2 * box.MarginX, [&](qint32 c) { return g.ColumnX(c); });
    const qint32 level = band(g.levels(), y, box.BoxHeight + 2 * box.MarginY, [&](qint32 l) { return g.LevelY(l); });
    if (column == 0 || level == 0) return std::nullopt;
    return Cell{column, level};
}

std::optional<std::size_t> HitUnit(const DiagramDrawing& drawing, qint64 x, qint64 y)
{
    const auto cell = HitCell(drawing.geometry, x, y);
    if (!cell) return std::nullopt;
    for (std::size_t i = 0; i < drawing.units.size(); ++i) {
        const UnitRecord& r = *drawing.units[i].record;
        if (r.XStart == cell->column && r.YLevelStart == cell->level) return i;
    }
    return std::nullopt;
}

QString FindPrompt(BoxContents contents)
{
    switch (contents) {
    case BoxContents::UnitName: return QStringLiteral("Enter unit name");
    case BoxContents::ExcavationName: return QStringLiteral("Enter excavation name:unit name");
    case BoxContents::AbbreviationName: return QStringLiteral("Enter excavation abbreviation:unit name");
    }
    return {};
}

std::variant<FindQuery, QString> ParseFindEntry(const QString& entry, BoxContents contents,
                                                const AbbreviationList& abbreviations, const FindLimits& limits)
{
    auto tooLong = [](const QString& what, const QString& text) {
        return what + text + QStringLiteral(" too long.");
    };
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        if (entry.size() > limits.unitname) return tooLong(QStringLiteral("Unit name "), entry);
        return FindQuery{std::nullopt, entry};
    }
    QString excavation = entry.left(colon);
    const QString unitname = entry.mid(colon + 1);
    if (contents == BoxContents::AbbreviationName) {
        const auto it = std::find_if(abbreviations.begin(), abbreviations.end(),
                                     [&](const ExcavationAbbreviation& a) { return a.abbreviation == excavation; });
        if (it != abbreviations.end()) excavation = it->excavation;
    }
    if (excavation.size() > limits.excavation) return tooLong(QStringLiteral("Excavation name "), excavation);
    if (unitname.size() > limits.unitname) return tooLong(QStringLiteral("Unit name "), unitname);
    return FindQuery{excavation, unitname};
}

std::optional<std::size_t> FindUnit(const std::vector<UnitRecord>& units, const FindQuery& query)
{
    auto first = [&](auto matches) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < units.size(); ++i)
            if (matches(units[i])) return i;
        return std::nullopt;
    };
    if (query.excavation)
        return first([&](const UnitRecord& u) { return u.Excavation == *query.excavation && u.Unitname == query.unitname; });
    if (auto exact = first([&](const UnitRecord& u) { return !u.isDummy() && u.Unitname == query.unitname; })) return exact;
    return first([&](const UnitRecord& u) {
        return !u.isDummy() && u.Unitname.startsWith(query.unitname, Qt::CaseInsensitive);
    });
}

ScrollTarget FindScrollTarget(const DiagramGeometry& g, const UnitRecord& unit, double zoomX, double zoomY, qint64 viewWidth,
                              qint64 viewHeight, qint64 maxX, qint64 maxY)
{
    const BoxGeometry& box = g.box();
    auto position = [&](qint64 from, qint64 to, qint64 half, qint64 view, qint64 maximum, double zoom, bool vertical) {
        double target;
        if (double(view) > zoom * double(to - from)) target = zoom * (double(from + to) / 2.0 + double(half));
        else target = zoom * double(vertical ? from - half : from) + double(view) / 2.0;
        const qint64 scroll = qint64(std::nearbyint(std::max(0.0, target - double(view / 2))));
        return std::clamp<qint64>(scroll, 0, std::max<qint64>(0, maximum));
    };
    ScrollTarget t;
    t.x = position(g.ColumnX(unit.XStart), g.ColumnX(unit.XStop), box.BoxHalfWidth, viewWidth, maxX, zoomX, false);
    t.y = position(g.LevelY(unit.YLevelStart), g.LevelY(unit.YLevelStop), box.BoxHalfHeight, viewHeight, maxY, zoomY, true);
    return t;
}

std::variant<UnitInformation, QString> ReadUnitInformation(Session& session, const QString& excavation,
                                                           const QString& unitname)
{
    const auto rows = session.units().query(QStringLiteral("Excavation = ? AND Unitname = ?"), {excavation, unitname},
                                            QString(), Table::Unreadable::KeepText);
    if (rows.empty())
        return QStringLiteral("Unit ") + excavation + QLatin1Char(':') + unitname + QStringLiteral(" not found.");
    UnitInformation info;
    for (int f = 0; f < kOptionFieldCount; ++f) {
        const Value& v = rows.front().values[std::size_t(f)];
        const QString text = valueToString(v);
        if (text.isEmpty()) continue;
        info.rows.emplace_back(session.catalogue()[f].Label, text);
    }
    const bool single = session.project().SingleExcavation;
    const auto relations = session.relations().query(QStringLiteral("Excavation1 = ? AND Unitname1 = ?"),
                                                     {excavation, unitname}, kRelationKeyOrder);
    for (const auto& r : relations) {
        const QString other = single ? textAt(r, rel::Unitname2)
                                     : textAt(r, rel::Excavation2) + QLatin1Char(':') + textAt(r, rel::Unitname2);
        info.relations << textAt(r, rel::RelationCat) + QLatin1Char(' ') + other;
    }
    return info;
}

namespace {

// Writes one field of the unit's layout record and of its unit table record.
void storeDisplayField(Session& session, const UnitRecord& unit, int layoutField, int unitField, qint32 value)
{
    const ProjectState& project = session.project();
    {
        Table layout;
        layout.open(project.ProjectDirectory, project.ProjectName + kUnitLayoutSuffix);
        if (layout.locate(QStringLiteral("Excavation;Unitname"), {unit.Excavation, unit.Unitname})) {
            layout.edit();
            layout.set(layoutField, value);
            layout.post();
        }
    }
    Table& units = session.units();
    WholeTable all(units);
    if (units.locate(QStringLiteral("Excavation;Unitname"), {unit.Excavation, unit.Unitname})) {
        units.edit();
        units.set(unitField, value);
        units.post();
    }
}

} // namespace

bool StoreBoxColour(Session& session, UnitRecord& unit, quint32 colour)
{
    storeDisplayField(session, unit, ul::Colour, uf::DisplayColour, qint32(colour));
    unit.Colour = qint32(colour);
    return unit.Unitclass == kGroupRecord;
}

bool StoreBoxStyle(Session& session, UnitRecord& unit, int style)
{
    storeDisplayField(session, unit, ul::BoxStyle, uf::DispStyle, style);
    unit.BoxStyle = style;
    return unit.Unitclass == kGroupRecord;
}

std::optional<int> SelectBoxStyle(UserInterface& ui)
{
    QStringList names;
    for (const QString& name : BoxStyleNames()) names << name;
    return ui.selectString(QStringLiteral("Border styles"), QStringLiteral("Select border style"), names,
                           HelpTopic(QStringLiteral("Contents")));
}

QString GroupKeyText(const UnitRecord& unit) { return unit.Excavation + QLatin1Char(':') + unit.Unitname; }

bool ToggleMarkedGroup(QStringList& marked, const UnitRecord& group)
{
    const QString key = GroupKeyText(group);
    const auto it = std::lower_bound(marked.begin(), marked.end(), key);
    if (it != marked.end() && *it == key) {
        marked.erase(it);
        return false;
    }
    marked.insert(it, key);
    return true;
}

QStringList TopLevelGroups(const std::vector<UnitRecord>& units)
{
    std::vector<const UnitRecord*> groups;
    for (const UnitRecord& u : units)
        if (u.Unitclass == kGroupRecord) groups.push_back(&u);
    // Wider frames first: an enclosing frame is met before what it encloses.
    std::sort(groups.begin(), groups.end(), [](const UnitRecord* a, const UnitRecord* b) {
        if (a->XStart != b->XStart) return a->XStart < b->XStart;
        if (a->XStop != b->XStop) return a->XStop > b->XStop;
        return a->YLevelStart < b->YLevelStart;
    });
    QStringList top;
    std::vector<const UnitRecord*> kept;
    for (const UnitRecord* g : groups) {
        const bool enclosed = std::any_of(kept.begin(), kept.end(), [&](const UnitRecord* k) {
            return k->XStart <= g->XStart && g->XStop <= k->XStop && k->YLevelStart < g->YLevelStart
                   && g->YLevelStop <= k->YLevelStop;
        });
        if (enclosed) continue;
        kept.push_back(g);
        top << GroupKeyText(*g);
    }
    std::sort(top.begin(), top.end());
    return top;
}

bool HasGroups(const std::vector<UnitRecord>& units)
{
    return std::any_of(units.begin(), units.end(), [](const UnitRecord& u) { return u.Unitclass == kGroupRecord; });
}

} // namespace belvanto
