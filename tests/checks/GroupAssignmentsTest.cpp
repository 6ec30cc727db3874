#include "checks/GroupAssignments.h"
#include "checks/PairFixture.h"
#include "core/Protocol.h"

using namespace belvanto;
using namespace belvanto::pair_testing;

TEST(GroupAssignmentTest, ConflictLinesInBothReportModes)
{
    const QString header = QStringLiteral("List of \"equal to\" relationships with conflicting group assignments:");
    const QString none = QStringLiteral("No \"equal to\" relationships with conflicting group assignments found.");
    const QString count = QStringLiteral("%1 \"equal to\" relationships with conflicting group assignments found");
    struct Case {
        const char* name;
        ReportMode mode;
        QStringList before;   // the protocol's lines before the test
        QStringList contexts;
        QStringList groups;
        QStringList workAreas;
        QStringList relations;
        std::vector<Message> messages;
        QStringList after;
        bool conflict;
        bool singleExcavation = true;
    };
    const QStringList grouped101{"101 = 102", "101 p G"};
    const Case cases[] = {
        // The row (102, 101) stands for the pair: its first unit has the later key.
        {"grouped and ungrouped, detailed", ReportMode::Detailed, {}, {"101", "102"}, {"G"}, {}, grouped101, {},
         {header, "102 equal to 101"}, true},
        {"grouped and ungrouped, short", ReportMode::Summary, {}, {"101", "102"}, {"G"}, {}, grouped101, {},
         {count.arg(1)}, true},
        {"detailed after other lines: an empty line first", ReportMode::Detailed, {"No cycles found."},
         {"101", "102"}, {"G"}, {}, grouped101, {}, {"No cycles found.", "", header, "102 equal to 101"}, true},
        {"short after other lines: no empty line", ReportMode::Summary, {"No cycles found."}, {"101", "102"}, {"G"},
         {}, grouped101, {}, {"No cycles found.", count.arg(1)}, true},
        {"same group, detailed", ReportMode::Detailed, {}, {"101", "102"}, {"G"}, {},
         {"101 = 102", "101 p G", "102 p G"}, {}, {none}, false},
        {"same group, short", ReportMode::Summary, {}, {"101", "102"}, {"G"}, {}, {"101 = 102", "101 p G", "102 p G"},
         {}, {}, false},
        {"both in no group", ReportMode::Detailed, {}, {"101", "102"}, {}, {}, {"101 = 102"}, {}, {none}, false},
        {"no equal rows, detailed after other lines", ReportMode::Detailed, {"x"}, {"101", "102"}, {"G"}, {},
         {"101 > 102", "101 p G"}, {}, {"x", "", none}, false},
        // Each pair of a class of three once: 101 differs from both others.
        {"a class of three", ReportMode::Detailed, {}, {"101", "102", "103"}, {"G"}, {},
         {"101 = 102", "101 = 103", "102 = 103", "101 p G"}, {}, {header, "102 equal to 101", "103 equal to 101"},
         true},
        {"a class of three, short", ReportMode::Summary, {}, {"101", "102", "103"}, {"G"}, {},
         {"101 = 102", "101 = 103", "102 = 103", "101 p G"}, {}, {count.arg(2)}, true},
        // Joined without a separator both keys read "A12"; the pair is still one pair.
        {"keys that join to the same text", ReportMode::Detailed, {}, {"A1:2", "A:12"}, {"A:G"}, {},
         {"A1:2 = A:12", "A1:2 p A:G"}, {}, {header, "A1:2 equal to A:12"}, true, false},
        {"keys that join to the same text, short", ReportMode::Summary, {}, {"A1:2", "A:12"}, {"A:G"}, {},
         {"A1:2 = A:12", "A1:2 p A:G"}, {}, {count.arg(1)}, true, false},
        // A work area is no group; the first group in key order counts.
        {"a work area before the group", ReportMode::Detailed, {}, {"101", "102"}, {"G"}, {"A"},
         {"101 = 102", "101 p A", "101 p G", "102 p G"}, {}, {none}, false},
        {"the first of two groups counts", ReportMode::Detailed, {}, {"101", "102"}, {"G1", "G2"}, {},
         {"101 = 102", "101 p G1", "101 p G2", "102 p G2"}, {}, {header, "102 equal to 101"}, true},
        {"a missing container: no group", ReportMode::Detailed, {}, {"101", "102"}, {}, {}, {"101 = 102", "101 p G9"},
         {{MessageKind::Error, "Unittable corrupt? Could not find unit E:G9"}}, {none}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallProject p(c.singleExcavation);
        p.contexts(c.contexts);
        p.units(c.groups, kGroup);
        p.units(c.workAreas, kWorkArea);
        p.relate(c.relations);
        p.expect(c.messages);
        Protocol protocol(c.mode);
        for (const QString& line : c.before) protocol.add(line);
        const qsizetype statuses = p.ui.statuses().size();
        EXPECT_EQ(GroupAssignmentTest(p.session, protocol), c.conflict);
        EXPECT_EQ(protocol.lines(), c.after);
        EXPECT_EQ(p.ui.statuses().mid(statuses), (QStringList{"Testing group assignments", ""}));
        p.ui.verifyDone();
    }
}
