#include "layout/PlacementRun.h"
#include "checks/Redundancy.h"
#include "store/UnitKey.h"
#include "core/UserInterface.h"
#include "layout/LineRouting.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QFile>

namespace belvanto {

namespace {

const QString kContextFilter = QStringLiteral("Unitclass = ?");

RoutedLine routedLine(const PlacementLine& line, const UnitKey& first, const UnitKey& second)
{
    RoutedLine routed;
    static_cast<LineRecord&>(routed) = line;
    routed.first = first;
    routed.second = second;
    return routed;
}

// The boxes and lines the routing works on, in table order.
struct Routing {
    std::vector<RoutedBox> boxes;
    std::vector<RoutedLine> lines;
    std::vector<OptionalInt> relCount;           // per line
    std::vector<std::pair<int, int>> ends;       // per line: table ranks of its units
};

// Takes the working tables apart as it goes, so that the largest layouts
// are not held twice: the units go (into *units, in table order, when
// given), then the lines.
Routing prepareRouting(PlacementWork& work, const std::vector<int>& order, const std::vector<int>& rank,
                       std::vector<PlacementUnit>* units)
{
    Routing routing;
    routing.boxes.reserve(order.size());
    for (int i : order) {
        const PlacementUnit& u = work.units[std::size_t(i)];
        routing.boxes.push_back({u.key, u.XStart.value_or(0), u.XStop.value_or(0), u.YLevelStart.value_or(0),
                                 u.YLevelStop.value_or(0), u.NestCt.value_or(0), u.SonCt.value_or(0),
                                 u.FatherCt.value_or(0)});
    }
    if (units) {
        units->reserve(order.size());
        for (int i : order) units->push_back(std::move(work.units[std::size_t(i)]));
    }
    work.units = {};
    const std::vector<int> lineOrder = LineKeyOrder(work.proper, rank);
    routing.lines.reserve(lineOrder.size());
    routing.relCount.reserve(lineOrder.size());
    routing.ends.reserve(lineOrder.size());
    for (int r : lineOrder) {
        const PlacementLine& line = work.proper[std::size_t(r)];
        const int first = rank[std::size_t(line.first)], second = rank[std::size_t(line.second)];
        routing.lines.push_back(routedLine(line, routing.boxes[std::size_t(first)].key, routing.boxes[std::size_t(second)].key));
        routing.relCount.push_back(line.RelCount);
        routing.ends.emplace_back(first, second);
    }
    work.proper = {};
    return routing;
}

LayoutParameters route(UserInterface& ui, Routing& routing, qint32 columns, qint32 levels,
                       const PlacementOptions& options, const PeriodList& periods)
{
    ui.status(kRoutingStatus);
    LayoutParameters parameters;
    parameters.reset(columns, levels);
    // A line naming a missing box leaves the ports and tracks unassigned;
    // the placement itself stands.
    RouteLineRecords(ui, routing.boxes, routing.lines, levels, parameters.TrackCount);
    parameters.periods = periods;
    if (options.periodsShown) AddPeriodTracks(parameters);
    return parameters;
}

void setUnit(TableWriter& table, const PlacementUnit& u)
{
    table.set(ul::Excavation, u.key.excavation);
    table.set(ul::Unitname, u.key.unitname);
    table.set(ul::Clevel, u.Clevel);
    table.set(ul::CXPos, u.CXPos);
    table.set(ul::XStart, toValue(u.XStart));
    table.set(ul::XStop, toValue(u.XStop));
    table.set(ul::YLevelStart, toValue(u.YLevelStart));
    table.set(ul::YLevelStop, toValue(u.YLevelStop));
    table.set(ul::NestCt, toValue(u.NestCt));
    table.set(ul::SonCt, toValue(u.SonCt));
    table.set(ul::FatherCt, toValue(u.FatherCt));
    table.set(ul::Colour, toValue(u.Colour));
    table.set(ul::BoxStyle, toValue(u.BoxStyle));
    table.set(ul::ThemColour, toValue(u.ThemColour));
    table.set(ul::ThemBoxStyle, toValue(u.ThemBoxStyle));
    table.set(ul::Unitclass, u.Unitclass);
    table.set(ul::GExcavation, u.GExcavation);
    table.set(ul::GUnitname, u.GUnitname);
    table.append();
}

void setLine(TableWriter& table, const RoutedLine& line, const OptionalInt& relCount)
{
    table.set(rl::Excavation1, line.first.excavation);
    table.set(rl::Unitname1, line.first.unitname);
    table.set(rl::Excavation2, line.second.excavation);
    table.set(rl::Unitname2, line.second.unitname);
    SetRoutedFields(table, line);
    table.set(rl::RelationCat, QString(line.category));
    table.set(rl::RelCount, toValue(relCount));
    table.append();
}

} // namespace

std::optional<PlacementWork> PlaceContexts(UserInterface& ui, const PlacementInput& input, RelationGraph& graph,
                                           RandomGenerator& random, const PlacementOptions& options)
{
    PlacementWork work;
    LoadContexts(work, input.contexts, options.useCoordinates);
    LoadGraphRelations(work, graph);
    FreeRelationGraph(graph);
    MergeEqualContexts(work, input.relationRows);
    SegmentLevels(work);
    qint32 dummyCounter = 0;
    if (!CreateDummyUnits(ui, work, dummyCounter)) return std::nullopt;
    // The working relationship table has done its work.
    work.relations = {};
    OrderLevels(ui, work, random, options.useCoordinates);
    AssignColumns(ui, work);
    return work;
}

PlacedLayout RoutePlacement(UserInterface& ui, PlacementWork work, const PlacementOptions& options,
                            const PeriodList& periods)
{
    const std::vector<int> order = work.keyOrder();
    const std::vector<int> rank = UnitRanks(order);
    PlacedLayout layout;
    Routing routing = prepareRouting(work, order, rank, &layout.units);
    layout.parameters = route(ui, routing, work.columns, work.levels, options, periods);
    layout.lines.reserve(routing.lines.size());
    for (std::size_t i = 0; i < routing.lines.size(); ++i) {
        const RoutedLine& r = routing.lines[i];
        PlacementLine line;
        static_cast<LineRecord&>(line) = r;
        line.first = routing.ends[i].first;
        line.second = routing.ends[i].second;
        line.RelCount = routing.relCount[i];
        layout.lines.push_back(line);
    }
    return layout;
}

std::optional<std::vector<ContextInput>> ReadPlacementContexts(UserInterface& ui, Table& unitTable)
{
    std::vector<ContextInput> contexts;
    const auto rows = unitTable.query(kContextFilter, {kContext}, kUnitKeyOrder);
    contexts.reserve(rows.size());
    for (const auto& row : rows) {
        const auto& v = row.values;
        ContextInput c;
        c.key = {valueToString(v[uf::Excavation]), valueToString(v[uf::Unitname])};
        const auto level = intOf(v[uf::Y]);
        // Levels below 1 cannot be laid out: the cycle check did not run or
        // the table was changed since.
        if (!level || *level < 1) {
            ui.error(QStringLiteral("Programming error? No level for unit ") + c.key.text());
            return std::nullopt;
        }
        c.level = *level;
        c.x = intOf(v[uf::X]);
        c.displayColour = intOf(v[uf::DisplayColour]);
        c.dispStyle = intOf(v[uf::DispStyle]);
        c.thematicColour = intOf(v[uf::ThematicColour]);
        c.thematicStyle = intOf(v[uf::ThematicStyle]);
        contexts.push_back(std::move(c));
    }
    return contexts;
}

std::vector<GraphRelation> ReadPlacementRelations(Table& relationTable)
{
    std::vector<GraphRelation> rows;
    auto take = [&](const Table::Row& row) {
        const auto& v = row.values;
        const QString category = valueToString(v[rel::RelationCat]);
        rows.push_back({{valueToString(v[rel::Excavation1]), valueToString(v[rel::Unitname1])},
                        {valueToString(v[rel::Excavation2]), valueToString(v[rel::Unitname2])},
                        category.isEmpty() ? QChar() : category.front()});
    };
    for (const auto& row : relationTable.query(QStringLiteral("RelationCat = '='"), {},
                                               kRelationKeyOrder))
        take(row);
    // The earlier/later rows only of the units that may become
    // representatives: most projects have few equal contexts.
    const std::size_t equalRows = rows.size();
    for (std::size_t i = 0; i < equalRows; ++i) {
        if (i > 0 && rows[i].first == rows[i - 1].first) continue;
        for (const auto& row : RowsOfFirst(relationTable, rows[i].first)) {
            const QString category = valueToString(row.values[rel::RelationCat]);
            if (category == category::Earlier || category == category::Later) take(row);
        }
    }
    return rows;
}

void AppendUnitLayoutRecords(Table& unitLayout, const PlacementWork& work)
{
    TableWriter writer(unitLayout);
    for (int u : work.keyOrder()) setUnit(writer, work.units[std::size_t(u)]);
}

void AppendRelLayoutRecords(Table& relLayout, const PlacementWork& work)
{
    const std::vector<int> order = work.keyOrder();
    const std::vector<int> rank = UnitRanks(order);
    TableWriter writer(relLayout);
    for (int r : LineKeyOrder(work.proper, rank)) {
        const PlacementLine& line = work.proper[std::size_t(r)];
        setLine(writer, routedLine(line, work.units[std::size_t(line.first)].key, work.units[std::size_t(line.second)].key),
                line.RelCount);
    }
}

LevelResult RunLayoutChecks(Session& session, RelationGraph& graph, Protocol& protocol, bool deleteRedundant)
{
    const LevelResult result = RunCycleCheck(session, graph, protocol);
    if (!result.ok()) return result;
    RedundancyOptions options;
    options.deleteRedundant = deleteRedundant;
    RedundancyTest(session.ui(), graph, session.relations(), protocol, options);
    return result;
}

bool LayoutWithoutGroups(Session& session, RelationGraph& graph, RandomGenerator& random,
                         const PlacementOptions& options, const PeriodList& periods)
{
    UserInterface& ui = session.ui();
    const QString directory = session.project().ProjectDirectory;
    const QString name = session.project().ProjectName;
    // A failed layout leaves no layout: neither the one it was to replace
    // nor its own beginnings.
    auto fail = [&] {
        FreeRelationGraph(graph);
        DiscardLayout(directory, name);
        return false;
    };

    RecoverLayoutFiles(directory, name);
    CreateLayoutTables(directory, name, LayoutStage::Staged);
    try {
        std::optional<PlacementWork> work;
        {
            WholeTable allUnits(session.units());
            WholeTable allRelations(session.relations());
            auto contexts = ReadPlacementContexts(ui, session.units());
            if (!contexts) return fail();
            const PlacementInput input{std::move(*contexts), ReadPlacementRelations(session.relations())};
            work = PlaceContexts(ui, input, graph, random, options);
        }
        if (!work) return fail();

        // The unit layout table does not change in the routing: it is
        // written first, and the working records go while the lines are
        // prepared for the routing.
        Table unitLayout, relLayout;
        unitLayout.open(directory, UnitLayoutTableName(name, LayoutStage::Staged), true);
        relLayout.open(directory, RelLayoutTableName(name, LayoutStage::Staged), true);
        const std::vector<int> order = work->keyOrder();
        {
            TableWriter writer(unitLayout);
            for (int u : order) setUnit(writer, work->units[std::size_t(u)]);
        }
        Routing routing = prepareRouting(*work, order, UnitRanks(order), nullptr);
        const qint32 columns = work->columns, levels = work->levels;
        work.reset();
        const LayoutParameters parameters = route(ui, routing, columns, levels, options, periods);
        {
            TableWriter writer(relLayout);
            for (std::size_t i = 0; i < routing.lines.size(); ++i) setLine(writer, routing.lines[i], routing.relCount[i]);
        }
        routing = {};
        unitLayout.addIndex(PositionsIndex());
        unitLayout.close();
        relLayout.close();
        DeleteWorkingTables(directory);
        if (!WriteLayoutParameters(ui, directory, name, parameters, LayoutStage::Staged)) return fail();
        CommitLayoutFiles(directory, name);
    } catch (...) {
        fail();
        throw;
    }
    return true;
}

void DiscardLayout(const QString& directory, const QString& projectName)
{
    DeleteLayoutTables(directory, projectName, LayoutStage::Staged);
    QFile::remove(LayoutParameterPath(directory, projectName, LayoutStage::Staged));
    DeleteLayoutTables(directory, projectName);
    QFile::remove(LayoutParameterPath(directory, projectName));
    DeleteWorkingTables(directory);
}

bool StorePlacedLayout(UserInterface& ui, const QString& directory, const QString& projectName,
                       const PlacedLayout& layout)
{
    {
        Table unitLayout, relLayout;
        unitLayout.open(directory, UnitLayoutTableName(projectName, LayoutStage::Staged), true);
        relLayout.open(directory, RelLayoutTableName(projectName, LayoutStage::Staged), true);
        {
            TableWriter units(unitLayout), lines(relLayout);
            for (const PlacementUnit& u : layout.units) setUnit(units, u);
            for (const PlacementLine& line : layout.lines)
                setLine(lines, routedLine(line, layout.units[std::size_t(line.first)].key, layout.units[std::size_t(line.second)].key),
                        line.RelCount);
        }
        if (layout.parameters.groups) unitLayout.addIndex(NestCtIndex());
        unitLayout.addIndex(PositionsIndex());
    }
    DeleteWorkingTables(directory);
    if (!WriteLayoutParameters(ui, directory, projectName, layout.parameters, LayoutStage::Staged)) return false;
    CommitLayoutFiles(directory, projectName);
    return true;
}

// --- use coordinates ------------------------------------------------------------------

MeanPoint ContextMeanPoint(Table& unitTable)
{
    MeanPoint mean;
    double sumX = 0.0, sumY = 0.0;
    for (const auto& row : unitTable.query(kContextFilter, {kContext}, kUnitKeyOrder)) {
        const auto x = doubleOf(row.values[uf::XAvgCoord]);
        const auto y = doubleOf(row.values[uf::YAvgCoord]);
        const auto z = doubleOf(row.values[uf::ZAvgCoord]);
        if (!x || !y || !z) continue;
        sumX += *x;
        sumY += *y;
        ++mean.count;
    }
    if (mean.count > 0) {
        mean.x = sumX / mean.count;
        mean.y = sumY / mean.count;
    }
    return mean;
}

void ProjectContextCoordinates(Table& unitTable, int angleDegrees, double meanX, double meanY)
{
    WholeTable all(unitTable);
    const auto rows = unitTable.query(kContextFilter, {kContext}, kUnitKeyOrder);
    std::vector<CoordinatePoint> points;
    points.reserve(rows.size());
    for (const auto& row : rows)
        points.push_back({doubleOf(row.values[uf::XAvgCoord]), doubleOf(row.values[uf::YAvgCoord])});
    const std::vector<qint32> projected = ProjectCoordinates(points, angleDegrees, meanX, meanY);
    BulkScope bulk;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (intOf(rows[i].values[uf::X]) == projected[i]) continue;
        unitTable.gotoRowid(rows[i].rowid);
        unitTable.edit();
        unitTable.set(uf::X, projected[i]);
        unitTable.post();
    }
}

} // namespace belvanto
