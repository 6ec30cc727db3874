// The table engine: SQLite files with one inner table, cursors with the
// behaviour the program's loops rely on, write-through and bulk scopes.
//
// One connection per file is shared by every Table object open on it (a
// process-wide registry keyed by canonical path), so a bulk transaction
// covers all of them and each sees the others' writes.
//
// A cursor walks a snapshot of record ids (the view: filter and link applied,
// in the active order). The snapshot is rebuilt lazily: writes only mark it
// dirty and the next navigation that needs positions re-reads it. Edits that
// change no field of order, filter or link keep it; a delete kills one slot.
#include "store/Table.h"
#include "store/TableInternal.h"
#include "store/TableSnapshot.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <unordered_map>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace belvanto {

using detail::findField;
using detail::RowSnapshot;
using sqlite::quoteIdent;
using sqlite::Stmt;
using sqlite::StmtUse;

namespace {

const QString kData = QString::fromLatin1(kInnerTable);
constexpr int kReadAhead = 64;

[[noreturn]] void busy(const QString& path)
{
    throw EngineError(QStringLiteral("Table is busy: %1").arg(QDir::toNativeSeparators(path)));
}

// The same file under every spelling of its path, also before it exists.
QString canonicalPath(const QString& path)
{
    const QFileInfo fi(path);
    const QString c = fi.canonicalFilePath();
    if (!c.isEmpty()) return c;
    const QString dir = fi.absoluteDir().canonicalPath();
    if (dir.isEmpty()) return QDir::cleanPath(fi.absoluteFilePath());
    return dir + QLatin1Char('/') + fi.fileName();
}

void removeIfExists(const QString& path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        throw EngineError(QStringLiteral("Cannot remove %1").arg(QDir::toNativeSeparators(path)));
}

// Makes a rename or removal in dir durable.
void syncDirectory(const QString& dir)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(dir);
#endif
}

QString columnList(const std::vector<FieldDef>& fields, const std::vector<int>& cols)
{
    QStringList names;
    for (int c : cols) names << quoteIdent(fields[std::size_t(c)].name);
    return names.join(QLatin1String(", "));
}

std::vector<int> allColumns(const std::vector<FieldDef>& fields)
{
    std::vector<int> cols(fields.size());
    for (std::size_t i = 0; i < cols.size(); ++i) cols[i] = int(i);
    return cols;
}

QString placeholders(std::size_t n)
{
    QStringList q;
    for (std::size_t i = 0; i < n; ++i) q << QStringLiteral("?");
    return q.join(QLatin1String(", "));
}

std::vector<int> resolveFields(const std::vector<FieldDef>& fields, const QStringList& names)
{
    std::vector<int> cols;
    for (const QString& n : names) {
        const int c = findField(fields, n);
        if (c < 0) throw EngineError(QStringLiteral("Field '%1' not found").arg(n.trimmed()));
        cols.push_back(c);
    }
    return cols;
}

QStringList splitFieldList(const QString& list)
{
    QStringList out;
    for (const QString& part : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) out << part.trimmed();
    return out;
}

struct Schema {
    std::vector<FieldDef> fields;
    std::vector<int> primary;   // columns of the primary key, in key order
    std::vector<IndexDef> secondary;
};

enum class Change { Insert, Update, Delete, Reset };

// What a Table object on a shared connection needs to hear about the writes
// of the other Table objects on it.
struct ViewListener {
    virtual ~ViewListener() = default;
    virtual void foreignChange(Change kind, qint64 rowid, const std::vector<bool>* changedFields) = 0;
    virtual void indexDropped(const QString& name) = 0;
};

struct Connection;
int g_bulkDepth = 0;
std::vector<Connection*> g_bulkConnections;

struct Connection {
    QString path;
    sqlite3* db = nullptr;
    int users = 0;
    bool exclusive = false;
    bool inBulk = false;          // a bulk scope's transaction is open
    Schema schema;
    std::vector<ViewListener*> tables;
    Stmt fetch;                   // all columns by rowid
    Stmt fetchAhead;              // rowid and all columns of kReadAhead rowids
    Stmt insert;                  // all columns
    Stmt remove;                  // by rowid
    Stmt byKey;                   // rowid by primary key (IS), for empty key parts
    std::map<QByteArray, Stmt> updates;   // by changed columns
    // query(), by its where and order texts: the hot keyed look-ups of the
    // relationship rules must not rebuild the column list on every call.
    std::map<std::pair<QString, QString>, Stmt> queries;

    ~Connection()
    {
        updates.clear();
        queries.clear();
        fetch = Stmt();
        fetchAhead = Stmt();
        insert = Stmt();
        remove = Stmt();
        byKey = Stmt();
        if (db) sqlite3_close_v2(db);
    }

    // Every write goes through here first: inside a bulk scope the first
    // write opens the scope's transaction on this file.
    void beginWrite()
    {
        if (g_bulkDepth > 0 && !inBulk) {
            sqlite::exec(db, QStringLiteral("BEGIN IMMEDIATE"));
            inBulk = true;
            g_bulkConnections.push_back(this);
        }
    }

    // After a failed write: some errors roll back the whole transaction.
    void afterFailure()
    {
        if (inBulk && sqlite3_get_autocommit(db)) {
            leaveBulk();
            rolledBack();
        }
    }

    // The bulk transaction is gone: every view on the file re-reads.
    void rolledBack()
    {
        for (ViewListener* t : std::vector<ViewListener*>(tables)) t->foreignChange(Change::Reset, 0, nullptr);
    }

    void leaveBulk()
    {
        inBulk = false;
        g_bulkConnections.erase(std::remove(g_bulkConnections.begin(), g_bulkConnections.end(), this),
                                g_bulkConnections.end());
    }

