// CSV written and read, and the field-concordance import of CSV sources.
#include "exchange/ExchangeTestSupport.h"
#include "core/Regional.h"
#include "editing/AddRelationship.h"
#include "exchange/Concordance.h"
#include "exchange/Csv.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace belvanto {
namespace {

using testing::TempDir;

CsvOptions options(CsvDelimited choice = CsvDelimited::TextFieldsOnly, bool header = false)
{
    CsvOptions o;
    o.setDelimited(choice);
    o.FirstRowNames = header;
    return o;
}

// --- the line parser -----------------------------------------------------------

struct ParseCase {
    const char* line;
    CsvDelimited delimited;
    QStringList fields;
    const char* error;
};

TEST(ParseCsvLine, SplitsAtSeparatorsOutsideDelimitedFields)
{
    const ParseCase cases[] = {
        {"a;\"b;c\";d", CsvDelimited::TextFieldsOnly, {"a", "b;c", "d"}, ""},
        {"\"a\";b;\"c\"", CsvDelimited::AllFields, {"a", "b", "c"}, "Field delimited by \" expected."},
        {"\"a\";\"\";\"c\"", CsvDelimited::AllFields, {"a", "", "c"}, ""},
        // Without a delimiter every field is complete, and "All fields" asks nothing.
        {"a;b;\"c", CsvDelimited::Nothing, {"a", "b", "\"c"}, ""},
        {";;", CsvDelimited::TextFieldsOnly, {"", "", ""}, ""},
        {"\"", CsvDelimited::TextFieldsOnly, {}, ""},
    };
    for (const auto& c : cases) {
        CsvOptions o = options(c.delimited);
        if (c.delimited == CsvDelimited::Nothing) o.AllFieldsDelimiter = o.TextDelimiter;
        const CsvLine parsed = ParseCsvLine(QString::fromLatin1(c.line), o);
        EXPECT_EQ(parsed.fields, c.fields) << c.line;
        EXPECT_EQ(parsed.error, QString::fromLatin1(c.error)) << c.line;
    }
}

TEST(ParseCsvLine, DoubledDelimitersStandForOneInsideADelimitedField)
{
    CsvOptions o;
    o.Separator = QStringLiteral(",");
    o.DoubledDelimiters = true;
    const struct {
        const char* line;
        QStringList fields;
        bool open;
    } cases[] = {
        {"\"a\"\",b\",c", {"a\",b", "c"}, false},
        {"\"\"\"\"\"\",\"\"", {"\"\"", ""}, false},
        {"\"a\"\"\",\"x", {"a\""}, true},
        {"\"a\"\"", {}, true},
        {"x\"\"y,\"\"\"\"", {"x\"\"y", "\""}, false},
    };
    for (const auto& c : cases) {
        const CsvLine parsed = ParseCsvLine(QString::fromLatin1(c.line), o);
        EXPECT_EQ(parsed.fields, c.fields) << c.line;
        EXPECT_EQ(parsed.open, c.open) << c.line;
    }
}

TEST(ParseCsvLine, AnUnclosedDelimitedFieldLeavesTheLineOpen)
{
    const CsvLine parsed = ParseCsvLine(u"12;\"first line", options());
    EXPECT_TRUE(parsed.open);
    EXPECT_EQ(parsed.fields, QStringList{"12"});
}

// --- reading files -------------------------------------------------------------

struct TypeCase {
    QByteArray file;
    QString type;
};

TEST(CsvSource, InfersColumnTypesWithWidening)
{
    TempDir dir;
    FixedRegional regional;
    const TypeCase cases[] = {
        {"1\r\n2\r\n3\r\n", "integer"},
        {"1\r\nx\r\n3\r\n", "string(1)"},
        {"12.5\r\n13\r\n", "float"},
        {"13\r\n12.5\r\n", "float"},
        {"01.02.2003\r\n24.12.1999\r\n", "date"},
        {"01.02.2003\r\n5\r\n", "string(10)"},
        {"\"abc\"\r\n\r\n\"\"\r\n", "string(3)"},
    };
    for (const auto& c : cases) {
        writeBytes(dir.file("t.csv"), c.file);
        CsvSource source(dir.file("t.csv"), options(), regional);
        ASSERT_EQ(source.columns().size(), 1u);
        EXPECT_EQ(SourceTypeText(source.columns()[0]), c.type) << c.file.constData();
        EXPECT_EQ(source.columns()[0].name, "FIELD1");
    }
}

TEST(CsvSource, JoinsLinesOfAMultiLineFieldAndDecodesCp1252)
{
    TempDir dir;
    FixedRegional regional;
    writeBytes(dir.file("m.csv"), "Unitname;Description\r\n\"12\";\"first\r\nsecond \xc6r\xf8\"\r\n\"13\";\"x\"\r\n");
    CsvSource source(dir.file("m.csv"), options(CsvDelimited::TextFieldsOnly, true), regional);
    std::vector<Value> record;
    ASSERT_TRUE(source.next(record));
    EXPECT_EQ(source.position(), 2);
    EXPECT_EQ(valueToString(record[1]), QStringLiteral("first\r\nsecond \u00c6r\u00f8"));
    ASSERT_TRUE(source.next(record));
    EXPECT_EQ(source.position(), 4);
    EXPECT_FALSE(source.next(record));
}

TEST(CsvSource, HostileFilesGiveAClearError)
{
    TempDir dir;
    FixedRegional regional;
    const QString path = dir.file("h.csv");
    struct Case {
        QByteArray bytes;
        QString error;
    };
    const Case cases[] = {
        {"a;b;c\r\n1;2;3\r\n1;2\r\n", path + ": 3 fields expected, but 2 fields in line 3"},
        {QByteArray("1;2\r\n\x01\x00\xff;\x7f\r\n", 11), path + ", line 2: a zero byte; this is no text file."},
        {"1;\"open\r\n2;3\r\n", path + ", line 1: the field delimited by \" is not closed before the end of the file."},
        {"", path + " is empty. No data imported."},
        {QByteArray(2 * kMaxCsvRecordBytes, 'x'), path + ", line 1: the line is longer than 1048576 characters."},
        {"\"" + QByteArray(kMaxCsvRecordBytes / 4, 'x') + "\r\n" + QByteArray(kMaxCsvRecordBytes, 'y'),
         path + ", line 1: the record is longer than 1048576 characters."},
    };
    for (const auto& c : cases) {
        writeBytes(path, c.bytes);
        try {
            CsvSource source(path, options(), regional);
            ADD_FAILURE() << "no error for " << c.error.toStdString();
        } catch (const ImportError& e) {
            EXPECT_EQ(e.text(), c.error);
        }
    }
}

// --- the project ---------------------------------------------------------------

class CsvProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateProjectFiles(session, dir.file("P.bvp"), QStringLiteral("A"), QString(), true));
    }
    void TearDown() override { CloseProject(session, true); }

    void addUnit(const QString& name, const std::vector<std::pair<int, Value>>& values = {},
                 const QString& excavation = QStringLiteral("A"))
    {
        Table& u = session.units();
        u.insert();
        u.set(uf::Excavation, excavation);
        u.set(uf::Unitname, name);
        u.set(uf::Unitclass, kContext);
        for (const auto& [f, v] : values) u.set(f, v);
        u.post();
    }
    QStringList unitRows()
    {
        QStringList rows;
        for (const auto& row : session.units().query(QString(), {}, kUnitKeyOrder)) {
            QStringList values;
            for (int f = 0; f < kOptionFieldCount; ++f) values.append(valueToString(row.values[std::size_t(f)]));
            rows.append(values.join(QLatin1Char('|')));
        }
        return rows;
    }
    QStringList relationRows() { return RelationRowTexts(session.relations()); }
    Concordance concordanceFor(const ImportSource& source)
    {
        Concordance c;
        c.targets = AutoAssign(source.columns(), session.catalogue(), source.givesText());
        c.defaultExcavation = QStringLiteral("A");
        return c;
    }

    TempDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

