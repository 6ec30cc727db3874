#include "exchange/TextTable.h"
#include "ExportFixture.h"
#include "exchange/ExchangeTestSupport.h"
#include "exchange/TableSources.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace belvanto::testing_support {
namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TextTableTest : public ExportFixture {
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        fillProject();
        setField(QStringLiteral("13"), uf::Description, QStringLiteral("one\r\ntwo\nthree\rfour, \"quoted\""));
    }
};

TEST_F(TextTableTest, SchemaNamesTheColumns)
{
    ASSERT_TRUE(ExportTextTable(session, file(QStringLiteral("units.txt"))).ok);
    EXPECT_EQ(bytesOf(file(QStringLiteral("units.sch"))).toStdString(),
              "[units]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=ascii\r\n"
              "Field1=Excavation_Unitname,CHAR,21,00,00\r\nField2=Unitclass,CHAR,9,00,00\r\n"
              "Field3=XMinCoord,FLOAT,20,00,00\r\nField4=ZMaxCoord,FLOAT,20,00,00\r\n"
              "Field5=Description,CHAR,255,00,00\r\nField6=ExcavationMethod,CHAR,20,00,00\r\n"
              "Field7=Interpretation,CHAR,255,00,00\r\nField8=MinYear,LONGINT,11,00,00\r\n"
              "Field9=Period,CHAR,8,00,00\r\nField10=ExcavationDate,DATE,10,00,00\r\n"
              "Field11=Later than,CHAR,278,00,00\r\nField12=Earlier than,CHAR,4,00,00\r\n"
              "Field13=Equal to,CHAR,4,00,00\r\nField14=Part of,CHAR,3,00,00\r\n");
}

TEST_F(TextTableTest, OneLinePerUnitEndingWithCrLfAndAFinalCr)
{
    ASSERT_TRUE(ExportTextTable(session, file(QStringLiteral("units.txt"))).ok);
    const QByteArray data = bytesOf(file(QStringLiteral("units.txt")));
    EXPECT_TRUE(data.endsWith("\r\n\r"));
    EXPECT_EQ(data.count("\r\n"), 43);
    EXPECT_EQ(data.count('\n'), 43) << "no line break of a value survives";
    EXPECT_TRUE(data.contains("\r\n\"E:13\",\"context\",-0.25,,\"one two three four, \"\"quoted\"\"\",\"\",\"\","
                              "-2147483647,\"\",,\"\",\"\",\"E:12\",\"\"\r\n"))
        << data.left(600).toStdString();
}

