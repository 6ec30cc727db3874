// The ".db" sources of the field-concordance import: Paradox tables written
// by pxlib, our own tables (a project's unit table), and damaged files.
#include "ExchangeTestSupport.h"
#include "ExportFixture.h"
#include "ParadoxWriter.h"
#include "core/TextCodec.h"
#include "exchange/Concordance.h"
#include "exchange/TableSources.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

namespace belvanto::testing_support {
namespace {

QString columnText(const ImportSource& source)
{
    QStringList columns;
    for (const SourceColumn& c : source.columns()) columns << c.name + QLatin1Char(' ') + SourceTypeText(c);
    return columns.join(QStringLiteral(" | "));
}

std::vector<std::vector<Value>> readAll(ImportSource& source)
{
    std::vector<std::vector<Value>> rows;
    std::vector<Value> record;
    while (source.next(record)) rows.push_back(record);
    return rows;
}

// Reads everything; the ImportError text, or "" when the file read cleanly.
QString readAllOrError(const QString& path)
{
    try {
        auto source = OpenTableSource(path);
        readAll(*source);
        return {};
    } catch (const ImportError& e) {
        return e.text();
    }
}

// The units of the open project, key order, the fields the import writes.
std::vector<std::vector<Value>> unitRows(Session& session)
{
    std::vector<std::vector<Value>> rows;
    for (auto& row : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname"))) {
        row.values.resize(kOptionFieldCount);
        rows.push_back(row.values);
    }
    return rows;
}

const QString kMemoLong = QString(300, QLatin1Char('m')) + QStringLiteral(" Œuvre");
const QString kMemoBlock = QString(3000, QLatin1Char('n')) + QStringLiteral(" €");

// Every Paradox type pxlib writes, nulls and Windows-1252 text.
class ParadoxTable : public ExportFixture {
protected:
    void writeTable(const QString& name, int codePage = 1252)
    {
        ParadoxWriter w(file(name),
                        {{"Unitname", pxfAlpha, 8}, {"Description", pxfAlpha, 40}, {"MinYear", pxfLong},
                         {"Count", pxfShort}, {"Nr", pxfAutoInc}, {"XMinCoord", pxfNumber}, {"Cost", pxfCurrency},
                         {"ExcavationDate", pxfDate}, {"Note", pxfMemoBLOb, 20}, {"Styled", pxfFmtMemoBLOb, 20},
                         {"Done", pxfLogical}, {"At", pxfTime}, {"Stamp", pxfTimestamp}, {"Raw", pxfBytes, 4},
                         {"Amount", pxfBCD, 2}},
                        codePage, true);
        w.text(0, "12");
        w.text(1, "Grubenf\xfcllung \x84\x8c\x93 \x80");
        w.integer(2, 1200);
        w.integer(3, -5);
        w.integer(4, 1);
        w.number(5, 12.5);
        w.number(6, -3.25);
        w.date(7, QDate(2003, 2, 1));
        w.memo(8, encodeCp1252(kMemoLong).value());
        w.memo(9, "short");
        w.logical(10, true);
        w.time(11, QTime(13, 45, 30));
        w.timestamp(12, QDate(1999, 12, 31), QTime(23, 59, 58));
        w.bytes(13, QByteArray("\x01\x02\xfe\xff", 4));
        w.bcd(14, "12.50");
        w.append();
        w.text(0, "13");   // every other field null
        w.append();
        w.text(0, "14");
        w.integer(2, -2147483647);
        w.memo(8, encodeCp1252(kMemoBlock).value());
        w.logical(10, false);
        w.date(7, QDate(1, 1, 1));
        w.append();
    }
};

TEST_F(ParadoxTable, EveryTypeNullsAndWindows1252)
{
    writeTable(QStringLiteral("all.db"));
    auto source = OpenTableSource(file(QStringLiteral("all.db")));
    EXPECT_EQ(columnText(*source).toStdString(),
              "Unitname string(8) | Description string(40) | MinYear integer | Count integer | Nr integer | "
              "XMinCoord float | Cost float | ExcavationDate date | Note memo | Styled memo | Done unknown | "
              "At unknown | Stamp unknown | Raw unknown | Amount unknown");
    const auto rows = readAll(*source);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<Value>{QStringLiteral("12"), QStringLiteral("Grubenfüllung „Œ“ €"), qint32(1200),
                                           qint32(-5), qint32(1), 12.5, -3.25, QDate(2003, 2, 1), kMemoLong,
                                           QStringLiteral("short"), QStringLiteral("true"),
                                           QStringLiteral("13:45:30"), QStringLiteral("1999-12-31 23:59:58"),
                                           QStringLiteral("0102feff"), QStringLiteral("12.50")}));
    std::vector<Value> nulls(15);
    nulls[0] = QStringLiteral("13");
    EXPECT_EQ(rows[1], nulls);
    EXPECT_EQ(rows[2][2], Value(qint32(-2147483647)));
    EXPECT_EQ(rows[2][7], Value(QDate(1, 1, 1)));
    EXPECT_EQ(rows[2][8], Value(kMemoBlock)) << "a memo in a block of its own";
    EXPECT_EQ(rows[2][10], Value(QStringLiteral("false")));
    EXPECT_EQ(source->position(), 3);
    EXPECT_EQ(source->positionWord(), QStringLiteral("record"));

