#include "exchange/HarrisList.h"
#include "core/Regional.h"
#include "core/TextCodec.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"


#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

const QString kIndent(12, QLatin1Char(' '));
const QByteArray kHeader("Stratigraphic Dataset Test\r\n\r\n\r\n");
// The header of our own Extended Harris List.
const QByteArray kListHeader("            Stratigraphic Dataset Site\r\n\r\nName\r\n");

// "unit:description" for every unit, "unit<code>other" for every relationship.
QStringList describe(const HarrisList& list)
{
    QStringList text;
    for (const auto& u : list.units) text << u.name + QLatin1Char(':') + u.description;
    for (const auto& r : list.relations) text << r.unit + r.code + r.other;
    return text;
}

// The refusal, or "" when the list reads.
QString readError(const QByteArray& bytes)
{
    return ReadHarrisList(bytes, CodePage::Windows1252, QStringLiteral("x.lst"), 255).error;
}

struct ReadCase {
    const char* what;
    QByteArray bytes;
    QStringList expected;
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.what; }
};

class HarrisListReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(HarrisListReading, GivesUnitsAndRelationships)
{
    const ReadCase& c = GetParam();
    const HarrisListRead read = ReadHarrisList(c.bytes, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
    ASSERT_TRUE(read.list.has_value()) << read.error.toStdString();
    EXPECT_EQ(describe(*read.list), c.expected);
}

const QByteArray kRelationLines("above:\r\nbelow:\r\nequal to:\r\ncontemporary with:\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, HarrisListReading,
    ::testing::Values(
        ReadCase{"header only", kHeader, {}},
        ReadCase{"header without line end", QByteArray("Stratigraphic Dataset\r\n\r\nName"), {}},
        ReadCase{"name padded to eight columns", kHeader + "12      pit fill\r\n" + kRelationLines, {"12:pit fill"}},
        ReadCase{"long line cut after eight", kHeader + "ABCDEFGHIJ\r\n" + kRelationLines, {"ABCDEFGH:IJ"}},
        ReadCase{"padded short name", kHeader + "12      \r\n" + kRelationLines, {"12:"}},
        ReadCase{"above: directly followed by a name",
                 kHeader + "12\r\nabove:7\r\nbelow:\r\nequal to:\r\ncontemporary with:\r\n7\r\n", {"12:", "7:", "12<7"}},
        ReadCase{"every word, padded names, own name skipped, LF and CR endings",
                 kHeader + "12\n   above:  7 , 8\rbelow: 9,12\r\n equal to: 10\r\ncontemporary with: 11\r\n",
                 {"12:", "12<7", "12<8", "12>9", "12=10", "12-11"}},
        ReadCase{"trailing blank lines and a DOS end-of-file byte",
                 kHeader + "12\r\n" + kRelationLines + "\r\n  \r\n\x1A", {"12:"}},
        ReadCase{"a trailing unit line without relation lines", kHeader + "12\r\n" + kRelationLines + "13\r\n",
                 {"12:", "13:"}},
        ReadCase{"a later block names the unit again", kHeader + "12      a\r\n" + kRelationLines + "12      b\r\n" + kRelationLines,
                 {"12:b"}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return "case" + std::to_string(info.index); });

struct RefusalCase {
    QByteArray bytes;
    QString error;
};

TEST(HarrisListRefusal, NamesTheFileTheLineAndTheReason)
{
    const QString where = QStringLiteral("\r\n(x.lst, line %1)");
    const QByteArray unit12 = kListHeader + "12\r\n            Unit class: context\r\n";
    const RefusalCase cases[] = {
        {QByteArray(), QStringLiteral("File is empty. No data imported.\r\n(x.lst)")},
        {QByteArray("\x1A"), QStringLiteral("File is empty. No data imported.\r\n(x.lst)")},
        {QByteArray("Stratigr"), QStringLiteral("File format seems to be not correct. No data imported.") + where.arg(1)},
        {QByteArray("stratigraphic dataset\r\n"),
         QStringLiteral("File format seems to be not correct. No data imported.") + where.arg(1)},
        {kHeader + "12\r\n" + kRelationLines + "\r\n" + kRelationLines + "13\r\n",
         QStringLiteral("Import error: No context name present in line: \r\n9") + where.arg(9)},
        {kHeader + "1:2\r\n" + kRelationLines,
         QStringLiteral("Import error: context 1:2\r\nThe unit name must not contain a colon.") + where.arg(4)},
        {kHeader + "12\r\nabove: 7 8\r\n",
         QStringLiteral("Import error: in line\r\nabove: 7 8\r\nThe unit name must not contain a blank.") + where.arg(5)},
        {kHeader + "12\r\nabove: 123456789\r\n",
         QStringLiteral("Import error: in line\r\nabove: 123456789\r\nThe unit name must not exceed maximum length of 8") +
             where.arg(5)},
        {kHeader + "12\r\nbelow: 7\r\nUnit class: context\r\n",
         QStringLiteral("Import error: No relation indicator present in line: \r\nUnit class: context") + where.arg(6)},
        // Extended lists.
        {kListHeader + "            below: 7\r\n12\r\n",
         QStringLiteral("Import error: No context name present in line: \r\n4") + where.arg(4)},
        {unit12 + "            Colur: red\r\n",
         QStringLiteral("Import error: Unknown field label Colur in line: \r\n            Colur: red") + where.arg(6)},
        {unit12 + "            Excavation: A\r\n",
         QStringLiteral("Import error: Unknown field label Excavation in line: \r\n            Excavation: A") + where.arg(6)},
        {unit12 + "            red\r\n",
         QStringLiteral("Import error: No relation indicator or field label present in line: \r\n            red") +
             where.arg(6)},
        {unit12 + "            First year: 12x\r\n",
         QStringLiteral("Import error: context 12\r\n12x is not an integer number for the field First year.") + where.arg(6)},
        {unit12 + "            First year: 2147483648\r\n",
         QStringLiteral("Import error: context 12\r\n2147483648 is not an integer number for the field First year.") +
             where.arg(6)},
        {unit12 + "            Minimum X-Coordinate: 1,5\r\n",
         QStringLiteral("Import error: context 12\r\n1,5 is not a number for the field Minimum X-Coordinate.") + where.arg(6)},
        {unit12 + "            Excavation date: 01.02.2003\r\n",
         QStringLiteral("Import error: context 12\r\n01.02.2003 is not a date (yyyy-mm-dd) for the field Excavation date.") +
             where.arg(6)},
        {unit12 + "            Colour: " + QByteArray(21, 'r') + "\r\n",
         QStringLiteral("Import error: context 12\r\nThe value of the field Colour is longer than 20 characters.") + where.arg(6)},
        {kListHeader + "12\r\n            Unit class: layer\r\n",
         QStringLiteral("Import error: context 12\r\nAllowed unit classes are only: context, work area, and group") +
             where.arg(5)},
        {unit12 + "12 3\r\n", QStringLiteral("Import error: context 12 3\r\nThe unit name must not contain a blank.") + where.arg(6)},
        {unit12 + "            below: 1 2\r\n",
         QStringLiteral("Import error: in line\r\n            below: 1 2\r\nThe unit name must not contain a blank.") +
             where.arg(6)},
        {kListHeader + "A::12\r\n            Unit class: context\r\n13\r\n",
         QStringLiteral("Import error: context 13\r\nThe list names units as excavation::unit name.") + where.arg(6)},
        {kListHeader + "A::12\r\n            below: A::13, 14\r\n",
         QStringLiteral("Import error: in line\r\n            below: A::13, 14\r\nThe list names units as excavation::unit "
                        "name.") + where.arg(5)},
        {kListHeader + ":A::12\r\n",
         QStringLiteral("Import error: context :A::12\r\nThe excavation name must not contain a colon.") + where.arg(4)},
        {kListHeader + "ABCDEFGHIJKLM::12\r\n",
         QStringLiteral("Import error: context ABCDEFGHIJKLM::12\r\nThe excavation name must not exceed maximum length of 12") +
             where.arg(4)},
    };
    for (const RefusalCase& c : cases) EXPECT_EQ(readError(c.bytes), c.error) << c.bytes.toStdString();
}

TEST(HarrisListRefusal, HostileFilesGiveAClearError)
{
    // One line of ten million characters, as a relation line and as a unit line.
    const QByteArray longLine(10'000'000, 'x');
    EXPECT_EQ(readError(kHeader + "12\r\n" + longLine),
              QStringLiteral("Import error: No relation indicator present in line: \r\n") + QString(100, QLatin1Char('x')) +
                  QStringLiteral("...\r\n(x.lst, line 5)"));
    EXPECT_EQ(readError(kHeader + "12      " + longLine),
              QStringLiteral("Import error: context 12\r\nThe description is longer than 255 characters.\r\n(x.lst, line 4)"));
    EXPECT_EQ(readError(longLine), QStringLiteral("File format seems to be not correct. No data imported.\r\n(x.lst, line 1)"));

    // Every byte value after a valid header: refused or read, never a crash.
    QByteArray garbage = kHeader;
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b) garbage += char((b * 37 + round * 11) & 0xFF);
    const HarrisListRead read = ReadHarrisList(garbage, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
    EXPECT_TRUE(read.list.has_value() || read.error.contains(QStringLiteral("(x.lst, line ")));

    // A list cut in the middle of a relation line.
    const QByteArray whole = kHeader + "12\r\nabove: 7\r\n";
    EXPECT_EQ(readError(whole.left(whole.size() - 6)),
              QStringLiteral("Import error: No relation indicator present in line: \r\nabov\r\n(x.lst, line 5)"));
}

TEST(HarrisListCodePage, OemListsAreReadAsCodePage850)
{
    // 0x81 is u-umlaut in code page 850 and undefined in Windows-1252.
    const QByteArray bytes = kHeader + "12      F\x81llung\r\n" + kRelationLines;
    const auto oem = ReadHarrisList(bytes, CodePage::Oem850, QStringLiteral("x.lst"), 255);
    ASSERT_TRUE(oem.list.has_value());
    EXPECT_EQ(oem.list->units.front().description, QStringLiteral("F\u00FCllung"));
    const auto ansi = ReadHarrisList(bytes, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
    ASSERT_TRUE(ansi.list.has_value());
    EXPECT_EQ(ansi.list->units.front().description, QStringLiteral("F\u0081llung"));
}

// --- Extended Harris Lists -----------------------------------------------------

// Units as "[exc::]name Label=value ...", relationships as "[exc::]a<code>[exc::]b".
QStringList describeExtended(const HarrisList& list)
{
    const UnitFieldCatalogue catalogue;
    const auto name = [](const QString& excavation, const QString& unit) {
        return excavation.isEmpty() ? unit : excavation + QStringLiteral("::") + unit;
    };
    QStringList text;
    for (const auto& u : list.units) {
        QString line = name(u.excavation, u.name);
        for (std::size_t f = 0; f < u.fields.size(); ++f)
            if (!valueIsEmpty(u.fields[f])) line += QLatin1Char(' ') + catalogue[int(f)].Label + QLatin1Char('=') + valueToString(u.fields[f]);
        text << line;
    }
    for (const auto& r : list.relations) text << name(r.unitExcavation, r.unit) + r.code + name(r.otherExcavation, r.other);
    return text;
}

class ExtendedListReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ExtendedListReading, GivesUnitsFieldsAndRelationships)
{
    const ReadCase& c = GetParam();
    EXPECT_TRUE(IsExtendedHarrisList(c.bytes));
    const HarrisListRead read = ReadHarrisList(c.bytes, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
    ASSERT_TRUE(read.list.has_value()) << read.error.toStdString();
    EXPECT_TRUE(read.list->extended);
    EXPECT_EQ(describeExtended(*read.list), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtendedListReading,
    ::testing::Values(
        ReadCase{"the written example",
                 kListHeader + "12\r\n            below: 13, 14\r\n            equal to: 15\r\n"
                               "            Unit class: context\r\n            Description: pit fill\r\n",
                 {"12 Unit class=context Description=pit fill", "12>13", "12>14", "12=15"}},
        ReadCase{"every field type; values kept as written, blanks included",
                 kListHeader + "12\r\n            Minimum X-Coordinate: -0.25\r\n"
                               "            Maximum Z-Coordinate: 1e-05\r\n            First year: -2147483647\r\n"
                               "            Excavation date: 2003-02-01\r\n"
                               "            Description:   two blanks, above: 7 and a colon\r\n"
                               "            Colour:\r\n",
                 {"12 Minimum X-Coordinate=-0.25 Maximum Z-Coordinate=1e-05 Description=  two blanks, above: 7 and a "
                  "colon First year=-2147483647 Excavation date=2003-02-01"}},
        ReadCase{"several excavations, part of, an excavation name with a comma and a blank",
                 kListHeader + "A::12\r\n            part of: B::G\r\n            contemporary with: S\xfc" "d, 2::7, A::8\r\n"
                               "B::G\r\n            Unit class: Group\r\nS\xfc" "d, 2::7\r\n",
                 {"A::12", "B::G Unit class=group", "S\u00fcd, 2::7", "A::12pB::G", "A::12-S\u00fcd, 2::7",
                  "A::12-A::8"}},
        ReadCase{"blocks of four relation lines and then a fifth",
                 kListHeader + "12\r\n  below: 13\r\n  above: 14\r\n  equal to: 15\r\n  contemporary with: 16\r\n"
                               "  below: 17\r\n13\r\n",
                 {"12", "13", "12>13", "12<14", "12=15", "12-16", "12>17"}},
        ReadCase{"named with excavations, four relation lines a block",
                 kListHeader + "A::1\r\n below: A::2\r\n above:\r\n equal to:\r\n contemporary with:\r\nA::2\r\n",
                 {"A::1", "A::2", "A::1>A::2"}},
        ReadCase{"blank lines, the own name and a unit listed twice",
                 kListHeader + "12\r\n\r\n            Colour: red\r\n            below: 12, 13\r\n\r\n"
                               "13\r\n12\r\n            Colour: blue\r\n\x1A",
                 {"12 Colour=blue", "13", "12>13"}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return "case" + std::to_string(info.index); });

TEST(ExtendedListDetection, FixedListsStayFixed)
{
    struct Case {
        QByteArray bytes;
        bool extended;
    };
    const Case cases[] = {
        {kHeader + "12      pit fill\r\n   above: 7\r\n   below:\r\n   equal to:\r\n   contemporary with:\r\n13\r\n", false},
        {kHeader + "12\r\nabove:\r\nbelow:\r\nUnit class: context\r\n", false},
        {kHeader + "1:2\r\n" + kRelationLines, false},
        {kHeader + "12\r\n" + kRelationLines + "   \r\n" + kRelationLines, false},
        {kHeader + "12\r\n   part of: 7\r\n", true},
        {kHeader + "12\r\n\tColour: red\r\n", true},
        {kHeader + "12\r\n" + kRelationLines + "   below: 7\r\n", true},
        {kHeader + "12\r\n" + kRelationLines + "A::13\r\n", true},
        {kHeader + "12\r\n   Colour red\r\n   Nonsense: x\r\n", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsExtendedHarrisList(c.bytes), c.extended) << c.bytes.toStdString();
}

TEST(HarrisListRefusal, HostileExtendedListsGiveAClearError)
{
    const QByteArray unit12 = kListHeader + "12\r\n            Unit class: context\r\n";
    // A value of ten million characters, and a line past the longest read.
    EXPECT_EQ(readError(unit12 + "            Description: " + QByteArray(10'000'000, 'x')),
              QStringLiteral("Import error: context 12\r\nThe value of the field Description is longer than 255 "
                             "characters.\r\n(x.lst, line 6)"));
    EXPECT_EQ(readError(unit12 + "13\r\n" + QByteArray(17'000'000, 'x') + "\r\n"),
              QStringLiteral("Import error: the line is longer than 16777216 characters.\r\n(x.lst, line 7)"));

    // Cut inside a field line, and inside a relation word.
    EXPECT_EQ(readError(unit12 + "            First ye"),
              QStringLiteral("Import error: No relation indicator or field label present in line: \r\n"
                             "            First ye\r\n(x.lst, line 6)"));
    EXPECT_EQ(readError(unit12 + "            First year: 1"), QString()) << "a cut that leaves a valid value reads";
    EXPECT_EQ(readError(unit12 + "            bel"),
              QStringLiteral("Import error: No relation indicator or field label present in line: \r\n"
                             "            bel\r\n(x.lst, line 6)"));

    // Every byte value after a valid block: refused with a line or read, never a crash.
    for (int round = 0; round < 40; ++round) {
        QByteArray garbage = unit12;
        for (int b = 0; b < 256; ++b) garbage += char((b * 37 + round * 11) & 0xFF);
        const HarrisListRead read = ReadHarrisList(garbage, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
        EXPECT_TRUE(read.list.has_value() || read.error.contains(QStringLiteral("(x.lst, line "))) << read.error.toStdString();
    }
}

// A project "<name>" with excavation A in a temporary directory.
class HarrisListProject : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (session.project().isOpen()) CloseProject(session, true);
        ui.verifyDone();
    }
    void make(const QString& name, bool single)
    {
        ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(name + QStringLiteral(".bvp")), QStringLiteral("A"),
                                       QString(), single));
    }
    static UnitKey u(const QString& name, const QString& excavation = QStringLiteral("A")) { return {excavation, name}; }
    void unit(const UnitKey& key, const QString& description = QString())
    {
        CreateUnit(session.units(), key, kContext);
        if (description.isEmpty()) return;
        ASSERT_TRUE(session.units().locate(QStringList{QStringLiteral("Excavation"), QStringLiteral("Unitname")}, {key.excavation, key.unitname}));
        session.units().edit();
        session.units().set(uf::Description, description);
        session.units().post();
    }
    void rel(const UnitKey& a, QChar code, const UnitKey& b)
    {
        ASSERT_EQ(AddRelationship(session, a, b, code, QString(), level::Silent), AddResult::Stored);
    }
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray exported()
    {
        const QString path = dir.filePath(QStringLiteral("out.lst"));
        EXPECT_TRUE(ExportHarrisList(session, path));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    // Units as "A:12 context pit fill", relationship rows as "A:12 > A:13".
    QStringList contents()
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, kUnitKeyOrder))
            text << QStringLiteral("%1:%2 %3 %4").arg(textAt(r, uf::Excavation), textAt(r, uf::Unitname),
                                                     textAt(r, uf::Unitclass), textAt(r, uf::Description));
        for (const auto& r : session.relations().query(QString(), {}, kRelationKeyOrder))
            text << QStringLiteral("%1:%2 %3 %4:%5").arg(textAt(r, rel::Excavation1), textAt(r, rel::Unitname1),
                                                        textAt(r, rel::RelationCat), textAt(r, rel::Excavation2),
                                                        textAt(r, rel::Unitname2));
        return text;
    }
    QString oemQuestion(const QString& path)
    {
        return QStringLiteral("Convert ASCII to ANSI?\r\nClick yes, if %1 was created by the Kestrel Harris program.\r\n"
                              "Click no, if %1 was created by ArchEd.")
            .arg(path);
    }

    ScriptedUi ui;
    FixedRegional regional;
    QTemporaryDir dir;
    Session session{ui, regional};
};

TEST_F(HarrisListProject, ExtendedListIsByteExact)
{
    make(QStringLiteral("Site"), true);
    unit(u(QStringLiteral("12")), QStringLiteral("pit fill"));
    for (const char* name : {"13", "14", "15"}) unit(u(QString::fromLatin1(name)));
    rel(u(QStringLiteral("12")), category::Later, u(QStringLiteral("13")));
    rel(u(QStringLiteral("12")), category::Later, u(QStringLiteral("14")));
    rel(u(QStringLiteral("12")), category::Equal, u(QStringLiteral("15")));
    const QByteArray expected = "            Stratigraphic Dataset Site\r\n"
                                "\r\n"
                                "Name\r\n"
                                "12\r\n"
                                "            below: 13, 14\r\n"
                                "            equal to: 15\r\n"
                                "            Unit class: context\r\n"
                                "            Description: pit fill\r\n"
                                "13\r\n"
                                "            above: 12\r\n"
                                "            Unit class: context\r\n"
                                "14\r\n"
                                "            above: 12\r\n"
                                "            Unit class: context\r\n"
                                "15\r\n"
                                "            equal to: 12\r\n"
                                "            Unit class: context\r\n";
    EXPECT_EQ(exported(), expected);
}

TEST_F(HarrisListProject, ExtendedListOfSeveralExcavationsNamesUnitsWithTheirExcavation)
{
    make(QStringLiteral("P"), false);
    // A non-Latin name of the Windows-1252 repertoire, and a description of three lines.
    const QString name = QStringLiteral("\u0160\u00E9\u20AC");
    unit(u(name), QStringLiteral("dark\r\nsoil\nwith\rstones"));
    CreateUnit(session.units(), u(QStringLiteral("7"), QStringLiteral("B")), kGroup);
    rel(u(name), category::PartOf, u(QStringLiteral("7"), QStringLiteral("B")));
    EXPECT_EQ(decodeCp1252(exported()), QStringLiteral("            Stratigraphic Dataset P\r\n\r\nName\r\n"
                                                 "A::%1\r\n"
                                                 "            part of: B::7\r\n"
                                                 "            Unit class: context\r\n"
                                                 "            Description: dark soil with stones\r\n"
                                                 "B::7\r\n"
                                                 "            Unit class: group\r\n")
                                      .arg(name));
}

TEST_F(HarrisListProject, ImportStoresUnitsDescriptionsAndBothRowsOfEveryRelationship)
{
    make(QStringLiteral("P"), false);
    const QString path = file(QStringLiteral("in.lst"), kHeader + "12      pit fill\r\nabove:7\r\nbelow: 13, 12\r\n"
                                                                  "equal to:\r\ncontemporary with:\r\n"
                                                                  "7\r\n" + kRelationLines + "13\r\n");
    ui.expectConfirmation(oemQuestion(path), Buttons::YesNoCancel, kHarrisListHelpTopic).answer(Answer::No);
    EXPECT_EQ(ImportHarrisList(session, path, QStringLiteral("A")), 3);
    EXPECT_EQ(contents(), (QStringList{"A:12 context pit fill", "A:13 context ", "A:7 context ", "A:12 > A:13",
                                       "A:12 < A:7", "A:13 < A:12", "A:7 > A:12"}));
    EXPECT_EQ(ui.statuses().back(), QStringLiteral("3 units imported"));
}

TEST_F(HarrisListProject, HeaderOnlyImportsNoUnits)
{
    make(QStringLiteral("P"), false);
    const QString path = file(QStringLiteral("in.lst"), kHeader);
    EXPECT_EQ(ImportHarrisList(session, path, QStringLiteral("A"), false), 0);
    EXPECT_EQ(ui.statuses().back(), QStringLiteral("0 units imported"));
}

TEST_F(HarrisListProject, OemAnswerYesConvertsAndCancelImportsNothing)
{
    make(QStringLiteral("P"), false);
    const QString path = file(QStringLiteral("in.lst"), kHeader + "12      F\x81llung\r\n" + kRelationLines);
    ui.expectConfirmation(oemQuestion(path), Buttons::YesNoCancel, kHarrisListHelpTopic).answer(Answer::Cancel);
    EXPECT_FALSE(ImportHarrisList(session, path, QStringLiteral("A")).has_value());
    EXPECT_TRUE(contents().isEmpty());
    ui.expectConfirmation(oemQuestion(path), Buttons::YesNoCancel, kHarrisListHelpTopic).answer(Answer::Yes);
    EXPECT_EQ(ImportHarrisList(session, path, QStringLiteral("A")), 1);
    EXPECT_EQ(contents(), QStringList{QStringLiteral("A:12 context F\u00FCllung")});
}

TEST_F(HarrisListProject, RefusedListLeavesTheProjectAsItWas)
{
    make(QStringLiteral("P"), false);
    unit(u(QStringLiteral("12")), QStringLiteral("old"));
    const QStringList before = contents();
    // The error sits in the last line: units and relationships before it are not written.
    const QString path = file(QStringLiteral("in.lst"), kHeader + "12      new\r\nabove: 7\r\nbelow:\r\nequal to:\r\n"
                                                                  "contemporary with:\r\n7\r\nabove: 12\r\nbelow: 1 2\r\n");
    ui.expectError(QStringLiteral("Import error: in line\r\nbelow: 1 2\r\nThe unit name must not contain a blank.\r\n(%1, line 11)")
                       .arg(path),
                   kHarrisListHelpTopic);
    EXPECT_FALSE(ImportHarrisList(session, path, QStringLiteral("A"), false).has_value());
    EXPECT_EQ(contents(), before);
}

TEST_F(HarrisListProject, ImportAsProjectMakesNoProjectForARefusedList)
{
    const QString bad = file(QStringLiteral("bad.lst"), QByteArray("no header\r\n"));
    const QString project = dir.filePath(QStringLiteral("New.bvp"));
    ui.expectError(QStringLiteral("File format seems to be not correct. No data imported.\r\n(%1, line 1)").arg(bad),
                   kHarrisListHelpTopic);
    EXPECT_FALSE(ImportHarrisListAsProject(session, bad, project, QStringLiteral("A"), false, false).has_value());
    EXPECT_FALSE(QFile::exists(project));

    // The second block's unit line ends the file: its missing relation lines are no error.
    const QString good = file(QStringLiteral("good.lst"), kHeader + "12\r\nabove: 13\r\nbelow:\r\nequal to:\r\n"
                                                                    "contemporary with:\r\n13\r\n");
    EXPECT_EQ(ImportHarrisListAsProject(session, good, project, QStringLiteral("A"), false, false), 2);
    EXPECT_TRUE(session.project().isOpen());
    EXPECT_EQ(contents(), (QStringList{"A:12 context ", "A:13 context ", "A:12 < A:13", "A:13 > A:12"}));
}

TEST_F(HarrisListProject, ExtendedListNeedsNoOemQuestionAndGivesEachUnitItsBlock)
{
    make(QStringLiteral("P"), true);
    unit(u(QStringLiteral("12")), QStringLiteral("old"));
    unit(u(QStringLiteral("13")), QStringLiteral("stays"));
    // 12 is listed again: its block replaces its fields, the unlisted
    // description included; 13 is not listed and keeps its own.
    const QString path = file(QStringLiteral("in.lst"),
                              "            Stratigraphic Dataset Other\r\n\r\nName\r\n"
                              "A::12\r\n            part of: B::G\r\n            Unit class: context\r\n"
                              "            Colour: r\xF6tlich\r\n"
                              "B::G\r\n            Unit class: group\r\n");
    EXPECT_EQ(ImportHarrisList(session, path, QStringLiteral("A")), 2);
    EXPECT_EQ(contents(), (QStringList{"A:12 context ", "A:13 context stays", "B:G group ", "A:12 p B:G"}));
    ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("12")}));
    EXPECT_EQ(session.units().str(uf::Colour), QStringLiteral("r\u00F6tlich"));
    EXPECT_FALSE(session.project().SingleExcavation) << "units of two excavations";
    EXPECT_EQ(ui.statuses().back(), QStringLiteral("2 units imported"));
}