// Python's csv module, told the delimiter and separator by the schema.
TEST_F(TextTableTest, PythonCsvReadsItWithTheSchema)
{
    ASSERT_TRUE(ExportTextTable(session, file(QStringLiteral("units.txt"))).ok);
    const ToolRun r = runTool(python(), {QStringLiteral("-c"), QStringLiteral(R"(
import csv, json, sys
schema = {}
names = []
for line in open(sys.argv[2], encoding='cp1252', newline=''):
    line = line.rstrip('\r\n')
    if '=' in line:
        key, value = line.split('=', 1)
        schema[key] = value
        if key.startswith('Field'):
            names.append(value.split(',')[0])
rows = [row for row in csv.reader(open(sys.argv[1], encoding='cp1252', newline=''),
                                  delimiter=schema['Separator'], quotechar=schema['Delimiter']) if row]
print(json.dumps({'names': names, 'rows': rows}))
)"), file(QStringLiteral("units.txt")), file(QStringLiteral("units.sch"))});
    if (!r.available) GTEST_SKIP() << "python3 is not installed";
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.output.toUtf8()).object();
    const QJsonArray names = o[QStringLiteral("names")].toArray();
    ASSERT_EQ(names.size(), 14);
    EXPECT_EQ(names[10].toString(), QStringLiteral("Later than"));
    const QJsonArray rows = o[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 43);
    for (const auto& row : rows) EXPECT_EQ(row.toArray().size(), 14);
    const QJsonArray a = rows[0].toArray();
    EXPECT_EQ(a[0].toString(), QStringLiteral("E:12"));
    EXPECT_EQ(a[2].toString(), QStringLiteral("12.5"));
    EXPECT_EQ(a[3].toString(), QStringLiteral("101.12345678"));
    EXPECT_EQ(a[4].toString(), kNonLatin);
    EXPECT_EQ(a[6].toString(), kLongText);
    EXPECT_EQ(a[7].toString(), QStringLiteral("1200"));
    EXPECT_EQ(a[9].toString(), QStringLiteral("2003-02-01"));
    EXPECT_EQ(a[10].toString(), laterList());
    EXPECT_EQ(rows[1].toArray()[4].toString(), QStringLiteral("one two three four, \"quoted\""));
}

TEST_F(TextTableTest, SingleExcavationKeyAndRefusalLeavesOldFiles)
{
    session.project().SingleExcavation = true;
    ASSERT_TRUE(ExportTextTable(session, file(QStringLiteral("units.txt"))).ok);
    EXPECT_TRUE(bytesOf(file(QStringLiteral("units.sch"))).contains("Field1=Unitname,CHAR,8,00,00\r\n"));
    EXPECT_TRUE(bytesOf(file(QStringLiteral("units.txt"))).startsWith("\"12\",\"context\",12.5,"));
    const QByteArray before = bytesOf(file(QStringLiteral("units.txt")));
    setField(QStringLiteral("G"), uf::Colour, QStringLiteral("Ω"));
    const TextFileResult r = ExportTextTable(session, file(QStringLiteral("units.txt")));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("Cannot write %1: unit G holds a character that Windows-1252 cannot hold")
                           .arg(QDir::toNativeSeparators(file(QStringLiteral("units.txt")))));
    EXPECT_EQ(bytesOf(file(QStringLiteral("units.txt"))), before);
}

// ---- reading text tables -----------------------------------------------------

QString columnText(const ImportSource& source)
{
    QStringList columns;
    for (const SourceColumn& c : source.columns()) columns << c.name + QLatin1Char(' ') + SourceTypeText(c);
    return columns.join(QStringLiteral(" | "));
}

TEST_F(TextTableTest, TheExportReadsBackTyped)
{
    ASSERT_TRUE(ExportTextTable(session, file(QStringLiteral("units.txt"))).ok);
    const auto source = OpenTableSource(file(QStringLiteral("units.txt")));
    EXPECT_EQ(columnText(*source).toStdString(),
              "Excavation_Unitname string(21) | Unitclass string(9) | XMinCoord float | ZMaxCoord float | "
              "Description string(255) | ExcavationMethod string(20) | Interpretation string(255) | MinYear integer | "
              "Period string(8) | ExcavationDate date | Later than string(278) | Earlier than string(4) | "
              "Equal to string(4) | Part of string(3)");
    const auto rows = ReadAllRecords(*source);
    ASSERT_EQ(rows.size(), 43u);
    EXPECT_EQ(rows[0], (std::vector<Value>{QStringLiteral("E:12"), QStringLiteral("context"), 12.5, 101.12345678, kNonLatin,
                                          QStringLiteral("spade"), kLongText, qint32(1200), QStringLiteral("II"),
                                          QDate(2003, 2, 1), laterList(), Value(), QStringLiteral("E:13"),
                                          QStringLiteral("E:G")}));
    EXPECT_EQ(rows[1][4], Value(QStringLiteral("one two three four, \"quoted\"")));
    EXPECT_EQ(rows[1][7], Value(qint32(-2147483647)));
    EXPECT_EQ(source->position(), 43);
    source->rewind();
    EXPECT_EQ(ReadAllRecords(*source).size(), 43u);
}

