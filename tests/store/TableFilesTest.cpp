// Table files: the schema in the file, replacement and removal refused while
// open, exclusive use, pack, and values as outside readers see them.
#include "TableFixture.h"
#include <QDir>
#include <QFileInfo>
#include <functional>
#include <cmath>
#include <limits>

namespace belvanto::testing {
namespace {

using FilesTest = TableTest;

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EngineError& e) {
        return e.text().toStdString();
    }
    return "no error";
}

TEST_F(FilesTest, TheFileCarriesTheWholeDefinition)
{
    Table t;
    t.open(dir.path(), "units");
    const auto defs = unitLikeFields();
    ASSERT_EQ(t.fields().size(), defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        SCOPED_TRACE(defs[i].name.toStdString());
        EXPECT_EQ(t.fields()[i].name, defs[i].name);
        EXPECT_EQ(t.fields()[i].type, defs[i].type);
        EXPECT_EQ(t.fields()[i].size, defs[i].size);
        EXPECT_EQ(t.fields()[i].required, defs[i].required);
    }
    EXPECT_EQ(t.primaryIndex().fields, QStringList({"Excavation", "Unitname"}));
    EXPECT_EQ(t.fieldIndex(u"UNITNAME"), 1);
    EXPECT_EQ(t.fieldIndex(u"Nope"), -1);
    EXPECT_EQ(errorOf([&] { t.fieldIndexOrThrow(u"Nope"); }), "Field 'Nope' not found");

    Outside db(file);
    EXPECT_EQ(db.column("SELECT type FROM pragma_table_info('data')"),
              QStringList({"VARCHAR(12)", "VARCHAR(8)", "VARCHAR(10)", "VARCHAR(20)", "VARCHAR(1)", "DOUBLE",
                           "INTEGER", "DATE"}));
    EXPECT_EQ(db.one("PRAGMA journal_mode"), "delete");
}

TEST_F(FilesTest, AnOpenTableIsNeitherReplacedNorRemoved)
{
    Table t;
    t.open(dir.path(), "units");
    addRec(t, {"A", "u1", "context"});
    const QByteArray before = readAll(file);
    ASSERT_FALSE(before.isEmpty());
    const std::string busy = "Table is busy: " + QDir::toNativeSeparators(file).toStdString();
    EXPECT_EQ(errorOf([&] { Table::create(dir.path(), "units", unitLikeFields(), unitLikeKey()); }), busy);
    EXPECT_EQ(errorOf([&] { Table::remove(dir.path(), "units"); }), busy);
    // Another spelling of the same path is the same table.
    const QString other = dir.path() + "/./units.db";
    EXPECT_NE(errorOf([&] { Table::createFile(other, unitLikeFields(), unitLikeKey()); }), "no error");
    EXPECT_TRUE(Table::isOpenAnywhere(other));
    EXPECT_EQ(readAll(file), before);
    EXPECT_EQ(t.count(), 1);

    t.close();
    EXPECT_FALSE(Table::isOpenAnywhere(file));
    Table::create(dir.path(), "units", unitLikeFields(), unitLikeKey());
    t.open(dir.path(), "units");
    EXPECT_EQ(t.count(), 0) << "create replaces the table";
    t.close();
    Table::remove(dir.path(), "units");
    EXPECT_FALSE(Table::exists(dir.path(), "units"));
    Table::remove(dir.path(), "units");   // absent: no error
}

TEST_F(FilesTest, CreateDropsAJournalLeftByTheOldFile)
{
    QFile journal(file + "-journal");
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write(QByteArray(4096, 'x'));
    journal.close();
    Table::create(dir.path(), "units", unitLikeFields(), unitLikeKey());
    EXPECT_FALSE(QFile::exists(file + "-journal"));
    EXPECT_FALSE(QFile::exists(file + ".creating"));
    Table t;
    t.open(dir.path(), "units");
    EXPECT_EQ(t.count(), 0);
}

TEST_F(FilesTest, ExclusiveUse)
{
    const std::string busy = "Table is busy: " + QDir::toNativeSeparators(file).toStdString();
    Table a, b;
    a.open(dir.path(), "units", true);
    EXPECT_TRUE(a.isExclusive());
    EXPECT_EQ(errorOf([&] { b.open(dir.path(), "units"); }), busy);
    EXPECT_FALSE(b.isOpen());
    a.close();
    a.open(dir.path(), "units");
    EXPECT_EQ(errorOf([&] { b.open(dir.path(), "units", true); }), busy);
    b.open(dir.path(), "units");
    EXPECT_TRUE(b.isOpen());
}

