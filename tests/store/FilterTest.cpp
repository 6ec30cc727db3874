// Filter expressions against a small fixture: blanks and NULL, quotes, the
// letter case of field names, and/or precedence, parentheses, numbers and
// dates; malformed expressions with their messages.
#include "TableFixture.h"

namespace belvanto::testing {
namespace {

struct FilterCase {
    const char* expression;
    QStringList expected;   // unit names, primary order
};

void PrintTo(const FilterCase& c, std::ostream* os)
{
    *os << c.expression;
}

class FilterTest : public TableTest, public ::testing::WithParamInterface<FilterCase> {
protected:
    Table t;

    void SetUp() override
    {
        TableTest::SetUp();
        t.open(dir.path(), "units");
        const QString A = QStringLiteral("A");
        fill(t, {{A, "u1", "context", {}, {}, {}, 5, QDate(2003, 2, 1)},
                 {A, "u2", "group", "", {}, 1.5, {}, {}},
                 {A, "u3", "context", "Roman", {}, -2.0, 10, QDate(1999, 12, 31)},
                 {A, "u4", "work area", "O'Neil", {}, 0.0, -3, QDate(2010, 6, 15)},
                 {A, "u5", "context", "roman", {}, 3.25, 0, {}},
                 {A, "u6", "group", "Zeit", {}, 100.0, 7, QDate(2003, 2, 1)}});
    }
};

const QStringList all = {"u1", "u2", "u3", "u4", "u5", "u6"};

TEST_P(FilterTest, SelectsTheExpectedRecords)
{
    t.setFilter(QString::fromUtf8(GetParam().expression));
    EXPECT_EQ(walk(t), GetParam().expected);
    EXPECT_EQ(t.count(), GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, FilterTest,
    ::testing::Values(
        // The empty value (NULL, or a string posted as '') compares lowest.
        FilterCase{"Period <= ''", {"u1", "u2"}},
        FilterCase{"Period > ''", {"u3", "u4", "u5", "u6"}},
        FilterCase{"Period = ''", {"u1", "u2"}},
        FilterCase{"Period <> ''", {"u3", "u4", "u5", "u6"}},
        FilterCase{"Period = NULL", {"u1", "u2"}},
        FilterCase{"Period <> null", {"u3", "u4", "u5", "u6"}},
        FilterCase{"Period < 'S'", {"u1", "u2", "u3", "u4"}},
        FilterCase{"Period >= 'S'", {"u5", "u6"}},
        FilterCase{"Period > 'Z'", {"u5", "u6"}},
        // Quotes, letter case of field names and of values.
        FilterCase{"Period = 'O''Neil'", {"u4"}},
        FilterCase{"period = 'Roman'", {"u3"}},
        FilterCase{"PERIOD = 'roman'", {"u5"}},
        FilterCase{"\"Period\" = 'Zeit'", {"u6"}},
        FilterCase{"Unitclass = 'work area'", {"u4"}},
        FilterCase{"  Unitname='u3'  ", {"u3"}},
        // and binds tighter than or; parentheses; keywords in any case.
        FilterCase{"Unitclass = 'context' and Period > ''", {"u3", "u5"}},
        FilterCase{"Unitclass = 'group' or Unitclass = 'context' and Count > 6", {"u2", "u3", "u6"}},
        FilterCase{"(Unitclass = 'group' or Unitclass = 'context') and Count > 6", {"u3", "u6"}},
        FilterCase{"Unitname = 'u1' OR Unitname = 'u2' AND Count = 5", {"u1"}},
        FilterCase{"Unitname = 'u1' AnD Count = 5 oR Unitname = 'u6'", {"u1", "u6"}},
        FilterCase{"((Count = 5))", {"u1"}},
        FilterCase{"(Excavation='A') And (Unitname='u4')", {"u4"}},
        // Numbers compare numerically; the empty value is below every number.
        FilterCase{"Count > 6", {"u3", "u6"}},
        FilterCase{"Count < 1", {"u2", "u4", "u5"}},
        FilterCase{"Count >= -3", {"u1", "u3", "u4", "u5", "u6"}},
        FilterCase{"Count = 0", {"u5"}},
        FilterCase{"Count <> 0", {"u1", "u2", "u3", "u4", "u6"}},
        FilterCase{"Count = NULL", {"u2"}},
        FilterCase{"Count > ''", {"u1", "u3", "u4", "u5", "u6"}},
        FilterCase{"Count = '10'", {"u3"}},
        FilterCase{"Count = 5.0", {"u1"}},
        FilterCase{"Height > 1.5", {"u5", "u6"}},
        FilterCase{"Height <= -2", {"u1", "u3"}},
        FilterCase{"Height = 1.50", {"u2"}},
        FilterCase{"Height > +1", {"u2", "u5", "u6"}},
        FilterCase{"Height >= -2.5", {"u2", "u3", "u4", "u5", "u6"}},
        FilterCase{"Height <> NULL", {"u2", "u3", "u4", "u5", "u6"}},
        FilterCase{"Height < .5", {"u1", "u3", "u4"}},
        // Dates are quoted ISO texts.
        FilterCase{"Found >= '2003-02-01'", {"u1", "u4", "u6"}},
        FilterCase{"Found < '2003-02-01'", {"u2", "u3", "u5"}},
        FilterCase{"Found = NULL", {"u2", "u5"}}));

struct MalformedCase {
    const char* expression;
    const char* message;
};

class MalformedFilterTest : public FilterTest {};

TEST_F(MalformedFilterTest, EveryFaultIsAnErrorWithItsMessageAndTheOldFilterStays)
{
    const MalformedCase cases[] = {
        {"Foo = 1", "Filter: unknown field 'Foo'"},
        {"Period = 'abc", "Filter: unterminated quoted text starting at position 10"},
        {"\"Period = 'a'", "Filter: unterminated quoted field name starting at position 1"},
        {"Period =", "Filter: expected a value after '=' at the end of the text"},
        {"Period = 'a' Count = 1", "Filter: unexpected 'Count' at position 14"},
        {"Period = 'a')", "Filter: unexpected ')' at position 13"},
        {"(Period = 'a'", "Filter: expected ')' at the end of the text"},
        {"Period 'a'", "Filter: expected a comparison operator after 'Period' at position 8, found ''a''"},
        {"Period = 'a' and", "Filter: expected a field name at the end of the text"},
        {"Count = 1 or", "Filter: expected a field name at the end of the text"},
        {"Count > abc", "Filter: expected a value after '>' at position 9, found 'abc'"},
        {"Period == 'a'", "Filter: expected a value after '=' at position 9, found '='"},
        {"Count > 'abc'", "Filter: field 'Count' cannot be compared with 'abc'"},
        {"Found = '1.2.2003'", "Filter: field 'Found' cannot be compared with '1.2.2003'"},
        {"Found = 3", "Filter: field 'Found' cannot be compared with '3'"},
        {"Count = 1.2.3", "Filter: malformed number '1.2.' at position 9"},
        {"Count = -", "Filter: malformed number '-' at position 9"},
        {"Count = 12abc", "Filter: malformed number '12a' at position 9"},
        {"Period # 1", "Filter: unexpected character '#' at position 8"},
        {")", "Filter: expected a field name at position 1, found ')'"},
        {"()", "Filter: expected a field name at position 2, found ')'"},
        {"= 'a'", "Filter: expected a field name at position 1, found '='"},
    };
    t.setFilter("Unitclass = 'group'");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        try {
            t.setFilter(QString::fromUtf8(c.expression));
            ADD_FAILURE() << "accepted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.text().toStdString(), c.message);
        }
        EXPECT_EQ(t.filterText(), "Unitclass = 'group'");
        EXPECT_EQ(walk(t), QStringList({"u2", "u6"}));
    }
    try {
        parseFilter("   ");
        ADD_FAILURE() << "accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.text(), "Filter: empty expression");
    }
}

// Filters nested or chained far beyond what a user writes, as a fuzzer or a
// damaged settings file produces them.
QString nested(int levels, const QString& inner)
{
    return QString(levels, QLatin1Char('(')) + inner + QString(levels, QLatin1Char(')'));
}

// "Count <> 90 and (Count = 91 or (... Count = 5))": levels groups of
// alternating operators inside one another, each of them width comparisons
// wide; it selects what "Count = 5" selects.
QString alternating(int levels, int width = 1)
{
    QString s = QStringLiteral("Count = 5");
    for (int i = 0; i < levels; ++i) {
        const QString other = (i % 2 ? QStringLiteral("Count = %1 or ") : QStringLiteral("Count <> %1 and ")).arg(90 + i);
        s = other.repeated(width) + QLatin1Char('(') + s + QLatin1Char(')');
    }
    return s;
}

QString chain(int n, const char* op)
{
    QStringList parts;
    for (int i = 0; i < n; ++i) parts << QStringLiteral("Unitname = 'x%1'").arg(i);
    return parts.join(QLatin1String(op)) + QLatin1String(op) + QStringLiteral("Unitname = 'u3'");
}

TEST_F(MalformedFilterTest, TooDeepOrTooLongIsAFilterMessageNotACrash)
{
    const struct {
        QString expression;
        QString message;
    } cases[] = {
        {nested(6000, "Count = 1"), "Filter: parentheses nested more than 100 deep at position 101"},
        {QString(6000, QLatin1Char('(')), "Filter: parentheses nested more than 100 deep at position 101"},
        {nested(101, "Count = 1"), "Filter: parentheses nested more than 100 deep at position 101"},
        {alternating(40), "Filter: and/or conditions nested more than 32 deep"},
        {alternating(33), "Filter: and/or conditions nested more than 32 deep"},
    };
    t.setFilter("Unitclass = 'group'");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression.left(60).toStdString());
        EXPECT_EQ(engineError([&] { t.setFilter(c.expression); }), c.message);
        EXPECT_EQ(t.filterText(), "Unitclass = 'group'");
    }
    FilterExpr deep = FilterExpr::compare("Count", CompareOp::Eq, 1);
    for (int i = 0; i < 40; ++i)
        deep = i % 2 ? FilterExpr::either(FilterExpr::compare("Count", CompareOp::Ne, i), std::move(deep))
                     : FilterExpr::both(FilterExpr::compare("Count", CompareOp::Ne, i), std::move(deep));
    EXPECT_EQ(engineError([&] { t.setFilter(deep); }), "Filter: and/or conditions nested more than 32 deep");
    EXPECT_EQ(walk(t), QStringList({"u2", "u6"}));
}

