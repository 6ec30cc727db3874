// Properties of the layout with groups on generated projects of 2,000
// contexts in groups nested up to four deep, with and without periods: frames
// around their members and inside their parents, no empty column or level in
// a frame, lines going down, one box per place, period bands, frame lanes,
// and the same stored files for the same seed.
#include "GroupFixture.h"
#include "PlacementFixture.h"
#include "checks/GroupAssignments.h"
#include "checks/GroupHierarchy.h"
#include "checks/PeriodCheck.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "layout/GroupLayout.h"
#include "layout/PlacementRun.h"
#include "layout/RelationGraph.h"
#include "store/LayoutFileNames.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include <QFile>
#include <QHash>
#include <QHashSeed>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>

using namespace belvanto;
using namespace belvanto::testing_support;
using belvanto::testing::TempDir;

namespace {

constexpr int kContexts = 2000;

struct Case {
    quint32 seed;
    int periods;
    int contradictions;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << "seed " << c.seed << ", " << c.periods << " periods, " << c.contradictions << " contradictions";
}

// One generated project laid out in its own directory, as a layout run with
// groups does it: the cycle check and the redundancy test, the period check
// when dated, the group-assignment test, the group hierarchy with contexts
// and its empty-group check, the layout.
struct LaidOut {
    TempDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
    Protocol protocol;
    PeriodList periods;
    // The period list as the period check left it, and its names.
    PeriodList checkedPeriods;
    QStringList periodOrder;
    HierarchyTree tree;
    bool opened = false;
    bool ok = false;

    LaidOut(const GroupProject& project, quint32 seed, bool strict = false)
    {
        const bool dated = !project.periods.isEmpty();
        opened = WriteGroupProject(session, dir.file(QStringLiteral("P.bvp")), project);
        if (!opened) return;
        RelationGraph graph;
        // With groups the period check leaves the levels alone: the group
        // layout levels every group itself.
        const bool levelled = RunLayoutChecks(session, graph, protocol, false).ok()
                              && (!dated || PeriodCheck(session, uf::Period, protocol, false, periods, {}, &graph)
                                                == kPeriodCheckOk);
        FreeRelationGraph(graph);
        if (!levelled) return;
        checkedPeriods = periods;
        for (const Period& p : periods) periodOrder << p.name;
        if (GroupAssignmentTest(session, protocol)) return;
        const HierarchyOptions options{true, dated ? Chronology::Periods : Chronology::Ignore};
        if (!BuildGroupHierarchy(session, options, tree, &protocol)) return;
        if (CheckEmptyGroups(tree) != QStringLiteral("No empty group detected.")) return;
        RandomGenerator random(seed);
        ok = LayoutWithGroups(session, tree, random, dated ? uf::Period : -1, strict, protocol, periods);
    }
    ~LaidOut()
    {
        if (opened) CloseProject(session, true);
    }

    StoredLayout stored() const { return ReadStoredLayout(dir.path(), QStringLiteral("P")); }
    std::string why() const { return protocol.lines().join(QLatin1Char('\n')).toStdString(); }
};

// Collects the violations of one property and reports the first few.
class Findings {
public:
    explicit Findings(const char* property) : property_(property) {}
    ~Findings()
    {
        EXPECT_EQ(count_, 0) << property_ << ", first ones:\n" << shown_.join(QLatin1Char('\n')).toStdString();
    }
    void add(const QString& text)
    {
        if (count_++ < 12) shown_ << text;
    }

private:
    const char* property_;
    int count_ = 0;
    QStringList shown_;
};

bool isBox(const PlacementUnit& u)
{
    return u.Unitclass == kContextRecord || u.Unitclass == kMergedRecord || u.Unitclass == kDummyRecord;
}

// What the stored layout means in terms of the generated project.
class LayoutView {
public:
    LayoutView(const GroupProject& project, const PlacedLayout& layout) : project_(project), layout_(layout)
    {
        for (std::size_t i = 0; i < layout.units.size(); ++i) {
            const PlacementUnit& u = layout.units[i];
            if (u.key.excavation == project.excavation) recordOf_.insert(u.key.unitname, int(i));
        }
        for (std::size_t g = 0; g < project.groups.size(); ++g) groupOf_.insert(project.groups[g].name, int(g));
        for (const GeneratedContext& c : project.contexts) contextGroup_.insert(c.name, c.group);
    }