    // Commits the bulk transaction; returns the error text, empty on success.
    QString commitBulk()
    {
        if (!inBulk) return QString();
        QString error;
        if (!sqlite3_get_autocommit(db)) {
            try {
                sqlite::exec(db, QStringLiteral("COMMIT"));
            } catch (const EngineError& e) {
                error = e.text();
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        }
        leaveBulk();
        if (!error.isEmpty()) rolledBack();
        return error;
    }

    void written(ViewListener* by, Change kind, qint64 rowid = 0, const std::vector<bool>* changed = nullptr)
    {
        for (ViewListener* t : std::vector<ViewListener*>(tables))
            if (t != by) t->foreignChange(kind, rowid, changed);
    }

    Stmt& updateFor(const std::vector<int>& cols)
    {
        QByteArray key;
        for (int c : cols) key.append(char(c & 0x7f)).append(char(c >> 7));
        auto it = updates.find(key);
        if (it != updates.end()) return it->second;
        QStringList sets;
        for (int c : cols) sets << quoteIdent(schema.fields[std::size_t(c)].name) + QStringLiteral(" = ?");
        return updates
            .emplace(key, Stmt(db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(kData, sets.join(QLatin1String(", ")))))
            .first->second;
    }

    // The record holding these primary key values (IS: empty parts match
    // empty), other than rowid except; 0 if none.
    qint64 findKey(const std::vector<Value>& key, qint64 except)
    {
        if (!byKey.valid()) {
            QStringList conds;
            for (int c : schema.primary) conds << quoteIdent(schema.fields[std::size_t(c)].name) + QStringLiteral(" IS ?");
            byKey = Stmt(db, QStringLiteral("SELECT rowid FROM %1 WHERE %2 AND rowid IS NOT ? LIMIT 1")
                                 .arg(kData, conds.join(QLatin1String(" AND "))));
        }
        StmtUse s(byKey);
        s->bindAll(key);
        s->bindInt(int(key.size()) + 1, except);
        return s->step() ? s->columnInt(0) : 0;
    }

    // SQLite lets rows with NULL key parts repeat a key; the engine does not.
    void checkEmptyKeyUnique(const std::vector<Value>& rowValues, qint64 except)
    {
        if (schema.primary.empty()) return;
        std::vector<Value> key;
        bool anyEmpty = false;
        for (int c : schema.primary) {
            key.push_back(rowValues[std::size_t(c)]);
            anyEmpty = anyEmpty || valueIsEmpty(key.back());
        }
        if (anyEmpty && findKey(key, except) != 0) throw EngineError(QStringLiteral("Key violation"));
    }
};

// Never destroyed: a Table in static storage may close after other statics.
std::map<QString, std::unique_ptr<Connection>>& registry()
{
    static auto* r = new std::map<QString, std::unique_ptr<Connection>>;
    return *r;
}

// A write of several statements that must happen whole: its own
// transaction, or a savepoint inside a bulk scope's transaction.
class WriteTxn {
public:
    explicit WriteTxn(Connection& c) : c_(c)
    {
        c_.beginWrite();
        savepoint_ = c_.inBulk;
        sqlite::exec(c_.db, savepoint_ ? QStringLiteral("SAVEPOINT belvanto_op") : QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteTxn()
    {
        if (done_) return;
        if (sqlite3_get_autocommit(c_.db)) {
            c_.afterFailure();
            return;
        }
        if (savepoint_)
            sqlite3_exec(c_.db, "ROLLBACK TO belvanto_op; RELEASE belvanto_op", nullptr, nullptr, nullptr);
        else
            sqlite3_exec(c_.db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        sqlite::exec(c_.db, savepoint_ ? QStringLiteral("RELEASE belvanto_op") : QStringLiteral("COMMIT"));
        done_ = true;
    }
    WriteTxn(const WriteTxn&) = delete;
    WriteTxn& operator=(const WriteTxn&) = delete;

private:
    Connection& c_;
    bool savepoint_ = false;
    bool done_ = false;
};

sqlite3* openDb(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw EngineError(QStringLiteral("Cannot open table %1: %2").arg(QDir::toNativeSeparators(path), msg));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    try {
        // DELETE, not WAL: the .db file alone is always current for readers.
        sqlite::exec(db, QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                                        "PRAGMA cache_size=-16000; PRAGMA mmap_size=1073741824; PRAGMA temp_store=MEMORY"));
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

Schema readSchema(sqlite3* db, const QString& path)
{
    Schema s;
    std::vector<std::pair<int, int>> pk;   // key position, column
    {
        Stmt info(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdent(kData)));
        StmtUse u(info);
        while (u->step()) {
            FieldDef f;
            f.name = u->columnText(1);
            detail::applyDeclaredType(f, u->columnText(2));
            f.required = u->columnInt(3) != 0;
            if (u->columnInt(5) > 0) pk.emplace_back(int(u->columnInt(5)), int(s.fields.size()));
            s.fields.push_back(f);
        }
    }
    if (s.fields.empty())
        throw EngineError(QStringLiteral("Not a table file: %1").arg(QDir::toNativeSeparators(path)));
    std::sort(pk.begin(), pk.end());
    for (auto& p : pk) s.primary.push_back(p.second);

    Stmt list(db, QStringLiteral("PRAGMA index_list(%1)").arg(quoteIdent(kData)));
    StmtUse u(list);
    while (u->step()) {
        if (u->columnText(3) != QLatin1String("c")) continue;   // created by CREATE INDEX
        IndexDef idx;
        idx.name = u->columnText(1);
        Stmt info(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoteIdent(idx.name)));
        StmtUse iu(info);
        bool plain = true;
        while (iu->step()) {
            if (iu->columnType(2) == SQLITE_NULL) plain = false;   // an expression
            else idx.fields << iu->columnText(2);
        }
        if (plain && !idx.fields.isEmpty()) s.secondary.push_back(idx);
    }
    return s;
}

void validateDefinition(const std::vector<FieldDef>& fields, const IndexDef& primary,
                        const std::vector<IndexDef>& secondary)
{
    if (fields.empty()) throw EngineError(QStringLiteral("A table needs at least one field"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.trimmed().isEmpty()) throw EngineError(QStringLiteral("A field has no name"));
        if (findField(fields, fields[i].name) != int(i))
            throw EngineError(QStringLiteral("Duplicate field name '%1'").arg(fields[i].name));
    }
    resolveFields(fields, primary.fields);
    for (std::size_t i = 0; i < secondary.size(); ++i) {
        if (secondary[i].name.trimmed().isEmpty()) throw EngineError(QStringLiteral("A secondary index has no name"));
        if (secondary[i].fields.isEmpty())
            throw EngineError(QStringLiteral("Index '%1' has no fields").arg(secondary[i].name));
        resolveFields(fields, secondary[i].fields);
        for (std::size_t k = 0; k < i; ++k)
            if (secondary[k].name.compare(secondary[i].name, Qt::CaseInsensitive) == 0)
                throw EngineError(QStringLiteral("Duplicate index name '%1'").arg(secondary[i].name));
    }
}

QString createIndexSql(const std::vector<FieldDef>& fields, const IndexDef& idx)
{
    return QStringLiteral("CREATE INDEX %1 ON %2(%3)")
        .arg(quoteIdent(idx.name), kData, columnList(fields, resolveFields(fields, idx.fields)));
}

} // namespace

// --- the cursor ---------------------------------------------------------------

struct Table::Impl : ViewListener {
    enum class State { Browse, Edit, Insert };

    Connection* conn = nullptr;
    bool exclusive = false;

    // Order: the active index's fields (empty: primary), then the primary key.
    QString activeIndex;
    std::vector<int> orderCols;

    // Filter
    QString filterText;
    std::optional<FilterExpr> filterExpr;
    QString filterSql;
    std::vector<Value> filterParams;
    std::vector<bool> filterUsed;
    bool filtered = false;

    // Link
    std::vector<int> linkCols;
    std::vector<Value> linkValues;
    bool hasLink = false;
    bool linkOn = false;

    // Fields whose change can move a record in or out of the view or within it.
    std::vector<bool> relevant;

    // View and position
    RowSnapshot snap;
    bool dirty = true;
    bool hasCur = false;
    qint64 cur = 0;
    int pos = -1;
    bool posKnown = false;
    int lastRank = 0;       // rank of cur when the snapshot was last clean
    bool eof = true;
    bool bof = true;
    bool floating = false;  // cur left the view; the cursor sits before the record shown

    // Current record, and the records a walk will reach next, read in one
    // statement: each statement outside a transaction takes and drops the
    // file lock, which costs more than reading the record.
    std::vector<Value> row;
    qint64 rowId = 0;
    bool rowValid = false;
    bool rowFound = false;
    std::unordered_map<qint64, std::vector<Value>> ahead;
    int walking = 0;        // +1 / -1 while next() / prior() walk the view