    source->rewind();
    EXPECT_EQ(readAll(*source), rows);
}

TEST_F(ParadoxTable, DosCodePageAndMissingMemoFile)
{
    {
        ParadoxWriter w(file(QStringLiteral("dos.db")), {{"Name", pxfAlpha, 10}, {"Note", pxfMemoBLOb, 20}}, 850,
                        true);
        w.text(0, "F\x81llung");
        w.memo(1, "in line");
        w.append();
        w.text(0, "x");
        w.memo(1, QByteArray(100, 'q'));
        w.append();
    }
    auto source = OpenTableSource(file(QStringLiteral("dos.db")));
    std::vector<Value> record;
    ASSERT_TRUE(source->next(record));
    EXPECT_EQ(record[0], Value(QStringLiteral("Füllung")));
    ASSERT_TRUE(source->next(record));
    EXPECT_EQ(record[1], Value(QString(100, QLatin1Char('q'))));

    // Without the memo file only the memos kept in it are lost.
    ASSERT_TRUE(QFile::remove(file(QStringLiteral("dos.mb"))));
    source = OpenTableSource(file(QStringLiteral("dos.db")));
    ASSERT_TRUE(source->next(record));
    EXPECT_EQ(record[1], Value(QStringLiteral("in line")));
    try {
        source->next(record);
        ADD_FAILURE() << "no error";
    } catch (const ImportError& e) {
        EXPECT_EQ(e.text(), QDir::toNativeSeparators(file(QStringLiteral("dos.db"))) +
                                QStringLiteral(", record 2: the memo file dos.mb is missing"));
    }
}

TEST_F(ParadoxTable, ImportsIntoANewProject)
{
    writeTable(QStringLiteral("all.db"));
    auto source = OpenTableSource(file(QStringLiteral("all.db")));
    Concordance c;
    c.targets = AutoAssign(source->columns(), session.catalogue(), source->givesText());
    c.defaultExcavation = QStringLiteral("A");
    QStringList targets;
    for (const auto& t : c.targets) targets << TargetText(t, session.catalogue());
    EXPECT_EQ(targets.join(QLatin1Char('|')).toStdString(),
              "Unit name|Description|First year|||Minimum X-Coordinate||Excavation date|||||||");
    CloseProject(session, true);
    ASSERT_TRUE(ImportIntoNewProject(session, file(QStringLiteral("Q.bvp")), *source, c));
    const auto units = unitRows(session);
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0][uf::Excavation], Value(QStringLiteral("A")));
    EXPECT_EQ(units[0][uf::Unitname], Value(QStringLiteral("12")));
    EXPECT_EQ(units[0][uf::Unitclass], Value(kContext));
    EXPECT_EQ(units[0][uf::Description], Value(QStringLiteral("Grubenfüllung „Œ“ €")));
    EXPECT_EQ(units[0][uf::MinYear], Value(qint32(1200)));
    EXPECT_EQ(units[0][uf::XMinCoord], Value(12.5));
    EXPECT_EQ(units[0][uf::ExcavationDate], Value(QDate(2003, 2, 1)));
    EXPECT_EQ(units[1][uf::Unitname], Value(QStringLiteral("13")));
    EXPECT_EQ(units[1][uf::Description], Value());
    EXPECT_EQ(units[2][uf::MinYear], Value(qint32(-2147483647)));
}

// ---- our own tables -------------------------------------------------------

class OwnTable : public ExportFixture {};

