// Batch operations of the table engine: appending the records another table
// shows, direct keyed queries, and the bulk scope that groups the posts of a
// command into one transaction per file.
#include "store/Table.h"
#include "store/TableCursor.h"
#include "store/TableInternal.h"
#include <sqlite3.h>
#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>

namespace belvanto {

using detail::allColumns;
using detail::Change;
using detail::columnList;
using detail::Connection;
using detail::findField;
using detail::kData;
using detail::placeholders;
using sqlite::quoteIdent;
using sqlite::Stmt;
using sqlite::StmtUse;

namespace {

// Throws the message get() gives for an unreadable value of record rowid,
// which names the record by its whole key.
[[noreturn]] void unreadableRecord(Connection& c, qint64 rowid, int field)
{
    const auto& fs = c.schema.fields;
    std::vector<Value> row(fs.size());
    {
        StmtUse u(c.fetch);
        u->bindInt(1, rowid);
        if (u->step())
            for (std::size_t i = 0; i < fs.size(); ++i) row[i] = detail::readColumnAsStored(*u, int(i), fs[i]);
    }
    throw EngineError(detail::unreadableMessage(fs, c.schema.primary, row, field, rowid));
}

} // namespace

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
    QString sql = QStringLiteral("SELECT rowid, %1 FROM %2").arg(columnList(sf, srcCols), kData);
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
            const FieldDef& from = sf[std::size_t(srcCols[k])];
            const Value v = detail::readColumnAsStored(read, int(k) + 1, from);
            if (detail::isUnreadable(from, v)) unreadableRecord(*src.conn, read.columnInt(0), srcCols[k]);
            values[dc] = detail::toFieldValue(df[dc], v, true);
        }
        return true;
    };
    if (sameFile) {
        std::vector<Value> values;
        while (readRow(values)) rows.push_back(values);
        read.reset();
    }

    int n = 0;
    c.write(Connection::Whole::Yes, [&] {
        std::vector<Value> values;
        std::size_t next = 0;
        for (;;) {
            if (sameFile) {
                if (next == rows.size()) break;
                values = std::move(rows[next++]);
            } else if (!readRow(values)) {
                break;
            }
            c.checkRequired(values);
            const qint64 existing = c.emptyKeyHolder(values, 0);
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
    });
    c.written(d.get(), Change::Reset);
    d->forgetRows();
    d->markDirty();
    d->notifyChange();
    d->assertInvariants();
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
                                     const QString& orderSql, Unreadable unreadable) const
{
    std::vector<Row> rows;
    scan(whereSql, params, orderSql, [&](Row& row) { rows.push_back(std::move(row)); }, unreadable);
    return rows;
}

void Table::scan(const QString& whereSql, const std::vector<Value>& params, const QString& orderSql,
                 const std::function<void(Row&)>& visit, Unreadable unreadable) const
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
    StmtUse u(it->second);
    int b = 1;
    for (const Value& v : params) u->bind(b++, valueIsEmpty(v) ? Value{} : v);
    Row r;
    while (u->step()) {
        r.rowid = u->columnInt(0);
        r.values.clear();
        r.values.reserve(fs.size());
        for (std::size_t i = 0; i < fs.size(); ++i) r.values.push_back(detail::readColumnAsStored(*u, int(i) + 1, fs[i]));
        if (unreadable == Unreadable::Throw)
            for (std::size_t i = 0; i < fs.size(); ++i)
                if (detail::isUnreadable(fs[i], r.values[i]))
                    throw EngineError(detail::unreadableMessage(fs, c.schema.primary, r.values, int(i), r.rowid));
        visit(r);
    }
}

bool Table::unreadable(const Row& row, int field) const
{
    return detail::isUnreadable(fields()[std::size_t(field)], row.values[std::size_t(field)]);
}

QString Table::unreadableMessage(const Row& row, int field) const
{
    return detail::unreadableMessage(fields(), d->conn->schema.primary, row.values, field, row.rowid);
}

// --- writer ----------------------------------------------------------------------------

namespace {
bool g_throughCursor = false;
constexpr std::size_t kBatch = 32;   // records per INSERT of appended records
}

struct TableWriter::Impl {
    Connection& c;
    Table* cursor = nullptr;     // set: record by record through this table
    std::optional<WholeTable> whole;
    std::vector<Value> buf;      // the record being built, empty where not set
    std::vector<char> isSet;
    std::vector<QByteArray> utf8;   // the texts' bytes while bound
    std::vector<int> setCols;
    std::vector<int> lastCols;   // the columns of the last update and its statement
    Stmt* lastUpdate = nullptr;
    int written = 0;
    // Appended records not yet sent, kBatch at most, field by field, and
    // the statement that inserts kBatch of them.
    std::vector<Value> pending;
    std::vector<QByteArray> pendingUtf8;
    Stmt batchInsert;
    int exceptionsAtStart = std::uncaught_exceptions();