    // Edit buffer
    State state = State::Browse;
    std::vector<Value> buf;
    std::vector<Value> orig;
    bool modified = false;

    // Statements of this view
    Stmt snapStmt;
    QString snapSql;
    Stmt locateStmt;
    QString locateSql;
    Stmt visibleStmt;
    QString visibleSql;

    // Observers
    int suspended = 0;
    int nextObserver = 1;
    std::map<int, std::function<void()>> displayObservers;
    std::map<int, std::function<void()>> changeObservers;

    const std::vector<FieldDef>& fields() const { return conn->schema.fields; }
    sqlite3* db() const { return conn->db; }

    void requireOpen() const
    {
        if (!conn) throw EngineError(QStringLiteral("Table is not open"));
    }

    void checkField(int f) const
    {
        requireOpen();
        if (f < 0 || f >= int(fields().size()))
            throw EngineError(QStringLiteral("Field number %1 out of range").arg(f));
    }

    // --- view SQL --------------------------------------------------------

    // Condition of filter and link; "" when neither applies.
    QString conditions(std::vector<Value>& params) const
    {
        QStringList conds;
        if (filtered && filterExpr) {
            conds << filterSql;
            params.insert(params.end(), filterParams.begin(), filterParams.end());
        }
        if (hasLink && linkOn) {
            for (std::size_t i = 0; i < linkCols.size(); ++i) {
                conds << quoteIdent(fields()[std::size_t(linkCols[i])].name) + QStringLiteral(" IS ?");
                params.push_back(linkValues[i]);
            }
        }
        return conds.join(QLatin1String(" AND "));
    }

    QString orderBy() const
    {
        std::vector<int> cols = orderCols;
        for (int c : conn->schema.primary)
            if (std::find(cols.begin(), cols.end(), c) == cols.end()) cols.push_back(c);
        QString sql = columnList(fields(), cols);
        return sql.isEmpty() ? QStringLiteral("rowid") : sql + QStringLiteral(", rowid");
    }

    Stmt& cached(Stmt& stmt, QString& cachedSql, const QString& sql)
    {
        if (!stmt.valid() || sql != cachedSql) {
            stmt = Stmt(db(), sql);
            cachedSql = sql;
        }
        return stmt;
    }

    void recomputeRelevant()
    {
        relevant.assign(fields().size(), false);
        for (int c : orderCols) relevant[std::size_t(c)] = true;
        for (int c : conn->schema.primary) relevant[std::size_t(c)] = true;
        if (filtered && filterExpr)
            for (std::size_t i = 0; i < filterUsed.size(); ++i)
                if (filterUsed[i]) relevant[i] = true;
        if (hasLink && linkOn)
            for (int c : linkCols) relevant[std::size_t(c)] = true;
    }

    // --- snapshot and position ------------------------------------------------

    void markDirty()
    {
        if (!dirty && hasCur && posKnown) lastRank = snap.rank(pos);
        dirty = true;
        posKnown = false;
    }

    void rebuild()
    {
        std::vector<Value> params;
        const QString where = conditions(params);
        QString sql = QStringLiteral("SELECT rowid FROM %1").arg(kData);
        if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
        sql += QStringLiteral(" ORDER BY ") + orderBy();
        Stmt& stmt = cached(snapStmt, snapSql, sql);
        std::vector<qint64> ids;
        ids.reserve(std::size_t(snap.slots()));
        {
            StmtUse u(stmt);
            u->bindAll(params);
            while (u->step()) ids.push_back(u->columnInt(0));
        }
        snap.assign(std::move(ids));
        dirty = false;
        posKnown = false;
        if (hasCur) {
            const int p = snap.scanFind(cur);
            if (p >= 0) {
                pos = p;
                posKnown = true;
            }
        }
    }

    // Slot of cur in a clean snapshot, or -1.
    int knownPos()
    {
        if (dirty || !hasCur) return -1;
        if (!posKnown) {
            const int p = snap.find(cur);
            if (p < 0) return -1;
            pos = p;
            posKnown = true;
        }
        return pos;
    }

    void setEmptyView()
    {
        hasCur = false;
        cur = 0;
        pos = -1;
        posKnown = false;
        eof = bof = true;
        floating = false;
    }

    void moveTo(int p)
    {
        pos = p;
        posKnown = true;
        cur = snap.rowidAt(p);
        hasCur = true;
        floating = false;
        eof = bof = false;
    }

    // cur is not in the view any more (posted out of the filter, or deleted
    // through another Table object): stand on the record that took its place,
    // in front of it, so that next() lands there. At the end of the view the
    // cursor stands on the last record.
    void placeVanished()
    {
        const int k = std::max(lastRank, 1);
        if (snap.liveCount() == 0) {
            setEmptyView();
        } else if (k <= snap.liveCount()) {
            moveTo(snap.nth(k));
            floating = true;
        } else {
            moveTo(snap.lastLive());
        }
    }

    // Brings the snapshot up to date and the cursor onto a visible record.
    void sync()
    {
        if (dirty) rebuild();
        if (!hasCur) {
            // No current record (an empty view that gained records): the
            // cursor sits before the first one.
            if (snap.liveCount() == 0) {
                setEmptyView();
            } else {
                moveTo(snap.firstLive());
                floating = true;
            }
            return;
        }
        if (knownPos() >= 0) return;
        placeVanished();
    }

    // --- current record ----------------------------------------------------

    // Reads the current record unless the cached copy is current. A record
    // deleted behind the cursor's back reads as empty; returns whether it exists.
    bool fetchRow()
    {
        if (rowValid && rowId == cur) return rowFound;
        auto it = ahead.find(cur);
        if (it == ahead.end() && walking != 0 && readAhead()) it = ahead.find(cur);
        if (it != ahead.end()) {
            row = std::move(it->second);
            ahead.erase(it);
            rowFound = true;
        } else {
            const auto& fs = fields();
            row.assign(fs.size(), Value{});
            StmtUse u(conn->fetch);
            u->bindInt(1, cur);
            rowFound = u->step();
            if (rowFound)
                for (std::size_t i = 0; i < fs.size(); ++i) row[i] = detail::readColumn(*u, int(i), fs[i]);
        }
        rowId = cur;
        rowValid = true;
        return rowFound;
    }

    // Reads the current record and the next ones in walking direction.
    bool readAhead()
    {
        if (dirty || !posKnown) return false;
        std::vector<qint64> ids{cur};
        for (int p = pos; int(ids.size()) < kReadAhead;) {
            p = walking > 0 ? snap.nextLive(p) : snap.priorLive(p);
            if (p < 0) break;
            ids.push_back(snap.rowidAt(p));
        }
        ahead.clear();
        const auto& fs = fields();
        if (!conn->fetchAhead.valid())
            conn->fetchAhead = Stmt(db(), QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                                              .arg(columnList(fs, allColumns(fs)), kData, placeholders(kReadAhead)));
        StmtUse u(conn->fetchAhead);
        for (int i = 0; i < kReadAhead; ++i) u->bindInt(i + 1, ids[std::min(std::size_t(i), ids.size() - 1)]);
        while (u->step()) {
            std::vector<Value> values(fs.size());
            for (std::size_t i = 0; i < fs.size(); ++i) values[i] = detail::readColumn(*u, int(i) + 1, fs[i]);
            ahead.emplace(u->columnInt(0), std::move(values));
        }
        return true;
    }

