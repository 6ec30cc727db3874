#include "diagram/Contraction.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "layout/LayoutFiles.h"
#include "layout/RunOptions.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QSet>
#include <algorithm>

namespace belvanto {

namespace {

UnitKey keyOfText(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    return {text.left(colon), text.mid(colon + 1)};
}

qint32 orZero(const OptionalInt& v) { return v.value_or(0); }

} // namespace

std::optional<QString> CheckMarkedGroups(const std::vector<UnitRecord>& units, const QStringList& marked)
{
    for (const QString& name : marked) {
        const UnitKey key = keyOfText(name);
        const auto it = std::find_if(units.begin(), units.end(), [&](const UnitRecord& u) {
            return u.Excavation == key.excavation && u.Unitname == key.unitname;
        });
        if (it == units.end()) return QStringLiteral("Unit ") + name + QStringLiteral(" is not in the diagram.");
        if (it->Unitclass != kGroupRecord) return QStringLiteral("Unit ") + name + QStringLiteral(" is not a group.");
    }
    return std::nullopt;
}

HierarchyTree ContractTree(const HierarchyTree& tree, const QStringList& marked,
                           std::unordered_map<UnitKey, UnitKey>& hiddenIn)
{
    QSet<QString> markedSet(marked.begin(), marked.end());
    HierarchyTree out;
    // Copies a node below `parent`; inside a contracted group (`group` set)
    // nothing is copied, the node is only remembered as hidden.
    auto copy = [&](auto& self, int index, int parent, const UnitKey* group) -> void {
        const HierarchyNode& n = tree.node(index);
        if (group) {
            hiddenIn[n.unit] = *group;
            for (int c : n.children) self(self, c, -1, group);
            return;
        }
        if (n.kind == HierarchyNodeKind::Group && markedSet.contains(n.unit.text())) {
            out.add(HierarchyNodeKind::Context, n.text, parent, -1, n.unit);
            for (int c : n.children) self(self, c, -1, &n.unit);
            return;
        }
        const int added = out.add(n.kind, n.text, parent, n.groupPosition, n.unit);
        for (int c : n.children) self(self, c, added, nullptr);
    };
    for (int root : tree.roots()) copy(copy, root, -1, nullptr);
    return out;
}

std::vector<GraphRelation> ContractRelations(const std::vector<GraphRelation>& relations,
                                             const std::unordered_map<UnitKey, UnitKey>& hiddenIn)
{
    auto shown = [&](const UnitKey& key) {
        const auto it = hiddenIn.find(key);
        return it == hiddenIn.end() ? key : it->second;
    };
    std::vector<GraphRelation> out;
    out.reserve(relations.size());
    for (const GraphRelation& r : relations) {
        GraphRelation c{shown(r.first), shown(r.second), r.category};
        if (c.first == c.second) continue;
        const bool moved = !(c.first == r.first) || !(c.second == r.second);
        if (moved && c.category == category::Equal) c.category = category::Contemporary;
        out.push_back(std::move(c));
    }
    auto order = [](const GraphRelation& a, const GraphRelation& b) {
        if (const auto c = a.first <=> b.first; c != 0) return c < 0;
        if (const auto c = a.second <=> b.second; c != 0) return c < 0;
        return a.category < b.category;
    };
    std::stable_sort(out.begin(), out.end(), order);
    out.erase(std::unique(out.begin(), out.end(),
                          [](const GraphRelation& a, const GraphRelation& b) {
                              return a.first == b.first && a.second == b.second && a.category == b.category;
                          }),
              out.end());
    return out;
}

bool TopLevelPeriodStarts(Session& session, UserInterface& ui, PeriodList& periods)
{
    if (periods.size() < 2) return true;
    const ProjectState& project = session.project();
    Table layout;
    layout.open(project.ProjectDirectory, project.ProjectName + kUnitLayoutSuffix);
    for (std::size_t p = 1; p < periods.size(); ++p) {
        std::optional<qint32> start;
        for (const auto& row : layout.query(QStringLiteral("YLevelStart = ?"), {periods[p].position}, QStringLiteral("XStart"))) {
            const QString key = textAt(row, ul::Clevel);
            if (key.contains(QLatin1Char('*'))) continue;
            bool ok = false;
            const qint32 level = key.toInt(&ok);
            if (ok) start = level;
            break;
        }
        if (!start) {
            ui.error(kPeriodLinesMessage);
            periods.clear();
            return false;
        }
        periods[p].position = *start;
    }
    return true;
}

LayoutSnapshot SnapshotOfPlacedLayout(const PlacedLayout& layout)
{
    LayoutSnapshot s;
    s.parameters = layout.parameters;
    s.units.reserve(layout.units.size());
    for (const PlacementUnit& p : layout.units) {
        UnitRecord u;
        u.Excavation = p.key.excavation;
        u.Unitname = p.key.unitname;
        u.XStart = orZero(p.XStart);
        u.XStop = orZero(p.XStop);
        u.YLevelStart = orZero(p.YLevelStart);
        u.YLevelStop = orZero(p.YLevelStop);
        u.NestCt = orZero(p.NestCt);
        u.Colour = p.Colour;
        u.BoxStyle = p.BoxStyle;
        u.ThemColour = p.ThemColour;
        u.ThemBoxStyle = p.ThemBoxStyle;
        u.Unitclass = p.Unitclass;
        s.units.push_back(std::move(u));
    }
    SortForPainting(s.units, layout.parameters.groups);
    s.relations.reserve(layout.lines.size());
    for (const PlacementLine& line : layout.lines) {
        RelRecord r;
        const UnitKey& first = layout.units[std::size_t(line.first)].key;
        const UnitKey& second = layout.units[std::size_t(line.second)].key;
        r.Excavation1 = first.excavation;
        r.Unitname1 = first.unitname;
        r.Excavation2 = second.excavation;
        r.Unitname2 = second.unitname;
        r.YSubLevel = orZero(line.YSubLevel);
        r.YLevel1 = orZero(line.YLevel1);
        r.YLevel2 = orZero(line.YLevel2);
        r.XPos1 = orZero(line.XPos1);
        r.XPos2 = orZero(line.XPos2);
        r.NestCt2 = orZero(line.NestCt2);
        r.RelationCat = QString(line.category);
        r.Port1 = orZero(line.Port1);
        r.Port2 = orZero(line.Port2);
        s.relations.push_back(std::move(r));
    }
    std::stable_sort(s.relations.begin(), s.relations.end(), [](const RelRecord& a, const RelRecord& b) {
        const UnitKey a1{a.Excavation1, a.Unitname1}, b1{b.Excavation1, b.Unitname1};
        if (const auto c = a1 <=> b1; c != 0) return c < 0;
        return UnitKey{a.Excavation2, a.Unitname2} < UnitKey{b.Excavation2, b.Unitname2};
    });
    return s;
}

std::optional<LayoutSnapshot> ContractGroups(Session& session, const LayoutSnapshot& full, const QStringList& marked,
                                             Protocol& protocol)
{
    UserInterface& ui = session.ui();
    if (marked.isEmpty()) {
        ui.warning(kNothingMarkedMessage, kNothingMarkedHelp);
        return std::nullopt;
    }
    BusyCursor busy(ui);
    PeriodList periods = full.parameters.periods;
    TopLevelPeriodStarts(session, ui, periods);
    const bool dated = !periods.empty();
    int datingField = -1;
    HierarchyOptions hierarchy;
    if (dated) {
        const bool phases = PresetRunOptions(session)[RunControl::Phases];
        datingField = phases ? uf::Phase : uf::Period;
        hierarchy.chronology = phases ? Chronology::Phases : Chronology::Periods;
    }
    HierarchyTree tree;
    if (!BuildGroupHierarchy(session, hierarchy, tree, &protocol)) return std::nullopt;
    std::unordered_map<UnitKey, UnitKey> hiddenIn;
    GroupLayoutInput input = ReadGroupLayoutInput(session, ContractTree(tree, marked, hiddenIn), datingField);
    input.relations = ContractRelations(input.relations, hiddenIn);
    for (Period& p : periods) p.count = 0;
    RandomGenerator random(SeedOf(kDefaultSeedText));
    GroupLayoutOptions options;
    options.dated = dated;
    const std::optional<PlacedLayout> placed = LayoutWithGroups(ui, input, random, options, protocol, periods);
    if (!placed) return std::nullopt;
    return SnapshotOfPlacedLayout(*placed);
}

} // namespace belvanto
