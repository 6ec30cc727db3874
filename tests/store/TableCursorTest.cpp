// Cursor behaviour the program's loops rely on: end and start tests, the
// delete-else-next idiom, position after post, insert and cancel, record
// numbers, locate, bookmarks, and two Table objects on one file.
#include "TableFixture.h"

namespace belvanto::testing {
namespace {

using CursorTest = TableTest;

const QString A = QStringLiteral("A");

std::vector<Rec> threeUnits()
{
    return {{A, "u1", "context", "Roman"}, {A, "u2", "context", "Iron"}, {A, "u3", "group", "Bronze"}};
}

TEST_F(CursorTest, EndAndStartOfAnEmptyView)
{
    Table t;
    t.open(dir.path(), "units");
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.hasRecord());
    EXPECT_EQ(t.count(), 0);
    EXPECT_EQ(t.recNo(), 0);
    for (auto move : {&Table::first, &Table::last, &Table::next, &Table::prior}) {
        (t.*move)();
        EXPECT_TRUE(t.eof());
        EXPECT_TRUE(t.bof());
    }
    EXPECT_TRUE(t.isEmpty(1));
    EXPECT_THROW(t.del(), EngineError);
}

TEST_F(CursorTest, EndOnlyAfterMovingPastTheLastRecord)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());

    t.first();
    EXPECT_FALSE(t.eof());
    EXPECT_FALSE(t.bof());
    EXPECT_EQ(t.str(1), "u1");
    t.next();
    t.next();
    EXPECT_EQ(t.str(1), "u3");
    EXPECT_FALSE(t.eof()) << "standing on the last record is not the end";
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.str(1), "u3") << "the cursor stays on the last record";
    t.next();
    EXPECT_TRUE(t.eof());
    t.prior();
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.str(1), "u2");

    t.last();
    EXPECT_FALSE(t.eof());
    EXPECT_FALSE(t.bof());
    EXPECT_EQ(t.str(1), "u3");
    t.first();
    t.prior();
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.str(1), "u1");
    t.next();
    EXPECT_FALSE(t.bof());
    EXPECT_EQ(t.str(1), "u2");

    QStringList backwards;
    for (t.last(); !t.bof(); t.prior()) backwards << t.str(1);
    EXPECT_EQ(backwards, QStringList({"u3", "u2", "u1"}));
}

TEST_F(CursorTest, DeleteElseNextLeavesExactlyTheEqualRows)
{
    // Runs of deletions, a kept record between them, deletion of the first
    // and of the last record.
    const QString codes = QStringLiteral("<<=>=<<<==>><");
    Table t;
    t.open(dir.path(), "units");
    QStringList kept;
    for (int i = 0; i < codes.size(); ++i) {
        const QString name = QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0'));
        addRec(t, {A, name, {}, {}, QString(codes[i])});
        if (codes[i] == QLatin1Char('=')) kept << name;
    }
    int visits = 0;
    t.first();
    while (!t.eof()) {
        ++visits;
        if (t.str(u"Code") != QLatin1String("=")) t.del();
        else t.next();
    }
    EXPECT_EQ(visits, codes.size()) << "every record is seen exactly once";
    EXPECT_EQ(walk(t), kept);
    EXPECT_EQ(t.count(), kept.size());
    Outside db(file);
    EXPECT_EQ(db.column("SELECT Unitname FROM data ORDER BY Unitname"), kept);
}

TEST_F(CursorTest, AfterDeleteTheCursorStandsOnTheFollowingRecord)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.first();
    t.next();
    t.del();
    EXPECT_EQ(t.str(1), "u3");
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.recNo(), 2);
    t.del();   // the last record
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.count(), 1);
    t.prior();
    t.del();   // the only record
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.count(), 0);
}

TEST_F(CursorTest, PostKeepsTheRecordEvenWhenTheOrderMovesIt)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{A, "u1", {}, "B"}, {A, "u2", {}, "C"}, {A, "u3", {}, "D"}, {A, "u4", {}, "E"}});
    t.setActiveIndex("ByPeriod");
    t.first();
    EXPECT_EQ(t.str(1), "u1");
    t.edit();
    t.set(u"Period", "Z");
    t.post();
    EXPECT_EQ(t.str(1), "u1");
    EXPECT_EQ(t.recNo(), 4);
    t.next();
    EXPECT_TRUE(t.eof()) << "u1 is now the last record";

    t.locate("Unitname", {"u4"});
    t.edit();
    t.set(u"Period", "A");
    t.post();
    EXPECT_EQ(t.recNo(), 1);
    t.next();
    EXPECT_EQ(t.str(1), "u2");
}

