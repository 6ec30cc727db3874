// Batch append and append-or-update, bulk scopes, master-detail link against
// the filter, and the suspension of display updates.
#include "TableFixture.h"

namespace belvanto::testing {
namespace {

using BatchTest = TableTest;

// A narrower table with the fields in another order, one field the unit
// table lacks and shorter strings.
void createNarrow(const QString& dir)
{
    Table::create(dir, "narrow",
                  {{"Note", FieldType::String, 10},
                   {"Unitname", FieldType::String, 4},
                   {"Period", FieldType::String, 3},
                   {"Excavation", FieldType::String, 12, true}},
                  {QString(), {"Excavation", "Unitname"}});
}

TEST_F(BatchTest, AppendTakesWhatTheSourceShowsColumnsByName)
{
    createNarrow(dir.path());
    Table src, dst;
    src.open(dir.path(), "units");
    fill(src, {{"A", "u1", "context", "Roman"},
               {"A", "u2", "group", "Iron"},
               {"B", "u1", "context", "Bronze"},
               {"B", "u22222", "context", {}}});
    src.setFilter("Unitclass = 'context'");
    src.setLink({"Excavation"}, {"B"});
    dst.open(dir.path(), "narrow");
    EXPECT_EQ(dst.appendFrom(src), 2);
    EXPECT_EQ(walk(dst, true), QStringList({"B:u1", "B:u222"}));
    dst.first();
    EXPECT_EQ(dst.str(u"Period"), "Bro") << "cut to the target's size";
    EXPECT_TRUE(dst.isEmpty(u"Note"));

    // Appending again repeats keys: refused as a whole.
    src.removeLink();
    try {
        dst.appendFrom(src);
        FAIL() << "duplicate keys appended";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.text(), "Key violation");
    }
    EXPECT_EQ(dst.count(), 2);
    Outside db(Table::pathOf(dir.path(), "narrow"));
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "2");
}

TEST_F(BatchTest, AppendOrUpdateByPrimaryKey)
{
    Table src, dst;
    Table::create(dir.path(), "copy", unitLikeFields(), unitLikeKey());
    src.open(dir.path(), "units");
    dst.open(dir.path(), "copy");
    fill(dst, {{"A", "u1", "context", "Old"}, {"A", "u9", "group", "Keep"}});
    fill(src, {{"A", "u1", "group", {}}, {"A", "u2", "context", "New"}});
    EXPECT_EQ(dst.appendOrUpdateFrom(src), 2);
    QStringList rows;
    for (dst.first(); !dst.eof(); dst.next())
        rows << label(dst) + "/" + dst.str(u"Unitclass") + "/" + dst.str(u"Period");
    EXPECT_EQ(rows, QStringList({"A:u1/group/", "A:u2/context/New", "A:u9/group/Keep"}));
}

TEST_F(BatchTest, ABulkScopeCommitsWhenTheOutermostScopeEnds)
{
    Table t;
    t.open(dir.path(), "units");
    Outside db(file);
    EXPECT_FALSE(BulkScope::active());
    {
        BulkScope outer;
        {
            BulkScope inner;
            EXPECT_TRUE(BulkScope::active());
            addRec(t, {"A", "u1"});
        }
        addRec(t, {"A", "u2"});
        EXPECT_EQ(t.count(), 2) << "the table sees its own writes";
        EXPECT_EQ(db.one("SELECT count(*) FROM data"), "0") << "nothing is committed before the scope ends";
    }
    EXPECT_FALSE(BulkScope::active());
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "2");
}

TEST_F(BatchTest, ABulkScopeLeftByAnExceptionKeepsWhatWasPosted)
{
    Table t;
    t.open(dir.path(), "units");
    try {
        BulkScope bulk;
        addRec(t, {"A", "u1"});
        addRec(t, {"A", "u1"});   // key violation
    } catch (const EngineError& e) {
        EXPECT_EQ(e.text(), "Key violation");
        t.cancel();
    }
    Outside db(file);
    EXPECT_EQ(db.column("SELECT Unitname FROM data"), QStringList({"u1"}));
    addRec(t, {"A", "u2"});
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "2") << "write-through again after the scope";
}

