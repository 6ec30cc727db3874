// The component check over stored tables: its labels and protocol lines in
// both report modes, the question and its answers, and the projects it
// stores.
#include "checks/ComponentsFixture.h"
#include "core/Random.h"
#include <QLockFile>
#include <map>
#include <numeric>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

QString componentLine(int component, int size)
{
    return QStringLiteral("Component %1 consists of %2 connected contexts.").arg(component).arg(size);
}

struct LineCase {
    const char* name;
    const char* contexts;
    const char* groups;
    const char* relations;
    ReportMode mode;
    int components;   // the question comes with 2 or more; it is answered No
    QStringList lines;
    const char* labels;
};

class ComponentLines : public ComponentsFixture, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ComponentLines, LabelsAndProtocol)
{
    const LineCase& c = GetParam();
    project(c.contexts, c.groups, c.relations);
    // Labels of an earlier run go, also on units the check does not label.
    {
        BulkScope bulk;
        Table& t = session.units();
        for (t.first(); !t.eof(); t.next()) {
            t.edit();
            t.set(uf::Group, 9);
            t.post();
        }
    }
    if (c.components > 1) expectQuestion(c.components, Answer::No);
    EXPECT_TRUE(check(c.mode));
    EXPECT_EQ(protocol.lines(), c.lines);
    EXPECT_EQ(groups(), QString::fromLatin1(c.labels));
    EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(QLatin1Char(' ')).toStdString();
}

const auto detailed = ReportMode::Detailed;
const auto summary = ReportMode::Summary;

