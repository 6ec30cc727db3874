#include "exchange/TextTable.h"
#include "ExportFixture.h"

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

} // namespace
} // namespace belvanto::testing_support