TEST_F(CursorTest, DeleteAfterAMoveStandsOnTheRecordFollowingTheNewPlace)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{A, "u1", {}, "B"}, {A, "u2", {}, "C"}, {A, "u3", {}, "D"}, {A, "u4", {}, "E"}});
    t.setActiveIndex("ByPeriod");
    t.first();
    t.edit();
    t.set(u"Period", "Z");
    t.post();
    t.del();   // now the last record
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(walk(t), QStringList({"u2", "u3", "u4"}));

    t.locate("Unitname", {"u4"});
    t.edit();
    t.set(u"Period", "A");
    t.post();
    t.del();   // now the first record
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.str(1), "u2");
    EXPECT_EQ(t.recNo(), 1);
}

TEST_F(CursorTest, EditOfOtherFieldsKeepsTheWalkGoing)
{
    Table t;
    t.open(dir.path(), "units");
    for (int i = 0; i < 50; ++i) addRec(t, {A, QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0'))});
    int n = 0;
    for (t.first(); !t.eof(); t.next()) {
        t.edit();
        t.set(u"Count", n++);
        t.post();
    }
    EXPECT_EQ(n, 50);
    Outside db(file);
    EXPECT_EQ(db.one("SELECT group_concat(Count) = group_concat(CAST(substr(Unitname,2) AS INTEGER)) FROM "
                     "(SELECT * FROM data ORDER BY Unitname)"),
              "1");
}

TEST_F(CursorTest, ARecordPostedOutOfTheFilterLeavesTheCursorBeforeTheNextOne)
{
    Table t;
    t.open(dir.path(), "units");
    for (int i = 0; i < 6; ++i) addRec(t, {A, QStringLiteral("u%1").arg(i), {}, {}, "="});
    t.setFilter("Code = '='");
    int visits = 0;
    for (t.first(); !t.eof(); t.next()) {
        ++visits;
        t.edit();
        t.set(u"Code", "x");
        t.post();
    }
    EXPECT_EQ(visits, 6);
    EXPECT_EQ(t.count(), 0);
}

TEST_F(CursorTest, HowTheCursorCameToTheRecordPostedOutOfTheFilterDoesNotMatter)
{
    // The cursor stood on u0 before it jumped to u3, so a jump that did not
    // note u3's place in the view sent next() back to the first record.
    struct Case {
        const char* how;
        std::function<void(Table&)> reachU3;
    };
    const std::vector<Case> cases = {
        {"walk", [](Table& t) { t.next(), t.next(), t.next(); }},
        {"locate", [](Table& t) { t.locate("Unitname", {"u3"}); }},
        {"bookmark", [](Table& t) {
             t.last();
             t.prior(), t.prior();
             const Bookmark b = t.bookmark();
             t.first();
             t.gotoBookmark(b);
         }},
        {"record id", [](Table& t) { t.gotoRowid(t.query("Unitname = ?", {"u3"}).at(0).rowid); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Table t;
        t.open(dir.path(), "units");
        t.empty();
        for (int i = 0; i < 6; ++i) addRec(t, {A, QStringLiteral("u%1").arg(i), {}, {}, "="});
        t.setFilter("Code = '='");
        t.first();
        c.reachU3(t);
        ASSERT_EQ(t.str(1), "u3");
        t.edit();
        t.set(u"Code", "x");
        t.post();
        t.next();
        EXPECT_EQ(t.str(1), "u4");
    }
}

TEST_F(CursorTest, InsertPostStandsOnTheNewRecordInItsPlace)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{A, "u1"}, {A, "u3"}});
    t.first();
    t.insert();
    EXPECT_TRUE(t.inserting());
    EXPECT_EQ(t.recNo(), 0);
    t.set(0, A);
    t.set(1, "u2");
    t.post();
    EXPECT_EQ(t.str(1), "u2");
    EXPECT_EQ(t.recNo(), 2);
    EXPECT_EQ(t.count(), 3);
    t.next();
    EXPECT_EQ(t.str(1), "u3");
}

TEST_F(CursorTest, CancelAndEditOnAnEmptyTable)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.last();
    t.insert();
    t.set(0, A);
    t.set(1, "u9");
    t.cancel();
    EXPECT_EQ(t.str(1), "u3");
    EXPECT_EQ(t.count(), 3);

    t.edit();
    t.set(u"Period", "changed");
    t.cancel();
    EXPECT_EQ(t.str(u"Period"), "Bronze");

    t.empty();
    EXPECT_EQ(t.count(), 0);
    t.edit();   // nothing to edit: a new record
    EXPECT_TRUE(t.inserting());
    t.set(0, A);
    t.set(1, "new");
    t.post();
    EXPECT_EQ(walk(t), QStringList({"new"}));
}