TEST_F(FilterTest, LongChainsAndNestingUpToTheLimitsWork)
{
    const struct {
        QString expression;
        QStringList expected;
    } cases[] = {
        {chain(2000, " or "), {"u3"}},
        {chain(2000, " OR ") + QStringLiteral(" or Count <> 10"), all},
        {QStringLiteral("Count <> 99 and ").repeated(2000) + QStringLiteral("Count < 1"), {"u2", "u4", "u5"}},
        {nested(100, "Count = 5"), {"u1"}},
        {alternating(kFilterMaxNesting), {"u1"}},
        // At the nesting limit, with chains longer than SQLite's groups on every level.
        {alternating(kFilterMaxNesting, 100), {"u1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression.left(60).toStdString());
        t.setFilter(c.expression);
        EXPECT_EQ(walk(t), c.expected);
    }
    // Each combination in the filter menu puts the filter so far in
    // parentheses: forty combinations with "and" are one flat chain.
    QString combined = QStringLiteral("Count <> 99");
    for (int i = 0; i < 40; ++i) combined = QLatin1Char('(') + combined + QStringLiteral(") And Count <> 98");
    t.setFilter(combined);
    EXPECT_EQ(walk(t), all);
}

TEST_F(FilterTest, SwitchingOffKeepsTheExpressionAndEmptyTextRemovesIt)
{
    t.setFilter("Unitclass = 'group'");
    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(t.count(), 2);
    t.setFiltered(false);
    EXPECT_EQ(t.count(), 6);
    EXPECT_EQ(t.filterText(), "Unitclass = 'group'");
    {
        FilterOff off(t);   // already off: stays off
        EXPECT_EQ(t.count(), 6);
    }
    EXPECT_FALSE(t.filtered());
    t.setFiltered(true);
    EXPECT_EQ(t.count(), 2);
    {
        FilterOff off(t);
        EXPECT_EQ(t.count(), 6);
    }
    EXPECT_EQ(t.count(), 2);
    t.setFilter("");
    EXPECT_FALSE(t.filtered());
    EXPECT_EQ(t.count(), 6);
}

TEST_F(FilterTest, ATreeBuiltInCodeNeedsNoQuoting)
{
    const auto e = FilterExpr::both(FilterExpr::compare("period", CompareOp::Eq, QString("O'Neil")),
                                    FilterExpr::either(FilterExpr::compare("Count", CompareOp::Lt, 0),
                                                       FilterExpr::compare("Count", CompareOp::Gt, 100)));
    t.setFilter(e);
    EXPECT_EQ(walk(t), QStringList({"u4"}));
    t.setFilter(FilterExpr::compare("Height", CompareOp::Le, Value()));
    EXPECT_EQ(walk(t), QStringList({"u1"}));
    EXPECT_THROW(t.setFilter(FilterExpr::compare("Nope", CompareOp::Eq, 1)), EngineError);
}

TEST_F(FilterTest, RecordsPostedLaterAreFilteredToo)
{
    t.setFilter("Period > ''");
    addRec(t, {"B", "n1", {}, "Late"});
    addRec(t, {"B", "n2"});
    EXPECT_EQ(walk(t), QStringList({"u3", "u4", "u5", "u6", "n1"}));
}

} // namespace
} // namespace belvanto::testing
