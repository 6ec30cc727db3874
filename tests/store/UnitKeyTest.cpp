// The unit key's order and hash: in-memory maps and sorts must agree with
// the order in which the tables walk their keys.
#include "TableFixture.h"
#include "store/UnitKey.h"
#include <algorithm>
#include <unordered_set>

namespace belvanto::testing {
namespace {

TEST(KeyTextOrder, CodePointsCaseSensitive)
{
    struct Case {
        QString a, b;
        int sign;
    };
    const std::vector<Case> cases{
        {QStringLiteral("B"), QStringLiteral("a"), -1},
        {QString(), QStringLiteral("A"), -1},
        {QStringLiteral("A"), QStringLiteral("AA"), -1},
        {QStringLiteral("A1:x"), QStringLiteral("A:x"), -1},
        {QStringLiteral("Z"), QStringLiteral("\u00C4"), -1},
        // A code point above U+FFFF sorts after U+E000 though its first
        // UTF-16 unit is smaller.
        {QStringLiteral("\uE000"), QString::fromUcs4(U"\U0001F600"), -1},
        {QStringLiteral("\uFF21"), QString::fromUcs4(U"\U0001D538"), -1},
        {QStringLiteral("x"), QStringLiteral("x"), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareKeyText(c.a, c.b), c.sign) << c.a.toStdString() << " " << c.b.toStdString();
        EXPECT_EQ(CompareKeyText(c.b, c.a), -c.sign);
    }
}

using UnitKeyOrderTest = TableTest;

// Keys where UTF-16 order and code point order disagree, in both fields:
// sorting UnitKeys must give the table's own key order.
TEST_F(UnitKeyOrderTest, SortsAsTheTableWalksItsKeys)
{
    const QString high = QString::fromUcs4(U"\U0001F600");   // surrogate pair
    const QString priv = QStringLiteral("\uE000");
    const QString full = QStringLiteral("\uFF21");
    std::vector<UnitKey> keys{{priv, QStringLiteral("1")}, {high, QStringLiteral("1")}, {QStringLiteral("A"), high},
                              {QStringLiteral("A"), priv}, {QStringLiteral("A"), full}, {QStringLiteral("A"), "a"},
                              {QStringLiteral("a"), "A"},  {full, high},               {full, priv},
                              {QStringLiteral("A"), "B"}};
    Table t;
    t.open(dir.path(), "units");
    for (const UnitKey& k : keys) addRec(t, {k.excavation, k.unitname});
    t.setActiveIndex(QString());
    std::vector<UnitKey> walked;
    for (t.first(); !t.eof(); t.next()) walked.push_back({t.str(u"Excavation"), t.str(u"Unitname")});

    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, walked);
    // The UTF-16 order would put the surrogate pair first.
    EXPECT_LT(UnitKey({QStringLiteral("A"), priv}), UnitKey({QStringLiteral("A"), high}));
}

TEST(UnitKeyHash, EqualKeysMeetAndFieldsDoNotRunTogether)
{
    std::unordered_set<UnitKey> set{{QStringLiteral("AB"), QStringLiteral("C")}};
    EXPECT_TRUE(set.contains({QStringLiteral("AB"), QStringLiteral("C")}));
    // The same characters split differently are another unit.
    EXPECT_FALSE(set.contains({QStringLiteral("A"), QStringLiteral("BC")}));
    EXPECT_EQ(qHash(UnitKey{QStringLiteral("x"), QStringLiteral("y")}),
              qHash(UnitKey{QStringLiteral("x"), QStringLiteral("y")}));
}

} // namespace
} // namespace belvanto::testing
