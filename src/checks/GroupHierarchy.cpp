#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QHash>
#include <algorithm>

namespace belvanto {

// --- the tree ------------------------------------------------------------------------

void HierarchyTree::clear()
{
    nodes_.clear();
    roots_.clear();
}

int HierarchyTree::add(HierarchyNodeKind kind, const QString& text, int parent, int groupPosition, const UnitKey& unit)
{
    HierarchyNode node;
    node.kind = kind;
    node.text = text;
    node.image = kind == HierarchyNodeKind::Group     ? kGroupImage
                 : kind == HierarchyNodeKind::Context ? kContextImage
                                                      : kPeriodImage;
    node.groupPosition = groupPosition;
    node.unit = unit;
    node.parent = parent;
    const int index = int(nodes_.size());
    nodes_.push_back(std::move(node));
    siblingsOf(parent).push_back(index);
    return index;
}

void HierarchyTree::move(int index, int newParent)
{
    std::vector<int>& old = siblingsOf(nodes_[std::size_t(index)].parent);
    old.erase(std::find(old.begin(), old.end(), index));
    nodes_[std::size_t(index)].parent = newParent;
    siblingsOf(newParent).push_back(index);
}

void HierarchyTree::sort()
{
    auto byText = [this](int a, int b) { return KeyTextLess(nodes_[std::size_t(a)].text, nodes_[std::size_t(b)].text); };
    std::stable_sort(roots_.begin(), roots_.end(), byText);
    for (HierarchyNode& node : nodes_) std::stable_sort(node.children.begin(), node.children.end(), byText);
}

std::vector<int> HierarchyTree::displayOrder() const
{
    std::vector<int> order;
    order.reserve(nodes_.size());
    std::vector<int> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const int index = stack.back();
        stack.pop_back();
        order.push_back(index);
        const auto& children = nodes_[std::size_t(index)].children;
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return order;
}

int HierarchyTree::row(int index) const
{
    const std::vector<int>& siblings = siblingsOf(nodes_[std::size_t(index)].parent);
    return int(std::find(siblings.begin(), siblings.end(), index) - siblings.begin());
}

// --- building --------------------------------------------------------------------------

namespace {

// What the build reads of one unit.
struct HierarchyUnit {
    UnitKey key;
    QString label;
    QString unitClass;
    QString dating;   // the chronology field's value
    qint64 rowid = 0;
};

// The cycle message lists labels until the list has grown beyond this many
// characters; the label that crosses the limit is the last one.
constexpr int kCycleListLimit = 100;

class HierarchyBuilder {
public:
    HierarchyBuilder(Session& session, const HierarchyOptions& options, HierarchyTree& tree, Protocol* protocol)
        : session_(session), options_(options), tree_(tree), protocol_(protocol)
    {
    }

    bool run()
    {
        UserInterface& ui = session_.ui();
        BusyCursor busy(ui);
        StatusScope status(ui);
        tree_.clear();
        status.set(QStringLiteral("Counting number of 'group's"));
        readUnits();
        if (groups_.empty()) {
            report(MessageKind::Warning, QStringLiteral("No groups defined for current project."));
            return false;
        }
        status.set(QStringLiteral("Building hierarchy tree"));
        readPartOf();
        bool ok = addGroups();
        if (ok && options_.includeContexts) ok = addContexts();
        writeGroupDating();
        return ok;
    }

private:
    void report(MessageKind kind, const QString& text)
    {
        if (protocol_) protocol_->add(text);
        else session_.ui().message(kind, text, Buttons::Ok, HelpTopic(kHierarchyHelpContext));
    }

    bool dated() const { return options_.includeContexts && options_.chronology != Chronology::Ignore; }
    int datingField() const { return options_.chronology == Chronology::Phases ? uf::Phase : uf::Period; }
    QString datingName() const { return session_.catalogue()[datingField()].Label; }

    void readUnits()
    {
        const bool single = session_.project().SingleExcavation;
        const int dating = datingField();
        const auto rows = session_.units().query(QString(), {}, kUnitKeyOrder);
        units_.reserve(rows.size());
        unitOf_.reserve(qsizetype(rows.size()));
        for (const auto& row : rows) {
            HierarchyUnit unit;
            unit.key = {valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])};
            unit.label = UnitLabel(unit.key.excavation, unit.key.unitname, single);
            unit.unitClass = valueToString(row.values[uf::Unitclass]);
            unit.dating = valueToString(row.values[std::size_t(dating)]);
            unit.rowid = row.rowid;
            unitOf_.insert(unit.key, int(units_.size()));
            units_.push_back(std::move(unit));
        }
        groupOfUnit_.assign(units_.size(), -1);
        for (int u = 0; u < int(units_.size()); ++u) {
            if (units_[std::size_t(u)].unitClass != kGroup) continue;
            groupOfUnit_[std::size_t(u)] = int(groups_.size());
            groups_.push_back(u);
        }
    }