TEST_F(HarrisListProject, RefusedExtendedListLeavesNoProjectAndNoUnits)
{
    const QByteArray bytes = "            Stratigraphic Dataset P\r\n\r\nName\r\n"
                             "12\r\n            below: 13\r\n            Unit class: context\r\n"
                             "13\r\n            Unit class: context\r\n            First year: twelve\r\n";
    const QString path = file(QStringLiteral("bad.lst"), bytes);
    const QString error = QStringLiteral("Import error: context 13\r\ntwelve is not an integer number for the field First "
                                         "year.\r\n(%1, line 9)").arg(path);
    const QString project = dir.filePath(QStringLiteral("New.bvp"));
    ui.expectError(error, kHarrisListHelpTopic);
    EXPECT_FALSE(ImportHarrisListAsProject(session, path, project, QStringLiteral("A"), true).has_value());
    EXPECT_FALSE(QFile::exists(project));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("New_unit.db"))));

    make(QStringLiteral("P"), true);
    unit(u(QStringLiteral("12")), QStringLiteral("old"));
    const QStringList before = contents();
    ui.expectError(error, kHarrisListHelpTopic);
    EXPECT_FALSE(ImportHarrisList(session, path, QStringLiteral("A")).has_value());
    EXPECT_EQ(contents(), before);
}