    explicit Impl(Connection& conn)
        : c(conn), buf(conn.schema.fields.size()), isSet(buf.size(), 0), utf8(buf.size())
    {
    }

    void clear()
    {
        for (int col : setCols) {
            buf[std::size_t(col)] = Value{};
            isSet[std::size_t(col)] = 0;
        }
        setCols.clear();
    }

    // One record by the statement every view uses, after the checks of post().
    void insertOne(const std::vector<Value>& values)
    {
        c.checkRequired(values);
        if (c.emptyKeyHolder(values, 0) != 0) throw EngineError(QStringLiteral("Key violation"));
        StmtUse u(c.insert);
        for (std::size_t i = 0; i < values.size(); ++i) u->bindKept(int(i) + 1, values[i], utf8[i]);
        u->step();
    }

    // Sends the appended records: a full batch by one statement, whose
    // failure undoes all of it; then, or for fewer, one by one, so that a
    // refused record leaves the ones before it written.
    void flush()
    {
        const std::size_t width = buf.size();
        const std::size_t rows = pending.size() / width;
        if (rows == 0) return;
        // Sent or refused, they are no longer pending (the vector keeps its room).
        struct Done {
            std::vector<Value>& pending;
            ~Done() { pending.clear(); }
        } done{pending};
        bool sent = false;
        if (rows == kBatch) {
            if (!batchInsert.valid()) {
                const auto all = detail::allColumns(c.schema.fields);
                QStringList tuples;
                for (std::size_t r = 0; r < kBatch; ++r) tuples << QLatin1Char('(') + detail::placeholders(width) + QLatin1Char(')');
                batchInsert = Stmt(c.db, QStringLiteral("INSERT INTO %1(%2) VALUES %3")
                                             .arg(kData, detail::columnList(c.schema.fields, all), tuples.join(QLatin1String(", "))));
                pendingUtf8.resize(kBatch * width);
            }
            try {
                c.write(Connection::Whole::No, [&] {
                    StmtUse u(batchInsert);
                    for (std::size_t k = 0; k < pending.size(); ++k) u->bindKept(int(k) + 1, pending[k], pendingUtf8[k]);
                    u->step();
                });
                sent = true;
            } catch (const EngineError&) {
                // Gone with the whole transaction: nothing to retry.
                if (sqlite3_get_autocommit(c.db)) throw;
            }
        }
        if (!sent)
            c.write(Connection::Whole::No, [&] {
                for (std::size_t r = 0; r < rows; ++r) {
                    const auto first = pending.begin() + std::ptrdiff_t(r * width);
                    insertOne(std::vector<Value>(first, first + std::ptrdiff_t(width)));
                }
            });
    }

    bool setsKey() const
    {
        for (int col : c.schema.primary)
            if (isSet[std::size_t(col)]) return true;
        return false;
    }

    // The record as it will be after the update, for the key check.
    std::vector<Value> updated(qint64 rowid)
    {
        const auto& fs = c.schema.fields;
        std::vector<Value> row(fs.size());
        StmtUse u(c.fetch);
        u->bindInt(1, rowid);
        if (!u->step()) throw EngineError(QStringLiteral("Record/key deleted"));
        for (std::size_t i = 0; i < fs.size(); ++i)
            row[i] = isSet[i] ? buf[i] : detail::readColumnAsStored(*u, int(i), fs[i]);
        return row;
    }
};

TableWriter::TableWriter(Table& table)
{
    table.d->requireOpen();
    table.d->checkBrowse();
    d = std::make_unique<Impl>(*table.d->conn);
    if (g_throughCursor) {
        d->cursor = &table;
        d->whole.emplace(table);
    }
}

void TableWriter::setThroughCursor(bool on)
{
    g_throughCursor = on;
}

TableWriter::~TableWriter() noexcept(false)
{
    if (!d) return;
    // The views, this table's own among them, re-read what they show, also
    // when the last records are refused.
    struct Tell {
        Impl& d;
        ~Tell()
        {
            if (d.written > 0 && !d.cursor) d.c.written(nullptr, Change::Reset);
        }
    } tell{*d};
    // What was appended is written, also when the writer ends by an
    // exception (whose own error then wins).
    if (std::uncaught_exceptions() == d->exceptionsAtStart) {
        d->flush();
        return;
    }
    try {
        d->flush();
    } catch (...) {
    }
}

