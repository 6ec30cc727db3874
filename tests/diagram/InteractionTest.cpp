// Pointing at boxes, finding units by name and marking groups, on drawings
// made with fixed text measures.
#include "DiagramFixture.h"
#include "diagram/Interaction.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

QString hitName(const DiagramDrawing& d, qint64 x, qint64 y)
{
    const auto hit = HitUnit(d, x, y);
    return hit ? d.units[*hit].record->Unitname : QStringLiteral("-");
}

// Boxes are 48 + 10 wide and 14 + 4 high; the gaps between columns and
// levels belong to the box left of (above) them.
TEST(HitTest, ColumnAndLevelBandsReachOverTheWholeLastBox)
{
    const DiagramDrawing d = draw(threeByThree());
    const DiagramGeometry& g = d.geometry;
    const qint64 right = g.ColumnX(3) + g.box().BoxWidth + 10;
    const qint64 bottom = g.LevelY(3) + g.box().BoxHeight + 4;
    struct Case {
        const char* what;
        qint64 x, y;
        const char* expected;
    };
    const Case cases[] = {
        {"top left pixel of the first box", g.ColumnX(1), g.LevelY(1), "AAAAA1"},
        {"gap right of the first box", g.ColumnX(2) - 1, g.LevelY(1) + 3, "AAAAA1"},
        {"gap below the first box", g.ColumnX(1) + 3, g.LevelY(2) - 1, "AAAAA1"},
        {"left of the first column", g.ColumnX(1) - 1, g.LevelY(1), "-"},
        {"exactly the left edge of the last column", g.ColumnX(3), g.LevelY(3), "AAAAA3"},
        {"last pixel of the last box", right - 1, bottom - 1, "AAAAA3"},
        {"right of the last box", right, g.LevelY(3), "-"},
        {"below the last box", g.ColumnX(3), bottom, "-"},
        {"a cell where no box starts", g.ColumnX(2), g.LevelY(1), "-"},
    };
    for (const Case& c : cases) EXPECT_EQ(hitName(d, c.x, c.y), QString::fromUtf8(c.expected)) << c.what;
}

