#include "exchange/Dbase.h"
#include "exchange/DbaseMemo.h"
#include "exchange/DbaseSource.h"
#include "ExportFixture.h"
#include "exchange/ExchangeTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

namespace belvanto::testing_support {
namespace {

// ---- column names ------------------------------------------------------

TEST(DbaseFieldName, EveryExportNameIsShortLegalAndUnique)
{
    const UnitFieldCatalogue catalogue;
    QStringList names{QStringLiteral("Excavation_Unitname")};
    for (int f = 0; f < kOptionFieldCount; ++f) names << catalogue[f].Name;
    for (const auto& c : RelationCategories()) names << c.explanation;
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString shortName = DbaseFieldName(name);
        EXPECT_LE(shortName.size(), kDbaseNameLength) << name.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9_]+$")).match(shortName).hasMatch())
            << shortName.toStdString();
        EXPECT_FALSE(seen.contains(shortName.toUpper())) << shortName.toStdString() << " twice";
        seen.insert(shortName.toUpper());
        EXPECT_EQ(DbaseLongFieldName(shortName.toLower()), name);
    }
}

TEST(DbaseFieldName, TheMappedNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Excavation_Unitname", "EXC_UNIT"}, {"ExcavationMethod", "EXCMETHOD"}, {"ExcavationDate", "EXCDATE"},
        {"Interpretation", "INTERPRET"},     {"Description", "DESCRIPT"},       {"Later than", "LATER"},
        {"Earlier than", "EARLIER"},         {"Equal to", "EQUAL"},             {"Contemporary with", "CONTEMP"},
        {"Part of", "PART_OF"},              {"Unitname", "Unitname"},          {"Excavation", "Excavation"},
        {"Find cat ä-long name", "Find_cat__"},
    };
    for (const auto& [longName, shortName] : cases)
        EXPECT_EQ(DbaseFieldName(QString::fromUtf8(longName)), QLatin1String(shortName)) << longName;
}

// ---- export, read back by our own reader ---------------------------------

class DbaseExportTest : public ExportFixture {
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        fillProject();
        path = file(QStringLiteral("units.dbf"));
        const TextFileResult written = ExportDbase(session, path);
        ASSERT_TRUE(written.ok) << written.error.toStdString();
    }

    // Every record of the export, keyed by its first column.
    std::map<QString, std::vector<Value>> readBack()
    {
        auto source = OpenDbaseSource(path);
        std::map<QString, std::vector<Value>> records;
        std::vector<Value> record;
        while (source->next(record)) records[valueToString(record[0])] = record;
        return records;
    }
    QString path;
};

TEST_F(DbaseExportTest, ColumnsCarryShortNamesTypesAndSizes)
{
    auto source = OpenDbaseSource(path);
    QStringList columns;
    for (const SourceColumn& c : source->columns()) columns << c.name + QLatin1Char(' ') + SourceTypeText(c);
    EXPECT_EQ(columns.join(QStringLiteral(" | ")).toStdString(),
              "EXC_UNIT string(21) | Unitclass string(9) | XMinCoord float | ZMaxCoord float | "
              "DESCRIPT string(255) | EXCMETHOD string(20) | INTERPRET string(255) | MinYear integer | "
              "Period string(8) | EXCDATE date | LATER memo | EARLIER string(4) | EQUAL string(4) | "
              "PART_OF string(3)");
}

TEST_F(DbaseExportTest, ValuesComeBackTyped)
{
    const auto records = readBack();
    ASSERT_EQ(records.size(), 43u);
    const auto& a = records.at(QStringLiteral("E:12"));
    EXPECT_EQ(a[1], Value(kContext));
    EXPECT_EQ(a[2], Value(12.5));
    EXPECT_EQ(a[3], Value(101.12345678));
    EXPECT_EQ(a[4], Value(kNonLatin));
    EXPECT_EQ(a[5], Value(QStringLiteral("spade")));
    EXPECT_EQ(a[6], Value(kLongText));
    EXPECT_EQ(a[7], Value(qint32(1200)));
    EXPECT_EQ(a[9], Value(QDate(2003, 2, 1)));
    EXPECT_EQ(a[10], Value(laterList()));
    EXPECT_EQ(a[11], Value());
    EXPECT_EQ(a[12], Value(QStringLiteral("E:13")));
    EXPECT_EQ(a[13], Value(QStringLiteral("E:G")));

    const auto& b = records.at(QStringLiteral("E:13"));
    EXPECT_EQ(b[2], Value(-0.25));
    EXPECT_EQ(b[3], Value()) << "an empty float is blank";
    EXPECT_EQ(b[4], Value(QStringLiteral("  leading blanks")));
    EXPECT_EQ(b[7], Value(qint32(-2147483647)));
    EXPECT_EQ(b[9], Value()) << "an empty date is blank";
    EXPECT_EQ(b[10], Value()) << "no memo";

    EXPECT_EQ(records.at(QStringLiteral("E:U07"))[11], Value(QStringLiteral("E:12")));
}