TEST_F(HarrisListProject, ListOfTheExportReadsBackWhenEveryBlockHasFourLines)
{
    // A written list reshaped into fixed blocks (every unit with exactly
    // four lines, relation words only) is read as fixed blocks and comes
    // back unchanged. The whole list reads back as an Extended list
    // (RoundTripTest.cpp).
    make(QStringLiteral("P"), true);
    const QStringList names{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    for (const QString& n : names) unit(u(n));
    rel(u(QStringLiteral("1")), category::Later, u(QStringLiteral("2")));
    rel(u(QStringLiteral("2")), category::Later, u(QStringLiteral("3")));
    rel(u(QStringLiteral("1")), category::Contemporary, u(QStringLiteral("3")));
    const QStringList before = contents();
    QStringList lines = ExtendedHarrisList(session.units(), session.relations(), session.catalogue(), true,
                                           QStringLiteral("P"));
    // Fill each block up to four relation lines, dropping the unit class lines.
    QStringList blocks = lines.mid(0, 3);
    QStringList block;
    const auto flush = [&] {
        if (block.isEmpty()) return;
        while (block.size() < 5) block << kIndent + QStringLiteral("equal to:");
        blocks << block;
        block.clear();
    };
    for (const QString& line : lines.mid(3)) {
        if (!line.startsWith(QLatin1Char(' '))) flush();
        if (!line.contains(QStringLiteral("Unit class:"))) block << line;
    }
    flush();
    const QString path = file(QStringLiteral("back.lst"), (blocks.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    CloseProject(session, true);
    ASSERT_TRUE(ImportHarrisListAsProject(session, path, dir.filePath(QStringLiteral("Q.bvp")), QStringLiteral("A"), true,
                                          false)
                    .has_value());
    EXPECT_EQ(contents(), before);
}

} // namespace