TEST_F(CursorTest, NavigationPostsAPendingEdit)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.first();
    t.edit();
    t.set(u"Period", "Medieval");
    t.next();
    EXPECT_FALSE(t.editing());
    Outside db(file);
    EXPECT_EQ(db.one("SELECT Period FROM data WHERE Unitname = 'u1'"), "Medieval");
}

TEST_F(CursorTest, RefusedPostsKeepTheEdit)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.first();
    t.edit();
    t.set(1, "u2");
    EXPECT_EQ(engineError([&] { t.post(); }), "Key violation") << "duplicate key posted";
    EXPECT_TRUE(t.editing());
    t.set(1, "u4");
    t.post();
    EXPECT_EQ(walk(t), QStringList({"u2", "u3", "u4"}));

    t.insert();
    t.set(0, A);
    EXPECT_EQ(engineError([&] { t.post(); }), "Field 'Unitname' must have a value") << "required field left empty";
    EXPECT_TRUE(t.inserting());
    t.cancel();
    EXPECT_THROW(t.set(0, A), EngineError) << "set outside edit or insert";
}

TEST_F(CursorTest, EmptyKeyPartsStayUnique)
{
    const QString path = Table::pathOf(dir.path(), "pairs");
    Table::createFile(path, {{"P1", FieldType::String, 10}, {"P2", FieldType::String, 10}, {"N", FieldType::Integer}},
                      {QString(), {"P1", "P2"}});
    Table t;
    t.openFile(path);
    t.insert();
    t.set(0, "a");
    t.post();
    t.insert();
    t.set(0, "a");
    EXPECT_THROW(t.post(), EngineError);
    t.cancel();
    EXPECT_EQ(t.count(), 1);
}

TEST_F(CursorTest, RecordNumbersFollowTheView)
{
    Table t;
    t.open(dir.path(), "units");
    for (int i = 0; i < 10; ++i) addRec(t, {A, QStringLiteral("u%1").arg(i), {}, {}, i % 2 ? "o" : "e"});
    t.setFilter("Code = 'o'");
    EXPECT_EQ(t.count(), 5);
    QList<int> numbers;
    for (t.first(); !t.eof(); t.next()) numbers << t.recNo();
    EXPECT_EQ(numbers, QList<int>({1, 2, 3, 4, 5}));
    t.first();
    t.next();
    t.del();
    EXPECT_EQ(t.str(1), "u5");
    EXPECT_EQ(t.recNo(), 2);
    EXPECT_EQ(t.count(), 4);
}

TEST_F(CursorTest, LocateHonoursFilterAndLink)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{A, "u1", "context"}, {A, "u2", "group"}, {"B", "u1", "context"}, {"B", "u2", "group"}});
    EXPECT_TRUE(t.locate("excavation; UNITNAME", {"B", "u2"}));
    EXPECT_EQ(label(t), "B:u2");
    EXPECT_EQ(t.recNo(), 4);

    t.setFilter("Unitclass = 'context'");
    t.first();
    EXPECT_FALSE(t.locate("Excavation;Unitname", {"B", "u2"}));
    EXPECT_EQ(label(t), "A:u1") << "a failed locate leaves the cursor";
    EXPECT_TRUE(t.locate("Excavation;Unitname", {"B", "u1"}));
    EXPECT_EQ(t.recNo(), 2);
    t.next();
    EXPECT_TRUE(t.eof());

    t.setLink({"Excavation"}, {"A"});
    EXPECT_FALSE(t.locate("Unitname", {"u1"}) && t.str(0) == "B");
    EXPECT_EQ(label(t), "A:u1");

    EXPECT_FALSE(t.locate("Unitname", {"u1-much-too-long"}));
    EXPECT_THROW(t.locate("Nonsense", {"x"}), EngineError);
    EXPECT_THROW(t.locate("Excavation;Unitname", {"A"}), EngineError);
}

TEST_F(CursorTest, LocateAnEmptyValue)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{A, "u1", "context", "Roman"}, {A, "u2", "context"}});
    EXPECT_TRUE(t.locate("Period", {QString()}));
    EXPECT_EQ(t.str(1), "u2");
    EXPECT_TRUE(t.locate("Period", {Value()}));
    EXPECT_EQ(t.str(1), "u2");
}

