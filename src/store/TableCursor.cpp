// The cursor of a Table object: the view's SQL, the snapshot and the
// position in it, the current record and the records read ahead, posting
// the edit buffer, and what a write of another Table object does to the view.
#include "store/TableCursor.h"
#include "store/TableInternal.h"
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace belvanto {

using detail::Change;
using detail::columnList;
using detail::kData;
using sqlite::quoteIdent;
using sqlite::Stmt;
using sqlite::StmtUse;

namespace {

constexpr int kReadAhead = 64;

} // namespace

#ifndef NDEBUG
void Table::Impl::assertInvariants() const
{
    auto rule = [](bool holds, int n) {
        if (holds) return;
        std::fprintf(stderr, "Table cursor: invariant (%d) broken\n", n);
        std::abort();
    };
    if (!conn) return;
    rule(hasCur || (cur == 0 && pos == -1 && !posKnown && !floating && eof && bof), 1);
    rule(!(eof && bof) || !hasCur, 1);
    rule(!posKnown || (!dirty && hasCur && snap.isLive(pos) && snap.rowidAt(pos) == cur), 3);
    rule(!floating || (hasCur && !eof && !bof), 4);
    rule(lastRank >= 0, 6);
    const std::size_t n = fields().size();
    if (state == State::Browse)
        rule(buf.empty() && orig.empty() && !modified, 7);
    else
        rule(buf.size() == n && orig.size() == n, 7);
    rule(state != State::Edit || hasCur, 7);
    rule(!rowValid || (row.size() == n && ahead.count(rowId) == 0), 8);
    rule(walking >= -1 && walking <= 1, 9);
}
#endif

// --- view SQL ---------------------------------------------------------------------

QString Table::Impl::conditions(std::vector<Value>& params) const
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

QString Table::Impl::orderBy() const
{
    std::vector<int> cols = orderCols;
    for (int c : conn->schema.primary)
        if (std::find(cols.begin(), cols.end(), c) == cols.end()) cols.push_back(c);
    QString sql = columnList(fields(), cols);
    return sql.isEmpty() ? QStringLiteral("rowid") : sql + QStringLiteral(", rowid");
}

Stmt& Table::Impl::cached(Stmt& stmt, QString& cachedSql, const QString& sql)
{
    if (!stmt.valid() || sql != cachedSql) {
        stmt = Stmt(db(), sql);
        cachedSql = sql;
    }
    return stmt;
}

void Table::Impl::recomputeRelevant()
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

// --- snapshot and position -----------------------------------------------------------

void Table::Impl::markDirty()
{
    // Rule (6): the rank of cur in the snapshot that is about to go stale, or
    // in the stale one when the cursor came to cur after it went stale. A
    // record already gone from the snapshot keeps the rank it had.
    if (hasCur && (!dirty || lastRankOf != cur)) {
        const int p = dirty ? snap.find(cur) : knownPos();
        if (p >= 0 || lastRankOf != cur) {
            lastRank = p >= 0 ? snap.rank(p) : 0;
            lastRankOf = cur;
        }
    }
    dirty = true;
    posKnown = false;
}

void Table::Impl::rebuild()
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

// cur is not in the view any more (posted out of the filter, or deleted
// through another Table object): stand on the record that took its place,
// in front of it, so that next() lands there. At the end of the view the
// cursor stands on the last record.
void Table::Impl::placeVanished()
{
    const int k = std::max(lastRankOf == cur ? lastRank : 0, 1);
    if (snap.liveCount() == 0) {
        setEmptyView();
    } else if (k <= snap.liveCount()) {
        moveTo(snap.nth(k));
        floating = true;
    } else {
        moveTo(snap.lastLive());
    }
}

void Table::Impl::goToEnd(bool lastOne)
{
    sync();
    const int p = lastOne ? snap.lastLive() : snap.firstLive();
    if (p < 0) setEmptyView();
    else moveTo(p);
}

void Table::Impl::standOn(qint64 id)
{
    walking = 0;
    if (!hasCur || cur != id) posKnown = false;
    hasCur = true;
    cur = id;
    floating = false;
    eof = bof = false;
}

bool Table::Impl::visible(qint64 id)
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

// --- current record ----------------------------------------------------------------

// Reads the current record unless the cached copy is current. A record
// deleted behind the cursor's back reads as empty; returns whether it exists.
bool Table::Impl::fetchRow()
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
            for (std::size_t i = 0; i < fs.size(); ++i) row[i] = detail::readColumnAsStored(*u, int(i), fs[i]);
    }
    rowId = cur;
    rowValid = true;
    return rowFound;
}