const QByteArray kSchema = "[t]\r\nFiletype=VARYING\r\nDelimiter=\"\r\nSeparator=,\r\nCharSet=ascii\r\n"
                           "Field1=Name,CHAR,4,00,00\r\nField2=N,LONGINT,11,00,00\r\nField3=X,FLOAT,20,00,00\r\n"
                           "Field4=D,DATE,10,00,00\r\n";

TEST(TextTableSource, ReadsSchemaTypesQuotesAndOtherSeparators)
{
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("t.txt"));
    writeBytes(dir.filePath(QStringLiteral("t.sch")), kSchema);
    writeBytes(txt, "\"12\",7,1.5,2003-02-01\r\n\"a\"\",b\",-3,-2.5e-07,\r\n\"\",,,\r\n\"\x80\"\"\"\"\",,,\r\n\r");
    auto source = OpenTableSource(txt);
    EXPECT_EQ(columnText(*source), QStringLiteral("Name string(4) | N integer | X float | D date"));
    const auto rows = ReadAllRecords(*source);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<Value>{QStringLiteral("12"), qint32(7), 1.5, QDate(2003, 2, 1)}));
    EXPECT_EQ(rows[1], (std::vector<Value>{QStringLiteral("a\",b"), qint32(-3), -2.5e-07, Value()}));
    EXPECT_EQ(rows[2], (std::vector<Value>{Value(), Value(), Value(), Value()}));
    EXPECT_EQ(rows[3][0], Value(QStringLiteral("\u20ac\"\"")));

    // A tab between the values and no delimiter; the schema's name in upper case.
    QFile::remove(dir.filePath(QStringLiteral("t.sch")));
    writeBytes(dir.filePath(QStringLiteral("t.SCH")), "Separator=\t\r\nDelimiter=\r\nField1=Name,CHAR,4\r\nField2=N,LONGINT,11\r\n");
    writeBytes(txt, "a\"b\t5\r\n");
    source = OpenTableSource(txt);
    EXPECT_EQ(ReadAllRecords(*source), (std::vector<std::vector<Value>>{{QStringLiteral("a\"b"), qint32(5)}}));
}

QString readAllOrError(const QString& path)
{
    return ReadAllOrError([&] { return OpenTableSource(path); });
}

