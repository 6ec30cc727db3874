#include "checks/PairFixture.h"
#include "checks/Plausibility.h"
#include "core/Format.h"
#include "core/Protocol.h"

using namespace belvanto;
using namespace belvanto::pair_testing;

namespace {

// "101 x=1 y=2 z=10.3 year=1200 class=group": a unit with the values given;
// the others stay empty, the class is "context" unless given.
void addUnits(SmallProject& p, const QStringList& descriptions)
{
    Table& t = p.session.units();
    BulkScope bulk;
    for (const QString& text : descriptions) {
        const QStringList words = text.split(QLatin1Char(' '));
        const UnitKey k = key(words[0]);
        t.insert();
        t.set(uf::Excavation, k.excavation);
        t.set(uf::Unitname, k.unitname);
        t.set(uf::Unitclass, kContext);
        for (const QString& word : words.mid(1)) {
            const QString name = word.section(QLatin1Char('='), 0, 0);
            const QString value = word.section(QLatin1Char('='), 1);
            if (name == QStringLiteral("class")) {
                t.set(uf::Unitclass, value);
            } else if (name == QStringLiteral("year")) {
                t.set(uf::AvgYear, *parseInt32(value));
            } else {
                const int field = name == QStringLiteral("x") ? uf::XAvgCoord
                                  : name == QStringLiteral("y") ? uf::YAvgCoord
                                                                : uf::ZAvgCoord;
                t.set(field, *parseDouble(value));
            }
        }
        t.post();
    }
}

} // namespace

