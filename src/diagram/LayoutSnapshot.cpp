#include "diagram/LayoutSnapshot.h"
#include "store/Table.h"
#include <algorithm>

namespace belvanto {

namespace {

std::optional<qint32> optionalInt(const Value& v)
{
    if (const auto* i = std::get_if<qint32>(&v)) return *i;
    return std::nullopt;
}

qint32 intOrZero(const Value& v)
{
    return optionalInt(v).value_or(0);
}

QString text(const Value& v)
{
    if (const auto* s = std::get_if<QString>(&v)) return *s;
    return QString();
}

} // namespace

void SortForPainting(std::vector<UnitRecord>& units, bool groups)
{
    // Text compares by code point, as the tables' indexes do; every key is
    // taken descending because the table is walked from its last record.
    auto later = [groups](const UnitRecord& a, const UnitRecord& b) {
        if (groups) {
            if (a.NestCt != b.NestCt) return a.NestCt > b.NestCt;
            if (a.YLevelStart != b.YLevelStart) return a.YLevelStart > b.YLevelStart;
        }
        if (const int c = QString::compare(a.Excavation, b.Excavation); c != 0) return c > 0;
        return QString::compare(a.Unitname, b.Unitname) > 0;
    };
    std::stable_sort(units.begin(), units.end(), later);
}

LayoutSnapshot ReadLayoutSnapshot(const Table& unitLayout, const Table& relLayout, LayoutParameters parameters)
{
    using UnitInt = qint32 UnitRecord::*;
    using UnitOptional = std::optional<qint32> UnitRecord::*;
    using RelInt = qint32 RelRecord::*;
    static const std::pair<UnitInt, int> unitInts[] = {
        {&UnitRecord::XStart, ul::XStart},           {&UnitRecord::XStop, ul::XStop},
        {&UnitRecord::YLevelStart, ul::YLevelStart}, {&UnitRecord::YLevelStop, ul::YLevelStop},
        {&UnitRecord::NestCt, ul::NestCt}};
    static const std::pair<UnitOptional, int> unitOptionals[] = {
        {&UnitRecord::Colour, ul::Colour},         {&UnitRecord::BoxStyle, ul::BoxStyle},
        {&UnitRecord::ThemColour, ul::ThemColour}, {&UnitRecord::ThemBoxStyle, ul::ThemBoxStyle}};
    static const std::pair<RelInt, int> relInts[] = {
        {&RelRecord::YSubLevel, rl::YSubLevel}, {&RelRecord::YLevel1, rl::YLevel1}, {&RelRecord::YLevel2, rl::YLevel2},
        {&RelRecord::XPos1, rl::XPos1},         {&RelRecord::XPos2, rl::XPos2},     {&RelRecord::NestCt2, rl::NestCt2},
        {&RelRecord::Port1, rl::Port1},         {&RelRecord::Port2, rl::Port2}};

    LayoutSnapshot snapshot;
    const auto unitRows = unitLayout.query(QString(), {});
    snapshot.units.reserve(unitRows.size());
    for (const Table::Row& row : unitRows) {
        const auto& v = row.values;
        UnitRecord u;
        u.Excavation = text(v[ul::Excavation]);
        u.Unitname = text(v[ul::Unitname]);
        u.Unitclass = text(v[ul::Unitclass]);
        for (const auto& [member, field] : unitInts) u.*member = intOrZero(v[std::size_t(field)]);
        for (const auto& [member, field] : unitOptionals) u.*member = optionalInt(v[std::size_t(field)]);
        snapshot.units.push_back(std::move(u));
    }
    SortForPainting(snapshot.units, parameters.groups);

    const auto relRows = relLayout.query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2"));
    snapshot.relations.reserve(relRows.size());
    for (const Table::Row& row : relRows) {
        const auto& v = row.values;
        RelRecord r;
        r.Excavation1 = text(v[rl::Excavation1]);
        r.Unitname1 = text(v[rl::Unitname1]);
        r.Excavation2 = text(v[rl::Excavation2]);
        r.Unitname2 = text(v[rl::Unitname2]);
        r.RelationCat = text(v[rl::RelationCat]);
        for (const auto& [member, field] : relInts) r.*member = intOrZero(v[std::size_t(field)]);
        snapshot.relations.push_back(std::move(r));
    }
    snapshot.parameters = std::move(parameters);
    return snapshot;
}

} // namespace belvanto
