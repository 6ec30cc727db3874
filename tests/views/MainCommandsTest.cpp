#include "store/ProjectFixture.h"
#include "views/MainCommands.h"

using namespace belvanto;

namespace {

class FindUnitTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* key : {"A:10", "A:12", "A:120", "A:Pit", "B:12", "B:3", "Cave:x1", "Cave:X2"}) {
            const QStringList parts = QString::fromLatin1(key).split(QLatin1Char(':'));
            addUnit(parts[0], parts[1]);
        }
        session.units().first();
    }
    QString found(const QString& text)
    {
        if (!FindUnit(session.units(), text)) return QStringLiteral("none");
        return session.units().str(uf::Excavation) + QLatin1Char(':') + session.units().str(uf::Unitname);
    }
};

} // namespace

TEST_F(FindUnitTest, NamesKeysPrefixesAndColons)
{
    struct Case {
        const char* text;
        const char* unit;
    } cases[] = {
        {"12", "A:12"},          // exact name, first in key order
        {":::12", "A:12"},       // leading colons are dropped
        {"1", "A:10"},           // prefix
        {"pi", "A:Pit"},         // prefix, ignoring case
        {"B:12", "B:12"},        // exact key
        {"B:1", "B:12"},         // excavation and name prefix
        {"A:", "A:10"},          // first unit of the excavation
        {"b:3", "B:3"},          // excavation ignoring case
        {"cave:x", "Cave:X2"},    // list order is by code point: "X2" before "x1"
        {"C:1", "none"},         // the excavation must match whole
        {"Q", "none"},
        {"A:9", "none"},
    };
    for (const Case& c : cases) EXPECT_EQ(found(QString::fromLatin1(c.text)), QString::fromLatin1(c.unit)) << c.text;
}

TEST_F(FindUnitTest, SearchesTheFilteredListAndStaysPutWhenNothingIsFound)
{
    session.units().setFilter(QStringLiteral("Excavation = 'B'"));
    EXPECT_EQ(found(QStringLiteral("12")), QStringLiteral("B:12"));
    EXPECT_EQ(found(QStringLiteral("Pit")), QStringLiteral("none"));
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("12"));
}

TEST(CountMessage, WithAndWithoutFilter)
{
    EXPECT_EQ(CountMessage(QStringLiteral("Site"), 20, std::nullopt), QStringLiteral("Project Site consists of 20 units."));
    EXPECT_EQ(CountMessage(QStringLiteral("Site"), 20, 5),
              QStringLiteral("Project Site consists of 20 units.\r\nAfter filtering, 5 units are displayed."));
}

TEST(ParseMemInfo, TotalAndLoad)
{
    const QString text = QStringLiteral("MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
                                        "MemAvailable:    4000000 kB\nBuffers:          100 kB\n");
    EXPECT_EQ(ParseMemInfo(text), (MemoryFigures{16000000, 75}));
    EXPECT_EQ(ParseMemInfo(QStringLiteral("MemTotal: 1000 kB\n")), (MemoryFigures{1000, 0}));
    EXPECT_FALSE(ParseMemInfo(QStringLiteral("MemFree: 10 kB\n")));
}