TEST_F(DbaseExportTest, HeaderSaysWindows1252AndMemo)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(32);
    EXPECT_EQ(uchar(header[0]), 0x83);
    EXPECT_EQ(uchar(header[29]), 0x57);
    QFile memo(file(QStringLiteral("units.dbt")));
    ASSERT_TRUE(memo.open(QIODevice::ReadOnly));
    EXPECT_EQ(memo.size() % kDbaseMemoBlock, 0);
}

TEST_F(DbaseExportTest, SingleExcavationKeyAndNoMemoLeftBehind)
{
    // Rewritten without the long list: the old memo file goes.
    {
        BulkScope bulk;
        session.relations().empty();
    }
    session.project().SingleExcavation = true;
    ASSERT_TRUE(ExportDbase(session, path).ok);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("units.dbt"))));
    auto source = OpenDbaseSource(path);
    EXPECT_EQ(source->columns()[0].name, QStringLiteral("Unitname"));
    EXPECT_EQ(SourceTypeText(source->columns()[0]), QStringLiteral("string(8)"));
    EXPECT_EQ(source->columns().back().name, QStringLiteral("EXCDATE"));
    std::vector<Value> record;
    ASSERT_TRUE(source->next(record));
    EXPECT_EQ(record[0], Value(QStringLiteral("12")));
}

TEST_F(DbaseExportTest, FailureLeavesTheEarlierExportWhole)
{
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    setField(QStringLiteral("13"), uf::Description, QStringLiteral("Ω not in Windows-1252"));
    const TextFileResult r = ExportDbase(session, path);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.toStdString(),
              QStringLiteral("Cannot write %1: unit E:13, column Description holds a character that Windows-1252 "
                             "cannot hold").arg(QDir::toNativeSeparators(path)).toStdString());
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".dbase-")).size(), 0);

    EXPECT_FALSE(ExportDbase(session, file(QStringLiteral("missing/x.dbf"))).ok);
}

// ---- export, read by outside readers --------------------------------------

