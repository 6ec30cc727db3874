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

// "unit:description" for every unit, "unit<code>other" for every relationship.
QStringList describe(const HarrisList& list)
{
    QStringList text;
    for (const auto& u : list.units) text << u.name + QLatin1Char(':') + u.description;
    for (const auto& r : list.relations) text << r.unit + r.code + r.other;
    return text;
}

QString readError(const QByteArray& bytes)
{
    const HarrisListRead read = ReadHarrisList(bytes, CodePage::Windows1252, QStringLiteral("x.lst"), 255);
    EXPECT_FALSE(read.list.has_value());
    return read.error;
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

TEST_F(HarrisListProject, ListOfTheExportReadsBackWhenEveryBlockHasFourLines)
{
    // The import reads fixed blocks; a written list whose units each carry
    // exactly four lines, relation words only, comes back unchanged.
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