TEST(FindEntry, ModesColonRulesAndLengths)
{
    const AbbreviationList abbreviations{{QStringLiteral("Nordfeld"), QStringLiteral("NF")}};
    const FindLimits limits{8, 10};
    using Q = FindQuery;
    struct Case {
        const char* entry;
        BoxContents mode;
        std::variant<FindQuery, QString> expected;
    };
    const Case cases[] = {
        {"12", BoxContents::UnitName, Q{std::nullopt, QStringLiteral("12")}},
        // A leading colon keeps the whole entry a unit name.
        {":12", BoxContents::ExcavationName, Q{std::nullopt, QStringLiteral(":12")}},
        {"Nordfeld:7", BoxContents::ExcavationName, Q{QStringLiteral("Nordfeld"), QStringLiteral("7")}},
        {"NF:7", BoxContents::AbbreviationName, Q{QStringLiteral("Nordfeld"), QStringLiteral("7")}},
        {"NF:7", BoxContents::ExcavationName, Q{QStringLiteral("NF"), QStringLiteral("7")}},
        {"XY:", BoxContents::AbbreviationName, Q{QStringLiteral("XY"), QString()}},
        {"123456789", BoxContents::UnitName, QStringLiteral("Unit name 123456789 too long.")},
        {"Nordfeldwest:1", BoxContents::ExcavationName, QStringLiteral("Excavation name Nordfeldwest too long.")},
        {"A:123456789", BoxContents::ExcavationName, QStringLiteral("Unit name 123456789 too long.")},
        {"Ἄρτεμις", BoxContents::UnitName, Q{std::nullopt, QStringLiteral("Ἄρτεμις")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseFindEntry(QString::fromUtf8(c.entry), c.mode, abbreviations, limits), c.expected) << c.entry;
    EXPECT_EQ(FindPrompt(BoxContents::AbbreviationName), QStringLiteral("Enter excavation abbreviation:unit name"));
}

TEST(FindEntry, ExactThenPrefixIgnoringCase)
{
    std::vector<UnitRecord> units{box("120", 1, 1), box("Abc", 1, 2), box("abc", 2, 2), dummy("12", 1, 1, 2)};
    units[2].Excavation = QStringLiteral("F");
    auto found = [&](const FindQuery& q) {
        const auto i = FindUnit(units, q);
        return i ? units[*i].Excavation + QLatin1Char(':') + units[*i].Unitname : QStringLiteral("-");
    };
    EXPECT_EQ(found({std::nullopt, QStringLiteral("12")}), QStringLiteral("E:120"));
    EXPECT_EQ(found({std::nullopt, QStringLiteral("abc")}), QStringLiteral("F:abc"));
    EXPECT_EQ(found({std::nullopt, QStringLiteral("AB")}), QStringLiteral("E:Abc"));
    EXPECT_EQ(found({QStringLiteral("E"), QStringLiteral("abc")}), QStringLiteral("-"));
    EXPECT_EQ(found({QStringLiteral("F"), QStringLiteral("abc")}), QStringLiteral("F:abc"));
    EXPECT_EQ(found({std::nullopt, QStringLiteral("x")}), QStringLiteral("-"));
}

TEST(FindScroll, CentresWhatFitsAndShowsTheStartOfWhatDoesNot)
{
    LayoutParameters p = parameters(10, 10);
    p.groups = true;
    const DiagramDrawing d = draw(layout(p, {box("a", 5, 5), group("G", 2, 9, 2, 9, 1)}));
    const DiagramGeometry& g = d.geometry;
    const BoxGeometry& b = g.box();
    const UnitRecord& a = *d.units[*HitUnit(d, g.ColumnX(5), g.LevelY(5))].record;
    ScrollTarget t = FindScrollTarget(g, a, 1.0, 1.0, 100, 40, 10000, 10000);
    EXPECT_EQ(t.x, g.ColumnX(5) + b.BoxHalfWidth - 50);
    EXPECT_EQ(t.y, g.LevelY(5) + b.BoxHalfHeight - 20);
    t = FindScrollTarget(g, a, 2.0, 2.0, 100, 40, 10000, 10000);
    EXPECT_EQ(t.x, 2 * (g.ColumnX(5) + b.BoxHalfWidth) - 50);
    // Clamped to the scroll range.
    EXPECT_EQ(FindScrollTarget(g, a, 1.0, 1.0, 100, 40, 7, 3).x, 7);
    // The group is wider than the view: its left edge at the view's left.
    const UnitRecord& group = *d.units[*HitUnit(d, g.ColumnX(2), g.LevelY(2))].record;
    t = FindScrollTarget(g, group, 1.0, 1.0, 100, 40, 10000, 10000);
    EXPECT_EQ(t.x, g.ColumnX(2));
    EXPECT_EQ(t.y, g.LevelY(2) - b.BoxHalfHeight);
}

TEST(MarkedGroups, ToggleKeepsTheListSortedAndTopLevelSkipsEnclosedGroups)
{
    QStringList marked;
    const UnitRecord h = group("H", 1, 1, 1, 1, 1), g = group("G", 1, 1, 1, 1, 1);
    EXPECT_TRUE(ToggleMarkedGroup(marked, h));
    EXPECT_TRUE(ToggleMarkedGroup(marked, g));
    EXPECT_EQ(marked, (QStringList{QStringLiteral("E:G"), QStringLiteral("E:H")}));
    EXPECT_FALSE(ToggleMarkedGroup(marked, h));
    EXPECT_EQ(marked, QStringList{QStringLiteral("E:G")});

    const std::vector<UnitRecord> units{group("U", 1, 4, 1, 6, 2), group("V", 2, 3, 2, 4, 1), group("W", 6, 7, 1, 2, 1),
                                        box("a", 5, 1)};
    EXPECT_EQ(TopLevelGroups(units), (QStringList{QStringLiteral("E:U"), QStringLiteral("E:W")}));
    EXPECT_TRUE(HasGroups(units));
    EXPECT_FALSE(HasGroups({box("a", 1, 1)}));
}

} // namespace