INSTANTIATE_TEST_SUITE_P(
    Cases, ComponentLines,
    ::testing::Values(
        LineCase{"TwoComponentsDetailed", "A B D E", "", "A<B D=E", detailed, 2,
                 {componentLine(1, 2), componentLine(2, 2), ""}, "A=2 B=2 D=3 E=3"},
        LineCase{"TwoComponentsShort", "A B D E", "", "A<B D=E", summary, 2,
                 {"2 components of connected contexts found.", ""}, "A=2 B=2 D=3 E=3"},
        // The first component's line waits for the second component, after
        // the single context met in between.
        LineCase{"OrderingTrap", "A B C D E", "", "A<B D=E", detailed, 2,
                 {"Unconnected context C", componentLine(1, 2), componentLine(2, 2), ""}, "A=2 B=2 C=1 D=3 E=3"},
        LineCase{"OrderingTrapShort", "A B C D E", "", "A<B D=E", summary, 2,
                 {"2 components of connected contexts found.", "1 unconnected single contexts found.", ""},
                 "A=2 B=2 C=1 D=3 E=3"},
        LineCase{"SizesOnTheirLines", "A B C D E", "", "A<B B<C D-E", detailed, 2,
                 {componentLine(1, 3), componentLine(2, 2), ""}, "A=2 B=2 C=2 D=3 E=3"},
        LineCase{"ThreeComponents", "A B C D E F", "", "A<B C-D E=F", detailed, 3,
                 {componentLine(1, 2), componentLine(2, 2), componentLine(3, 2), ""}, "A=2 B=2 C=3 D=3 E=4 F=4"},
        LineCase{"ThreeComponentsShort", "A B C D E F", "", "A<B C-D E=F", summary, 3,
                 {"3 components of connected contexts found.", ""}, "A=2 B=2 C=3 D=3 E=4 F=4"},
        LineCase{"OneComponentTwoSinglesShort", "A B C X Y", "", "A<B B-C", summary, 1,
                 {"2 unconnected single contexts found.", ""}, "A=2 B=2 C=2 X=1 Y=1"},
        LineCase{"OneComponentTwoSinglesDetailed", "A B C X Y", "", "A<B B-C", detailed, 1,
                 {"Unconnected context X", "Unconnected context Y", ""}, "A=2 B=2 C=2 X=1 Y=1"},
        LineCase{"AllConnectedDetailed", "A B C", "", "A<B B=C", detailed, 1, {"All contexts are connected.", ""},
                 "A=2 B=2 C=2"},
        LineCase{"AllConnectedShort", "A B C", "", "A<B B=C", summary, 1, {"All contexts are connected.", ""},
                 "A=2 B=2 C=2"},
        LineCase{"OnlyGroups", "", "G H", "G p H", detailed, 0, {""}, "G=0 H=0"},
        LineCase{"OnlyGroupsShort", "", "G H", "G p H", summary, 0, {""}, "G=0 H=0"},
        LineCase{"EmptyProject", "", "", "", detailed, 0, {""}, ""},
        // "Part of" never connects.
        LineCase{"OnlyAPartOfRow", "A B C", "G", "A<B C p G", detailed, 1, {"Unconnected context C", ""},
                 "A=2 B=2 C=1 G=0"},
        LineCase{"SharingAGroupOnly", "A B", "G", "A p G B p G", detailed, 0,
                 {"Unconnected context A", "Unconnected context B", ""}, "A=1 B=1 G=0"},
        // A row stored on one side only: the later key's row reaches the
        // earlier unit only if that was not labelled single already.
        LineCase{"OneSidedRowFromTheFirst", "A B", "", "A<B!", detailed, 1, {"All contexts are connected.", ""},
                 "A=2 B=2"},
        LineCase{"OneSidedRowFromTheLast", "A B", "", "B<A!", detailed, 1, {"Unconnected context A", ""}, "A=1 B=2"},
        // A unit reached through a connecting row is labelled and counted,
        // whatever its class.
        LineCase{"GroupReachedByAnEarlierRow", "A B", "G", "A<G!", detailed, 1, {"Unconnected context B", ""},
                 "A=2 B=1 G=2"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

class MultiExcavationComponents : public ComponentsFixture {
protected:
    bool singleExcavation() const override { return false; }
};

// The components of random projects whose relationships are stored on both
// sides, against a union of sets over the stored rows, numbered in the order
// the unit table's own key order meets them. Names mix letter cases, digits
// and accents and two excavations, so that the check's own order of keys
// has to agree with the table's.
TEST_F(MultiExcavationComponents, LabelsAgreeWithAUnionOfSetsOnRandomProjects)
{
    const QStringList names{"a", "B", "b", "10", "9", "Z1", "\u00e4", "\u00c4x", "_", "zz", "A1", "a0", "~", "Q"};
    RandomGenerator random(1234567u);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        session.units().empty();
        session.relations().empty();
        std::vector<UnitKey> keys;
        {
            BulkScope bulk;
            for (const QString& excavation : {QStringLiteral("E"), QStringLiteral("e")})
                for (const QString& name : names) {
                    if (random.nextInt(3) == 0) continue;
                    const bool context = random.nextInt(6) != 0;
                    Table& t = session.units();
                    t.insert();
                    t.set(uf::Excavation, excavation);
                    t.set(uf::Unitname, name);
                    t.set(uf::Unitclass, context ? kContext : kGroup);
                    t.post();
                    if (context) keys.push_back({excavation, name});
                }
            const int links = int(random.nextInt(quint32(keys.size()) + 1));
            for (int l = 0; l < links && keys.size() > 1; ++l) {
                const UnitKey& a = keys[random.nextInt(quint32(keys.size()))];
                const UnitKey& b = keys[random.nextInt(quint32(keys.size()))];
                if (a == b || FindRelationRow(session.relations(), a, b)) continue;
                const QChar code = QStringLiteral("<=-")[random.nextInt(3)];
                InsertRelationRow(session.relations(), a, b, code, QString(), status::Stored);
                InsertRelationRow(session.relations(), b, a, OppositeCategory(code), QString(), status::Stored);
            }
        }

        // The reference, from the tables alone.
        std::map<QString, QString> parent;   // "excavation\tname"
        auto id = [](const Table::Row& r, int e, int n) {
            return valueToString(r.values[std::size_t(e)]) + QLatin1Char('\t') + valueToString(r.values[std::size_t(n)]);
        };
        std::function<QString(const QString&)> root = [&](const QString& x) {
            auto it = parent.find(x);
            if (it == parent.end() || it->second == x) return x;
            return it->second = root(it->second);
        };
        std::map<QString, bool> linked;
        for (const auto& r : session.relations().query(QString(), {}, QString())) {
            const QString a = id(r, rel::Excavation1, rel::Unitname1), b = id(r, rel::Excavation2, rel::Unitname2);
            linked[a] = linked[b] = true;
            parent.try_emplace(a, a);
            parent.try_emplace(b, b);
            parent[root(a)] = root(b);
        }
        std::map<QString, int> componentOfRoot;
        QStringList expected;
        for (const auto& r : session.units().query(QString(), {}, kUnitKeyOrder)) {
            const QString x = id(r, uf::Excavation, uf::Unitname);
            int label = 0;
            if (valueToString(r.values[uf::Unitclass]) == kContext)
                label = linked.count(x) ? componentOfRoot.try_emplace(root(x), int(componentOfRoot.size()) + 2).first->second
                                        : 1;
            expected << valueToString(r.values[uf::Unitname]) + QLatin1Char('=') + QString::number(label);
        }
        const int components = int(componentOfRoot.size());
        if (components > 1) expectQuestion(components, Answer::No);
        EXPECT_TRUE(check(ReportMode::Summary));
        EXPECT_EQ(groups(), expected.join(QLatin1Char(' ')));
        ui.verifyDone();
    }
}

TEST_F(MultiExcavationComponents, SingleContextsAreNamedWithTheirExcavation)
{
    units(QStringLiteral("A B C"));
    relations(QStringLiteral("A<B"));
    EXPECT_TRUE(check(ReportMode::Detailed));
    EXPECT_EQ(protocol.lines(), (QStringList{"Unconnected context E:C", ""}));
}

TEST_F(ComponentsFixture, FiltersLinksAndCurrentRecordsOfTheListsStay)
{
    units(QStringLiteral("A B C D"));
    relations(QStringLiteral("A<B C-D"));
    Table& u = session.units();
    Table& r = session.relations();
    u.setFilter(QStringLiteral("Unitname > 'A'"));
    ASSERT_TRUE(u.locate(QStringLiteral("Excavation;Unitname"), {kExcavation, QStringLiteral("C")}));
    // Rows the lists hide still connect.
    r.setFilter(QStringLiteral("RelationCat = '-'"));
    r.setLink({QStringLiteral("Excavation1"), QStringLiteral("Unitname1")}, {kExcavation, QStringLiteral("D")});
    ASSERT_EQ(r.count(), 1);
    expectQuestion(2, Answer::No);
    EXPECT_TRUE(check(ReportMode::Detailed));
    EXPECT_EQ(protocol.lines(), (QStringList{componentLine(1, 2), componentLine(2, 2), ""}));
    EXPECT_EQ(groups(), QStringLiteral("A=2 B=2 C=3 D=3"));
    EXPECT_TRUE(u.filtered());
    EXPECT_EQ(u.filterText(), QStringLiteral("Unitname > 'A'"));
    EXPECT_EQ(u.str(uf::Unitname), QStringLiteral("C"));
    EXPECT_TRUE(r.filtered());
    EXPECT_TRUE(r.linkActive());
    EXPECT_EQ(r.count(), 1);
    EXPECT_EQ(r.str(rel::Unitname2), QStringLiteral("C"));
    EXPECT_TRUE(ui.statuses().contains(QStringLiteral("Testing connected components")));
    EXPECT_EQ(ui.statuses().last(), QString());
}

// --- the question ------------------------------------------------------------------

struct AnswerCase {
    Answer answer;
    bool goOn;
    bool stores;
};

class ComponentQuestion : public ComponentsFixture, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ComponentQuestion, TheAnswerDecidesWhetherTheRunGoesOn)
{
    const AnswerCase& c = GetParam();
    units(QStringLiteral("A B D E"));
    relations(QStringLiteral("A<B D=E"));
    expectQuestion(2, c.answer);
    if (c.stores) ui.expectInformation(QStringLiteral("2 components stored in projects P_1, P_2"));
    EXPECT_EQ(check(ReportMode::Detailed), c.goOn);
    // The protocol is written before the question, whatever the answer.
    EXPECT_EQ(protocol.lines(), (QStringList{componentLine(1, 2), componentLine(2, 2), ""}));
    EXPECT_EQ(groups(), QStringLiteral("A=2 B=2 D=3 E=3"));
    const QStringList stored{"P_1.bvp", "P_1_rel.db", "P_1_unit.db", "P_2.bvp", "P_2_rel.db", "P_2_unit.db"};
    EXPECT_EQ(otherFiles(), c.stores ? stored : QStringList());
    EXPECT_TRUE(session.project().isOpen());
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("P"));
}