    void forgetRows()
    {
        rowValid = false;
        ahead.clear();
    }

    bool rowExists(qint64 id)
    {
        StmtUse u(conn->fetch);
        u->bindInt(1, id);
        return u->step();
    }

    const Value& value(int f)
    {
        static const Value empty;
        if (state != State::Browse) return buf[std::size_t(f)];
        if (!hasCur) return empty;
        fetchRow();
        return row[std::size_t(f)];
    }

    // Is record id visible through filter and link?
    bool visible(qint64 id)
    {
        std::vector<Value> params;
        const QString where = conditions(params);
        QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?").arg(kData);
        if (!where.isEmpty()) sql += QStringLiteral(" AND ") + where;
        StmtUse u(cached(visibleStmt, visibleSql, sql));
        u->bindInt(1, id);
        u->bindAll(params, 2);
        return u->step();
    }

    // Cursor onto a record known to be visible.
    void standOn(qint64 id)
    {
        walking = 0;
        if (!hasCur || cur != id) posKnown = false;
        hasCur = true;
        cur = id;
        floating = false;
        eof = bof = false;
    }

    std::vector<Value> primaryKeyOfCurrent()
    {
        std::vector<Value> key;
        fetchRow();
        for (int c : conn->schema.primary) key.push_back(row[std::size_t(c)]);
        return key;
    }

    // --- editing -------------------------------------------------------------

    void checkBrowse()
    {
        if (state == State::Browse) return;
        if (modified) post();
        else cancel();
    }

    void cancel()
    {
        state = State::Browse;
        modified = false;
        buf.clear();
        orig.clear();
    }

    void checkRequired()
    {
        const auto& fs = fields();
        for (std::size_t i = 0; i < fs.size(); ++i)
            if (fs[i].required && valueIsEmpty(buf[i]))
                throw EngineError(QStringLiteral("Field '%1' must have a value").arg(fs[i].name));
    }

    void post()
    {
        if (state == State::Browse) throw EngineError(QStringLiteral("Table is not in edit or insert mode"));
        checkRequired();
        if (state == State::Edit) postEdit();
        else postInsert();
        notifyChange();
    }

    void postEdit()
    {
        std::vector<int> changedCols;
        std::vector<bool> changedMask(buf.size(), false);
        for (std::size_t i = 0; i < buf.size(); ++i)
            if (!(buf[i] == orig[i])) {
                changedCols.push_back(int(i));
                changedMask[i] = true;
            }
        if (changedCols.empty()) {
            cancel();
            return;
        }
        conn->beginWrite();
        try {
            conn->checkEmptyKeyUnique(buf, cur);
            StmtUse u(conn->updateFor(changedCols));
            int n = 1;
            for (int c : changedCols) u->bind(n++, buf[std::size_t(c)]);
            u->bindInt(n, cur);
            u->step();
        } catch (...) {
            conn->afterFailure();
            throw;
        }
        bool moves = false;
        for (int c : changedCols) moves = moves || relevant[std::size_t(c)];
        conn->written(this, Change::Update, cur, &changedMask);
        row = std::move(buf);
        rowId = cur;
        rowValid = true;
        rowFound = true;
        cancel();
        if (moves) markDirty();
    }

    void postInsert()
    {
        qint64 id = 0;
        conn->beginWrite();
        try {
            conn->checkEmptyKeyUnique(buf, 0);
            StmtUse u(conn->insert);
            for (std::size_t i = 0; i < buf.size(); ++i) u->bind(int(i) + 1, buf[i]);
            u->step();
            id = sqlite3_last_insert_rowid(db());
        } catch (...) {
            conn->afterFailure();
            throw;
        }
        conn->written(this, Change::Insert, id);
        markDirty();
        row = std::move(buf);
        rowId = id;
        rowValid = true;
        rowFound = true;
        cancel();
        hasCur = true;
        cur = id;
        posKnown = false;
        floating = false;
        eof = bof = false;
    }

    // --- notifications ---------------------------------------------------------

    void notifyChange()
    {
        if (suspended > 0) return;
        std::vector<std::function<void()>> calls;
        for (auto& [id, f] : changeObservers) calls.push_back(f);
        for (auto& f : calls) f();
    }

    void notifyDisplay()
    {
        std::vector<std::function<void()>> calls;
        for (auto& [id, f] : displayObservers) calls.push_back(f);
        for (auto& f : calls) f();
    }

    // The first or the last record of the view.
    void goToEnd(bool lastOne)
    {
        sync();
        const int p = lastOne ? snap.lastLive() : snap.firstLive();
        if (p < 0) setEmptyView();
        else moveTo(p);
    }

    // The view's definition changed: re-read it, go to the first record or
    // keep the current one.
    void viewChanged(bool goFirst)
    {
        recomputeRelevant();
        markDirty();
        if (goFirst) goToEnd(false);
        notifyChange();
    }

    void foreignChange(Change kind, qint64 rowid, const std::vector<bool>* changed) override
    {
        forgetRows();
        bool affects = kind != Change::Update;
        if (!affects && changed)
            for (std::size_t i = 0; i < changed->size() && !affects; ++i) affects = (*changed)[i] && relevant[i];
        if (kind == Change::Delete && hasCur && cur == rowid) affects = true;
        if (affects) markDirty();
        notifyChange();
    }

    void indexDropped(const QString& name) override
    {
        if (!activeIndex.isEmpty() && activeIndex.compare(name, Qt::CaseInsensitive) == 0) {
            activeIndex.clear();
            orderCols.clear();
            viewChanged(false);
        }
    }