TEST_F(CsvProject, DefaultOptionsWriteTheExampleLine)
{
    addUnit(QStringLiteral("12"), {{uf::AvgYear, qint32(1200)}});
    InsertRelationRow(session.relations(), UnitKey{"A", "12"}, UnitKey{"A", "13"}, category::Later, QString(),
                      QStringLiteral("u"));
    ASSERT_TRUE(ExportCsv(session, dir.file("x.csv"), options()));
    EXPECT_EQ(readBytes(dir.file("x.csv")), QByteArray("\"12\";\"context\";1200;\"13\"\r\n"));
}

TEST_F(CsvProject, LineBreaksStayInsideDelimitedFieldsAndBecomeBlanksWithout)
{
    addUnit(QStringLiteral("12"), {{uf::Description, QStringLiteral("a\r\nb\nc")}, {uf::XMinCoord, 2.5}});
    ASSERT_TRUE(ExportCsv(session, dir.file("x.csv"), options(CsvDelimited::AllFields)));
    EXPECT_EQ(readBytes(dir.file("x.csv")), QByteArray("\"12\";\"context\";\"2.5\";\"a\r\nb\r\nc\"\r\n"));
    ASSERT_TRUE(ExportCsv(session, dir.file("y.csv"), options(CsvDelimited::Nothing, true)));
    EXPECT_EQ(readBytes(dir.file("y.csv")), QByteArray("Unitname;Unitclass;XMinCoord;Description\r\n12;context;2.5;a b c\r\n"));
}