    // The record of a unit of the project, -1 when there is none.
    int record(const QString& name) const { return recordOf_.value(name, -1); }
    const PlacementUnit& unit(int record) const { return layout_.units[std::size_t(record)]; }
    int groupRecord(int group) const { return record(project_.groups[std::size_t(group)].name); }

    // The group whose layout placed the record (-1: the top level), or -2
    // when the record is nobody's.
    int placedBy(int record) const
    {
        const PlacementUnit& u = unit(record);
        if (u.Unitclass == kDummyRecord) {
            if (u.GUnitname == kRootNodeText && u.GExcavation == project_.excavation) return -1;
            return u.GExcavation == project_.excavation ? groupOf_.value(u.GUnitname, -2) : -2;
        }
        if (u.key.excavation != project_.excavation) return -2;
        if (const auto g = groupOf_.constFind(u.key.unitname); g != groupOf_.cend())
            return project_.groups[std::size_t(*g)].parent;
        return contextGroup_.value(u.key.unitname, -2);
    }

private:
    const GroupProject& project_;
    const PlacedLayout& layout_;
    QHash<QString, int> recordOf_;
    QHash<QString, int> groupOf_;
    QHash<QString, int> contextGroup_;
};

// The record lies inside the group's frame: its columns within the frame's,
// its levels below the group's own level and not below the frame's end.
bool inside(const PlacementUnit& r, const PlacementUnit& g)
{
    return *r.XStart >= *g.XStart && *r.XStop <= *g.XStop && *r.YLevelStart > *g.YLevelStart
           && *r.YLevelStop <= *g.YLevelStop;
}

// Where the group layout takes a record to lie in a frame: its start column
// in the frame's columns, its start level strictly below the group's level
// and not below the frame's end.
bool startsInside(const PlacementUnit& r, const PlacementUnit& g)
{
    return *r.XStart >= *g.XStart && *r.XStart <= *g.XStop && *r.YLevelStart > *g.YLevelStart
           && *r.YLevelStart <= *g.YLevelStop;
}

void CheckProperties(const GroupProject& project, const PlacedLayout& layout)
{
    const LayoutView view(project, layout);
    const qint32 k = layout.parameters.columns;
    const qint32 l = layout.parameters.levels;
    EXPECT_TRUE(layout.parameters.groups);
    ASSERT_GT(k, 1);
    ASSERT_GT(l, 1);

    {
        Findings f("every record placed within K columns and L levels");
        for (const PlacementUnit& u : layout.units) {
            if (!u.XStart || !u.XStop || !u.YLevelStart || !u.YLevelStop || *u.XStart < 1 || *u.XStop < *u.XStart
                || *u.XStop > k || *u.YLevelStart < 1 || *u.YLevelStop < *u.YLevelStart || *u.YLevelStop > l)
                f.add(UnitRow(u));
            else if ((u.Unitclass == kContextRecord || u.Unitclass == kMergedRecord)
                     && (*u.XStart != *u.XStop || *u.YLevelStart != *u.YLevelStop))
                f.add(QStringLiteral("a context wider or higher than one box: ") + UnitRow(u));
        }
    }
    // Records without places make the rest meaningless.
    for (const PlacementUnit& u : layout.units)
        ASSERT_TRUE(u.XStart && u.XStop && u.YLevelStart && u.YLevelStop) << UnitRow(u).toStdString();

    {
        Findings f("every unit once, contexts as C or E, groups as G");
        for (const GeneratedContext& c : project.contexts) {
            const int r = view.record(c.name);
            if (r < 0) f.add(QStringLiteral("context %1 missing").arg(c.name));
            else if (view.unit(r).Unitclass != kContextRecord && view.unit(r).Unitclass != kMergedRecord)
                f.add(UnitRow(view.unit(r)));
        }
        for (const GeneratedGroup& g : project.groups) {
            const int r = view.record(g.name);
            if (r < 0) f.add(QStringLiteral("group %1 missing").arg(g.name));
            else if (view.unit(r).Unitclass != kGroupRecord) f.add(UnitRow(view.unit(r)));
        }
        std::size_t projectRecords = 0;
        for (const PlacementUnit& u : layout.units) projectRecords += u.Unitclass != kDummyRecord;
        if (projectRecords != project.contexts.size() + project.groups.size())
            f.add(QStringLiteral("%1 records besides the dummies for %2 units")
                      .arg(projectRecords)
                      .arg(project.contexts.size() + project.groups.size()));
    }

    // Every record inside the frames of exactly the groups around the group
    // that placed it, and starting inside no other frame.
    std::vector<int> groupRecords;
    for (std::size_t g = 0; g < project.groups.size(); ++g) groupRecords.push_back(view.groupRecord(int(g)));
    for (int r : groupRecords) ASSERT_GE(r, 0);
    {
        Findings f("records inside the frames around them and no others");
        for (std::size_t i = 0; i < layout.units.size(); ++i) {
            const int by = view.placedBy(int(i));
            const PlacementUnit& u = layout.units[i];
            if (by == -2) {
                f.add(QStringLiteral("placed by no group: ") + UnitRow(u));
                continue;
            }
            std::set<int> around;
            for (int g : project.enclosing(by)) {
                around.insert(g);
                const PlacementUnit& frame = layout.units[std::size_t(groupRecords[std::size_t(g)])];
                if (!inside(u, frame)) f.add(UnitRow(u) + QStringLiteral("  outside  ") + UnitRow(frame));
            }
            for (std::size_t g = 0; g < project.groups.size(); ++g) {
                if (around.count(int(g)) || groupRecords[g] == int(i)) continue;
                const PlacementUnit& frame = layout.units[std::size_t(groupRecords[g])];
                if (startsInside(u, frame)) f.add(UnitRow(u) + QStringLiteral("  within  ") + UnitRow(frame));
            }
        }
    }
    std::map<int, std::vector<int>> members;   // group (-1: top level) -> the records its layout placed
    for (std::size_t i = 0; i < layout.units.size(); ++i) members[view.placedBy(int(i))].push_back(int(i));
    {
        // A member's level key is its group's key, "*" and its level in the
        // group's layout, padded to the digits of the group's level count.
        Findings f("level keys");
        for (const auto& [group, records] : members) {
            if (group == -2) continue;
            const QString prefix = group < 0 ? QString() : view.unit(groupRecords[std::size_t(group)]).Clevel + u'*';
            qsizetype width = -1;
            int levels = 0;
            for (int r : records) {
                const QString& key = view.unit(r).Clevel;
                bool number = false;
                const int level = key.mid(prefix.size()).toInt(&number);
                if (!key.startsWith(prefix) || !number || key.indexOf(u'*', prefix.size()) >= 0
                    || (width >= 0 && key.size() - prefix.size() != width)) {
                    f.add(QStringLiteral("key under \"%1\": ").arg(prefix) + UnitRow(view.unit(r)));
                    continue;
                }
                width = key.size() - prefix.size();
                levels = std::max(levels, level);
            }
            if (width >= 0 && QString::number(levels).size() != width)
                f.add(QStringLiteral("keys under \"%1\" %2 digits wide for %3 levels").arg(prefix).arg(width).arg(levels));
        }
    }
    {
        Findings f("frames of sibling groups disjoint");
        std::map<int, std::vector<int>> siblings;
        for (std::size_t g = 0; g < project.groups.size(); ++g)
            siblings[project.groups[g].parent].push_back(groupRecords[g]);
        for (const auto& [parent, records] : siblings)
            for (std::size_t a = 0; a < records.size(); ++a)
                for (std::size_t b = a + 1; b < records.size(); ++b) {
                    const PlacementUnit& x = view.unit(records[a]);
                    const PlacementUnit& y = view.unit(records[b]);
                    if (*x.XStart <= *y.XStop && *y.XStart <= *x.XStop && *x.YLevelStart <= *y.YLevelStop
                        && *y.YLevelStart <= *x.YLevelStop)
                        f.add(UnitRow(x) + QStringLiteral("  overlaps  ") + UnitRow(y));
                }
    }
    {
        // Compaction leaves no column and no level of a frame (of the whole
        // diagram, for the top level) that none of its direct members covers;
        // the group's own level counts as covered.
        Findings f("no empty column or level inside a frame");
        auto check = [&](int group, qint32 x0, qint32 x1, qint32 y0, qint32 y1) {
            std::vector<bool> column(std::size_t(x1 - x0 + 1)), level(std::size_t(y1 - y0 + 1));
            for (int r : members[group]) {
                const PlacementUnit& u = view.unit(r);
                for (qint32 x = std::max(x0, *u.XStart); x <= std::min(x1, *u.XStop); ++x) column[std::size_t(x - x0)] = true;
                for (qint32 y = std::max(y0, *u.YLevelStart); y <= std::min(y1, *u.YLevelStop); ++y) level[std::size_t(y - y0)] = true;
            }
            const QString name = group < 0 ? kRootNodeText : project.groups[std::size_t(group)].name;
            for (std::size_t x = 0; x < column.size(); ++x)
                if (!column[x]) f.add(QStringLiteral("%1: column %2 empty").arg(name).arg(x0 + qint32(x)));
            for (std::size_t y = 0; y < level.size(); ++y)
                if (!level[y]) f.add(QStringLiteral("%1: level %2 empty").arg(name).arg(y0 + qint32(y)));
        };
        check(-1, 1, k, 1, l);
        for (std::size_t g = 0; g < project.groups.size(); ++g) {
            const PlacementUnit& frame = view.unit(groupRecords[g]);
            if (*frame.YLevelStop > *frame.YLevelStart)
                check(int(g), *frame.XStart, *frame.XStop, *frame.YLevelStart + 1, *frame.YLevelStop);
            else
                f.add(QStringLiteral("a frame without levels below its own: ") + UnitRow(frame));
        }
    }
    {
        // NestCt: 1 for a group of contexts only, one more per level of
        // nested groups below; the frame lanes are the largest NestCt of the
        // frames starting or ending there.
        Findings f("NestCt and frame lanes");
        std::vector<qint32> height(project.groups.size(), 1);
        for (std::size_t g = project.groups.size(); g-- > 0;)   // members are made after their group
            if (const int p = project.groups[g].parent; p >= 0)
                height[std::size_t(p)] = std::max(height[std::size_t(p)], height[g] + 1);
        std::vector<qint32> left(std::size_t(k) + 1), right(std::size_t(k) + 1), below(std::size_t(l) + 1);
        for (std::size_t g = 0; g < project.groups.size(); ++g) {
            const PlacementUnit& u = view.unit(groupRecords[g]);
            if (u.NestCt != height[g]) f.add(QStringLiteral("NestCt %1 expected: ").arg(height[g]) + UnitRow(u));
            const qint32 n = u.NestCt.value_or(0);
            left[std::size_t(*u.XStart)] = std::max(left[std::size_t(*u.XStart)], n);
            right[std::size_t(*u.XStop)] = std::max(right[std::size_t(*u.XStop)], n);
            below[std::size_t(*u.YLevelStop)] = std::max(below[std::size_t(*u.YLevelStop)], n);
        }
        for (const PlacementUnit& u : layout.units)
            if (u.Unitclass != kGroupRecord && u.NestCt.value_or(0) != 0) f.add(QStringLiteral("NestCt: ") + UnitRow(u));
        auto compare = [&](const char* name, const std::vector<qint32>& expected, const std::vector<qint32>& actual) {
            for (std::size_t i = 1; i < expected.size(); ++i)
                if (i >= actual.size() || actual[i] != expected[i])
                    f.add(QStringLiteral("%1[%2] = %3, expected %4")
                              .arg(QString::fromLatin1(name))
                              .arg(i)
                              .arg(i < actual.size() ? QString::number(actual[i]) : QStringLiteral("none"))
                              .arg(expected[i]));
        };
        compare("LeftFrameLanes", left, layout.parameters.LeftFrameLanes);
        compare("RightFrameLanes", right, layout.parameters.RightFrameLanes);
        compare("FrameLanesBelow", below, layout.parameters.FrameLanesBelow);
    }
    {
        // A dummy stretched down to a lower neighbour below a deeper member
        // of its group covers every level of its stretch.
        Findings f("no two boxes on one level and column");
        std::map<std::pair<qint32, qint32>, int> at;
        for (std::size_t i = 0; i < layout.units.size(); ++i) {
            const PlacementUnit& u = layout.units[i];
            if (!isBox(u)) continue;
            for (qint32 y = *u.YLevelStart; y <= *u.YLevelStop; ++y) {
                const auto [it, fresh] = at.insert({{y, *u.XStart}, int(i)});
                if (!fresh) f.add(UnitRow(u) + QStringLiteral("  on  ") + UnitRow(view.unit(it->second)));
            }
        }
    }
    {
        // Lines to and from a frame start at its last level and end at its
        // own level, so only the segments below a dummy are known to span
        // exactly one gap.
        Findings f("lines going down, by one level below a dummy");
        for (const PlacementLine& line : layout.lines) {
            if (line.first < 0 || line.second < 0) {
                f.add(QStringLiteral("a line naming a unit without a record"));
                continue;
            }
            const PlacementUnit& lower = view.unit(line.first);
            const PlacementUnit& upper = view.unit(line.second);
            const QString text = lower.key.text() + line.category + upper.key.text();
            if (line.category == QLatin1Char('=')) {
                if (*lower.YLevelStart != *upper.YLevelStart) f.add(QStringLiteral("= across levels: ") + text);
                continue;
            }
            if (line.category != QLatin1Char('<')) {
                f.add(QStringLiteral("category: ") + text);
                continue;
            }
            if (line.YLevel1 != upper.YLevelStop || line.YLevel2 != lower.YLevelStart)
                f.add(QStringLiteral("ends not at the boxes: %1 YLevel1 %2 YLevel2 %3, upper stops at %4, lower starts at %5")
                          .arg(text)
                          .arg(line.YLevel1.value_or(-1))
                          .arg(line.YLevel2.value_or(-1))
                          .arg(*upper.YLevelStop)
                          .arg(*lower.YLevelStart));
            if (*lower.YLevelStart <= *upper.YLevelStop)
                f.add(QStringLiteral("not going down: ") + text);
            else if (upper.Unitclass == kDummyRecord && *lower.YLevelStart != *upper.YLevelStop + 1)
                f.add(QStringLiteral("below a dummy by more than one level: %1 (%2 to %3)")
                          .arg(text)
                          .arg(*upper.YLevelStop)
                          .arg(*lower.YLevelStart));
        }
    }

    {
        // Without the strict option, members whose contexts are related both
        // ways are contemporary: one level in their group's layout.
        Findings f("members related both ways on one level");
        for (const auto& [first, second] : project.membersRelatedBothWays()) {
            const PlacementUnit& x = view.unit(view.record(first));
            const PlacementUnit& y = view.unit(view.record(second));
            if (*x.YLevelStart != *y.YLevelStart || x.Clevel != y.Clevel)
                f.add(UnitRow(x) + QStringLiteral("  and  ") + UnitRow(y));
        }
    }

    if (project.periods.isEmpty()) {
        EXPECT_TRUE(layout.parameters.periods.empty());
        return;
    }
    // The period list as the period check ordered it (latest first) is the
    // generator's order; each period's contexts lie above the next one's,
    // and the later periods start below the earlier ones' contexts.
    const PeriodList& periods = layout.parameters.periods;
    QStringList names;
    for (const Period& p : periods) names << p.name;
    ASSERT_EQ(names, project.periods);
    std::vector<qint32> top(periods.size(), l + 1), bottom(periods.size(), 0);
    for (const GeneratedContext& c : project.contexts) {
        const PlacementUnit& u = view.unit(view.record(c.name));
        top[std::size_t(c.period)] = std::min(top[std::size_t(c.period)], *u.YLevelStart);
        bottom[std::size_t(c.period)] = std::max(bottom[std::size_t(c.period)], *u.YLevelStop);
    }
    // A period starts on the first level of its top-level members.
    std::vector<int> periodOfGroup(project.groups.size(), -1);
    for (const GeneratedContext& c : project.contexts)
        for (int g : project.enclosing(c.group)) periodOfGroup[std::size_t(g)] = c.period;
    std::vector<qint32> start(periods.size(), l + 1);
    for (const GeneratedContext& c : project.contexts)
        if (c.group < 0) {
            qint32& first = start[std::size_t(c.period)];
            first = std::min(first, *view.unit(view.record(c.name)).YLevelStart);
        }
    for (std::size_t g = 0; g < project.groups.size(); ++g)
        if (project.groups[g].parent < 0) {
            qint32& first = start[std::size_t(periodOfGroup[g])];
            first = std::min(first, *view.unit(groupRecords[g]).YLevelStart);
        }
    Findings f("periods in bands, latest first");
    for (std::size_t p = 0; p < periods.size(); ++p) {
        if (periods[p].position != start[p])
            f.add(QStringLiteral("%1 starts at %2, its first top-level member at %3")
                      .arg(periods[p].name)
                      .arg(periods[p].position)
                      .arg(start[p]));
        if (p == 0) continue;
        if (bottom[p - 1] >= top[p])
            f.add(QStringLiteral("%1 (levels %2-%3) not above %4 (levels %5-%6)")
                      .arg(periods[p - 1].name)
                      .arg(top[p - 1])
                      .arg(bottom[p - 1])
                      .arg(periods[p].name)
                      .arg(top[p])
                      .arg(bottom[p]));
        // The dividing line above a later period has a track of its own.
        const std::vector<qint32>& tracks = layout.parameters.TrackCount;
        const std::size_t gap = std::size_t(periods[p].position - 1);
        if (gap < 1 || gap >= tracks.size() || tracks[gap] < 1)
            f.add(QStringLiteral("no track above %1 at level %2").arg(periods[p].name).arg(periods[p].position));
    }
}

class GroupLayoutProperties : public ::testing::TestWithParam<Case> {};

TEST_P(GroupLayoutProperties, HoldOnAGeneratedProject)
{
    const Case c = GetParam();
    const GroupProject project = GenerateGroupProject({kContexts, c.periods, c.contradictions}, c.seed);
    if (c.contradictions > 0) {
        ASSERT_TRUE(std::any_of(project.relations.begin(), project.relations.end(),
                                [](const GeneratedRelation& r) { return r.backward; }));
    }
    const quint32 layoutSeed = c.seed * 7919u + 1u;
    // Each run with another hash seed: an order taken from a hash table
    // would show as different files.
    QHashSeed::setDeterministicGlobalSeed();
    StoredLayout first;
    {
        LaidOut run(project, layoutSeed);
        EXPECT_EQ(run.periodOrder, project.periods);
        ASSERT_TRUE(run.ok) << run.why();
        first = run.stored();
        ASSERT_TRUE(first.parametersRead) << "the parameter file is missing or unreadable";

        // The layout in memory, as a contracted diagram is laid out again,
        // gives what the tables hold.
        PeriodList periods = run.checkedPeriods;
        RandomGenerator random(layoutSeed);
        Protocol protocol;
        GroupLayoutOptions options;
        options.dated = !project.periods.isEmpty();
        const auto inMemory =
            LayoutWithGroups(run.ui, ReadGroupLayoutInput(run.session, run.tree, options.dated ? uf::Period : -1),
                             random, options, protocol, periods);
        ASSERT_TRUE(inMemory) << protocol.lines().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(UnitRows(*inMemory), UnitRows(first.layout));
        EXPECT_EQ(LineRows(*inMemory), LineRows(first.layout));
        EXPECT_EQ(inMemory->parameters, first.layout.parameters);
    }
    CheckProperties(project, first.layout);

    // The same project and seed in another directory: the same files.
    QHashSeed::resetRandomGlobalSeed();
    LaidOut again(project, layoutSeed);
    ASSERT_TRUE(again.ok) << again.why();
    const StoredLayout second = again.stored();
    EXPECT_EQ(second.unitRecords, first.unitRecords);
    EXPECT_EQ(second.lineRecords, first.lineRecords);
    EXPECT_EQ(second.parameterBytes, first.parameterBytes);
}

INSTANTIATE_TEST_SUITE_P(Seeds, GroupLayoutProperties,
                         ::testing::Values(Case{1u, 0, 0}, Case{2u, 0, 30}, Case{3u, 5, 30}, Case{4u, 8, 0}));

// The strict option changes nothing where no members are related both
// ways, and otherwise ends the layout at a pair that is, storing nothing.
TEST(GroupLayoutStrict, FailsOnMembersRelatedBothWaysAndOnlyThere)
{
    const GroupProject consistent = GenerateGroupProject({kContexts, 5, 0}, 5u);
    StoredLayout lenient;
    {
        LaidOut run(consistent, 17u);
        ASSERT_TRUE(run.ok) << run.why();
        lenient = run.stored();
    }
    {
        LaidOut strict(consistent, 17u, true);
        ASSERT_TRUE(strict.ok) << strict.why();
        const StoredLayout stored = strict.stored();
        EXPECT_EQ(stored.unitRecords, lenient.unitRecords);
        EXPECT_EQ(stored.lineRecords, lenient.lineRecords);
        EXPECT_EQ(stored.parameterBytes, lenient.parameterBytes);
    }

    const GroupProject contradicting = GenerateGroupProject({kContexts, 5, 30}, 6u);
    LaidOut strict(contradicting, 17u, true);
    EXPECT_FALSE(strict.ok);
    const QStringList& lines = strict.protocol.lines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[lines.size() - 3], QString());
    EXPECT_EQ(lines[lines.size() - 2], kGroupConflictHeading);
    QStringList expected;
    for (const auto& [first, second] : contradicting.membersRelatedBothWays()) {
        expected << QStringLiteral("Groups with contradicting relationships: E:%1 and E:%2.").arg(first, second)
                 << QStringLiteral("Groups with contradicting relationships: E:%1 and E:%2.").arg(second, first);
    }
    EXPECT_TRUE(expected.contains(lines.back())) << lines.back().toStdString();
    for (const QString& path : LayoutFilePaths(strict.dir.path(), QStringLiteral("P")))
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
}