    void resetState()
    {
        activeIndex.clear();
        orderCols.clear();
        filterText.clear();
        filterExpr.reset();
        filterSql.clear();
        filterParams.clear();
        filterUsed.clear();
        filtered = false;
        linkCols.clear();
        linkValues.clear();
        hasLink = linkOn = false;
        relevant.clear();
        snap.clear();
        dirty = true;
        setEmptyView();
        lastRank = 0;
        row.clear();
        forgetRows();
        walking = 0;
        cancel();
        snapStmt = Stmt();
        snapSql.clear();
        locateStmt = Stmt();
        locateSql.clear();
        visibleStmt = Stmt();
        visibleSql.clear();
    }
};

// --- files ---------------------------------------------------------------------

Table::Table() : d(std::make_unique<Impl>()) {}

Table::~Table()
{
    try {
        close();
    } catch (const EngineError& e) {
        std::fprintf(stderr, "Table: %s\n", e.what());
    }
}

QString Table::pathOf(const QString& dir, const QString& name)
{
    const QString file = name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".db");
    return QDir(dir).filePath(file);
}

void Table::create(const QString& dir, const QString& name, const std::vector<FieldDef>& fields,
                   const IndexDef& primary, const std::vector<IndexDef>& secondary)
{
    createFile(pathOf(dir, name), fields, primary, secondary);
}

void Table::createFile(const QString& path, const std::vector<FieldDef>& fields, const IndexDef& primary,
                       const std::vector<IndexDef>& secondary)
{
    validateDefinition(fields, primary, secondary);
    const QString canonical = canonicalPath(path);
    if (registry().count(canonical)) busy(path);
    const QFileInfo fi(canonical);
    if (!fi.absoluteDir().exists())
        throw EngineError(QStringLiteral("Cannot create table %1: the directory does not exist")
                              .arg(QDir::toNativeSeparators(path)));

    QStringList cols;
    for (const FieldDef& f : fields)
        cols << quoteIdent(f.name) + QLatin1Char(' ') + detail::declaredType(f)
                    + (f.required ? QStringLiteral(" NOT NULL") : QString());
    if (!primary.fields.isEmpty())
        cols << QStringLiteral("PRIMARY KEY(%1)").arg(columnList(fields, resolveFields(fields, primary.fields)));
    QStringList sql;
    sql << QStringLiteral("CREATE TABLE %1(%2)").arg(kData, cols.join(QLatin1String(", ")));
    for (const IndexDef& idx : secondary) sql << createIndexSql(fields, idx);

    // Built beside the target and renamed over it, so that the old table
    // stays whole until the new one is complete.
    const QString tmp = canonical + QStringLiteral(".creating");
    removeIfExists(tmp);
    removeIfExists(tmp + QStringLiteral("-journal"));
    try {
        sqlite3* db = openDb(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        try {
            sqlite::exec(db, QStringLiteral("BEGIN; %1; COMMIT").arg(sql.join(QLatin1String("; "))));
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
        // A journal left by a crash belongs to the old file; it must not be
        // rolled back into the new one.
        removeIfExists(canonical + QStringLiteral("-journal"));
        if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(canonical).constData()) != 0)
            throw EngineError(QStringLiteral("Cannot create table %1").arg(QDir::toNativeSeparators(path)));
    } catch (...) {
        QFile::remove(tmp);
        QFile::remove(tmp + QStringLiteral("-journal"));
        throw;
    }
    syncDirectory(fi.absolutePath());
}

void Table::remove(const QString& dir, const QString& name)
{
    removeFile(pathOf(dir, name));
}

void Table::removeFile(const QString& path)
{
    const QString canonical = canonicalPath(path);
    if (registry().count(canonical)) busy(path);
    removeIfExists(canonical + QStringLiteral("-journal"));
    removeIfExists(canonical);
    syncDirectory(QFileInfo(canonical).absolutePath());
}

bool Table::exists(const QString& dir, const QString& name)
{
    return QFileInfo(pathOf(dir, name)).isFile();
}

bool Table::isOpenAnywhere(const QString& path)
{
    return registry().count(canonicalPath(path)) != 0;
}

void Table::open(const QString& dir, const QString& name, bool exclusive)
{
    openFile(pathOf(dir, name), exclusive);
}

void Table::openFile(const QString& path, bool exclusive)
{
    close();
    const QString canonical = canonicalPath(path);
    auto& reg = registry();
    auto it = reg.find(canonical);
    Connection* c = nullptr;
    if (it != reg.end()) {
        if (exclusive || it->second->exclusive) busy(path);
        c = it->second.get();
    } else {
        if (!QFileInfo(canonical).isFile())
            throw EngineError(QStringLiteral("Table does not exist: %1").arg(QDir::toNativeSeparators(path)));
        auto conn = std::make_unique<Connection>();
        conn->path = canonical;
        conn->db = openDb(canonical, SQLITE_OPEN_READWRITE);
        conn->schema = readSchema(conn->db, canonical);
        const auto all = allColumns(conn->schema.fields);
        const QString names = columnList(conn->schema.fields, all);
        conn->fetch = Stmt(conn->db, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(names, kData));
        conn->insert = Stmt(conn->db, QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                                          .arg(kData, names, placeholders(all.size())));
        conn->remove = Stmt(conn->db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(kData));
        conn->exclusive = exclusive;
        c = conn.get();
        reg.emplace(canonical, std::move(conn));
    }
    ++c->users;
    c->tables.push_back(d.get());
    d->conn = c;
    d->exclusive = exclusive;
    d->resetState();
    d->recomputeRelevant();
    d->viewChanged(true);
}

void Table::close()
{
    Connection* c = d->conn;
    if (!c) return;
    d->resetState();
    d->conn = nullptr;
    d->exclusive = false;
    c->tables.erase(std::remove(c->tables.begin(), c->tables.end(), static_cast<ViewListener*>(d.get())),
                    c->tables.end());
    if (--c->users > 0) return;
    // The last user of the file: what was posted stays, also inside a bulk scope.
    const QString error = c->commitBulk();
    registry().erase(c->path);
    if (!error.isEmpty()) throw EngineError(error);
}

bool Table::isOpen() const
{
    return d->conn != nullptr;
}

bool Table::isExclusive() const
{
    return d->conn && d->exclusive;
}

QString Table::path() const
{
    return d->conn ? d->conn->path : QString();
}

void Table::empty()
{
    d->requireOpen();
    d->cancel();
    Connection& c = *d->conn;
    c.beginWrite();
    try {
        sqlite::exec(c.db, QStringLiteral("DELETE FROM %1").arg(kData));
    } catch (...) {
        c.afterFailure();
        throw;
    }
    c.written(d.get(), Change::Reset);
    d->forgetRows();   // record ids start again from 1
    d->snap.clear();
    d->dirty = false;
    d->setEmptyView();
    d->notifyChange();
}

void Table::pack()
{
    if (!d->conn) throw EngineError(QStringLiteral("Table must be opened to pack"));
    if (!d->exclusive) throw EngineError(QStringLiteral("Table must be opened exclusively to pack"));
    d->checkBrowse();
    Connection& c = *d->conn;
    // VACUUM cannot run inside a transaction; what was posted so far stays.
    const QString error = c.commitBulk();
    if (!error.isEmpty()) throw EngineError(error);
    std::vector<Value> key;
    if (d->hasCur && !c.schema.primary.empty()) key = d->primaryKeyOfCurrent();
    sqlite::exec(c.db, QStringLiteral("VACUUM"));
    // VACUUM may renumber the records.
    c.written(d.get(), Change::Reset);
    d->forgetRows();
    d->markDirty();
    const qint64 id = key.empty() ? 0 : c.findKey(key, 0);
    if (id != 0 && d->visible(id)) d->standOn(id);
    else d->goToEnd(false);
    d->notifyChange();
}

// --- structure -------------------------------------------------------------------

const std::vector<FieldDef>& Table::fields() const
{
    static const std::vector<FieldDef> none;
    return d->conn ? d->conn->schema.fields : none;
}

int Table::fieldIndex(QStringView name) const
{
    return findField(fields(), name);
}

int Table::fieldIndexOrThrow(QStringView name) const
{
    d->requireOpen();
    const int f = fieldIndex(name);
    if (f < 0) throw EngineError(QStringLiteral("Field '%1' not found").arg(name.trimmed()));
    return f;
}

IndexDef Table::primaryIndex() const
{
    d->requireOpen();
    IndexDef idx;
    for (int c : d->conn->schema.primary) idx.fields << fields()[std::size_t(c)].name;
    return idx;
}

void Table::addIndex(const IndexDef& index)
{
    d->requireOpen();
    d->checkBrowse();
    Connection& c = *d->conn;
    if (index.name.trimmed().isEmpty()) throw EngineError(QStringLiteral("A secondary index needs a name"));
    if (index.fields.isEmpty()) throw EngineError(QStringLiteral("Index '%1' has no fields").arg(index.name));
    const QString sql = createIndexSql(c.schema.fields, index);
    {
        WriteTxn txn(c);
        sqlite::exec(c.db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoteIdent(index.name)));
        sqlite::exec(c.db, sql);
        txn.commit();
    }
    auto& sec = c.schema.secondary;
    sec.erase(std::remove_if(sec.begin(), sec.end(),
                             [&](const IndexDef& i) { return i.name.compare(index.name, Qt::CaseInsensitive) == 0; }),
              sec.end());
    IndexDef stored{index.name, {}};
    for (int col : resolveFields(c.schema.fields, index.fields)) stored.fields << c.schema.fields[std::size_t(col)].name;
    sec.push_back(stored);
    // Tables that were ordered by a replaced index of that name go back to
    // the primary order.
    for (ViewListener* t : std::vector<ViewListener*>(c.tables)) t->indexDropped(index.name);
}

