// Order of iteration: empty first, secondary index with the primary key as
// tie-break, text by code point, ad-hoc orders, and indexes kept in the file.
#include "TableFixture.h"

namespace belvanto::testing {
namespace {

using OrderTest = TableTest;

TEST_F(OrderTest, TextSortsByCodePointWithEmptyFirstAndKeyTieBreak)
{
    // Code point order differs from UTF-16 order for characters beyond the
    // BMP (U+1D538) against U+FF21, and from any locale's order for case.
    const QStringList periods = {"B", "a", "A", "b", QString::fromUtf8("Ä"), "Z", "", QString::fromUtf8("ä"),
                                 QString::fromUtf8("é"), QString::fromUtf8("日本"), "Ab", "AB",
                                 QString::fromUtf8("\xef\xbc\xa1"), QString::fromUtf8("\xf0\x9d\x94\xb8"), "A"};
    Table t;
    t.open(dir.path(), "units");
    for (int i = 0; i < periods.size(); ++i)
        addRec(t, {i % 2 ? "Y" : "X", QStringLiteral("n%1").arg(periods.size() - i, 2, 10, QLatin1Char('0')),
                   {}, periods[i]});
    addRec(t, {"W", "n99"});   // a second empty period: sorts by key before "X:n09"
    t.setActiveIndex("byperiod");
    EXPECT_EQ(t.activeIndex(), "ByPeriod");
    QStringList order;
    for (t.first(); !t.eof(); t.next()) order << t.str(u"Period") + QLatin1Char('/') + label(t);
    const QStringList expected = {
        "/W:n99", "/X:n09",
        "A/X:n01", "A/X:n13",   // equal periods: Excavation, then Unitname
        "AB/Y:n04", "Ab/X:n05", "B/X:n15", "Z/Y:n10", "a/Y:n14", "b/Y:n12",
        QString::fromUtf8("Ä/X:n11"), QString::fromUtf8("ä/Y:n08"), QString::fromUtf8("é/X:n07"),
        QString::fromUtf8("日本/Y:n06"), QString::fromUtf8("\xef\xbc\xa1/X:n03"),
        QString::fromUtf8("\xf0\x9d\x94\xb8/Y:n02")};
    EXPECT_EQ(order, expected);

    t.setActiveIndex("");
    EXPECT_EQ(walk(t, true).mid(0, 3), QStringList({"W:n99", "X:n01", "X:n03"}));
}

TEST_F(OrderTest, AdHocOrderByNumbersWithEmptyFirst)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1", {}, {}, {}, 2.5, 3},
             {"A", "u2", {}, {}, {}, -1.0, {}},
             {"A", "u3", {}, {}, {}, {}, -7},
             {"A", "u4", {}, {}, {}, 10.0, 3}});
    t.setOrderFields({"Count"});
    EXPECT_EQ(walk(t), QStringList({"u2", "u3", "u1", "u4"}));
    t.setOrderFields({"height"});
    EXPECT_EQ(walk(t), QStringList({"u3", "u2", "u1", "u4"}));
    t.setOrderFields({"Count;Height"});
    EXPECT_EQ(walk(t), QStringList({"u2", "u3", "u1", "u4"}));
    EXPECT_THROW(t.setOrderFields({"Nope"}), EngineError);
}

TEST_F(OrderTest, ChangingTheOrderKeepsTheCurrentRecord)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u1", {}, "C"}, {"A", "u2", {}, "A"}, {"A", "u3", {}, "B"}});
    t.first();
    t.setActiveIndex("ByPeriod");
    EXPECT_EQ(t.str(1), "u1");
    EXPECT_EQ(t.recNo(), 3);
    t.prior();
    EXPECT_EQ(t.str(1), "u3");
}

TEST_F(OrderTest, ReopeningOrdersByThePrimaryKeyAgain)
{
    {
        Table t;
        t.open(dir.path(), "units");
        fill(t, {{"A", "u1", {}, "B"}, {"A", "u2", {}, "A"}});
        t.setActiveIndex("ByPeriod");
        EXPECT_EQ(walk(t), QStringList({"u2", "u1"}));
    }
    Table t;
    t.open(dir.path(), "units");
    EXPECT_EQ(t.activeIndex(), "");
    EXPECT_EQ(walk(t), QStringList({"u1", "u2"}));
}

TEST_F(OrderTest, IndexesAreAddedDroppedAndKeptInTheFile)
{
    {
        Table t;
        t.open(dir.path(), "units");
        fill(t, {{"A", "u1", {}, {}, {}, {}, 2}, {"A", "u2", {}, {}, {}, {}, 1}});
        t.addIndex({"ByCount", {"Count", "Unitname"}});
        t.setActiveIndex("ByCount");
        EXPECT_EQ(walk(t), QStringList({"u2", "u1"}));
        try {
            t.setActiveIndex("Nope");
            FAIL();
        } catch (const EngineError& e) {
            EXPECT_EQ(e.text(), "Index not found: Nope");
        }
    }
    {
        Outside db(file);
        EXPECT_EQ(db.column("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL ORDER BY name"),
                  QStringList({"ByCount", "ByPeriod"}));
    }
    Table t;
    t.open(dir.path(), "units");
    t.setActiveIndex("BYCOUNT");
    EXPECT_EQ(walk(t), QStringList({"u2", "u1"}));
    t.dropIndex("ByCount");
    EXPECT_EQ(t.activeIndex(), "") << "the dropped index no longer orders the table";
    EXPECT_EQ(walk(t), QStringList({"u1", "u2"}));
    EXPECT_THROW(t.setActiveIndex("ByCount"), EngineError);
    t.dropIndex("ByCount");   // absent: no error
}

TEST_F(OrderTest, RecordsPostedDuringAWalkTakeTheirPlace)
{
    Table t;
    t.open(dir.path(), "units");
    fill(t, {{"A", "u2"}, {"A", "u4"}});
    t.first();
    addRec(t, {"A", "u3"});
    addRec(t, {"A", "u1"});
    EXPECT_EQ(t.str(1), "u1");
    t.next();
    EXPECT_EQ(t.str(1), "u2");
    EXPECT_EQ(walk(t), QStringList({"u1", "u2", "u3", "u4"}));
}

} // namespace
} // namespace belvanto::testing