TEST_F(CursorTest, Bookmarks)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.first();
    t.next();
    const Bookmark b = t.bookmark();
    ASSERT_TRUE(b.valid);
    t.last();
    t.gotoBookmark(b);
    EXPECT_EQ(t.str(1), "u2");
    EXPECT_EQ(t.recNo(), 2);

    {
        BookmarkRestore keep(t);
        t.first();
    }
    EXPECT_EQ(t.str(1), "u2");

    t.setFilter("Unitname <> 'u2'");
    EXPECT_FALSE(t.bookmarkValid(b));
    EXPECT_EQ(engineError([&] { t.gotoBookmark(b); }), "Record not found");
    t.setFiltered(false);
    t.gotoBookmark(b);
    t.del();
    EXPECT_FALSE(t.bookmarkValid(b));
    EXPECT_EQ(engineError([&] { t.gotoBookmark(b); }), "Record/key deleted");
    EXPECT_THROW(t.gotoBookmark(Bookmark{}), EngineError);
}

TEST_F(CursorTest, ABookmarkDoesNotFollowAReusedRecordId)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.last();
    const Bookmark b = t.bookmark();
    t.del();
    addRec(t, {A, "u9"});   // SQLite hands out the freed largest id again
    ASSERT_EQ(t.rowid(), b.rowid);
    EXPECT_FALSE(t.bookmarkValid(b));
    EXPECT_THROW(t.gotoBookmark(b), EngineError);
}

TEST_F(CursorTest, TablesOnOneFileSeeEachOthersWrites)
{
    Table a, b;
    a.open(dir.path(), "units");
    b.open(dir.path(), "units");
    fill(a, threeUnits());
    EXPECT_EQ(b.count(), 3);
    EXPECT_EQ(walk(b), QStringList({"u1", "u2", "u3"}));

    a.first();
    b.first();
    b.edit();
    b.set(u"Period", "Medieval");
    b.post();
    EXPECT_EQ(a.str(u"Period"), "Medieval");

    b.last();   // a has read u3 already, on its way
    b.edit();
    b.set(u"Period", "Late");
    b.post();
    EXPECT_EQ(walk(a, false).size(), 3);
    a.last();
    EXPECT_EQ(a.str(u"Period"), "Late");

    a.first();
    b.first();
    b.del();   // a's current record
    a.next();
    EXPECT_EQ(a.str(1), "u2") << "the record that followed the deleted one";
    EXPECT_EQ(a.count(), 2);

    BulkScope bulk;
    addRec(b, {A, "u0"});
    EXPECT_EQ(walk(a), QStringList({"u0", "u2", "u3"}));
}

TEST_F(CursorTest, ARecordDeletedWhileAnotherTableEditsItIsNotPosted)
{
    // The editing object used to move on to the following record when it
    // next read the view, and post the edit there.
    Table a, b;
    a.open(dir.path(), "units");
    b.open(dir.path(), "units");
    fill(a, threeUnits());
    a.first();
    a.locate("Unitname", {"u2"});
    a.edit();
    a.set(u"Period", "Medieval");
    b.locate("Unitname", {"u2"});
    b.del();
    EXPECT_EQ(a.count(), 2);
    EXPECT_EQ(a.recNo(), 0) << "the record being edited is no longer in the view";
    EXPECT_EQ(a.str(u"Period"), "Medieval");
    EXPECT_EQ(engineError([&] { a.post(); }), "Record/key deleted") << "posted a deleted record";
    EXPECT_TRUE(a.editing());
    a.cancel();
    a.next();
    EXPECT_EQ(a.str(1), "u3");
    Outside db(file);
    EXPECT_EQ(db.column("SELECT ifnull(Period, '') FROM data ORDER BY Unitname"), QStringList({"Roman", "Bronze"}));
}

TEST_F(CursorTest, ReusedRecordIdsShowTheirNewValues)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    t.first();
    EXPECT_EQ(t.str(1), "u1");   // the walk has read u2 and u3 too
    t.empty();   // record ids start again from 1
    fill(t, {{"B", "n1", "context", "Neu"}, {"B", "n2"}, {"B", "n3"}});
    ASSERT_TRUE(t.locate("Unitname", {"n2"}));
    EXPECT_EQ(label(t), "B:n2");
    QStringList seen;
    for (t.first(); !t.eof(); t.next()) seen << label(t) + "/" + t.str(u"Period");
    EXPECT_EQ(seen, QStringList({"B:n1/Neu", "B:n2/", "B:n3/"}));
}

TEST_F(CursorTest, GotoRowidOnlyToVisibleRecords)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, threeUnits());
    const auto rows = t.query("Unitname = ?", {"u3"});
    ASSERT_EQ(rows.size(), 1u);
    t.setFilter("Unitclass = 'context'");
    EXPECT_FALSE(t.gotoRowid(rows[0].rowid));
    t.setFiltered(false);
    EXPECT_TRUE(t.gotoRowid(rows[0].rowid));
    EXPECT_EQ(t.str(1), "u3");
    EXPECT_EQ(t.recNo(), 3);
}

} // namespace
} // namespace belvanto::testing