void Table::dropIndex(const QString& name)
{
    d->requireOpen();
    d->checkBrowse();
    Connection& c = *d->conn;
    auto& sec = c.schema.secondary;
    auto it = std::find_if(sec.begin(), sec.end(),
                           [&](const IndexDef& i) { return i.name.compare(name, Qt::CaseInsensitive) == 0; });
    if (it == sec.end()) return;
    c.beginWrite();
    try {
        sqlite::exec(c.db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoteIdent(it->name)));
    } catch (...) {
        c.afterFailure();
        throw;
    }
    sec.erase(it);
    for (ViewListener* t : std::vector<ViewListener*>(c.tables)) t->indexDropped(name);
}

void Table::setActiveIndex(const QString& name)
{
    d->requireOpen();
    d->checkBrowse();
    if (name.trimmed().isEmpty()) {
        d->activeIndex.clear();
        d->orderCols.clear();
    } else {
        const auto& sec = d->conn->schema.secondary;
        auto it = std::find_if(sec.begin(), sec.end(),
                               [&](const IndexDef& i) { return i.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0; });
        if (it == sec.end()) throw EngineError(QStringLiteral("Index not found: %1").arg(name));
        d->orderCols = resolveFields(fields(), it->fields);
        d->activeIndex = it->name;
    }
    d->viewChanged(false);
}

QString Table::activeIndex() const
{
    return d->activeIndex;
}

void Table::setOrderFields(const QStringList& names)
{
    d->requireOpen();
    d->checkBrowse();
    QStringList list;
    for (const QString& n : names) list << splitFieldList(n);
    d->orderCols = resolveFields(fields(), list);
    d->activeIndex.clear();
    d->viewChanged(false);
}

// --- cursor ----------------------------------------------------------------------

void Table::first()
{
    d->requireOpen();
    d->checkBrowse();
    d->goToEnd(false);
    d->walking = 1;
}

void Table::last()
{
    d->requireOpen();
    d->checkBrowse();
    d->goToEnd(true);
    d->walking = -1;
}

void Table::next()
{
    d->requireOpen();
    d->checkBrowse();
    d->sync();
    d->walking = 1;
    if (!d->hasCur) return;
    if (d->floating) {
        d->floating = false;
        d->eof = d->bof = false;
        return;
    }
    const int p = d->snap.nextLive(d->pos);
    if (p < 0) {
        d->eof = true;
        d->bof = false;
    } else {
        d->moveTo(p);
    }
}

void Table::prior()
{
    d->requireOpen();
    d->checkBrowse();
    d->sync();
    d->walking = -1;
    if (!d->hasCur) return;
    d->floating = false;
    const int p = d->snap.priorLive(d->pos);
    if (p < 0) {
        d->bof = true;
        d->eof = false;
    } else {
        d->moveTo(p);
    }
}

bool Table::eof() const
{
    return d->eof;
}

bool Table::bof() const
{
    return d->bof;
}

int Table::count() const
{
    if (!d->conn) return 0;
    if (d->dirty) d->sync();
    return d->snap.liveCount();
}

int Table::recNo() const
{
    if (!d->conn || !d->hasCur || d->state == Impl::State::Insert) return 0;
    d->sync();
    return d->hasCur ? d->snap.rank(d->pos) : 0;
}

bool Table::hasRecord() const
{
    return d->conn && (d->hasCur || d->state == Impl::State::Insert);
}

bool Table::locate(const QString& fieldList, const std::vector<Value>& values)
{
    return locate(splitFieldList(fieldList), values);
}

bool Table::locate(const QStringList& names, const std::vector<Value>& values)
{
    d->requireOpen();
    d->checkBrowse();
    const auto cols = resolveFields(fields(), names);
    if (cols.empty() || cols.size() != values.size())
        throw EngineError(QStringLiteral("Locate: %1 fields but %2 values").arg(cols.size()).arg(values.size()));
    std::vector<Value> params;
    QStringList conds;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const FieldDef& f = fields()[std::size_t(cols[i])];
        Value v = detail::toFieldValue(f, values[i], false);
        // Longer than the field: no stored value can match.
        if (auto s = std::get_if<QString>(&v); s && f.type == FieldType::String && detail::cutToSize(*s, f.size) != *s)
            return false;
        conds << quoteIdent(f.name) + QStringLiteral(" IS ?");
        params.push_back(std::move(v));
    }
    const QString where = d->conditions(params);
    if (!where.isEmpty()) conds << where;
    const QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                            .arg(kData, conds.join(QLatin1String(" AND ")), d->orderBy());
    qint64 id = 0;
    {
        StmtUse u(d->cached(d->locateStmt, d->locateSql, sql));
        u->bindAll(params);
        if (!u->step()) return false;
        id = u->columnInt(0);
    }
    d->standOn(id);
    return true;
}

Bookmark Table::bookmark() const
{
    Bookmark b;
    if (!d->conn || !d->hasCur || d->state == Impl::State::Insert) return b;
    b.rowid = d->cur;
    b.valid = true;
    b.key = d->primaryKeyOfCurrent();
    return b;
}

bool Table::bookmarkValid(const Bookmark& b) const
{
    if (!d->conn || !b.valid || !d->visible(b.rowid)) return false;
    if (b.key.empty()) return true;
    // Record ids can be reused after a delete; the key tells.
    std::vector<Value> key;
    {
        StmtUse u(d->conn->fetch);
        u->bindInt(1, b.rowid);
        if (!u->step()) return false;
        for (int c : d->conn->schema.primary) key.push_back(detail::readColumn(*u, c, fields()[std::size_t(c)]));
    }
    return key == b.key;
}

void Table::gotoBookmark(const Bookmark& b)
{
    d->requireOpen();
    d->checkBrowse();
    if (!b.valid) throw EngineError(QStringLiteral("Invalid bookmark"));
    if (!bookmarkValid(b)) {
        if (!d->rowExists(b.rowid)) throw EngineError(QStringLiteral("Record/key deleted"));
        throw EngineError(QStringLiteral("Record not found"));
    }
    d->standOn(b.rowid);
}

bool Table::gotoRowid(qint64 id)
{
    d->requireOpen();
    d->checkBrowse();
    if (!d->visible(id)) return false;
    d->standOn(id);
    return true;
}

qint64 Table::rowid() const
{
    return d->conn && d->hasCur && d->state != Impl::State::Insert ? d->cur : 0;
}

void Table::refresh()
{
    d->requireOpen();
    d->checkBrowse();
    d->forgetRows();
    d->markDirty();
    d->sync();
    d->notifyChange();
}

// --- filter and link -----------------------------------------------------------