TEST_F(FilesTest, PackRefusalsAndPack)
{
    Table t;
    EXPECT_EQ(errorOf([&] { t.pack(); }), "Table must be opened to pack");
    t.open(dir.path(), "units");
    EXPECT_EQ(errorOf([&] { t.pack(); }), "Table must be opened exclusively to pack");
    t.close();
    t.open(dir.path(), "units", true);
    {
        BulkScope bulk;
        for (int i = 0; i < 2000; ++i) addRec(t, {"A", QStringLiteral("u%1").arg(i, 4, 10, QLatin1Char('0')), "context",
                                                  QString(20, QLatin1Char('p'))});
    }
    t.first();
    {
        BulkScope bulk;
        while (!t.eof()) {
            if (t.str(1) != "u1500") t.del();
            else t.next();
        }
    }
    const qint64 before = QFileInfo(file).size();
    t.first();
    t.pack();
    EXPECT_LT(QFileInfo(file).size(), before / 4);
    EXPECT_EQ(t.str(1), "u1500");
    EXPECT_EQ(walk(t), QStringList({"u1500"}));
    t.close();
    EXPECT_EQ(errorOf([&] { t.pack(); }), "Table must be opened to pack");
}

TEST_F(FilesTest, OpenFailures)
{
    Table t;
    const QString missing = dir.file("missing.db");
    EXPECT_EQ(errorOf([&] { t.openFile(missing); }),
              "Table does not exist: " + QDir::toNativeSeparators(missing).toStdString());
    {
        QFile f(dir.file("other.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_NE(errorOf([&] { t.openFile(dir.file("other.db")); }), "no error");
    EXPECT_FALSE(t.isOpen());
    EXPECT_FALSE(Table::isOpenAnywhere(dir.file("other.db")));
    EXPECT_NE(errorOf([&] { Table::create(dir.file("no/such/dir"), "x", unitLikeFields(), unitLikeKey()); }),
              "no error");
    EXPECT_EQ(errorOf([&] {
                  Table::create(dir.path(), "bad", {{"A", FieldType::String, 5}, {"a", FieldType::Integer}}, {});
              }),
              "Duplicate field name 'a'");
    EXPECT_EQ(errorOf([&] { Table::create(dir.path(), "bad", unitLikeFields(), {QString(), {"Nope"}}); }),
              "Field 'Nope' not found");
}

TEST_F(FilesTest, DamagedFilesAreNamedInTheMessage)
{
    auto canonical = [](const QString& path) {
        return QDir::toNativeSeparators(QFileInfo(path).canonicalFilePath()).toStdString();
    };
    const QString text = dir.file("notes.db");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("Excavation;Unitname\n").repeated(100));
    }
    Table t;
    EXPECT_EQ(errorOf([&] { t.openFile(text); }), "Table " + canonical(text) + ": file is not a database");
    EXPECT_FALSE(t.isOpen());

    // A table cut short: the pages that are left open, the missing ones
    // fail when they are read.
    t.open(dir.path(), "units");
    {
        BulkScope bulk;
        for (int i = 0; i < 3000; ++i)
            addRec(t, {"A", QStringLiteral("u%1").arg(i), "context", QStringLiteral("Period %1").arg(i).repeated(3)});
    }
    t.close();
    QFile::resize(file, QFileInfo(file).size() / 2);
    EXPECT_EQ(errorOf([&] {
                  t.open(dir.path(), "units");
                  walk(t);
              }).rfind("Table " + canonical(file) + ": ", 0),
              0u);
}

TEST_F(FilesTest, TermFilesMayHaveAnyName)
{
    const QString path = dir.file("My Terms.trm");
    Table::createFile(path, {{"Term", FieldType::String, 40}}, {QString(), {"Term"}});
    Table t;
    t.openFile(path);
    t.insert();
    t.set(0, "Pit");
    t.post();
    EXPECT_EQ(QFileInfo(t.path()).fileName(), "My Terms.trm");
    EXPECT_EQ(Table::pathOf("/x", "UnitEntry.db"), "/x/UnitEntry.db");
    EXPECT_EQ(Table::pathOf("/x", "P_unit"), "/x/P_unit.db");
}

TEST_F(FilesTest, ValuesAsAnOutsideReaderSeesThemRightAfterPost)
{
    Table t;
    t.open(dir.path(), "units");
    t.insert();
    t.set(0, "A");
    t.set(1, "123456789");                      // 9 characters into 8
    t.set(2, QString());                        // empty text
    t.set(3, QString::fromUtf8("𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸𝔸"));   // 21 characters beyond the BMP into 20
    t.set(4, Value());
    t.set(5, 2.5);
    t.set(6, 2.5);                              // into an integer: half to even
    t.set(7, QDate(2003, 2, 1));
    t.post();

    Outside db(file);
    EXPECT_EQ(db.one("SELECT Unitname FROM data"), "12345678");
    EXPECT_EQ(db.one("SELECT typeof(Unitclass) || typeof(Code) FROM data"), "nullnull");
    EXPECT_EQ(db.one("SELECT length(Period) FROM data"), "20");
    EXPECT_EQ(db.one("SELECT typeof(Height) || ' ' || Height FROM data"), "real 2.5");
    EXPECT_EQ(db.one("SELECT typeof(Count) || ' ' || Count FROM data"), "integer 2");
    EXPECT_EQ(db.one("SELECT typeof(Found) || ' ' || Found FROM data"), "text 2003-02-01");

    EXPECT_TRUE(std::holds_alternative<std::monostate>(t.get(2)));
    EXPECT_TRUE(t.isEmpty(u"Unitclass"));
    EXPECT_EQ(t.get(u"Found"), Value(QDate(2003, 2, 1)));
    EXPECT_EQ(t.get(u"Count"), Value(qint32(2)));
    EXPECT_EQ(t.str(u"Height"), "2.5");
    EXPECT_EQ(t.intValue(u"Count"), 2);
    EXPECT_EQ(t.floatValue(u"Count"), 2.0);
    EXPECT_EQ(t.intValue(u"Code"), std::nullopt);

    // Clearing a value is seen at once too.
    t.edit();
    t.set(u"Height", QString());
    t.post();
    EXPECT_EQ(db.one("SELECT typeof(Height) FROM data"), "null");
}

TEST_F(FilesTest, ValuesThatDoNotFitAreRefused)
{
    Table t;
    t.open(dir.path(), "units");
    t.insert();
    EXPECT_EQ(errorOf([&] { t.set(u"Count", 3e9); }), "Value 3000000000 is out of range for integer field 'Count'");
    EXPECT_EQ(errorOf([&] { t.set(u"Count", "2147483648"); }),
              "Value 2147483648 is out of range for integer field 'Count'");
    EXPECT_EQ(errorOf([&] { t.set(u"Count", "1.5"); }), "'1.5' is not a valid integer value for field 'Count'");
    EXPECT_EQ(errorOf([&] { t.set(u"Height", "abc"); }),
              "'abc' is not a valid floating point value for field 'Height'");
    EXPECT_EQ(errorOf([&] { t.set(u"Height", std::numeric_limits<double>::quiet_NaN()); }),
              "'nan' is not a valid floating point value for field 'Height'");
    EXPECT_EQ(errorOf([&] { t.set(u"Found", "2003-02-31"); }), "'2003-02-31' is not a valid date value for field 'Found'");
    EXPECT_EQ(errorOf([&] { t.set(u"Found", 5); }), "'5' is not a valid date value for field 'Found'");
    t.set(u"Count", "-2147483648");
    t.set(u"Height", " 12.5 ");
    t.set(u"Found", "2003-02-01");
    EXPECT_EQ(t.get(u"Count"), Value(std::numeric_limits<qint32>::min()));
    EXPECT_EQ(t.get(u"Height"), Value(12.5));
    EXPECT_EQ(t.get(u"Found"), Value(QDate(2003, 2, 1)));
    EXPECT_EQ(errorOf([&] { t.set(99, 1); }), "Field number 99 out of range");
}

TEST_F(FilesTest, WritesThroughOutsideABulkScope)
{
    Table t;
    t.open(dir.path(), "units");
    Outside db(file);
    addRec(t, {"A", "u1"});
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "1");
    t.first();
    t.del();
    EXPECT_EQ(db.one("SELECT count(*) FROM data"), "0");
}