TEST_F(DbaseExportTest, Python3DbfReadsTypesAndValues)
{
    if (!pythonHas("dbf")) GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
    const ToolRun r = runTool(python(), {QStringLiteral("-c"), QStringLiteral(R"(
import dbf, json, sys
t = dbf.Table(sys.argv[1]); t.open()
out = {'structure': t.structure(), 'codepage': t.codepage.name, 'rows': {}}
for rec in t:
    out['rows'][rec[0].strip()] = [str(v).rstrip() if v is not None else None for v in rec]
print(json.dumps(out))
)"), path});
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.output.toUtf8()).object();
    QStringList structure;
    for (const auto& v : o[QStringLiteral("structure")].toArray()) structure << v.toString();
    EXPECT_EQ(structure.join(QStringLiteral("; ")).toUpper().toStdString(),
              "EXC_UNIT C(21); UNITCLASS C(9); XMINCOORD N(20,8); ZMAXCOORD N(20,8); DESCRIPT C(255); "
              "EXCMETHOD C(20); INTERPRET C(255); MINYEAR N(11,0); PERIOD C(8); EXCDATE D; LATER M; "
              "EARLIER C(4); EQUAL C(4); PART_OF C(3)");
    EXPECT_TRUE(o[QStringLiteral("codepage")].toString().contains(QStringLiteral("1252")))
        << o[QStringLiteral("codepage")].toString().toStdString();
    const QJsonArray a = o[QStringLiteral("rows")].toObject()[QStringLiteral("E:12")].toArray();
    EXPECT_EQ(a[2].toString(), QStringLiteral("12.5"));
    EXPECT_EQ(a[4].toString(), kNonLatin);
    EXPECT_EQ(a[6].toString(), kLongText);
    EXPECT_EQ(a[7].toString(), QStringLiteral("1200"));
    EXPECT_EQ(a[9].toString(), QStringLiteral("2003-02-01"));
    EXPECT_EQ(a[10].toString(), laterList());
    const QJsonArray b = o[QStringLiteral("rows")].toObject()[QStringLiteral("E:13")].toArray();
    EXPECT_TRUE(b[3].isNull()) << "blank float";
}

TEST_F(DbaseExportTest, OgrinfoReadsTypesAndValues)
{
    const ToolRun r = runTool(QStringLiteral("ogrinfo"), {QStringLiteral("-ro"), QStringLiteral("-al"), path});
    if (!r.available) GTEST_SKIP() << "ogrinfo is not installed (apt-get install gdal-bin)";
    ASSERT_TRUE(r.ok) << r.output.toStdString();
    for (const char* line : {"EXC_UNIT: String (21.0)", "XMinCoord: Real (20.8)", "DESCRIPT: String (255.0)",
                             "MinYear: Integer64 (11.0)", "EXCDATE: Date (10.0)",
                             "  EXC_UNIT (String) = E:12", "  XMinCoord (Real) = 12.50000000",
                             "  MinYear (Integer64) = 1200", "  EXCDATE (Date) = 2003/02/01",
                             "  EQUAL (String) = E:13"})
        EXPECT_TRUE(r.output.contains(QString::fromUtf8(line))) << line << "\n" << r.output.left(3000).toStdString();
    // GDAL reads no memo files, and drops the letters of Windows-1252 that
    // Latin-1 lacks; what it reads must be right all the same.
    EXPECT_TRUE(r.output.contains(QStringLiteral("  DESCRIPT (String) = Grubenfüllung ")));
    EXPECT_TRUE(r.output.contains(QStringLiteral("  XMinCoord (Real) = -0.25000000")));
}

// ---- files of other writers read by our reader ----------------------------

class DbaseSourceTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    static std::vector<std::vector<Value>> all(ImportSource& source)
    {
        std::vector<std::vector<Value>> rows;
        std::vector<Value> record;
        while (source.next(record)) rows.push_back(record);
        return rows;
    }
    static QString columnText(const ImportSource& source)
    {
        QStringList columns;
        for (const SourceColumn& c : source.columns()) columns << c.name + QLatin1Char(' ') + SourceTypeText(c);
        return columns.join(QStringLiteral(" | "));
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir dir;
};

TEST_F(DbaseSourceTest, ReadsWhatOgr2ogrWritesFromCsv)
{
    write(QStringLiteral("in.csv"), QStringLiteral("Unitname,MinYear,XMinCoord,Dug,Description\n"
                                                   "12,1200,12.5,2003/02/01,Grubenfüllung\n"
                                                   "13,,-3.75,,\n").toUtf8());
    for (const char* encoding : {"LDID/87", "UTF-8"}) {
        SCOPED_TRACE(encoding);
        const QString out = file(QStringLiteral("out_%1.dbf").arg(QLatin1String(encoding).left(4)));
        const ToolRun r = runTool(QStringLiteral("ogr2ogr"),
                                  {QStringLiteral("-f"), QStringLiteral("ESRI Shapefile"), QStringLiteral("-lco"),
                                   QStringLiteral("ENCODING=%1").arg(QLatin1String(encoding)),
                                   QStringLiteral("-oo"), QStringLiteral("AUTODETECT_TYPE=YES"), out,
                                   file(QStringLiteral("in.csv"))});
        if (!r.available) GTEST_SKIP() << "ogr2ogr is not installed (apt-get install gdal-bin)";
        ASSERT_TRUE(r.ok) << r.output.toStdString();
        auto source = OpenDbaseSource(out);
        EXPECT_EQ(columnText(*source).toStdString(),
                  "Unitname integer | MinYear integer | XMinCoord float | Dug date | Descriptio string(80)");
        const auto rows = all(*source);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0], (std::vector<Value>{qint32(12), qint32(1200), 12.5, QDate(2003, 2, 1),
                                              QStringLiteral("Grubenfüllung")}));
        EXPECT_EQ(rows[1], (std::vector<Value>{qint32(13), Value(), -3.75, Value(), Value()}));
        EXPECT_EQ(source->position(), 2);
        source->rewind();
        EXPECT_EQ(all(*source).size(), 2u);
    }
}