void Table::setFilter(const QString& text)
{
    d->requireOpen();
    if (text.trimmed().isEmpty()) {
        d->checkBrowse();
        const bool wasOn = d->filtered && d->filterExpr;
        d->filterExpr.reset();
        d->filterText.clear();
        d->filterSql.clear();
        d->filterParams.clear();
        d->filterUsed.clear();
        d->filtered = false;
        if (wasOn) d->viewChanged(true);
        return;
    }
    setFilter(parseFilter(text), text);
}

void Table::setFilter(const FilterExpr& expr, const QString& text)
{
    d->requireOpen();
    std::vector<Value> params;
    std::vector<bool> used(fields().size(), false);
    const QString sql = detail::filterToSql(expr, fields(), params, used);   // throws before any change
    d->checkBrowse();
    d->filterExpr = expr;
    d->filterText = text;
    d->filterSql = sql;
    d->filterParams = std::move(params);
    d->filterUsed = std::move(used);
    d->filtered = true;
    d->viewChanged(true);
}

QString Table::filterText() const
{
    return d->filterText;
}

void Table::setFiltered(bool on)
{
    d->requireOpen();
    if (d->filtered == on) return;
    d->checkBrowse();
    d->filtered = on;
    if (d->filterExpr) d->viewChanged(true);
}

bool Table::filtered() const
{
    return d->filtered;
}

void Table::setLink(const QStringList& detailFields, const std::vector<Value>& masterValues)
{
    d->requireOpen();
    QStringList names;
    for (const QString& n : detailFields) names << splitFieldList(n);
    const auto cols = resolveFields(fields(), names);
    if (cols.empty() || cols.size() != masterValues.size())
        throw EngineError(QStringLiteral("Link: %1 fields but %2 values").arg(cols.size()).arg(masterValues.size()));
    std::vector<Value> values;
    for (std::size_t i = 0; i < cols.size(); ++i)
        values.push_back(detail::toFieldValue(fields()[std::size_t(cols[i])], masterValues[i], false));
    d->checkBrowse();
    d->linkCols = cols;
    d->linkValues = std::move(values);
    d->hasLink = true;
    d->linkOn = true;
    d->viewChanged(true);
}

void Table::clearLink()
{
    d->requireOpen();
    if (!d->hasLink) return;
    d->checkBrowse();
    const bool wasOn = d->linkOn;
    d->hasLink = d->linkOn = false;
    d->linkCols.clear();
    d->linkValues.clear();
    if (wasOn) d->viewChanged(true);
}

void Table::removeLink()
{
    d->requireOpen();
    if (!d->hasLink || !d->linkOn) return;
    d->checkBrowse();
    d->linkOn = false;
    d->viewChanged(true);
}

void Table::restoreLink()
{
    d->requireOpen();
    if (!d->hasLink || d->linkOn) return;
    d->checkBrowse();
    d->linkOn = true;
    d->viewChanged(true);
}

bool Table::linkActive() const
{
    return d->hasLink && d->linkOn;
}

// --- values and editing -----------------------------------------------------------

Value Table::get(int field) const
{
    d->checkField(field);
    return d->value(field);
}

Value Table::get(QStringView name) const
{
    return get(fieldIndexOrThrow(name));
}

QString Table::str(int field) const
{
    return valueToString(get(field));
}

QString Table::str(QStringView name) const
{
    return valueToString(get(name));
}

bool Table::isEmpty(int field) const
{
    return valueIsEmpty(get(field));
}

bool Table::isEmpty(QStringView name) const
{
    return valueIsEmpty(get(name));
}

std::optional<qint32> Table::intValue(QStringView name) const
{
    const int f = fieldIndexOrThrow(name);
    const Value v = get(f);
    if (valueIsEmpty(v)) return std::nullopt;
    FieldDef asInt = fields()[std::size_t(f)];
    asInt.type = FieldType::Integer;
    return std::get<qint32>(detail::toFieldValue(asInt, v, false));
}

std::optional<double> Table::floatValue(QStringView name) const
{
    const int f = fieldIndexOrThrow(name);
    const Value v = get(f);
    if (valueIsEmpty(v)) return std::nullopt;
    FieldDef asFloat = fields()[std::size_t(f)];
    asFloat.type = FieldType::Float;
    return std::get<double>(detail::toFieldValue(asFloat, v, false));
}

void Table::edit()
{
    d->requireOpen();
    if (d->state != Impl::State::Browse) return;
    if (!d->hasCur) {
        insert();
        return;
    }
    if (!d->fetchRow()) throw EngineError(QStringLiteral("Record/key deleted"));
    d->orig = d->row;
    d->buf = d->row;
    d->modified = false;
    d->state = Impl::State::Edit;
}

void Table::insert()
{
    d->requireOpen();
    d->checkBrowse();
    d->buf.assign(fields().size(), Value{});
    d->orig = d->buf;
    d->modified = false;
    d->state = Impl::State::Insert;
}

void Table::append()
{
    insert();
}

void Table::set(int field, const Value& v)
{
    d->checkField(field);
    if (d->state == Impl::State::Browse) throw EngineError(QStringLiteral("Table is not in edit or insert mode"));
    d->buf[std::size_t(field)] = detail::toFieldValue(fields()[std::size_t(field)], v, true);
    d->modified = true;
}

void Table::set(QStringView name, const Value& v)
{
    set(fieldIndexOrThrow(name), v);
}

void Table::post()
{
    d->requireOpen();
    d->post();
}

void Table::cancel()
{
    d->cancel();
}

void Table::del()
{
    d->requireOpen();
    const bool inserting = d->state == Impl::State::Insert;
    d->cancel();
    if (inserting) return;
    if (!d->hasCur) throw EngineError(QStringLiteral("Cannot perform this operation on an empty table"));
    const qint64 gone = d->cur;   // the record the cursor shows
    d->sync();                    // and its place in the view as it is now
    Connection& c = *d->conn;
    c.beginWrite();
    try {
        StmtUse u(c.remove);
        u->bindInt(1, gone);
        u->step();
    } catch (...) {
        c.afterFailure();
        throw;
    }
    c.written(d.get(), Change::Delete, gone);
    if (d->hasCur && d->cur == gone) {
        RowSnapshot& s = d->snap;
        const int p = d->pos;
        const int nextP = s.nextLive(p);
        const int priorP = s.priorLive(p);
        s.kill(p);
        if (nextP >= 0) {
            d->moveTo(nextP);
        } else if (priorP >= 0) {
            d->moveTo(priorP);
            d->eof = true;
        } else {
            d->setEmptyView();
        }
        if (d->hasCur) d->pos = s.compact(d->pos);
        else s.compact(-1);
    } else if (d->hasCur) {
        // It had left the view; the cursor already stands where it was.
        if (d->floating) d->floating = false;
        else d->eof = true;
    }
    d->ahead.erase(gone);
    d->notifyChange();
}

bool Table::editing() const
{
    return d->state != Impl::State::Browse;
}

bool Table::inserting() const
{
    return d->state == Impl::State::Insert;
}

// --- batch ---------------------------------------------------------------------------