// Values another program wrote that the field's type cannot read: only the
// cell is lost, the message names the record's key and the field, and the
// stored text survives editing the record's other fields.
TEST_F(FilesTest, AnUnreadableValueHidesOnlyItsCell)
{
    const struct {
        const char* unit;
        const char* field;
        const char* stored;   // SQL literal
        const char* text;     // as unreadableText() gives it
        const char* message;
    } cases[] = {
        {"u050", "Height", "'1,5'", "1,5", "Record A:u050: '1,5' is not a valid floating point value for field 'Height'"},
        {"u051", "Count", "'zwei'", "zwei", "Record A:u051: 'zwei' is not a valid integer value for field 'Count'"},
        {"u052", "Count", "2.5", "2.5", "Record A:u052: '2.5' is not a valid integer value for field 'Count'"},
        {"u053", "Count", "99999999999", "99999999999",
         "Record A:u053: Value 99999999999 is out of range for integer field 'Count'"},
        {"u099", "Found", "'31.12.2003'", "31.12.2003",
         "Record A:u099: '31.12.2003' is not a valid date value for field 'Found'"},
    };
    QStringList names;
    {
        Table t;
        t.open(dir.path(), "units");
        for (int i = 0; i < 100; ++i) {
            names << QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0'));
            addRec(t, {"A", names.last(), "context", {}, {}, double(i), i});
        }
    }
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        for (const auto& c : cases) {
            const QByteArray sql = QStringLiteral("UPDATE data SET %1 = %2 WHERE Unitname = '%3'")
                                       .arg(c.field, c.stored, c.unit).toUtf8();
            EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(db);
    }
    Table t;
    t.open(dir.path(), "units");
    EXPECT_EQ(walk(t), names);
    int bad = 0;
    for (t.first(); !t.eof(); t.next()) {
        const QString unit = t.str(u"Unitname");
        SCOPED_TRACE(unit.toStdString());
        for (int f = 0; f < int(t.fields().size()); ++f) {
            const auto c = std::find_if(std::begin(cases), std::end(cases), [&](const auto& c) {
                return unit == QLatin1String(c.unit) && t.fields()[std::size_t(f)].name == QLatin1String(c.field);
            });
            if (c == std::end(cases)) {
                EXPECT_EQ(errorOf([&] { t.get(f); }), "no error");
                EXPECT_TRUE(t.unreadableText(f).isNull());
                continue;
            }
            ++bad;
            EXPECT_EQ(errorOf([&] { t.get(f); }), c->message);
            EXPECT_EQ(t.unreadableText(f), QString::fromLatin1(c->text));
        }
    }
    EXPECT_EQ(bad, int(std::size(cases)));
    // The batch read refuses as get() does, or keeps the text for a list.
    EXPECT_EQ(errorOf([&] { t.query(QString(), {}, QStringLiteral("rowid")); }), cases[0].message);
    const auto rows = t.query(QString(), {}, QStringLiteral("rowid"), Table::Unreadable::KeepText);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_TRUE(t.unreadable(rows[50], 5));
    EXPECT_EQ(t.unreadableMessage(rows[50], 5), cases[0].message);
    EXPECT_EQ(rows[50].values[5], Value(QStringLiteral("1,5")));
    EXPECT_FALSE(t.unreadable(rows[49], 5));
    EXPECT_EQ(rows[49].values[5], Value(49.0));
    // Copying stops at the first such value, naming it.
    Table::create(dir.path(), "copy", unitLikeFields(), unitLikeKey());
    Table copy;
    copy.open(dir.path(), "copy");
    EXPECT_EQ(errorOf([&] { copy.appendFrom(t); }), cases[0].message);
    // Editing another field keeps the stored text.
    ASSERT_TRUE(t.locate("Excavation;Unitname", {QStringLiteral("A"), QStringLiteral("u050")}));
    t.edit();
    t.set(u"Count", 7);
    t.post();
    t.close();
    Outside outside(file);
    EXPECT_EQ(outside.one("SELECT Height || '/' || Count FROM data WHERE Unitname = 'u050'"), "1,5/7");
}

} // namespace
} // namespace belvanto::testing
