// The writer for whole-table writes: the same records and refusals as the
// cursor's insert, edit and delete, one transaction, and every view re-read
// once it ends.
#include "TableFixture.h"

namespace belvanto::testing {
namespace {

using WriterTest = TableTest;

void writeRec(TableWriter& w, const Rec& r)
{
    setRec(w, r);
    w.insert();
}

// Every stored cell of the file, row by row in rowid order, as outside
// readers see it (typeof shows how each value is stored).
QStringList cells(const QString& path)
{
    Outside db(path);
    return db.column("SELECT rowid || '|' || quote(Excavation) || '|' || quote(Unitname) || '|' || quote(Unitclass) "
                     "|| '|' || quote(Period) || '|' || quote(Code) || '|' || quote(Height) || '|' || typeof(Height) "
                     "|| '|' || quote(Count) || '|' || quote(Found) FROM data ORDER BY rowid");
}

const std::vector<Rec> kRecords = {
    {"A", "u1", "context", "Roman", "x", 1.5, qint32(3), QDate(2024, 2, 29)},
    {"A", "u2", QString(), QString(""), "long code", qint32(2), {}, {}},
    {"B", "a name too long", "context", {}, {}, {}, qint32(-7), {}},
    {"\u00e9", "\U0001F600u", {}, "Bronze Age and more than twenty", {}, 0.1, {}, {}},
};

TEST_F(WriterTest, InsertsTheSameCellsAsTheCursor)
{
    Table::create(dir.path(), "posted", unitLikeFields(), unitLikeKey(), unitLikeIndexes());
    {
        Table t;
        t.open(dir.path(), "posted");
        BulkScope bulk;
        fill(t, kRecords);
    }
    {
        Table t;
        t.open(dir.path(), "units");
        TableWriter w(t);
        for (const Rec& r : kRecords) writeRec(w, r);
        EXPECT_EQ(w.written(), 4);
    }
    const QStringList written = cells(file);
    ASSERT_EQ(written.size(), 4);
    EXPECT_EQ(written, cells(Table::pathOf(dir.path(), "posted")));
    EXPECT_TRUE(written[1].contains("|NULL|NULL|'l'|2.0|real|")) << qPrintable(written[1]);
}

TEST_F(WriterTest, AppendsTheSameCellsAsInsert)
{
    Table::create(dir.path(), "inserted", unitLikeFields(), unitLikeKey(), unitLikeIndexes());
    // More than one statement's worth, and a rest sent when the writer ends.
    std::vector<Rec> recs;
    for (int i = 0; i < 70; ++i) {
        Rec r = kRecords[std::size_t(i) % kRecords.size()];
        r.unitname = QStringLiteral("u%1").arg(i);
        recs.push_back(r);
    }
    for (const char* name : {"inserted", "units"}) {
        Table t;
        t.open(dir.path(), name);
        TableWriter w(t);
        for (const Rec& r : recs) {
            setRec(w, r);
            if (QLatin1String(name) == QLatin1String("units")) w.append();
            else w.insert();
        }
        EXPECT_EQ(w.written(), 70);
    }
    EXPECT_EQ(cells(file), cells(Table::pathOf(dir.path(), "inserted")));
    EXPECT_EQ(cells(file).size(), 70);
}

// A refused record throws; the ones appended before it are written, in a
// full statement's batch as in the rest.
TEST_F(WriterTest, AnAppendedRecordRefusedLeavesTheOnesBefore)
{
    struct Case {
        const char* what;
        int records;      // appended, the last one repeating the key of record repeats
        int repeats;
        bool atEnd;       // refused when the writer ends, not by append()
    };
    const std::vector<Case> cases = {
        {"in a full batch, repeating an earlier batch", 40, 3, true},
        {"in a full batch, repeating its own record", 32, 20, false},
        {"in the rest", 10, 4, true},
    };
    for (const Case& c : cases) {
        Table::create(dir.path(), "units", unitLikeFields(), unitLikeKey(), unitLikeIndexes());
        Table t;
        t.open(dir.path(), "units");
        QString fromAppend;
        const QString error = engineError([&] {
            TableWriter w(t);
            for (int i = 1; i <= c.records; ++i) {
                setRec(w, {"A", QStringLiteral("u%1").arg(i == c.records ? c.repeats : i)});
                fromAppend = engineError([&] { w.append(); });
                if (!fromAppend.isEmpty()) return;
            }
        });
        EXPECT_EQ(c.atEnd ? error : fromAppend, "Key violation") << c.what;
        EXPECT_EQ(t.count(), c.records - 1) << c.what;
        EXPECT_TRUE(t.locate("Excavation;Unitname", {QString("A"), QStringLiteral("u%1").arg(c.records - 1)})) << c.what;
    }
}

TEST_F(WriterTest, RefusesWhatPostRefuses)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1"}});
    struct Case {
        const char* what;
        std::function<void(TableWriter&)> write;
        QString error;
    };
    const std::vector<Case> cases = {
        {"required field empty", [](TableWriter& w) { w.set(0, QString("A")); w.insert(); },
         "Field 'Unitname' must have a value"},
        {"key repeated", [](TableWriter& w) { writeRec(w, {"A", "u1"}); }, "Key violation"},
        {"text in a number field", [](TableWriter& w) { w.set(6, QString("x")); }, ""},
        {"update to a taken key", [](TableWriter& w) {
             writeRec(w, {"A", "u2"});
             w.set(1, QString("u1"));
             w.update(2);
         }, "Key violation"},
        {"update of a record that is gone", [](TableWriter& w) { w.set(3, QString("Roman")); w.update(99); },
         "Record/key deleted"},
        {"required field emptied by an update", [](TableWriter& w) { w.set(1, QString()); w.update(1); },
         "Field 'Unitname' must have a value"},
        {"field out of range", [](TableWriter& w) { w.set(8, QString("x")); }, "Field number 8 out of range"},
    };
    for (const Case& c : cases) {
        const QString error = engineError([&] {
            TableWriter w(t);
            c.write(w);
        });
        if (c.error.isEmpty()) EXPECT_FALSE(error.isEmpty()) << c.what;
        else EXPECT_EQ(error, c.error) << c.what;
    }
    Outside db(file);
    EXPECT_EQ(db.column("SELECT Unitname FROM data ORDER BY rowid"), QStringList({"u1", "u2"}))
        << "a refused write leaves the written ones";
}

TEST_F(WriterTest, EmptyKeyPartsRepeatNoKey)
{
    Table::create(dir.path(), "loose", {{"A", FieldType::String, 4}, {"B", FieldType::String, 4}},
                  {QString(), {"A", "B"}});
    Table t;
    t.open(dir.path(), "loose");
    TableWriter w(t);
    w.set(0, QString("x"));
    w.insert();
    w.set(0, QString("x"));
    EXPECT_EQ(engineError([&] { w.insert(); }), "Key violation");
    w.set(0, QString("y"));
    const qint64 y = w.insert();
    w.set(0, QString("x"));
    EXPECT_EQ(engineError([&] { w.update(y); }), "Key violation") << "the key after the update is taken";
    // An appended record with an empty key part is checked against the
    // ones appended before it.
    w.set(0, QString("z"));
    w.set(1, QString("1"));
    w.append();
    w.set(0, QString("z"));
    w.append();
    w.set(0, QString("z"));
    EXPECT_EQ(engineError([&] { w.append(); }), "Key violation");
}

TEST_F(WriterTest, UpdatesOnlyTheFieldsSetAndRemovesByRecord)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1", "context", "Roman", {}, 1.0}, {"A", "u2", "group", "Iron"}, {"A", "u3"}});
    {
        TableWriter w(t);
        w.set(3, QString("Bronze"));
        w.update(1);
        w.set(5, 2.5);
        w.set(2, QString());
        w.update(2);
        w.remove(3);
        w.remove(3);
        EXPECT_EQ(w.written(), 4);
    }
    Outside db(file);
    EXPECT_EQ(db.column("SELECT Unitname || '/' || quote(Unitclass) || '/' || quote(Period) || '/' || quote(Height) "
                        "FROM data ORDER BY rowid"),
              QStringList({"u1/'context'/'Bronze'/1.0", "u2/NULL/'Iron'/2.5"}));
}