// Copies the records src shows into this table, columns by name. With
// upsert a record whose primary key exists updates it instead.
int Table::appendRecords(const Table& srcTable, bool upsert)
{
    d->requireOpen();
    srcTable.d->requireOpen();
    d->checkBrowse();
    Impl& dest = *d;
    Impl& src = *srcTable.d;
    Connection& c = *dest.conn;
    const auto& df = c.schema.fields;
    const auto& sf = src.conn->schema.fields;
    std::vector<int> destCols, srcCols;
    for (std::size_t i = 0; i < df.size(); ++i) {
        const int j = findField(sf, df[i].name);
        if (j >= 0) {
            destCols.push_back(int(i));
            srcCols.push_back(j);
        }
    }
    if (destCols.empty()) throw EngineError(QStringLiteral("The tables have no field in common"));

    std::vector<Value> params;
    const QString where = src.conditions(params);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columnList(sf, srcCols), kData);
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ") + src.orderBy();
    Stmt read(src.conn->db, sql);
    read.bindAll(params);

    const QString names = columnList(df, destCols);
    QString insertSql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(kData, names, placeholders(destCols.size()));
    QStringList sets;
    std::vector<int> updateCols;
    for (int col : destCols) {
        if (std::find(c.schema.primary.begin(), c.schema.primary.end(), col) != c.schema.primary.end()) continue;
        sets << QStringLiteral("%1 = excluded.%1").arg(quoteIdent(df[std::size_t(col)].name));
        updateCols.push_back(col);
    }
    const bool keyed = upsert && !c.schema.primary.empty();
    if (keyed)
        insertSql += QStringLiteral(" ON CONFLICT(%1) DO %2")
                         .arg(columnList(df, c.schema.primary),
                              sets.isEmpty() ? QStringLiteral("NOTHING") : QStringLiteral("UPDATE SET ") + sets.join(QLatin1String(", ")));
    Stmt write(c.db, insertSql);

    // Reading and writing the same file share one connection: read first.
    const bool sameFile = src.conn == dest.conn;
    std::vector<std::vector<Value>> rows;
    auto readRow = [&](std::vector<Value>& values) {
        if (!read.step()) return false;
        values.assign(df.size(), Value{});
        for (std::size_t k = 0; k < destCols.size(); ++k) {
            const std::size_t dc = std::size_t(destCols[k]);
            values[dc] = detail::toFieldValue(df[dc], detail::readColumn(read, int(k), sf[std::size_t(srcCols[k])]), true);
        }
        return true;
    };
    if (sameFile) {
        std::vector<Value> values;
        while (readRow(values)) rows.push_back(values);
        read.reset();
    }

    int n = 0;
    WriteTxn txn(c);
    std::vector<Value> values;
    std::size_t next = 0;
    for (;;) {
        if (sameFile) {
            if (next == rows.size()) break;
            values = std::move(rows[next++]);
        } else if (!readRow(values)) {
            break;
        }
        for (std::size_t i = 0; i < df.size(); ++i)
            if (df[i].required && valueIsEmpty(values[i]))
                throw EngineError(QStringLiteral("Field '%1' must have a value").arg(df[i].name));
        bool emptyKey = false;
        std::vector<Value> key;
        for (int col : c.schema.primary) {
            key.push_back(values[std::size_t(col)]);
            emptyKey = emptyKey || valueIsEmpty(key.back());
        }
        const qint64 existing = emptyKey ? c.findKey(key, 0) : 0;
        if (existing != 0) {
            if (!keyed) throw EngineError(QStringLiteral("Key violation"));
            if (!updateCols.empty()) {
                StmtUse u(c.updateFor(updateCols));
                int b = 1;
                for (int col : updateCols) u->bind(b++, values[std::size_t(col)]);
                u->bindInt(b, existing);
                u->step();
            }
        } else {
            StmtUse u(write);
            for (std::size_t k = 0; k < destCols.size(); ++k) u->bind(int(k) + 1, values[std::size_t(destCols[k])]);
            u->step();
        }
        ++n;
    }
    txn.commit();
    c.written(d.get(), Change::Reset);
    d->forgetRows();
    d->markDirty();
    d->notifyChange();
    return n;
}


int Table::appendFrom(const Table& src)
{
    return appendRecords(src, false);
}

int Table::appendOrUpdateFrom(const Table& src)
{
    return appendRecords(src, true);
}

// Copying into dBase and text tables (with given columns) belongs here, next
// to appendFrom, when the exchange formats are built.

std::vector<Table::Row> Table::query(const QString& whereSql, const std::vector<Value>& params,
                                     const QString& orderSql) const
{
    d->requireOpen();
    Connection& c = *d->conn;
    const auto& fs = c.schema.fields;
    auto key = std::make_pair(whereSql, orderSql);
    auto it = c.queries.find(key);
    if (it == c.queries.end()) {
        QString sql = QStringLiteral("SELECT rowid, %1 FROM %2").arg(columnList(fs, allColumns(fs)), kData);
        if (!whereSql.trimmed().isEmpty()) sql += QStringLiteral(" WHERE ") + whereSql;
        if (!orderSql.trimmed().isEmpty()) sql += QStringLiteral(" ORDER BY ") + orderSql;
        if (c.queries.size() > 64) c.queries.clear();
        it = c.queries.emplace(std::move(key), Stmt(c.db, sql)).first;
    }
    std::vector<Row> rows;
    StmtUse u(it->second);
    int b = 1;
    for (const Value& v : params) u->bind(b++, valueIsEmpty(v) ? Value{} : v);
    while (u->step()) {
        Row r{u->columnInt(0), {}};
        r.values.reserve(fs.size());
        for (std::size_t i = 0; i < fs.size(); ++i) r.values.push_back(detail::readColumn(*u, int(i) + 1, fs[i]));
        rows.push_back(std::move(r));
    }
    return rows;
}

// --- display suspension and observers -------------------------------------------------

void Table::suspendDisplay()
{
    ++d->suspended;
}

void Table::resumeDisplay()
{
    if (d->suspended == 0) return;
    if (--d->suspended == 0) d->notifyDisplay();
}

void Table::resetDisplay()
{
    d->suspended = 0;
    d->notifyDisplay();
}

bool Table::displaySuspended() const
{
    return d->suspended > 0;
}

int Table::addDisplayObserver(std::function<void()> onResume)
{
    const int id = d->nextObserver++;
    d->displayObservers.emplace(id, std::move(onResume));
    return id;
}

void Table::removeDisplayObserver(int id)
{
    d->displayObservers.erase(id);
}

int Table::addChangeObserver(std::function<void()> onChange)
{
    const int id = d->nextObserver++;
    d->changeObservers.emplace(id, std::move(onChange));
    return id;
}

void Table::removeChangeObserver(int id)
{
    d->changeObservers.erase(id);
}

// --- bulk scope ------------------------------------------------------------------------

BulkScope::BulkScope() : exceptionsAtStart_(std::uncaught_exceptions())
{
    ++g_bulkDepth;
}

BulkScope::~BulkScope() noexcept(false)
{
    if (--g_bulkDepth > 0) return;
    QString error;
    // What was posted stays, also when the scope ends by an exception.
    for (Connection* c : std::vector<Connection*>(g_bulkConnections)) {
        const QString e = c->commitBulk();
        if (error.isEmpty()) error = e;
    }
    if (!error.isEmpty() && std::uncaught_exceptions() == exceptionsAtStart_) throw EngineError(error);
}

bool BulkScope::active()
{
    return g_bulkDepth > 0;
}

} // namespace belvanto