    // The group list position of a unit named by a relationship, or -1.
    int groupPosition(const UnitKey& key) const
    {
        const auto it = unitOf_.constFind(key);
        return it == unitOf_.cend() ? -1 : groupOfUnit_[std::size_t(*it)];
    }

    // Each group's parent (the last "part of" row to a group wins) and each
    // context's group (the first such row wins).
    void readPartOf()
    {
        parent_.assign(groups_.size(), -1);
        firstGroup_.assign(units_.size(), -1);
        const auto rows = session_.relations().query(QStringLiteral("RelationCat = ?"), {QString(category::PartOf)},
                                                     kRelationKeyOrder);
        for (const auto& row : rows) {
            const UnitKey member{valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1])};
            const auto it = unitOf_.constFind(member);
            if (it == unitOf_.cend()) continue;
            const int container =
                groupPosition({valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])});
            if (container < 0) continue;
            const int u = *it;
            if (groupOfUnit_[std::size_t(u)] >= 0) parent_[std::size_t(groupOfUnit_[std::size_t(u)])] = container;
            else if (firstGroup_[std::size_t(u)] < 0) firstGroup_[std::size_t(u)] = container;
        }
    }

    const HierarchyUnit& groupUnit(int position) const { return units_[std::size_t(groups_[std::size_t(position)])]; }

    bool addGroups()
    {
        const int groupCount = int(groups_.size());
        std::vector<std::vector<int>> members(groups_.size());
        for (int g = 0; g < groupCount; ++g)
            if (parent_[std::size_t(g)] >= 0) members[std::size_t(parent_[std::size_t(g)])].push_back(g);
        nodeOfGroup_.assign(groups_.size(), -1);
        auto addGroup = [&](int g, int parentNode) {
            nodeOfGroup_[std::size_t(g)] =
                tree_.add(HierarchyNodeKind::Group, groupUnit(g).label, parentNode, g, groupUnit(g).key);
        };
        for (int g = 0; g < groupCount; ++g)
            if (parent_[std::size_t(g)] < 0) addGroup(g, -1);
        // Only group nodes exist yet, in the order they were added: walking
        // them in that order is the breadth-first walk.
        for (int n = 0; n < tree_.size(); ++n) {
            for (int g : members[std::size_t(tree_.node(n).groupPosition)]) {
                if (nodeOfGroup_[std::size_t(g)] >= 0) {
                    fail(MessageKind::Error,
                         QStringLiteral("group ") + groupUnit(g).label + QStringLiteral(" is part of a group cycle."));
                    return false;
                }
                addGroup(g, n);
            }
        }
        if (tree_.size() < groupCount) {
            QString list;
            for (int g = 0; g < groupCount && list.size() <= kCycleListLimit; ++g) {
                if (nodeOfGroup_[std::size_t(g)] >= 0) continue;
                if (!list.isEmpty()) list += QStringLiteral(", ");
                list += groupUnit(g).label;
            }
            fail(MessageKind::Error, QStringLiteral("There is a group cycle. Possible cycle members are:\r\n") + list);
            return false;
        }
        return true;
    }

    bool addContexts()
    {
        for (int u = 0; u < int(units_.size()); ++u) {
            const HierarchyUnit& context = units_[std::size_t(u)];
            if (context.unitClass != kContext) continue;
            if (dated() && context.dating.isEmpty()) {
                fail(MessageKind::Error, QStringLiteral("Error: context ") + context.label
                                             + QStringLiteral(" does not belong to a ") + datingName()
                                             + QStringLiteral("."));
                return false;
            }
            const int group = firstGroup_[std::size_t(u)];
            if (group >= 0) {
                tree_.add(HierarchyNodeKind::Context, context.label, nodeOfGroup_[std::size_t(group)], -1, context.key);
                if (dated() && !dateGroups(group, context)) return false;
            } else {
                // An ungrouped context goes straight under its period: the
                // same place as a root moved there as the last child.
                tree_.add(HierarchyNodeKind::Context, context.label, dated() ? periodNode(context.dating) : -1, -1,
                          context.key);
            }
        }
        return true;
    }

    // Gives the groups from the context's group up to its top-level group the
    // context's value, or finds one that has another.
    bool dateGroups(int group, const HierarchyUnit& context)
    {
        for (int g = group;;) {
            const int unit = groups_[std::size_t(g)];
            QString& value = units_[std::size_t(unit)].dating;
            if (value.isEmpty()) {
                value = context.dating;
                datingWrites_.push_back(unit);
            } else if (value != context.dating) {
                fail(MessageKind::Error, QStringLiteral("Error: group ") + groupUnit(g).label
                                             + QStringLiteral(" has different ") + datingName()
                                             + QStringLiteral(" than member ") + context.label + QStringLiteral("."));
                return false;
            }
            const int node = nodeOfGroup_[std::size_t(g)];
            const int up = tree_.node(node).parent;
            if (up >= 0 && tree_.node(up).kind == HierarchyNodeKind::Period) return true;
            if (up < 0) {
                tree_.move(node, periodNode(context.dating));
                return true;
            }
            g = parent_[std::size_t(g)];
        }
    }

    int periodNode(const QString& name)
    {
        const auto it = periodNodes_.constFind(name);
        if (it != periodNodes_.cend()) return *it;
        const int node = tree_.add(HierarchyNodeKind::Period, name, -1);
        periodNodes_.insert(name, node);
        return node;
    }

    void fail(MessageKind kind, const QString& text)
    {
        tree_.clear();
        report(kind, text);
    }

    // The values groups took from their members stay, whether the build
    // succeeds or not; one transaction.
    void writeGroupDating()
    {
        if (datingWrites_.empty()) return;
        Table& table = session_.units();
        BookmarkRestore position(table);
        FilterOff unfiltered(table);
        LinkOff unlinked(table);
        BulkScope bulk;
        for (int unit : datingWrites_) {
            const HierarchyUnit& group = units_[std::size_t(unit)];
            if (!table.gotoRowid(group.rowid)) continue;
            table.edit();
            table.set(datingField(), group.dating);
            table.post();
        }
    }

    Session& session_;
    const HierarchyOptions& options_;
    HierarchyTree& tree_;
    Protocol* protocol_;

    std::vector<HierarchyUnit> units_;        // unit key order
    QHash<UnitKey, int> unitOf_;
    std::vector<int> groupOfUnit_;            // per unit: group list position or -1
    std::vector<int> groups_;                 // the group list: unit indexes
    std::vector<int> parent_;                 // per group: parent group position or -1
    std::vector<int> firstGroup_;             // per unit: the group of a context, or -1
    std::vector<int> nodeOfGroup_;            // per group: its tree node or -1
    QHash<QString, int> periodNodes_;
    std::vector<int> datingWrites_;           // units whose dating value the build set
};

} // namespace

