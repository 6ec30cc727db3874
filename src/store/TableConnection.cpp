// Connections of the table engine: opening a file, its schema, the shared
// statements, the one write path and the bulk scope's transaction per file.
#include "store/TableConnection.h"
#include "store/TableInternal.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <algorithm>

namespace belvanto::detail {

using sqlite::quoteIdent;
using sqlite::Stmt;
using sqlite::StmtUse;

const QString kData = QString::fromLatin1(kInnerTable);
int g_bulkDepth = 0;
std::vector<Connection*> g_bulkConnections;

void busy(const QString& path)
{
    throw EngineError(QStringLiteral("Table is busy: %1").arg(QDir::toNativeSeparators(path)));
}

QString canonicalPath(const QString& path)
{
    const QFileInfo fi(path);
    const QString c = fi.canonicalFilePath();
    if (!c.isEmpty()) return c;
    const QString dir = fi.absoluteDir().canonicalPath();
    if (dir.isEmpty()) return QDir::cleanPath(fi.absoluteFilePath());
    return dir + QLatin1Char('/') + fi.fileName();
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

std::map<QString, std::unique_ptr<Connection>>& registry()
{
    static auto* r = new std::map<QString, std::unique_ptr<Connection>>;
    return *r;
}

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

namespace {

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
            applyDeclaredType(f, u->columnText(2));
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

} // namespace

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

// --- Connection -------------------------------------------------------------------

Connection::~Connection()
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

std::unique_ptr<Connection> Connection::open(const QString& canonical, bool exclusive)
{
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
    return conn;
}

bool Connection::beginWrite(bool own)
{
    if (g_bulkDepth > 0 && !inBulk) {
        sqlite::exec(db, QStringLiteral("BEGIN IMMEDIATE"));
        inBulk = true;
        g_bulkConnections.push_back(this);
    }
    if (own) sqlite::exec(db, inBulk ? QStringLiteral("SAVEPOINT belvanto_op") : QStringLiteral("BEGIN IMMEDIATE"));
    return inBulk;
}

void Connection::endWrite(bool savepoint)
{
    sqlite::exec(db, savepoint ? QStringLiteral("RELEASE belvanto_op") : QStringLiteral("COMMIT"));
}

void Connection::writeFailed(bool own, bool savepoint)
{
    if (own && !sqlite3_get_autocommit(db)) {
        if (savepoint)
            sqlite3_exec(db, "ROLLBACK TO belvanto_op; RELEASE belvanto_op", nullptr, nullptr, nullptr);
        else
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return;
    }
    // Some errors roll back the whole transaction, the bulk one included.
    if (inBulk && sqlite3_get_autocommit(db)) {
        leaveBulk();
        rolledBack();
    }
}

void Connection::rolledBack()
{
    for (ViewListener* t : std::vector<ViewListener*>(tables)) t->foreignChange(Change::Reset, 0, nullptr);
}

void Connection::leaveBulk()
{
    inBulk = false;
    g_bulkConnections.erase(std::remove(g_bulkConnections.begin(), g_bulkConnections.end(), this),
                            g_bulkConnections.end());
}

QString Connection::commitBulk()
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

void Connection::written(ViewListener* by, Change kind, qint64 rowid, const std::vector<bool>* changed)
{
    for (ViewListener* t : std::vector<ViewListener*>(tables))
        if (t != by) t->foreignChange(kind, rowid, changed);
}

Stmt& Connection::updateFor(const std::vector<int>& cols)
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

qint64 Connection::findKey(const std::vector<Value>& key, qint64 except)
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

void Connection::checkRequired(const std::vector<Value>& values) const
{
    const auto& fs = schema.fields;
    for (std::size_t i = 0; i < fs.size(); ++i)
        if (fs[i].required && valueIsEmpty(values[i]))
            throw EngineError(QStringLiteral("Field '%1' must have a value").arg(fs[i].name));
}

qint64 Connection::emptyKeyHolder(const std::vector<Value>& values, qint64 except)
{
    const auto empty = [&](int c) { return valueIsEmpty(values[std::size_t(c)]); };
    if (std::none_of(schema.primary.begin(), schema.primary.end(), empty)) return 0;
    std::vector<Value> key;
    for (int c : schema.primary) key.push_back(values[std::size_t(c)]);
    return findKey(key, except);
}

} // namespace belvanto::detail