void TableWriter::flush()
{
    d->flush();
}

void TableWriter::set(int field, const Value& v)
{
    const auto& fs = d->c.schema.fields;
    if (field < 0 || field >= int(fs.size())) throw EngineError(QStringLiteral("Field number %1 out of range").arg(field));
    d->buf[std::size_t(field)] = detail::toFieldValue(fs[std::size_t(field)], v, true);
    if (!d->isSet[std::size_t(field)]) {
        d->isSet[std::size_t(field)] = 1;
        d->setCols.push_back(field);
    }
}

qint64 TableWriter::insert()
{
    Connection& c = d->c;
    qint64 id = 0;
    if (Table* t = d->cursor) {
        t->insert();
        for (int col : d->setCols) t->set(col, d->buf[std::size_t(col)]);
        t->post();
        id = t->rowid();
    } else {
        d->flush();
        c.write(Connection::Whole::No, [&] {
            d->insertOne(d->buf);
            id = sqlite3_last_insert_rowid(c.db);
        });
    }
    d->clear();
    ++d->written;
    return id;
}

void TableWriter::append()
{
    Connection& c = d->c;
    const bool emptyKeyPart = std::any_of(c.schema.primary.begin(), c.schema.primary.end(),
                                          [&](int col) { return valueIsEmpty(d->buf[std::size_t(col)]); });
    // Such a key is checked against the file, which must hold the records before it.
    if (d->cursor || emptyKeyPart) {
        insert();
        return;
    }
    c.checkRequired(d->buf);
    std::move(d->buf.begin(), d->buf.end(), std::back_inserter(d->pending));
    d->clear();
    ++d->written;
    if (d->pending.size() == kBatch * d->buf.size()) d->flush();
}

void TableWriter::update(qint64 rowid)
{
    d->flush();
    Connection& c = d->c;
    auto& cols = d->setCols;
    if (cols.empty()) return;
    std::sort(cols.begin(), cols.end());
    const auto& fs = c.schema.fields;
    for (int col : cols)
        if (fs[std::size_t(col)].required && valueIsEmpty(d->buf[std::size_t(col)]))
            throw EngineError(QStringLiteral("Field '%1' must have a value").arg(fs[std::size_t(col)].name));
    if (Table* t = d->cursor) {
        if (!t->gotoRowid(rowid)) throw EngineError(QStringLiteral("Record/key deleted"));
        t->edit();
        for (int col : cols) t->set(col, d->buf[std::size_t(col)]);
        t->post();
        d->clear();
        ++d->written;
        return;
    }
    if (cols != d->lastCols) {
        d->lastUpdate = &c.updateFor(cols);
        d->lastCols = cols;
    }
    c.write(Connection::Whole::No, [&] {
        if (d->setsKey() && c.emptyKeyHolder(d->updated(rowid), rowid) != 0)
            throw EngineError(QStringLiteral("Key violation"));
        StmtUse u(*d->lastUpdate);
        int n = 1;
        for (int col : cols) u->bindKept(n++, d->buf[std::size_t(col)], d->utf8[std::size_t(col)]);
        u->bindInt(n, rowid);
        u->step();
        if (sqlite3_changes(c.db) == 0) throw EngineError(QStringLiteral("Record/key deleted"));
    });
    d->clear();
    ++d->written;
}

void TableWriter::remove(qint64 rowid)
{
    d->flush();
    Connection& c = d->c;
    if (Table* t = d->cursor) {
        if (t->gotoRowid(rowid)) t->del();
    } else c.write(Connection::Whole::No, [&] {
        StmtUse u(c.remove);
        u->bindInt(1, rowid);
        u->step();
    });
    ++d->written;
}

int TableWriter::written() const
{
    return d->written;
}

// --- bulk scope ------------------------------------------------------------------------

BulkScope::BulkScope() : exceptionsAtStart_(std::uncaught_exceptions())
{
    ++detail::g_bulkDepth;
}

BulkScope::~BulkScope() noexcept(false)
{
    if (--detail::g_bulkDepth > 0) return;
    QString error;
    // What was posted stays, also when the scope ends by an exception.
    for (Connection* c : std::vector<Connection*>(detail::g_bulkConnections)) {
        const QString e = c->commitBulk();
        if (error.isEmpty()) error = e;
    }
    if (!error.isEmpty() && std::uncaught_exceptions() == exceptionsAtStart_) throw EngineError(error);
}

bool BulkScope::active()
{
    return detail::g_bulkDepth > 0;
}

} // namespace belvanto