INSTANTIATE_TEST_SUITE_P(Answers, ComponentQuestion,
                         ::testing::Values(AnswerCase{Answer::No, true, false},
                                           AnswerCase{Answer::Cancel, false, false},
                                           AnswerCase{Answer::Yes, false, true}));

// --- storing ---------------------------------------------------------------------------

TEST_F(ComponentsFixture, EachComponentBecomesAProjectThatOpens)
{
    units(QStringLiteral("A B D E"));
    relations(QStringLiteral("A<B"), QStringLiteral("over"));
    relations(QStringLiteral("D=E"));
    session.project().PhotoPath = QStringLiteral("/photos");
    session.project().DiagramPresent = true;
    session.catalogue()[uf::Colour].TabView = !session.catalogue()[uf::Colour].TabView;
    const QString tabView = session.catalogue().FieldConfigurationStrings().TabView;
    expectQuestion(2, Answer::Yes);
    ui.expectInformation(QStringLiteral("2 components stored in projects P_1, P_2"));
    EXPECT_FALSE(check(ReportMode::Detailed));

    // The open project stays open; only its labels changed.
    EXPECT_EQ(groups(), QStringLiteral("A=2 B=2 D=3 E=3"));
    EXPECT_EQ(rows(session.relations()).size(), 4);
    EXPECT_EQ(session.recent().paths(), (QStringList{projectFile("P_2"), projectFile("P_1"), projectFile("P")}));

    const QStringList file = QString::fromLatin1(readAll(projectFile("P_1"))).split(QStringLiteral("\r\n"));
    EXPECT_EQ(file.value(0), QStringLiteral("Project=P_1"));
    EXPECT_TRUE(file.contains(QStringLiteral("Excavation=E")));
    EXPECT_TRUE(file.contains(QStringLiteral("SingleExcavation=True")));
    EXPECT_TRUE(file.contains(QStringLiteral("TabView=") + tabView));
    EXPECT_TRUE(file.contains(QStringLiteral("Photopath=/photos")));
    EXPECT_FALSE(file.contains(QStringLiteral("DiagramPresent=True")));

    // A comment stored empty reads back empty.
    expectStored({{"P_1", "A=2 B=2", {"E:A < E:B [over] u", "E:B > E:A [] n"}},
                  {"P_2", "D=3 E=3", {"E:D = E:E [] u", "E:E = E:D [] n"}}});
    for (const char* project : {"P_1", "P_2"}) {
        SCOPED_TRACE(project);
        StoredProject stored(projectFile(QString::fromLatin1(project)));
        ASSERT_TRUE(stored.opened());
        const auto first = stored.session().units().query(QString(), {}, kUnitKeyOrder);
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(valueToString(first.front().values[uf::Description]),
                  QStringLiteral("about ") + valueToString(first.front().values[uf::Unitname]));
        EXPECT_EQ(valueToString(first.front().values[uf::Unitclass]), kContext);
        EXPECT_EQ(stored.session().project().PhotoPath, QStringLiteral("/photos"));
    }
}