TEST_F(DbaseSourceTest, ReadsWhatPython3DbfWritesWithMemos)
{
    if (!pythonHas("dbf")) GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
    const QString memoText = QString(600, QLatin1Char('m')) + QStringLiteral(" Œuvre");
    for (const char* kind : {"db3", "clp"}) {
        SCOPED_TRACE(kind);
        const QString out = file(QStringLiteral("py_%1.dbf").arg(QLatin1String(kind)));
        const ToolRun r = runTool(python(), {QStringLiteral("-c"), QStringLiteral(R"(
import dbf, sys, datetime
t = dbf.Table(sys.argv[1], 'NAME C(8); YEAR N(6,0); X N(12,3); DUG D; NOTE M; OK L',
              dbf_type=sys.argv[3], codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('12', 1200, 12.5, datetime.date(2003, 2, 1), sys.argv[2], True))
t.append(('13', None, None, None, '', False))
t.append(('14', 7, -1.0, None, 'short', None))
dbf.delete(t[2])
t.close()
)"), out, memoText, QLatin1String(kind)});
        ASSERT_TRUE(r.ok) << r.output.toStdString();
        auto source = OpenDbaseSource(out);
        EXPECT_EQ(columnText(*source).toStdString(),
                  "NAME string(8) | YEAR integer | X float | DUG date | NOTE memo | OK unknown");
        const auto rows = all(*source);
        ASSERT_EQ(rows.size(), 2u) << "the deleted record is skipped";
        EXPECT_EQ(rows[0][0], Value(QStringLiteral("12")));
        EXPECT_EQ(rows[0][1], Value(qint32(1200)));
        EXPECT_EQ(rows[0][2], Value(12.5));
        EXPECT_EQ(rows[0][3], Value(QDate(2003, 2, 1)));
        EXPECT_EQ(rows[0][4], Value(memoText));
        EXPECT_EQ(rows[1][1], Value());
        EXPECT_EQ(rows[1][3], Value());
        EXPECT_EQ(rows[1][4], Value());
    }
}

// ---- damaged files --------------------------------------------------------

// Reads everything; the ImportError text, or "" when the file read cleanly.
QString readAllOrError(const QString& path)
{
    return ReadAllOrError([&] { return OpenDbaseSource(path); });
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Our own export, damaged.
TEST_F(DbaseExportTest, DamagedFilesAreRefusedWithFileAndRecord)
{
    QFile exported(path);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray good = exported.readAll();
    const auto write = [&](const QString& name, const QByteArray& bytes) { writeFile(file(name), bytes); };
    ASSERT_GT(good.size(), 1000);
    const QString n = QDir::toNativeSeparators(file(QStringLiteral("bad.dbf")));
    const int headerLength = uchar(good[8]) | uchar(good[9]) << 8;
    const int recordLength = uchar(good[10]) | uchar(good[11]) << 8;
    struct Case {
        const char* what;
        QByteArray bytes;
        QString error;
    };
    QByteArray wideRecord = good;
    wideRecord[10] = 5;   // record shorter than its fields
    wideRecord[11] = 0;
    QByteArray hugeHeader = good;
    hugeHeader[8] = char(0xff);
    hugeHeader[9] = char(0xff);
    QByteArray badNumber = good;
    badNumber.replace(headerLength + 1 + 21 + 9, 20, QByteArray(19, ' ') + 'x');
    const Case cases[] = {
        {"empty", QByteArray(), n + QStringLiteral(": not a dBase table (damaged header)")},
        {"header cut", good.left(20), n + QStringLiteral(": not a dBase table (damaged header)")},
        {"fields cut", good.left(100), n + QStringLiteral(": not a dBase table (damaged header)")},
        {"garbage", QByteArray(4000, char(0xa5)), n + QStringLiteral(": not a dBase table (damaged header)")},
        {"header length past the end", hugeHeader, n + QStringLiteral(": not a dBase table (damaged header)")},
        {"record length too small", wideRecord, n + QStringLiteral(": not a dBase table (damaged header)")},
        {"second record cut", good.left(headerLength + recordLength + 10),
         n + QStringLiteral(", record 2: the file ends inside the record")},
        {"not a number", badNumber,
         n + QStringLiteral(", record 1: column XMinCoord holds \"x\", which is not a number")},
    };
    QFile memo(file(QStringLiteral("units.dbt")));
    ASSERT_TRUE(memo.open(QIODevice::ReadOnly));
    write(QStringLiteral("bad.dbt"), memo.readAll());
    for (const Case& c : cases) {
        write(QStringLiteral("bad.dbf"), c.bytes);
        EXPECT_EQ(readAllOrError(file(QStringLiteral("bad.dbf"))).toStdString(), c.error.toStdString()) << c.what;
    }
    // Every cut of the file: an error or a clean read, never a crash.
    for (qsizetype size = 0; size < good.size(); size += 37) {
        write(QStringLiteral("bad.dbf"), good.left(size));
        readAllOrError(file(QStringLiteral("bad.dbf")));
    }
    // The memo file missing or cut short.
    write(QStringLiteral("bad.dbf"), good);
    QFile::remove(file(QStringLiteral("bad.dbt")));
    EXPECT_EQ(readAllOrError(file(QStringLiteral("bad.dbf"))).toStdString(),
              (n + QStringLiteral(": the memo file bad.dbt is missing")).toStdString());
    write(QStringLiteral("bad.dbt"), QByteArray(512, '\0'));
    EXPECT_EQ(readAllOrError(file(QStringLiteral("bad.dbf"))).toStdString(),
              (n + QStringLiteral(", record 1: column LATER names memo block 1, which the memo file lacks"))
                  .toStdString());
    EXPECT_EQ(readAllOrError(file(QStringLiteral("nothing.dbf"))).toStdString(),
              (QDir::toNativeSeparators(file(QStringLiteral("nothing.dbf"))) +
               QStringLiteral(": the file cannot be opened")).toStdString());
}

} // namespace
} // namespace belvanto::testing_support