TEST_F(OwnTable, AProjectsUnitTableImportsIntoANewProject)
{
    fillProject();
    const auto before = unitRows(session);
    const QString unitTable = file(QStringLiteral("P_unit.db"));
    QFile original(unitTable);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();

    // Read while the project is open: no lock, no journal, nothing written.
    auto source = OpenTableSource(unitTable);
    EXPECT_TRUE(columnText(*source).startsWith(QStringLiteral(
        "Excavation string(12) | Unitname string(8) | Unitclass string(9) | XMinCoord float")))
        << columnText(*source).toStdString();
    EXPECT_TRUE(columnText(*source).contains(QStringLiteral("MinYear integer")));
    EXPECT_TRUE(columnText(*source).contains(QStringLiteral("ExcavationDate date")));
    EXPECT_EQ(source->columns().size(), size_t(kUnitFieldCount));
    const auto rows = readAll(*source);
    ASSERT_EQ(rows.size(), before.size());
    EXPECT_EQ(rows[0][uf::Unitname], Value(QStringLiteral("12"))) << "records in key order";
    EXPECT_EQ(rows.back()[uf::Unitname], Value(QStringLiteral("U40")));
    source->rewind();

    // A name that a URI would have to escape.
    const QString copy = file(QStringLiteral("Fund ü #1?%20.db"));
    ASSERT_TRUE(QFile::copy(unitTable, copy));
    EXPECT_EQ(readAll(*OpenTableSource(copy)), rows);

    CloseProject(session, true);
    Concordance c;
    c.targets = AutoAssign(source->columns(), session.catalogue(), source->givesText());
    c.defaultExcavation = kExcavation;
    ASSERT_TRUE(ImportIntoNewProject(session, file(QStringLiteral("Q.bvp")), *source, c));
    EXPECT_EQ(unitRows(session), before);
    QFile after(unitTable);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_FALSE(QFile::exists(unitTable + QStringLiteral("-journal")));
}