struct StoringCase {
    const char* name;
    const char* contexts;
    const char* groups;
    const char* relations;
    int components;
    QStringList errors;
    QString box;
    const char* labels;   // of the open project afterwards
    std::vector<StoredCase> stored;
};

class ComponentStoring : public ComponentsFixture, public ::testing::WithParamInterface<StoringCase> {};

TEST_P(ComponentStoring, ProjectsAndLabels)
{
    const StoringCase& c = GetParam();
    project(c.contexts, c.groups, c.relations);
    expectQuestion(c.components, Answer::Yes);
    for (const QString& error : c.errors) ui.expectError(error);
    ui.expectInformation(c.box);
    EXPECT_FALSE(check(ReportMode::Detailed));
    EXPECT_EQ(groups(), QString::fromLatin1(c.labels));
    for (const StoredCase& stored : c.stored) expectStored({stored});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComponentStoring,
    ::testing::Values(
        // A group and its container carry the last component that reached
        // them, and go into every component's project.
        StoringCase{"AGroupWithMembersInTwoComponents", "A B C D E F", "G H", "A<B C=D E-F A p G C p G G p H", 3, {},
                    "3 components stored in projects P_1, P_2, etc.", "A=2 B=2 C=3 D=3 E=4 F=4 G=3 H=3",
                    {{"P_1", "A=2 B=2 G=2 H=2", {"E:A < E:B [] u", "E:A p E:G [] u", "E:B > E:A [] n", "E:G p E:H [] u"}},
                     {"P_2", "C=3 D=3 G=3 H=3", {"E:C = E:D [] u", "E:C p E:G [] u", "E:D = E:C [] n", "E:G p E:H [] u"}},
                     {"P_3", "E=4 F=4", {"E:E - E:F [] u", "E:F - E:E [] n"}}}},
        // A single context stays out of every project, also when it shares
        // a group with one.
        StoringCase{"ASingleContextInAStoredGroup", "A B C D S", "G", "A<B C<D S p G A p G", 2, {},
                    "2 components stored in projects P_1, P_2", "A=2 B=2 C=3 D=3 G=2 S=1",
                    {{"P_1", "A=2 B=2 G=2", {"E:A < E:B [] u", "E:A p E:G [] u", "E:B > E:A [] n"}},
                     {"P_2", "C=3 D=3", {"E:C < E:D [] u", "E:D > E:C [] n"}}}},
        // The propagation stops at the missing container: G came after it
        // in the list and was never reached. The box still names both.
        StoringCase{"AMissingContainer", "A B C D", "G", "A<B C=D A p X B p G", 2,
                    {"Unit table corrupt? Could not find E:X"}, "2 components stored in projects P_1, P_2",
                    "A=2 B=2 C=3 D=3 G=0",
                    {{"P_1", "A=2 B=2", {"E:A < E:B [] u", "E:A p E:X [] u", "E:B > E:A [] n", "E:B p E:G [] u"}},
                     {"P_2", "C=3 D=3", {"E:C = E:D [] u", "E:D = E:C [] n"}}}},
        // A "part of" row to a context (only an import makes one) carries the
        // label like one to a group: C moves to the first project and its
        // own component's project keeps only D.
        StoringCase{"APartOfRowToAContext", "A B C D", "G", "A<B C<D A p C", 2, {},
                    "2 components stored in projects P_1, P_2", "A=2 B=2 C=2 D=3 G=0",
                    {{"P_1", "A=2 B=2 C=2", {"E:A < E:B [] u", "E:A p E:C [] u", "E:B > E:A [] n", "E:C < E:D [] u"}},
                     {"P_2", "D=3", {"E:D > E:C [] n"}}}}),
    [](const ::testing::TestParamInfo<StoringCase>& info) { return std::string(info.param.name); });