TEST_F(CsvProject, ExportThenImportGivesTheSameUnitsAndRelationships)
{
    session.project().SingleExcavation = false;
    addUnit(QStringLiteral("12"), {{uf::Description, QStringLiteral("pit fill\r\nsecond line")},
                                   {uf::XMinCoord, 12.25}, {uf::MinYear, qint32(-50)},
                                   {uf::ExcavationDate, QDate(2003, 2, 1)}, {uf::Colour, QStringLiteral("\u00e6bl\u00f8 \u20ac")}});
    addUnit(QStringLiteral("13"), {{uf::Interpretation, QStringLiteral("wall")}});
    addUnit(QStringLiteral("14"), {}, QStringLiteral("B"));
    addUnit(QStringLiteral("G1"));
    session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("G1")});
    session.units().edit();
    session.units().set(uf::Unitclass, kGroup);
    session.units().post();
    AddRelationship(session, UnitKey{"A", "12"}, UnitKey{"A", "13"}, category::Later, QString(), level::Silent);
    AddRelationship(session, UnitKey{"A", "12"}, UnitKey{"B", "14"}, category::Equal, QString(), level::Silent);
    AddRelationship(session, UnitKey{"A", "13"}, UnitKey{"A", "G1"}, category::PartOf, QString(), level::Silent);
    const QStringList units = unitRows();
    const QStringList relations = relationRows();
    ASSERT_TRUE(ExportCsv(session, dir.file("x.csv"), options(CsvDelimited::TextFieldsOnly, true)));
    CloseProject(session, true);

    CsvSource source(dir.file("x.csv"), options(CsvDelimited::TextFieldsOnly, true), regional);
    const Concordance c = concordanceFor(source);
    EXPECT_EQ(TargetText(c.targets[0], session.catalogue()), "Excavation+unitname");
    ASSERT_TRUE(ImportIntoNewProject(session, dir.file("Q.bvp"), source, c));
    EXPECT_EQ(unitRows(), units);
    EXPECT_EQ(relationRows(), relations);
    EXPECT_FALSE(session.project().SingleExcavation);
}

TEST_F(CsvProject, CsvWrittenByPythonImports)
{
    const QString path = dir.file("py.csv");
    const QString script = QStringLiteral(
        "import csv,sys\n"
        "with open(sys.argv[1], 'w', newline='', encoding='cp1252') as f:\n"
        "    w = csv.writer(f, delimiter=';', quotechar='\"')\n"
        "    w.writerow(['Unitname', 'Unit class', 'Description', 'X-Coordinate of center', 'Later than'])\n"
        "    w.writerow(['1', 'Context', 'brown; loose\\r\\nwith stones \\u00e4', '3.5', '2, 3'])\n"
        "    w.writerow(['2', '', '', '4', ''])\n"
        "    w.writerow(['3', 'context', 'x', '', ''])\n");
    ASSERT_EQ(QProcess::execute(QStringLiteral("python3"), {QStringLiteral("-c"), script, path}), 0);
    CsvSource source(path, options(CsvDelimited::TextFieldsOnly, true), regional);
    EXPECT_EQ(SourceTypeText(source.columns()[3]), "float");
    ASSERT_TRUE(ImportWithConcordance(session, source, concordanceFor(source)));
    EXPECT_EQ(unitRows(), (QStringList{
        "A|1|context|||||||3.5||||||brown; loose\r\nwith stones \u00e4||||||||||||||||||",
        "A|2|context|||||||4||||||||||||||||||||||||",
        "A|3|context|||||||||||||x||||||||||||||||||"}));
    EXPECT_EQ(relationRows(), (QStringList{"A:1 > A:2", "A:1 > A:3", "A:2 < A:1", "A:3 < A:1"}));
}

// --- the concordance checks ----------------------------------------------------

struct ImportCase {
    QByteArray file;
    QString error;
    int secondColumnField = -1;   // the user's choice for a column the automatic assignment leaves
};