TEST(TextTableSource, HostileTablesAndSchemasGiveTheFileTheLineAndTheReason)
{
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("t.txt"));
    const QString sch = dir.filePath(QStringLiteral("t.sch"));
    const QByteArray good = "\"12\",7,1.5,2003-02-01\r\n";
    struct Case {
        const char* what;
        QByteArray schema;   // none: no schema file
        QByteArray data;
        QString error;
    };
    const QString noSchema = QStringLiteral("%1: its schema %2 cannot be read: No such file or directory").arg(txt, sch);
    const Case cases[] = {
        {"no schema", QByteArray(), good, noSchema},
        {"fixed width", "Filetype=FIXED\r\n" + kSchema, good,
         sch + QStringLiteral(", line 1: only VARYING text tables can be read, not FIXED.")},
        {"long separator", kSchema + "Separator=;;\r\n", good, sch + QStringLiteral(", line 10: the separator must be one character.")},
        {"long delimiter", kSchema + "Delimiter=''\r\n", good,
         sch + QStringLiteral(", line 10: the delimiter must be one character or none.")},
        {"character set", kSchema + "CharSet=ebcdic\r\n", good, sch + QStringLiteral(", line 10: unknown character set ebcdic.")},
        {"no key", kSchema + "Field5\r\n", good, sch + QStringLiteral(", line 10: \"Field5\" is no Key=Value line.")},
        {"column cut", kSchema + "Field5=E,CHAR\r\n", good, sch + QStringLiteral(", line 10: a column is name,type,width,decimals.")},
        {"memo column", kSchema + "Field5=E,MEMO,10,00,00\r\n", good,
         sch + QStringLiteral(", line 10: unknown column type MEMO (CHAR, LONGINT, FLOAT or DATE).")},
        {"width", kSchema + "Field5=E,CHAR,x,00,00\r\n", good, sch + QStringLiteral(", line 10: the width x is no number.")},
        {"no width", kSchema + "Field5=E,CHAR,0,00,00\r\n", good, sch + QStringLiteral(", line 10: a CHAR column needs a width.")},
        {"twice", kSchema + "Field4=E,CHAR,1,00,00\r\n", good, sch + QStringLiteral(", line 10: Field4 is given twice.")},
        {"number", kSchema + "FieldX=E,CHAR,1,00,00\r\n", good, sch + QStringLiteral(", line 10: FieldX is no column number.")},
        {"gap", kSchema + "Field6=E,CHAR,1,00,00\r\n", good, sch + QStringLiteral(": Field5 is missing.")},
        {"no columns", "[t]\r\nSeparator=,\r\n", good, sch + QStringLiteral(": the schema names no columns.")},
        {"binary schema", QByteArray("\x01\x00\xff=\x7f", 5), good, sch + QStringLiteral(": a zero byte; this is no schema.")},
        {"huge schema", kSchema + QByteArray(2 << 20, 'x'), good, sch + QStringLiteral(": the schema is longer than 1048576 bytes.")},
        {"too few fields", kSchema, good + "\"13\",7\r\n", txt + QStringLiteral(": 4 fields expected, but 2 fields in line 2")},
        {"too many fields", kSchema, good + "\r\n\"13\",7,1,,\r\n", txt + QStringLiteral(": 4 fields expected, but 5 fields in line 3")},
        {"not an integer", kSchema, "\"12\",7.5,,\r\n", txt + QStringLiteral(", line 1: column N holds \"7.5\", which is not an integer number.")},
        {"not a number", kSchema, "\"12\",,1;5,\r\n", txt + QStringLiteral(", line 1: column X holds \"1;5\", which is not a number.")},
        {"not a date", kSchema, "\"12\",,,2003-13-01\r\n",
         txt + QStringLiteral(", line 1: column D holds \"2003-13-01\", which is not a date (yyyy-mm-dd).")},
        {"too wide", kSchema, "\"12345\",,,\r\n", txt + QStringLiteral(", line 1: column Name holds 5 characters, more than its width 4.")},
        {"cut inside a text", kSchema, good + "\"12",
         txt + QStringLiteral(", line 2: the field delimited by \" is not closed before the end of the file.")},
        {"zero byte", kSchema, good + QByteArray("\"1\0\",,,\r\n", 9), txt + QStringLiteral(", line 2: a zero byte; this is no text file.")},
        {"one endless line", kSchema, QByteArray(3 << 20, 'x'),
         txt + QStringLiteral(", line 1: the line is longer than 1048576 characters.")},
    };
    for (const Case& c : cases) {
        QFile::remove(sch);
        if (!c.schema.isNull()) writeBytes(sch, c.schema);
        writeBytes(txt, c.data);
        EXPECT_EQ(readAllOrError(txt).toStdString(), c.error.toStdString()) << c.what;
    }
    // Every cut of a good table, and garbage after it: an error or a clean read, never a crash.
    writeBytes(sch, kSchema);
    QByteArray table;
    for (int i = 0; i < 20; ++i) table += good;
    for (qsizetype size = 0; size < table.size(); size += 7) {
        writeBytes(txt, table.left(size));
        readAllOrError(txt);
    }
    QByteArray garbage = good;
    for (int b = 0; b < 4096; ++b) garbage += char((b * 37 + 11) & 0xFF);
    writeBytes(txt, garbage);
    EXPECT_TRUE(readAllOrError(txt).startsWith(txt + QStringLiteral(", line ")) ||
                readAllOrError(txt).startsWith(txt + QStringLiteral(": 4 fields expected")));
}

} // namespace
} // namespace belvanto::testing_support