TEST_F(ComponentsFixture, ARelationshipToAMissingUnitIsReportedAndSkipped)
{
    units(QStringLiteral("A B C D"));
    relations(QStringLiteral("A<B A<X! C=D D-Y! X<C!"));
    // Each walked row to a missing unit is reported once; a row of a
    // missing unit is never walked.
    ui.expectError(QStringLiteral("Unittable corrupt? Could not find unit E:X"));
    ui.expectError(QStringLiteral("Unittable corrupt? Could not find unit E:Y"));
    expectQuestion(2, Answer::No);
    EXPECT_TRUE(check(ReportMode::Detailed));
    EXPECT_EQ(protocol.lines(), (QStringList{componentLine(1, 2), componentLine(2, 2), ""}));
    EXPECT_EQ(groups(), QStringLiteral("A=2 B=2 C=3 D=3"));
}

// --- existing projects -----------------------------------------------------------------

// A project file and tables left by an earlier split or made by the user.
void makeOldProjectFiles(const QString& dir, const QString& name, const QStringList& which)
{
    if (which.contains(QStringLiteral("bvp"))) {
        QFile f(QDir(dir).filePath(name + QStringLiteral(".bvp")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Project=old\r\n");
    }
    if (which.contains(QStringLiteral("unit"))) {
        CreateUnitTable(dir, name + QStringLiteral("_unit"));
        Table t;
        t.open(dir, name + QStringLiteral("_unit"));
        t.insert();
        t.set(uf::Excavation, QStringLiteral("OLD"));
        t.set(uf::Unitname, QStringLiteral("OLD"));
        t.post();
    }
    if (which.contains(QStringLiteral("rel"))) CreateRelationTable(dir, name + QStringLiteral("_rel"));
}

QString overwriteQuestion(const QString& dir, const QStringList& listed)
{
    return QStringLiteral("Storing the components overwrites these files in %1:\r\n").arg(NativePath(dir))
           + listed.join(QStringLiteral("\r\n")) + QStringLiteral("\r\nDo you really want to overwrite them?");
}

TEST_F(ComponentsFixture, NoToOverwritingStoresNothing)
{
    units(QStringLiteral("A B D E"));
    units(QStringLiteral("G"), kGroup);
    relations(QStringLiteral("A<B D=E A p G"));
    makeOldProjectFiles(dir.path(), QStringLiteral("P_2"), {"bvp", "unit"});
    const QByteArray oldFile = readAll(projectFile("P_2"));
    expectQuestion(2, Answer::Yes);
    ui.expectConfirmation(overwriteQuestion(dir.path(), {"P_2.bvp", "P_2_unit.db"})).answer(Answer::No);
    EXPECT_FALSE(check(ReportMode::Detailed));
    EXPECT_EQ(otherFiles(), (QStringList{"P_2.bvp", "P_2_unit.db"}));
    EXPECT_EQ(readAll(projectFile("P_2")), oldFile);
    Table old;
    old.open(dir.path(), QStringLiteral("P_2_unit"));
    EXPECT_EQ(groups(old), QStringLiteral("OLD="));
    // Nothing was carried up to the group either.
    EXPECT_EQ(groups(), QStringLiteral("A=2 B=2 D=3 E=3 G=0"));
    EXPECT_EQ(session.recent().paths(), QStringList{projectFile("P")});
}

TEST_F(ComponentsFixture, YesToOverwritingReplacesTheOldFiles)
{
    units(QStringLiteral("A B D E"));
    relations(QStringLiteral("A<B D=E"));
    makeOldProjectFiles(dir.path(), QStringLiteral("P_1"), {"unit"});
    makeOldProjectFiles(dir.path(), QStringLiteral("P_2"), {"rel"});
    expectQuestion(2, Answer::Yes);
    ui.expectConfirmation(overwriteQuestion(dir.path(), {"P_1_unit.db", "P_2_rel.db"})).answer(Answer::Yes);
    ui.expectInformation(QStringLiteral("2 components stored in projects P_1, P_2"));
    EXPECT_FALSE(check(ReportMode::Detailed));
    expectStored({{"P_1", "A=2 B=2", {"E:A < E:B [] u", "E:B > E:A [] n"}},
                  {"P_2", "D=3 E=3", {"E:D = E:E [] u", "E:E = E:D [] n"}}});
}

TEST_F(ComponentsFixture, TheOverwriteQuestionListsTenFilesAndCountsTheRest)
{
    units(QStringLiteral("A B C D E F G H"));
    relations(QStringLiteral("A<B C<D E<F G<H"));
    for (const char* name : {"P_1", "P_2", "P_3", "P_4"})
        makeOldProjectFiles(dir.path(), QString::fromLatin1(name), {"bvp", "unit", "rel"});
    const QStringList before = otherFiles();
    expectQuestion(4, Answer::Yes);
    ui.expectConfirmation(overwriteQuestion(dir.path(), {"P_1.bvp", "P_1_unit.db", "P_1_rel.db", "P_2.bvp",
                                                         "P_2_unit.db", "P_2_rel.db", "P_3.bvp", "P_3_unit.db",
                                                         "P_3_rel.db", "P_4.bvp", "and 2 more"}))
        .answer(Answer::No);
    EXPECT_FALSE(check(ReportMode::Summary));
    EXPECT_EQ(otherFiles(), before);
}

TEST_F(ComponentsFixture, AComponentProjectOpenElsewhereIsNotTouched)
{
    units(QStringLiteral("A B D E"));
    relations(QStringLiteral("A<B D=E"));
    QLockFile held(dir.filePath(QStringLiteral("P_1.lock")));
    ASSERT_TRUE(held.tryLock(0));
    qint64 pid = 0;
    QString host, program;
    ASSERT_TRUE(held.getLockInfo(&pid, &host, &program));
    expectQuestion(2, Answer::Yes);
    ui.expect(MessageKind::Error,
              QStringLiteral("Project P_1 in %1 is open in another program (%2, process %3).\r\nClose it there first.")
                  .arg(NativePath(dir.path()), program.isEmpty() ? QStringLiteral("another program") : program)
                  .arg(pid),
              Buttons::Ok, 92);
    EXPECT_FALSE(check(ReportMode::Detailed));
    EXPECT_EQ(otherFiles(), QStringList{"P_1.lock"});
}

} // namespace