// The generator itself: what the properties rely on.
TEST(GroupProjectGenerator, IsDeterministicAndNestsUpToFourDeep)
{
    const GroupProject a = GenerateGroupProject({kContexts, 5, 30}, 11u);
    const GroupProject b = GenerateGroupProject({kContexts, 5, 30}, 11u);
    ASSERT_EQ(a.contexts.size(), std::size_t(kContexts));
    ASSERT_EQ(a.groups.size(), b.groups.size());
    for (std::size_t i = 0; i < a.contexts.size(); ++i) {
        EXPECT_EQ(a.contexts[i].name, b.contexts[i].name);
        EXPECT_EQ(a.contexts[i].group, b.contexts[i].group);
        EXPECT_EQ(a.contexts[i].period, b.contexts[i].period);
    }
    ASSERT_EQ(a.relations.size(), b.relations.size());
    EXPECT_EQ(a.periods, b.periods);
    EXPECT_EQ(a.periods.size(), 5);

    int deepest = 0;
    std::vector<int> contexts(a.groups.size()), subgroups(a.groups.size());
    for (const GeneratedGroup& g : a.groups) {
        deepest = std::max(deepest, g.depth);
        if (g.parent >= 0) ++subgroups[std::size_t(g.parent)];
    }
    for (const GeneratedContext& c : a.contexts)
        if (c.group >= 0) ++contexts[std::size_t(c.group)];
    EXPECT_EQ(deepest, 4);
    bool onlyMemberGroup = false;
    for (std::size_t g = 0; g < a.groups.size(); ++g) {
        EXPECT_GT(contexts[g] + subgroups[g], 0) << "empty group " << a.groups[g].name.toStdString();
        onlyMemberGroup = onlyMemberGroup || (contexts[g] == 0 && subgroups[g] == 1);
    }
    EXPECT_TRUE(onlyMemberGroup);
    int equal = 0, contemporary = 0, backward = 0;
    for (const GeneratedRelation& r : a.relations) {
        equal += r.code == QLatin1Char('=');
        contemporary += r.code == QLatin1Char('-');
        backward += r.backward;
        const GeneratedContext& first = a.contexts[std::size_t(r.first)];
        const GeneratedContext& second = a.contexts[std::size_t(r.second)];
        if (r.code != QLatin1Char('<')) {
            EXPECT_EQ(first.group, second.group);
            EXPECT_EQ(first.layer, second.layer);
        } else {
            // Earlier contexts never belong to a later period, and lie lower
            // unless they were made to contradict their group's order.
            if (!r.backward) {
                EXPECT_GT(first.layer, second.layer);
            }
            EXPECT_GE(first.period, second.period);
        }
    }
    EXPECT_GT(equal, 0);
    EXPECT_GT(contemporary, 0);
    EXPECT_GT(backward, 10);
}

} // namespace
