#include "diagram/LayoutSnapshot.h"
#include "store/UnitKey.h"
#include "store/SqliteDb.h"
#include "store/Table.h"
#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <algorithm>

namespace belvanto {

namespace {

// A read-only connection of its own, closed however the read ends.
class ReadConnection {
public:
    explicit ReadConnection(const QString& path)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const QString text = QStringLiteral("Cannot open %1: %2")
                                     .arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errstr(rc)));
            sqlite3_close(db_);
            throw EngineError(text);
        }
        sqlite3_busy_timeout(db_, 5000);
        // The file is read once from start to end: mapped, it is not copied
        // page by page through the cache.
        try {
            sqlite::exec(db_, QStringLiteral("PRAGMA mmap_size = 1073741824"));
        } catch (...) {
            sqlite3_close(db_);
            throw;
        }
    }
    ~ReadConnection() { sqlite3_close(db_); }
    ReadConnection(const ReadConnection&) = delete;
    ReadConnection& operator=(const ReadConnection&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

QString selectSql(const QStringList& columns, const QString& order)
{
    QStringList quoted;
    for (const QString& c : columns) quoted << sqlite::quoteIdent(c);
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(quoted.join(QStringLiteral(", ")), QString::fromLatin1(kInnerTable), order);
}

// Excavation names, record kinds and categories repeat in almost every
// record; equal texts share one string instead of each getting its own.
class RepeatedText {
public:
    QString read(const sqlite::Stmt& s, int c)
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), c));
        const int n = sqlite3_column_bytes(s.get(), c);
        if (!p) return QString();
        if (QByteArrayView(p, n) != QByteArrayView(bytes_)) {
            bytes_ = QByteArray(p, n);
            text_ = QString::fromUtf8(bytes_);
        }
        return text_;
    }

private:
    QByteArray bytes_;
    QString text_;
};

std::optional<qint32> optionalInt(const sqlite::Stmt& s, int c)
{
    if (s.columnType(c) != SQLITE_INTEGER) return std::nullopt;
    return qint32(s.columnInt(c));
}

qint32 intOrZero(const sqlite::Stmt& s, int c)
{
    return optionalInt(s, c).value_or(0);
}

// Room for every record at once, so that hundreds of thousands of them are
// not moved again and again while the vector grows: the highest record
// number is at least the record count.
std::size_t recordRoom(sqlite3* db)
{
    sqlite::Stmt s(db, QStringLiteral("SELECT max(rowid) FROM %1").arg(QString::fromLatin1(kInnerTable)));
    return s.step() ? std::size_t(std::max<qint64>(0, s.columnInt(0))) : 0;
}

bool paintedBefore(const UnitRecord& a, const UnitRecord& b, bool groups)
{
    if (groups) {
        if (a.NestCt != b.NestCt) return a.NestCt > b.NestCt;
        if (a.YLevelStart != b.YLevelStart) return a.YLevelStart > b.YLevelStart;
    }
    if (const int c = CompareKeyText(a.Excavation, b.Excavation); c != 0) return c > 0;
    return CompareKeyText(a.Unitname, b.Unitname) > 0;
}

} // namespace

void SortForPainting(std::vector<UnitRecord>& units, bool groups)
{
    // Text compares by code point, as the tables' indexes do; every key is
    // taken descending because the table is walked from its last record.
    auto before = [groups](const UnitRecord& a, const UnitRecord& b) { return paintedBefore(a, b, groups); };
    if (!std::is_sorted(units.begin(), units.end(), before)) std::stable_sort(units.begin(), units.end(), before);
}

LayoutSnapshot ReadLayoutSnapshot(const QString& unitLayoutFile, const QString& relLayoutFile,
                                  LayoutParameters parameters)
{
    LayoutSnapshot snapshot;
    {
        // The engine's order is asked for, so that the sort below has
        // nothing left to do.
        const ReadConnection db(unitLayoutFile);
        const QString order = parameters.groups
                                  ? QStringLiteral("NestCt DESC, YLevelStart DESC, Excavation DESC, Unitname DESC")
                                  : QStringLiteral("Excavation DESC, Unitname DESC");
        sqlite::Stmt s(db.get(), selectSql({QStringLiteral("Excavation"), QStringLiteral("Unitname"),
                                            QStringLiteral("Unitclass"), QStringLiteral("XStart"),
                                            QStringLiteral("XStop"), QStringLiteral("YLevelStart"),
                                            QStringLiteral("YLevelStop"), QStringLiteral("NestCt"),
                                            QStringLiteral("Colour"), QStringLiteral("BoxStyle"),
                                            QStringLiteral("ThemColour"), QStringLiteral("ThemBoxStyle")},
                                           order));
        snapshot.units.reserve(recordRoom(db.get()));
        RepeatedText excavation, unitclass;
        while (s.step()) {
            UnitRecord u;
            u.Excavation = excavation.read(s, 0);
            u.Unitname = s.columnText(1);
            u.Unitclass = unitclass.read(s, 2);
            u.XStart = intOrZero(s, 3);
            u.XStop = intOrZero(s, 4);
            u.YLevelStart = intOrZero(s, 5);
            u.YLevelStop = intOrZero(s, 6);
            u.NestCt = intOrZero(s, 7);
            u.Colour = optionalInt(s, 8);
            u.BoxStyle = optionalInt(s, 9);
            u.ThemColour = optionalInt(s, 10);
            u.ThemBoxStyle = optionalInt(s, 11);
            snapshot.units.push_back(std::move(u));
        }
    }
    SortForPainting(snapshot.units, parameters.groups);
    {
        const ReadConnection db(relLayoutFile);
        sqlite::Stmt s(db.get(), selectSql({QStringLiteral("Excavation1"), QStringLiteral("Unitname1"),
                                            QStringLiteral("Excavation2"), QStringLiteral("Unitname2"),
                                            QStringLiteral("RelationCat"), QStringLiteral("YSubLevel"),
                                            QStringLiteral("YLevel1"), QStringLiteral("YLevel2"),
                                            QStringLiteral("XPos1"), QStringLiteral("XPos2"),
                                            QStringLiteral("NestCt2"), QStringLiteral("Port1"),
                                            QStringLiteral("Port2")},
                                           kRelationKeyOrder));
        snapshot.relations.reserve(recordRoom(db.get()));
        RepeatedText excavation1, excavation2, category;
        while (s.step()) {
            RelRecord r;
            r.Excavation1 = excavation1.read(s, 0);
            r.Unitname1 = s.columnText(1);
            r.Excavation2 = excavation2.read(s, 2);
            r.Unitname2 = s.columnText(3);
            r.RelationCat = category.read(s, 4);
            r.YSubLevel = intOrZero(s, 5);
            r.YLevel1 = intOrZero(s, 6);
            r.YLevel2 = intOrZero(s, 7);
            r.XPos1 = intOrZero(s, 8);
            r.XPos2 = intOrZero(s, 9);
            r.NestCt2 = intOrZero(s, 10);
            r.Port1 = intOrZero(s, 11);
            r.Port2 = intOrZero(s, 12);
            snapshot.relations.push_back(std::move(r));
        }
    }
    snapshot.parameters = std::move(parameters);
    return snapshot;
}

LayoutSnapshot ReadLayoutSnapshot(const Table& unitLayout, const Table& relLayout, LayoutParameters parameters)
{
    return ReadLayoutSnapshot(unitLayout.path(), relLayout.path(), std::move(parameters));
}

} // namespace belvanto