TEST_F(CsvProject, RefusedImportsWriteNothing)
{
    addUnit(QStringLiteral("9"));
    const ImportCase cases[] = {
        {"Excavation_Unitname\r\nA:12\r\nA:12\r\n", "Unit name A:12 occurs twice."},
        {"Excavation_Unitname\r\nA:9\r\n", "Unit name A:9 occurs twice."},
        {"Excavation_Unitname\r\nA12\r\n", "The unit name must not be blank\r\nIllegal name: "},
        {"Excavation_Unitname\r\n\"\"\r\n", "Empty field Excavation+unitname"},
        {"Unitname;Unitclass\r\n1;Context\r\n2;layer\r\n",
         "Allowed unit classes are only: context, work area, and group"},
        {"Unitname;Minimum X-Coordinate;First year\r\n1;2.5;12\r\n2;x;3\r\n",
         "The value x in line 3 of %1 cannot be converted to a floating point number for the field Minimum X-Coordinate.",
         uf::XMinCoord},
        {"Unitname;First year\r\n1;1.5\r\n",
         "The value 1.5 in line 2 of %1 cannot be converted to an integer number for the field First year.",
         uf::MinYear},
    };
    for (const auto& c : cases) {
        writeBytes(dir.file("c.csv"), c.file);
        CsvSource source(dir.file("c.csv"), options(CsvDelimited::TextFieldsOnly, true), regional);
        ui.expectError(c.error.contains(QLatin1String("%1")) ? c.error.arg(dir.file("c.csv")) : c.error);
        Concordance con = concordanceFor(source);
        if (c.secondColumnField >= 0) con.targets[1] = ConcordanceTarget::toField(c.secondColumnField);
        EXPECT_FALSE(ImportWithConcordance(session, source, con)) << c.file.constData();
        ui.verifyDone();
        EXPECT_EQ(unitRows().size(), 1) << c.file.constData();
    }
}

TEST_F(CsvProject, ValuesLongerThanTheirFieldAreRefusedUnlessTheTruncationIsConfirmed)
{
    // Colour holds 20 characters; two columns feed Description (255) and count joined.
    const QByteArray file = "Unitname;Colour;Description;Notes\r\n"
                            "1;red;short;short\r\n"
                            "LONGNAME12;" + QByteArray(21, 'c') + ";" + QByteArray(200, 'd') + ";" + QByteArray(60, 'n') + "\r\n";
    writeBytes(dir.file("t.csv"), file);
    const auto concordance = [&](const CsvSource& source, std::vector<bool> confirmed) {
        Concordance c = concordanceFor(source);
        c.targets[3] = ConcordanceTarget::toField(uf::Description);
        c.truncationConfirmed = std::move(confirmed);
        return c;
    };
    const QString path = dir.file("t.csv");
    struct Case {
        std::vector<bool> confirmed;
        QString error;
    };
    const Case cases[] = {
        {{}, QStringLiteral("The value of column Colour in line 3 of %1 is longer than the 20 characters of the field Colour.")},
        {{false, true, false, false},
         QStringLiteral("The value of column Notes in line 3 of %1 is longer than the 255 characters of the field Description.")},
        {{false, true, true, false},
         QStringLiteral("The value of column Notes in line 3 of %1 is longer than the 255 characters of the field Description.")},
    };
    for (const Case& c : cases) {
        CsvSource source(path, options(CsvDelimited::TextFieldsOnly, true), regional);
        const QString error = c.error.arg(path);
        EXPECT_EQ(PreCheckImport(session, source, concordance(source, c.confirmed)), error);
        ui.expectError(error);
        EXPECT_FALSE(ImportWithConcordance(session, source, concordance(source, c.confirmed)));
        ui.verifyDone();
        EXPECT_TRUE(unitRows().isEmpty());
    }
    // Confirmed: cut on purpose, to the field's size after joining. The unit
    // name is cut to eight characters by rule, confirmed or not.
    CsvSource source(path, options(CsvDelimited::TextFieldsOnly, true), regional);
    ASSERT_TRUE(ImportWithConcordance(session, source, concordance(source, {false, true, false, true})));
    ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("LONGNAME")}));
    EXPECT_EQ(session.units().str(uf::Colour), QString(20, QLatin1Char('c')));
    EXPECT_EQ(session.units().str(uf::Description),
              QString(200, QLatin1Char('d')) + QLatin1Char(';') + QString(54, QLatin1Char('n')));
    ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("1")}));
    EXPECT_EQ(session.units().str(uf::Description), QStringLiteral("short;short"));
}