// Reads the current record and the next ones in walking direction.
bool Table::Impl::readAhead()
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
                                          .arg(columnList(fs, detail::allColumns(fs)), kData,
                                               detail::placeholders(kReadAhead)));
    StmtUse u(conn->fetchAhead);
    for (int i = 0; i < kReadAhead; ++i) u->bindInt(i + 1, ids[std::min(std::size_t(i), ids.size() - 1)]);
    while (u->step()) {
        std::vector<Value> values(fs.size());
        for (std::size_t i = 0; i < fs.size(); ++i) values[i] = detail::readColumnAsStored(*u, int(i) + 1, fs[i]);
        ahead.emplace(u->columnInt(0), std::move(values));
    }
    return true;
}

void Table::Impl::forgetRows()
{
    rowValid = false;
    ahead.clear();
}

bool Table::Impl::rowExists(qint64 id)
{
    StmtUse u(conn->fetch);
    u->bindInt(1, id);
    return u->step();
}

std::vector<Value> Table::Impl::primaryKeyOfCurrent()
{
    std::vector<Value> key;
    fetchRow();
    for (int c : conn->schema.primary) key.push_back(row[std::size_t(c)]);
    return key;
}

// --- editing ---------------------------------------------------------------------

void Table::Impl::cancel()
{
    state = State::Browse;
    modified = false;
    buf.clear();
    orig.clear();
}

void Table::Impl::post()
{
    if (state == State::Browse) throw EngineError(QStringLiteral("Table is not in edit or insert mode"));
    conn->checkRequired(buf);
    if (state == State::Edit) postEdit();
    else postInsert();
    notifyChange();
}

void Table::Impl::postEdit()
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
    conn->write(detail::Connection::Whole::No, [&] {
        if (conn->emptyKeyHolder(buf, cur) != 0) throw EngineError(QStringLiteral("Key violation"));
        StmtUse u(conn->updateFor(changedCols));
        int n = 1;
        for (int c : changedCols) u->bind(n++, buf[std::size_t(c)]);
        u->bindInt(n, cur);
        u->step();
        // Rule (7): another Table object on the file deleted the record.
        if (sqlite3_changes(db()) == 0) throw EngineError(QStringLiteral("Record/key deleted"));
    });
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

void Table::Impl::postInsert()
{
    qint64 id = 0;
    conn->write(detail::Connection::Whole::No, [&] {
        if (conn->emptyKeyHolder(buf, 0) != 0) throw EngineError(QStringLiteral("Key violation"));
        StmtUse u(conn->insert);
        for (std::size_t i = 0; i < buf.size(); ++i) u->bind(int(i) + 1, buf[i]);
        u->step();
        id = sqlite3_last_insert_rowid(db());
    });
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

// --- notifications and view changes -------------------------------------------------

void Table::Impl::notifyChange()
{
    if (suspended > 0) return;
    std::vector<std::function<void()>> calls;
    for (auto& [id, f] : changeObservers) calls.push_back(f);
    for (auto& f : calls) f();
}

void Table::Impl::notifyDisplay()
{
    std::vector<std::function<void()>> calls;
    for (auto& [id, f] : displayObservers) calls.push_back(f);
    for (auto& f : calls) f();
}

// The view's definition changed: re-read it, go to the first record or keep
// the current one.
void Table::Impl::viewChanged(bool goFirst)
{
    recomputeRelevant();
    markDirty();
    if (goFirst) goToEnd(false);
    notifyChange();
}

void Table::Impl::foreignChange(Change kind, qint64 rowid, const std::vector<bool>* changed)
{
    forgetRows();
    bool affects = kind != Change::Update;
    if (!affects && changed)
        for (std::size_t i = 0; i < changed->size() && !affects; ++i) affects = (*changed)[i] && relevant[i];
    if (kind == Change::Delete && hasCur && cur == rowid) affects = true;
    if (affects) markDirty();
    notifyChange();
}

void Table::Impl::indexDropped(const QString& name)
{
    if (!activeIndex.isEmpty() && activeIndex.compare(name, Qt::CaseInsensitive) == 0) {
        activeIndex.clear();
        orderCols.clear();
        viewChanged(false);
    }
}

void Table::Impl::resetState()
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
    lastRankOf = 0;
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

} // namespace belvanto