// A table file of another writer: its declared types, its key order.
TEST_F(OwnTable, DeclaredTypesAndKeyOrderOfAnyWriter)
{
    const QString path = file(QStringLiteral("other.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE t(\"Name\" VARCHAR(6), \"Year\" INTEGER, \"X\" REAL, \"Y\" FLOAT, "
                           "\"Dug\" DATE, \"Notes\" TEXT, \"Blob\" BLOB, \"Odd\" NUMERIC, PRIMARY KEY(\"Name\"));"
                           "INSERT INTO t VALUES('b', 2, 1.5, 2, '2003-02-01', 'long notes', x'00', 7);"
                           "INSERT INTO t VALUES('a', NULL, NULL, NULL, NULL, '', NULL, NULL);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto source = OpenTableSource(path);
    EXPECT_EQ(columnText(*source).toStdString(), "Name string(6) | Year integer | X float | Y float | Dug date | "
                                                 "Notes memo | Blob unknown | Odd unknown");
    const auto rows = readAll(*source);
    ASSERT_EQ(rows.size(), 2u);
    std::vector<Value> empty(8);
    empty[0] = QStringLiteral("a");
    EXPECT_EQ(rows[0], empty) << "an empty text is null";
    EXPECT_EQ(rows[1][1], Value(qint32(2)));
    EXPECT_EQ(rows[1][3], Value(2.0));
    EXPECT_EQ(rows[1][4], Value(QDate(2003, 2, 1)));
    EXPECT_EQ(rows[1][5], Value(QStringLiteral("long notes")));
    EXPECT_EQ(rows[1][7], Value(QStringLiteral("7")));
}

// ---- damaged and foreign files ----------------------------------------------

class DamagedDb : public ParadoxTable {
protected:
    QByteArray bytesOf(const QString& name)
    {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void sqlite(const QString& name, const char* sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file(name)).constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
};

TEST_F(DamagedDb, RefusedWithFileAndReason)
{
    writeTable(QStringLiteral("good.db"));
    const QByteArray paradox = bytesOf(QStringLiteral("good.db"));
    fillProject();
    const QByteArray own = bytesOf(QStringLiteral("P_unit.db"));
    sqlite(QStringLiteral("two.db"), "CREATE TABLE a(x INTEGER); CREATE TABLE b(y INTEGER);");
    sqlite(QStringLiteral("none.db"), "CREATE VIEW v AS SELECT 1;");
    const int headerSize = uchar(paradox[2]) | uchar(paradox[3]) << 8;
    QByteArray notATable = paradox;
    notATable[4] = 1;   // a primary index file
    QByteArray wrongSize = paradox;
    wrongSize[0] = char(uchar(wrongSize[0]) + 1);   // records longer than their fields
    QByteArray locked = paradox;
    locked[0x25] = 0x11;

    const QString n = QDir::toNativeSeparators(file(QStringLiteral("bad.db")));
    const QString damagedHeader = n + QStringLiteral(": not a Paradox table (damaged header)");
    struct Case {
        const char* what;
        QByteArray bytes;
        QString error;   // the whole text, or its start when it ends in "..."
    };
    const Case cases[] = {
        {"empty", QByteArray(), damagedHeader},
        {"garbage", QByteArray(5000, char(0xa5)), damagedHeader},
        {"text", QByteArray("Unitname;Description\r\n12;pit\r\n"), damagedHeader},
        {"Paradox header cut", paradox.left(100), damagedHeader},
        {"Paradox field list cut", paradox.left(headerSize / 2), damagedHeader},
        {"index file", notATable, damagedHeader},
        {"record size", wrongSize, damagedHeader},
        {"password", locked, n + QStringLiteral(": the table is protected by a password")},
        {"Paradox records cut", paradox.left(headerSize + 100), n + QStringLiteral(", record 1: ...")},
        {"SQLite header only", own.left(16), n + QStringLiteral(": not a readable table (...")},
        {"SQLite cut", own.left(own.size() / 2), n + QStringLiteral(": not a readable table (...")},
        {"SQLite first page", own.left(4096), n + QStringLiteral("...")},
        {"two tables", bytesOf(QStringLiteral("two.db")), n + QStringLiteral(": the file holds 2 tables, a table file only one")},
        {"no table", bytesOf(QStringLiteral("none.db")), n + QStringLiteral(": the file holds no table")},
    };
    for (const Case& c : cases) {
        writeBytes(file(QStringLiteral("bad.db")), c.bytes);
        const QString error = readAllOrError(file(QStringLiteral("bad.db")));
        if (c.error.endsWith(QLatin1String("...")))
            EXPECT_TRUE(error.startsWith(c.error.chopped(3))) << c.what << ": " << error.toStdString();
        else
            EXPECT_EQ(error.toStdString(), c.error.toStdString()) << c.what;
    }
    // Every cut of either kind: an error or a clean read, never a crash.
    for (const QByteArray& good : {paradox, own})
        for (qsizetype size = 0; size < good.size(); size += 97) {
            writeBytes(file(QStringLiteral("bad.db")), good.left(size));
            readAllOrError(file(QStringLiteral("bad.db")));
        }
    // Every byte of the table and of its memo file spoilt in turn: the same.
    const QByteArray memo = bytesOf(QStringLiteral("good.mb"));
    writeBytes(file(QStringLiteral("bad.mb")), memo);
    for (qsizetype at = 0; at < paradox.size(); at += at < 0x800 ? 7 : 97) {
        QByteArray spoilt = paradox;
        spoilt[at] = char(at % 2 ? 0xff : uchar(spoilt[at]) ^ 0x55);
        writeBytes(file(QStringLiteral("bad.db")), spoilt);
        readAllOrError(file(QStringLiteral("bad.db")));
    }
    writeBytes(file(QStringLiteral("bad.db")), paradox);
    for (qsizetype at = 0; at < memo.size(); at += 31) {
        QByteArray spoilt = memo;
        spoilt[at] = char(uchar(spoilt[at]) ^ 0xa5);
        writeBytes(file(QStringLiteral("bad.mb")), spoilt);
        readAllOrError(file(QStringLiteral("bad.db")));
    }
    EXPECT_EQ(readAllOrError(file(QStringLiteral("missing.db"))).toStdString(),
              "Illegal import file name or file not found - try again");
}

// A source that fails in a record leaves no project behind.
TEST_F(DamagedDb, AFailedImportLeavesNoProject)
{
    writeTable(QStringLiteral("good.db"));
    const QByteArray paradox = bytesOf(QStringLiteral("good.db"));
    const int headerSize = uchar(paradox[2]) | uchar(paradox[3]) << 8;
    writeBytes(file(QStringLiteral("cut.db")), paradox.left(headerSize + 150));
    CloseProject(session, true);
    auto source = OpenTableSource(file(QStringLiteral("cut.db")));
    Concordance c;
    c.targets = AutoAssign(source->columns(), session.catalogue(), source->givesText());
    c.defaultExcavation = QStringLiteral("A");
    ui.expectError(QDir::toNativeSeparators(file(QStringLiteral("cut.db"))) +
                   QStringLiteral(", record 1: the file ends inside the record"));
    EXPECT_FALSE(ImportIntoNewProject(session, file(QStringLiteral("N.bvp")), *source, c));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("N.bvp"))));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("N_unit.db"))));
    EXPECT_FALSE(session.project().isOpen());
}

} // namespace
} // namespace belvanto::testing_support