TEST_F(CsvProject, AssignmentChecksInOrder)
{
    const auto& cat = session.catalogue();
    using T = ConcordanceTarget;
    struct Case {
        std::vector<T> targets;
        QString message;
        int repeatedRow;   // the row the grid selects
    };
    const Case cases[] = {
        {{T::toKey(), T::toKey()}, "Excavation+unitname occurs twice.", 1},
        {{T::toField(uf::Unitname), T::toField(uf::Unitname)}, "Unit name occurs twice.", 1},
        {{T::toField(uf::Unitname), T::toField(uf::MinYear), T::toField(uf::MinYear)}, "First year occurs twice.", 2},
        {{T::toField(uf::Unitname), T::toField(uf::Description), T::toField(uf::Description)}, "", -1},
        // A later message replaces a repeated target's, and its row.
        {{T::toKey(), T::toKey(), T::toField(uf::Unitname)},
         "Select either Excavation+unitname or Unit name and optionally Excavation", -1},
        {{T::toKey(), T::toField(uf::Excavation)}, "Select either Excavation+unitname or Unit name and optionally Excavation", -1},
        {{T::toField(uf::Description)}, "Unit name is a mandatory field.", -1},
        {{T::toField(uf::Unitname), T::toRelation(category::Later)}, "", -1},
    };
    for (const auto& c : cases) {
        Concordance con;
        con.targets = c.targets;
        int row = -2;
        EXPECT_EQ(CheckConcordance(con, cat, &row), c.message);
        EXPECT_EQ(row, c.repeatedRow) << c.message.toStdString();
    }
    Concordance badSeparator;
    badSeparator.targets = {T::toKey()};
    badSeparator.keySeparator = QStringLiteral(":::");
    EXPECT_EQ(CheckConcordance(badSeparator, cat), "The separator is a one or two character string (for example a colon)");
}

TEST_F(CsvProject, AutomaticAssignmentKnowsLongAndShortNames)
{
    std::vector<SourceColumn> columns;
    for (const char* name : {"EXC_UNIT", "DESCRIPT", "Unit class", "EXCDATE", "Later than", "part_of", "CONTEMP", "Nothing"})
        columns.push_back(SourceColumn{QString::fromLatin1(name), SourceType::String, 10});
    columns[3].type = SourceType::Date;
    QStringList texts;
    for (const auto& t : AutoAssign(columns, session.catalogue(), false)) texts.append(TargetText(t, session.catalogue()));
    EXPECT_EQ(texts, (QStringList{"Excavation+unitname", "Description", "Unit class", "Excavation date",
                                  "Later than relationships", "Part of relationships", "Contemporary relationships", ""}));
    // A date column may feed only the date field and text fields of a text source.
    QStringList menu;
    for (const auto& t : CompatibleTargets(columns[3], session.catalogue(), false)) menu.append(TargetText(t, session.catalogue()));
    EXPECT_EQ(menu, QStringList{"Excavation date"});
}

TEST_F(CsvProject, RelationshipListsAreSplitAndCut)
{
    writeBytes(dir.file("r.csv"),
               "Unitname;Later than\r\n12;\"13, 14,15\"\r\n13;\r\n14;\r\n15;\r\nLONGNAME123;\"13,LONGNAME456\"\r\n");
    CsvSource source(dir.file("r.csv"), options(CsvDelimited::TextFieldsOnly, true), regional);
    ASSERT_TRUE(ImportWithConcordance(session, source, concordanceFor(source)));
    EXPECT_EQ(relationRows(), (QStringList{"A:12 > A:13", "A:12 > A:14", "A:12 > A:15", "A:13 < A:12", "A:13 < A:LONGNAME",
                                           "A:14 < A:12", "A:15 < A:12", "A:LONGNAME > A:13"}));
}

TEST_F(CsvProject, AFailedImportLeavesNoNewProject)
{
    CloseProject(session, true);
    writeBytes(dir.file("d.csv"), "Excavation_Unitname\r\nA:12\r\nA:12\r\n");
    CsvSource source(dir.file("d.csv"), options(CsvDelimited::TextFieldsOnly, true), regional);
    ui.expectError(QStringLiteral("Unit name A:12 occurs twice."));
    EXPECT_FALSE(ImportIntoNewProject(session, dir.file("N.bvp"), source, concordanceFor(source)));
    EXPECT_FALSE(QFile::exists(dir.file("N.bvp")));
    EXPECT_FALSE(QFile::exists(dir.file("N_unit.db")));
    EXPECT_FALSE(session.project().isOpen());
}

} // namespace
} // namespace belvanto
