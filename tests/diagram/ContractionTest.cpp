// Contraction of groups over a stored group layout, and the interaction
// helpers of the diagram window that need no window.
#include "DiagramFixture.h"
#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "diagram/Contraction.h"
#include "diagram/Interaction.h"
#include "diagram/StoredLayout.h"
#include "editing/AddRelationship.h"
#include "layout/GroupLayout.h"
#include "layout/LayoutFiles.h"
#include "store/ProjectFixture.h"
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

// Groups G (a < b) and H (c < d) and a context e above b; H's d is later
// than G's b, so the two frames stand one above the other.
class Contraction : public ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* u : {"G", "H"}) addUnit("A", u, kGroup);
        for (const char* u : {"a", "b", "c", "d", "e"}) addUnit("A", u);
        relate("a", u'<', "b");
        relate("c", u'<', "d");
        relate("b", u'<', "e");
        relate("b", u'<', "c");
        for (const char* u : {"a", "b"}) relate(u, u'p', "G");
        for (const char* u : {"c", "d"}) relate(u, u'p', "H");
        HierarchyTree tree;
        ASSERT_TRUE(BuildGroupHierarchy(session, {}, tree, &protocol));
        RandomGenerator random(932216981u);
        PeriodList periods;
        ASSERT_TRUE(LayoutWithGroups(session, tree, random, -1, false, protocol, periods));
        auto stored = ReadStoredLayout(session, true);
        ASSERT_TRUE(stored);
        full = std::move(*stored);
    }

    void relate(const char* first, char16_t code, const char* second)
    {
        ASSERT_EQ(AddRelationship(session, {"A", first}, {"A", second}, QChar(code), QString(), level::Silent),
                  AddResult::Stored);
    }

    // The bytes of the stored layout: both tables and the parameter file.
    QList<QByteArray> storedBytes()
    {
        return {readAll(Table::pathOf(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix)),
                readAll(Table::pathOf(dir.path(), QStringLiteral("P") + kRelLayoutSuffix)),
                readAll(LayoutParameterPath(dir.path(), QStringLiteral("P")))};
    }

    static const UnitRecord* unit(const LayoutSnapshot& s, const char* name)
    {
        for (const UnitRecord& u : s.units)
            if (u.Unitname == QLatin1String(name)) return &u;
        return nullptr;
    }

    Protocol protocol;
    LayoutSnapshot full;
};

TEST_F(Contraction, AGroupBecomesOneBoxCarryingItsMembersRelationships)
{
    const QList<QByteArray> before = storedBytes();
    ASSERT_FALSE(before[0].isEmpty());
    const auto contracted = ContractGroups(session, full, {QStringLiteral("A:G")}, protocol);
    ASSERT_TRUE(contracted) << protocol.lines().join(u'\n').toStdString();
    EXPECT_EQ(ui.busyDepth(), 0);

    const UnitRecord* g = unit(*contracted, "G");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Unitclass, kContextRecord);
    EXPECT_EQ(g->XStart, g->XStop);
    EXPECT_EQ(g->YLevelStart, g->YLevelStop);
    EXPECT_FALSE(unit(*contracted, "a"));
    EXPECT_FALSE(unit(*contracted, "b"));
    ASSERT_TRUE(unit(*contracted, "H"));
    EXPECT_EQ(unit(*contracted, "H")->Unitclass, kGroupRecord);
    EXPECT_TRUE(unit(*contracted, "c"));

    // b's relationships (to e and, through H, to c) end at G's box.
    auto linked = [&](const char* other) {
        return std::any_of(contracted->relations.begin(), contracted->relations.end(), [&](const RelRecord& r) {
            return (r.Unitname1 == u"G" && r.Unitname2 == QLatin1String(other))
                   || (r.Unitname2 == u"G" && r.Unitname1 == QLatin1String(other));
        });
    };
    EXPECT_TRUE(linked("e"));
    EXPECT_TRUE(linked("H"));
    for (const RelRecord& r : contracted->relations) {
        EXPECT_NE(r.Unitname1, u"a");
        EXPECT_NE(r.Unitname1, u"b");
        EXPECT_NE(r.Unitname2, u"a");
        EXPECT_NE(r.Unitname2, u"b");
    }

    // The stored layout is untouched, so restoring reads it back as it was.
    EXPECT_EQ(storedBytes(), before);
    const auto restored = ReadStoredLayout(session, true);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->units, full.units);
    EXPECT_EQ(restored->relations, full.relations);
    EXPECT_EQ(restored->parameters, full.parameters);
}

TEST_F(Contraction, AllTopLevelGroupsContractToContexts)
{
    const QStringList top = TopLevelGroups(full.units);
    EXPECT_EQ(top, (QStringList{QStringLiteral("A:G"), QStringLiteral("A:H")}));
    const auto contracted = ContractGroups(session, full, top, protocol);
    ASSERT_TRUE(contracted);
    EXPECT_FALSE(HasGroups(contracted->units));
    EXPECT_FALSE(contracted->parameters.groups && contracted->parameters.LeftFrameLanes.empty());
}