TEST_F(WriterTest, ViewsReadAgainWhenTheWriterEnds)
{
    Table t, other;
    t.open(dir.path(), "units");
    other.open(dir.path(), "units");
    fill(t, {{"A", "u1"}, {"A", "u2"}, {"A", "u3"}});
    other.setFilter("Unitname > 'u1'");
    other.last();
    EXPECT_EQ(other.str(u"Unitname"), "u3");
    int changes = 0;
    other.addChangeObserver([&] { ++changes; });
    t.first();
    t.next();
    {
        TableWriter w(t);
        w.remove(2);   // where t's cursor stands
        w.remove(3);   // where other's cursor stands
        writeRec(w, {"A", "u0"});
        writeRec(w, {"A", "u4"});
    }
    EXPECT_EQ(changes, 1) << "one notice for the whole batch";
    EXPECT_EQ(walk(t), QStringList({"u0", "u1", "u4"}));
    EXPECT_EQ(walk(other), QStringList({"u4"}));
    EXPECT_EQ(t.count(), 3);
}

TEST_F(WriterTest, OneTransactionNestedInTheCallersScope)
{
    Table t;
    t.open(dir.path(), "units");
    Outside db(file);
    {
        BulkScope outer;
        {
            TableWriter w(t);
            writeRec(w, {"A", "u1"});
        }
        EXPECT_EQ(db.one("SELECT count(*) FROM data"), "0") << "not committed before the caller's scope ends";
    }
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "1");
    {
        TableWriter w(t);
        writeRec(w, {"A", "u2"});
    }
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "2") << "committed by the writer's own scope";
}

} // namespace
} // namespace belvanto::testing