HierarchyOptions CurrentHierarchyOptions(const Session& session)
{
    HierarchyOptions options;
    if (session.hierarchyState == kHierarchyNone) return options;
    options.includeContexts = session.hierarchyState == kHierarchyWithContexts;
    options.chronology = Chronology(std::clamp(session.hierarchyChronology, 0, 2));
    return options;
}

bool BuildGroupHierarchy(Session& session, const HierarchyOptions& options, HierarchyTree& tree, Protocol* protocol)
{
    bool ok = false;
    try {
        ok = HierarchyBuilder(session, options, tree, protocol).run();
    } catch (...) {
        // A table that cannot be read leaves no half-built tree behind.
        tree.clear();
        session.hierarchyState = kHierarchyNone;
        throw;
    }
    if (ok) {
        tree.sort();
        session.hierarchyState = options.includeContexts ? kHierarchyWithContexts : kHierarchyGroups;
        session.hierarchyChronology = int(options.chronology);
    } else {
        tree.clear();
        session.hierarchyState = kHierarchyNone;
    }
    return ok;
}

QString CheckEmptyGroups(const HierarchyTree& tree)
{
    const std::vector<int> order = tree.displayOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const HierarchyNode& node = tree.node(*it);
        if (node.kind == HierarchyNodeKind::Group && node.children.empty())
            return QStringLiteral("Error: group ") + node.text + QStringLiteral(" does not contain any members.");
    }
    return QStringLiteral("No empty group detected.");
}

} // namespace belvanto