TEST_F(Contraction, NothingMarkedOnlyWarns)
{
    ui.expectWarning(kNothingMarkedMessage, kNothingMarkedHelp);
    EXPECT_FALSE(ContractGroups(session, full, {}, protocol));
    ui.verifyDone();
}

TEST_F(Contraction, MarkedNamesMustBeGroups)
{
    EXPECT_EQ(CheckMarkedGroups(full.units, {QStringLiteral("A:G")}), std::nullopt);
    EXPECT_EQ(CheckMarkedGroups(full.units, {QStringLiteral("A:a")}), QStringLiteral("Unit A:a is not a group."));
    EXPECT_EQ(CheckMarkedGroups(full.units, {QStringLiteral("A:Z")}), QStringLiteral("Unit A:Z is not in the diagram."));
}

TEST_F(Contraction, ColourAndStyleGoToTheLayoutRecordAndTheUnit)
{
    UnitRecord g = *unit(full, "G");
    EXPECT_TRUE(StoreBoxColour(session, g, 255));
    UnitRecord a = *unit(full, "a");
    EXPECT_FALSE(StoreBoxStyle(session, a, 7));
    const auto stored = ReadStoredLayout(session, true);
    EXPECT_EQ(unit(*stored, "G")->Colour, 255);
    EXPECT_EQ(unit(*stored, "a")->BoxStyle, 7);
    const auto rows = session.units().query(QStringLiteral("Unitname IN ('G', 'a')"), {}, QStringLiteral("Unitname"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(intOf(rows[0].values[uf::DisplayColour]), 255);
    EXPECT_EQ(intOf(rows[1].values[uf::DispStyle]), 7);
}

TEST_F(Contraction, UnitInformationListsFilledFieldsAndRelationships)
{
    const auto info = ReadUnitInformation(session, QStringLiteral("A"), QStringLiteral("b"));
    ASSERT_TRUE(std::holds_alternative<UnitInformation>(info));
    const auto& i = std::get<UnitInformation>(info);
    ASSERT_GE(i.rows.size(), 3u);
    EXPECT_EQ(i.rows[0], (std::pair{QStringLiteral("Excavation"), QStringLiteral("A")}));
    EXPECT_EQ(i.rows[1], (std::pair{QStringLiteral("Unit name"), QStringLiteral("b")}));
    EXPECT_TRUE(i.relations.contains(QStringLiteral("> A:a")));
    EXPECT_TRUE(i.relations.contains(QStringLiteral("< A:e")));
    EXPECT_TRUE(i.relations.contains(QStringLiteral("p A:G")));
    EXPECT_EQ(std::get<QString>(ReadUnitInformation(session, QStringLiteral("A"), QStringLiteral("zz"))),
              QStringLiteral("Unit A:zz not found."));
}

// --- the tree and the relationships -------------------------------------------------

TEST(ContractionTree, MarkedGroupsStandAsContextsAndTheirMembersMoveToThem)
{
    HierarchyTree tree;
    const int u = tree.add(HierarchyNodeKind::Group, QStringLiteral("U"), -1, 0, {"E", "U"});
    const int g = tree.add(HierarchyNodeKind::Group, QStringLiteral("G"), u, 1, {"E", "G"});
    tree.add(HierarchyNodeKind::Context, QStringLiteral("a"), g, -1, {"E", "a"});
    const int h = tree.add(HierarchyNodeKind::Group, QStringLiteral("H"), g, 2, {"E", "H"});
    tree.add(HierarchyNodeKind::Context, QStringLiteral("b"), h, -1, {"E", "b"});
    tree.add(HierarchyNodeKind::Context, QStringLiteral("c"), u, -1, {"E", "c"});
    std::unordered_map<UnitKey, UnitKey> hidden;
    // H lies inside G: hidden with it.
    const HierarchyTree out = ContractTree(tree, {QStringLiteral("E:G"), QStringLiteral("E:H")}, hidden);
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(out.node(1).kind, HierarchyNodeKind::Context);
    EXPECT_TRUE(out.node(1).children.empty());
    EXPECT_EQ(hidden.size(), 3u);
    EXPECT_EQ(hidden.at({"E", "b"}), (UnitKey{"E", "G"}));

    const std::vector<GraphRelation> rows{{{"E", "a"}, {"E", "b"}, u'<'},
                                          {{"E", "a"}, {"E", "c"}, u'<'},
                                          {{"E", "b"}, {"E", "c"}, u'<'},
                                          {{"E", "b"}, {"E", "x"}, u'='},
                                          {{"E", "c"}, {"E", "a"}, u'>'}};
    const std::vector<GraphRelation> moved = ContractRelations(rows, hidden);
    // Key order: "G" sorts before "c" by code point.
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved[0].first, (UnitKey{"E", "G"}));
    EXPECT_EQ(moved[0].second, (UnitKey{"E", "c"}));
    EXPECT_EQ(moved[0].category, QChar(u'<'));
    EXPECT_EQ(moved[1].second, (UnitKey{"E", "x"}));
    EXPECT_EQ(moved[1].category, QChar(u'-'));
    EXPECT_EQ(moved[2].first, (UnitKey{"E", "c"}));
    EXPECT_EQ(moved[2].second, (UnitKey{"E", "G"}));
}

} // namespace