TEST(CoordinatesPresentCheckTest, ListsOrCountsContextsWithoutFullCenter)
{
    const QString header = QStringLiteral("List of contexts without center coordinates:");
    const QString allPresent = QStringLiteral("Center coordinates are present for all contexts.");
    const QString count = QStringLiteral("%1 contexts do not have full center coordinates.");
    const QStringList full{"101 x=1 y=2 z=3", "102 x=0 y=0 z=0"};
    // A group or work area without coordinates is no context.
    const QStringList gaps{"101 x=1 y=2 z=3", "102 x=1 y=2", "103 y=2 z=3", "104 x=1 z=3", "G class=group",
                           "W class=work area"};
    struct Case {
        const char* name;
        ReportMode mode;
        QStringList before;
        QStringList units;
        QStringList after;
        int missing;
        bool singleExcavation = true;
    };
    const Case cases[] = {
        {"all present, short: the count even when it is 0", ReportMode::Summary, {}, full, {count.arg(0)}, 0},
        {"all present, detailed", ReportMode::Detailed, {}, full, {allPresent}, 0},
        {"gaps, detailed", ReportMode::Detailed, {}, gaps, {header, "102", "103", "104"}, 3},
        {"gaps, short", ReportMode::Summary, {}, gaps, {count.arg(3)}, 3},
        {"detailed after other lines: an empty line first", ReportMode::Detailed, {"x"}, gaps,
         {"x", "", header, "102", "103", "104"}, 3},
        {"short after other lines: no empty line", ReportMode::Summary, {"x"}, full, {"x", count.arg(0)}, 0},
        {"display names with the excavation", ReportMode::Detailed, {}, {"B:1", "A:2 x=1 y=1 z=1", "A:3 z=1"},
         {header, "A:3", "B:1"}, 2, false},
        {"no units at all", ReportMode::Detailed, {}, {}, {allPresent}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallProject p(c.singleExcavation);
        addUnits(p, c.units);
        Protocol protocol(c.mode);
        for (const QString& line : c.before) protocol.add(line);
        EXPECT_EQ(CoordinatesPresentCheck(p.session, protocol), c.missing);
        EXPECT_EQ(protocol.lines(), c.after);
        p.ui.verifyDone();
    }
}

TEST(DifferenceCheckTest, HeightAndYearDifferencesInBothReportModes)
{
    const QString laterHeights =
        QStringLiteral("List of later than relationships with problematic height difference of more than %1 coordinate units:");
    const QString noLaterHeights =
        QStringLiteral("Test of \"later than\" relationships: No problematic height differences found.");
    const QString laterHeightCount = QStringLiteral(
        "%1 \"later than\" relationships with problematic height difference of more than %2 coordinate units found.");
    const QString noContemporaryYears =
        QStringLiteral("Test of \"contemporary with\" relationships: No problematic year differences found.");
    // The later 101 lies 0.3 below the earlier 102.
    const QStringList below{"101 z=10.0", "102 z=10.3"};
    struct Case {
        const char* name;
        ReportMode mode;
        QStringList before;
        QStringList units;
        QStringList relations;
        int field;
        QChar code;
        QString limit;
        std::vector<Message> messages;
        QStringList after;
        int problems;
        bool singleExcavation = true;
    };
    const Case cases[] = {
        {"0.3 below, limit 0.5", ReportMode::Detailed, {}, below, {"101 > 102"}, uf::ZAvgCoord, category::Later, "0.5",
         {}, {noLaterHeights}, 0},
        {"0.3 below, limit 0.2", ReportMode::Detailed, {}, below, {"101 > 102"}, uf::ZAvgCoord, category::Later, "0.2",
         {}, {laterHeights.arg("0.2"), "101 later than 102"}, 1},
        {"0.3 below, limit 0.2, short", ReportMode::Summary, {}, below, {"101 > 102"}, uf::ZAvgCoord, category::Later,
         "0.2", {}, {laterHeightCount.arg(1).arg("0.2")}, 1},
        {"0.3 below, limit 0.5, short: the count 0", ReportMode::Summary, {}, below, {"101 > 102"}, uf::ZAvgCoord,
         category::Later, "0.5", {}, {laterHeightCount.arg(0).arg("0.5")}, 0},
        // 10.3 - 10.0 is 0.3000000000000007 in binary.
        {"0.3 below, limit exactly 0.3", ReportMode::Detailed, {}, {"101 z=10.00", "102 z=10.30"}, {"101 > 102"},
         uf::ZAvgCoord, category::Later, "0.3", {}, {noLaterHeights}, 0},
        {"0.3 apart, contemporary, limit exactly 0.3", ReportMode::Detailed, {}, {"101 z=10.30", "102 z=10.00"},
         {"101 - 102"}, uf::ZAvgCoord, category::Contemporary, "0.3", {},
         {"Test of \"contemporary with\" relationships: No problematic height differences found."}, 0},
        {"a later unit above the earlier one is no problem", ReportMode::Detailed, {}, {"101 z=50", "102 z=1"},
         {"101 > 102"}, uf::ZAvgCoord, category::Later, "0", {}, {noLaterHeights}, 0},
        {"an empty height is passed over", ReportMode::Detailed, {}, {"101", "102 z=10.3", "103 z=0"},
         {"101 > 102", "103 > 102"}, uf::ZAvgCoord, category::Later, "0", {},
         {laterHeights.arg("0"), "103 later than 102"}, 1},
        {"years: 1200 later than 1250, limit 0", ReportMode::Detailed, {}, {"101 year=1200", "102 year=1250"},
         {"101 > 102"}, uf::AvgYear, category::Later, "0", {},
         {"List of later than relationships with problematic year difference of more than 0:", "101 later than 102"},
         1},
        {"years: 1200 later than 1250, limit 0, short", ReportMode::Summary, {}, {"101 year=1200", "102 year=1250"},
         {"101 > 102"}, uf::AvgYear, category::Later, "0", {},
         {"1 \"later than\" relationships with problematic year difference of more than 0 found."}, 1},
        {"contemporary years exactly at the limit", ReportMode::Detailed, {}, {"101 year=1250", "102 year=1200"},
         {"101 - 102"}, uf::AvgYear, category::Contemporary, "50", {}, {noContemporaryYears}, 0},
        // Both rows of the pair are stored; it is listed once.
        {"contemporary years beyond the limit", ReportMode::Detailed, {}, {"101 year=1250", "102 year=1200"},
         {"101 - 102"}, uf::AvgYear, category::Contemporary, "49", {},
         {"List of contemporary with relationships with problematic year difference of more than 49:",
          "101 contemporary with 102"},
         1},
        {"contemporary years beyond the limit, short", ReportMode::Summary, {}, {"101 year=1250", "102 year=1200"},
         {"101 - 102"}, uf::AvgYear, category::Contemporary, "49", {},
         {"1 \"contemporary with\" relationships with problematic year difference of more than 49 found."}, 1},
        // By key (A, 9) comes before (A1, 1), but the name "A1:1" sorts
        // before "A:9": the row whose first name sorts first is the one.
        {"equal heights: the pair once, in display-name order", ReportMode::Detailed, {}, {"A:9 z=1", "A1:1 z=3"},
         {"A:9 = A1:1"}, uf::ZAvgCoord, category::Equal, "1.5", {},
         {"List of equal to relationships with problematic height difference of more than 1.5 coordinate units:",
          "A1:1 equal to A:9"},
         1, false},
        {"equal: a class of three", ReportMode::Summary, {}, {"101 z=1", "102 z=2", "103 z=4"},
         {"101 = 102", "101 = 103", "102 = 103"}, uf::ZAvgCoord, category::Equal, "1.5", {},
         {"2 \"equal to\" relationships with problematic height difference of more than 1.5 coordinate units found."},
         2},
        // Walked as "later than", each of the other rows would be a problem.
        {"only the rows of the category", ReportMode::Detailed, {},
         {"101 z=0", "102 z=9", "103 z=0", "104 z=9", "105 z=9", "106 z=0"}, {"101 - 102", "103 = 104", "105 > 106"},
         uf::ZAvgCoord, category::Later, "0", {}, {noLaterHeights}, 0},
        {"detailed after other lines: an empty line first", ReportMode::Detailed, {"x"}, below, {"101 > 102"},
         uf::ZAvgCoord, category::Later, "0.5", {}, {"x", "", noLaterHeights}, 0},
        {"short after other lines: no empty line", ReportMode::Summary, {"x"}, below, {"101 > 102"}, uf::ZAvgCoord,
         category::Later, "0.2", {}, {"x", laterHeightCount.arg(1).arg("0.2")}, 1},
        {"an empty limit skips the check", ReportMode::Detailed, {"x"}, below, {"101 > 102"}, uf::ZAvgCoord,
         category::Later, "", {}, {"x"}, 0},
        {"a limit that is no number is refused", ReportMode::Detailed, {"x"}, below, {"101 > 102"}, uf::ZAvgCoord,
         category::Later, "0.2m", {}, {"x"}, -1},
        {"a negative limit is refused", ReportMode::Summary, {}, below, {"101 > 102"}, uf::ZAvgCoord, category::Later,
         "-1", {}, {}, -1},
        // (101, 999) comes first in key order; the problem after it is not reached.
        {"a missing second unit ends the walk", ReportMode::Detailed, {}, {"101 z=0", "102 z=0", "103 z=9"},
         {"101 >! 999", "102 > 103"}, uf::ZAvgCoord, category::Later, "0",
         {{MessageKind::Error, "Unittable corrupt? Could not find unit E:999"}}, {noLaterHeights}, 0},
        // Stored out of key order: the lines and the end of the walk are
        // those of key order all the same.
        {"problems stored out of key order", ReportMode::Detailed, {}, {"101 z=0", "102 z=9", "103 z=0", "104 z=9"},
         {"103 > 104", "101 > 102"}, uf::ZAvgCoord, category::Later, "0", {},
         {laterHeights.arg("0"), "101 later than 102", "103 later than 104"}, 2},
        {"a missing unit stored first ends the walk where key order reaches it", ReportMode::Detailed, {},
         {"101 z=0", "102 z=9", "103 z=0", "105 z=0", "106 z=9"}, {"105 > 106", "103 >! 999", "101 > 102"},
         uf::ZAvgCoord, category::Later, "0", {{MessageKind::Error, "Unittable corrupt? Could not find unit E:999"}},
         {laterHeights.arg("0"), "101 later than 102"}, 1},
        {"an empty first value: the second unit is not looked up", ReportMode::Detailed, {}, {"101", "102 z=0", "103 z=9"},
         {"101 >! 999", "102 > 103"}, uf::ZAvgCoord, category::Later, "0", {},
         {laterHeights.arg("0"), "102 later than 103"}, 1},
        {"a missing first unit ends the walk", ReportMode::Summary, {}, {"101 z=0", "102 z=9"},
         {"101 > 102", "998 >! 101"}, uf::ZAvgCoord, category::Later, "0",
         {{MessageKind::Error, "Unittable corrupt? Could not find unit E:998"}}, {laterHeightCount.arg(1).arg("0")}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallProject p(c.singleExcavation);
        addUnits(p, c.units);
        p.relate(c.relations);
        p.expect(c.messages);
        Protocol protocol(c.mode);
        for (const QString& line : c.before) protocol.add(line);
        EXPECT_EQ(DifferenceCheck(p.session, c.field, c.code, c.limit, protocol), c.problems);
        EXPECT_EQ(protocol.lines(), c.after);
        p.ui.verifyDone();
    }
}