TEST_F(BatchTest, ABulkScopeCoversEveryFileAndEveryTableObject)
{
    Table::create(dir.path(), "other", unitLikeFields(), unitLikeKey());
    Table a, b, c;
    a.open(dir.path(), "units");
    b.open(dir.path(), "units");
    c.open(dir.path(), "other");
    {
        BulkScope bulk;
        addRec(a, {"A", "u1"});
        addRec(b, {"A", "u2"});
        addRec(c, {"A", "u3"});
        c.close();   // closing commits that file's part
        Outside other(Table::pathOf(dir.path(), "other"));
        EXPECT_EQ(other.one("SELECT count(*) FROM data"), "1");
        Outside units(file);
        EXPECT_EQ(units.one("SELECT count(*) FROM data"), "0");
    }
    Outside units(file);
    EXPECT_EQ(units.one("SELECT count(*) FROM data"), "2");
}

TEST_F(BatchTest, LinkAndFilterAreIndependent)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1", "context"}, {"A", "u2", "group"}, {"B", "u1", "context"}, {"B", "u2", "group"}});
    t.setLink({"Excavation"}, {"B"});
    t.setFilter("Unitclass = 'context'");
    EXPECT_EQ(walk(t, true), QStringList({"B:u1"}));
    {
        FilterOff off(t);
        EXPECT_TRUE(t.linkActive());
        EXPECT_EQ(walk(t, true), QStringList({"B:u1", "B:u2"}));
    }
    {
        LinkOff off(t);
        EXPECT_TRUE(t.filtered());
        EXPECT_EQ(walk(t, true), QStringList({"A:u1", "B:u1"}));
    }
    t.removeLink();
    t.setFiltered(false);
    EXPECT_EQ(t.count(), 4);
    t.restoreLink();
    EXPECT_EQ(walk(t, true), QStringList({"B:u1", "B:u2"}));
    t.setFiltered(true);
    EXPECT_EQ(walk(t, true), QStringList({"B:u1"}));
    t.setLink({"Excavation"}, {"A"});   // the master moved
    EXPECT_EQ(walk(t, true), QStringList({"A:u1"}));
    t.clearLink();
    EXPECT_FALSE(t.linkActive());
    EXPECT_EQ(walk(t, true), QStringList({"A:u1", "B:u1"}));
}

TEST_F(BatchTest, DisplaySuspensionNestsAndResetForcesResume)
{
    Table t;
    t.open(dir.path(), "units");
    int resumed = 0, changed = 0;
    t.addDisplayObserver([&] { ++resumed; });
    const int changeId = t.addChangeObserver([&] { ++changed; });

    addRec(t, {"A", "u1"});
    EXPECT_EQ(changed, 1);
    t.suspendDisplay();
    {
        DisplaySuspended inner(t);
        addRec(t, {"A", "u2"});
    }
    EXPECT_EQ(resumed, 0);
    EXPECT_TRUE(t.displaySuspended());
    EXPECT_EQ(changed, 1) << "no change notices while suspended";
    t.resumeDisplay();
    EXPECT_EQ(resumed, 1);
    EXPECT_FALSE(t.displaySuspended());
    t.resumeDisplay();   // more resumes than suspensions: nothing happens
    EXPECT_EQ(resumed, 1);

    t.suspendDisplay();
    t.suspendDisplay();
    t.resetDisplay();
    EXPECT_EQ(resumed, 2);
    EXPECT_FALSE(t.displaySuspended());
    {
        DisplaySuspended guard(t);
        t.resetDisplay();   // the guard's resume must not go below zero
        EXPECT_EQ(resumed, 3);
    }
    EXPECT_EQ(resumed, 3);
    EXPECT_FALSE(t.displaySuspended());

    t.removeChangeObserver(changeId);
    t.first();
    t.del();
    EXPECT_EQ(changed, 1);
}

TEST_F(BatchTest, QueryIsDirectSqlOverAllRecords)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1", "context", "Roman"}, {"A", "u2", "group"}, {"B", "u1", "context"}});
    t.setFilter("Excavation = 'A'");
    const auto rows = t.query("Unitclass IS ? AND Period IS ?", {"context", QString()}, "Excavation DESC");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].values[0], Value("B")) << "query ignores the filter; an empty value binds as NULL";
    EXPECT_TRUE(t.gotoRowid(rows[0].rowid) == false);
}

} // namespace
} // namespace belvanto::testing
