#pragma once
// A small unit-like table for the table engine tests, and an independent
// sqlite3 connection to look at the file the way outside readers do.
#include "store/Table.h"
#include "support/TempDir.h"
#include <QFile>
#include <sqlite3.h>
#include <gtest/gtest.h>
#include <ostream>

namespace belvanto::testing {

struct Rec {
    QString excavation;
    QString unitname;
    Value unitclass = {};
    Value period = {};
    Value code = {};
    Value height = {};
    Value count = {};
    Value found = {};
};

inline std::vector<FieldDef> unitLikeFields()
{
    return {{QStringLiteral("Excavation"), FieldType::String, 12, true},
            {QStringLiteral("Unitname"), FieldType::String, 8, true},
            {QStringLiteral("Unitclass"), FieldType::String, 10, false},
            {QStringLiteral("Period"), FieldType::String, 20, false},
            {QStringLiteral("Code"), FieldType::String, 1, false},
            {QStringLiteral("Height"), FieldType::Float, 0, false},
            {QStringLiteral("Count"), FieldType::Integer, 0, false},
            {QStringLiteral("Found"), FieldType::Date, 0, false}};
}

inline IndexDef unitLikeKey()
{
    return {QString(), {QStringLiteral("Excavation"), QStringLiteral("Unitname")}};
}

inline std::vector<IndexDef> unitLikeIndexes()
{
    return {{QStringLiteral("ByPeriod"), {QStringLiteral("Period")}}};
}

// Sets the fields of a record to insert, on a Table or a TableWriter.
template <class Target>
void setRec(Target& t, const Rec& r)
{
    t.set(0, r.excavation);
    t.set(1, r.unitname);
    t.set(2, r.unitclass);
    t.set(3, r.period);
    t.set(4, r.code);
    t.set(5, r.height);
    t.set(6, r.count);
    t.set(7, r.found);
}

inline void addRec(Table& t, const Rec& r)
{
    t.insert();
    setRec(t, r);
    t.post();
}

// The text of the EngineError that f throws, "" when it throws none.
template <class F>
QString engineError(F&& f)
{
    try {
        f();
    } catch (const EngineError& e) {
        return e.text();
    }
    return QString();
}

// "A:u1" of the current record.
inline QString label(const Table& t)
{
    return t.str(u"Excavation") + QLatin1Char(':') + t.str(u"Unitname");
}

// Unit names (or labels) of the whole view, first to last.
inline QStringList walk(Table& t, bool labels = false)
{
    QStringList out;
    for (t.first(); !t.eof(); t.next()) out << (labels ? label(t) : t.str(u"Unitname"));
    return out;
}

class TableTest : public ::testing::Test {
protected:
    TempDir dir;
    QString file;

    void SetUp() override
    {
        file = Table::pathOf(dir.path(), QStringLiteral("units"));
        Table::create(dir.path(), QStringLiteral("units"), unitLikeFields(), unitLikeKey(), unitLikeIndexes());
    }

    void fill(Table& t, const std::vector<Rec>& recs)
    {
        for (const Rec& r : recs) addRec(t, r);
    }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// An independent connection, as the sqlite3 shell or Python would open.
class Outside {
public:
    explicit Outside(const QString& path)
    {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    }
    ~Outside() { sqlite3_close(db_); }
    Outside(const Outside&) = delete;
    Outside& operator=(const Outside&) = delete;

    // The first column of every row, as text ("NULL" for NULL).
    QStringList column(const char* sql) const
    {
        QStringList out;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql, -1, &s, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            out << (p ? QString::fromUtf8(p) : QStringLiteral("NULL"));
        }
        EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db_);
        sqlite3_finalize(s);
        return out;
    }

    QString one(const char* sql) const
    {
        const QStringList c = column(sql);
        return c.isEmpty() ? QString() : c.front();
    }

private:
    sqlite3* db_ = nullptr;
};

} // namespace belvanto::testing
