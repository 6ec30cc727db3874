// The table engine's public operations: files, structure, cursor moves,
// filter and link, values and editing, display suspension. The cursor's
// state and its rules are in TableCursor.h, the connections and the one
// write path in TableConnection.h, the batch operations in TableBatch.cpp.
#include "store/Table.h"
#include "store/TableCursor.h"
#include "store/TableInternal.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace belvanto {

using detail::busy;
using detail::canonicalPath;
using detail::Change;
using detail::columnList;
using detail::Connection;
using detail::findField;
using detail::kData;
using detail::registry;
using detail::resolveFields;
using detail::RowSnapshot;
using detail::splitFieldList;
using detail::ViewListener;
using sqlite::quoteIdent;
using sqlite::StmtUse;

namespace {

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

} // namespace

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
    detail::validateDefinition(fields, primary, secondary);
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
    for (const IndexDef& idx : secondary) sql << detail::createIndexSql(fields, idx);

    // Built beside the target and renamed over it, so that the old table
    // stays whole until the new one is complete.
    const QString tmp = canonical + QStringLiteral(".creating");
    removeIfExists(tmp);
    removeIfExists(tmp + QStringLiteral("-journal"));
    try {
        sqlite3* db = detail::openDb(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
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
        auto conn = Connection::open(canonical, exclusive);
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
    d->assertInvariants();
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
    c.write(Connection::Whole::No, [&] { sqlite::exec(c.db, QStringLiteral("DELETE FROM %1").arg(kData)); });
    c.written(d.get(), Change::Reset);
    d->forgetRows();   // record ids start again from 1
    d->snap.clear();
    d->dirty = false;
    d->setEmptyView();
    d->notifyChange();
    d->assertInvariants();
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
    d->assertInvariants();
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

bool Table::hasIndex(const QString& name) const
{
    d->requireOpen();
    const auto& sec = d->conn->schema.secondary;
    return std::any_of(sec.begin(), sec.end(),
                       [&](const IndexDef& i) { return i.name.compare(name, Qt::CaseInsensitive) == 0; });
}

void Table::addIndex(const IndexDef& index)
{
    d->requireOpen();
    d->checkBrowse();
    Connection& c = *d->conn;
    if (index.name.trimmed().isEmpty()) throw EngineError(QStringLiteral("A secondary index needs a name"));
    if (index.fields.isEmpty()) throw EngineError(QStringLiteral("Index '%1' has no fields").arg(index.name));
    const QString sql = detail::createIndexSql(c.schema.fields, index);
    c.write(Connection::Whole::Yes, [&] {
        sqlite::exec(c.db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoteIdent(index.name)));
        sqlite::exec(c.db, sql);
    });
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
    d->assertInvariants();
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
    c.write(Connection::Whole::No,
            [&] { sqlite::exec(c.db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoteIdent(it->name))); });
    sec.erase(it);
    for (ViewListener* t : std::vector<ViewListener*>(c.tables)) t->indexDropped(name);
    d->assertInvariants();
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
    d->assertInvariants();
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
    d->assertInvariants();
}

// --- cursor ----------------------------------------------------------------------

void Table::first()
{
    d->requireOpen();
    d->checkBrowse();
    d->goToEnd(false);
    d->walking = 1;
    d->assertInvariants();
}

void Table::last()
{
    d->requireOpen();
    d->checkBrowse();
    d->goToEnd(true);
    d->walking = -1;
    d->assertInvariants();
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
    d->assertInvariants();
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
    d->assertInvariants();
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
    d->assertInvariants();
    return d->snap.liveCount();
}

int Table::recNo() const
{
    if (!d->conn || !d->hasCur || d->state == Impl::State::Insert) return 0;
    d->sync();
    d->assertInvariants();
    // Not known for a record being edited that left the view meanwhile.
    const int p = d->knownPos();
    return p >= 0 ? d->snap.rank(p) : 0;
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
    d->assertInvariants();
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
        for (int c : d->conn->schema.primary) key.push_back(detail::readColumnAsStored(*u, c, fields()[std::size_t(c)]));
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
    d->assertInvariants();
}

bool Table::gotoRowid(qint64 id)
{
    d->requireOpen();
    d->checkBrowse();
    if (!d->visible(id)) return false;
    d->standOn(id);
    d->assertInvariants();
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
    d->assertInvariants();
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
    try {
        // Limits of the SQL engine the filter's own checks do not foresee
        // (the number of values, the depth of its parser) show here, while
        // the old filter is still in force, and not later in a walk.
        sqlite::Stmt probe(d->db(), QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(kData, sql));
    } catch (const EngineError& e) {
        throw EngineError(QStringLiteral("Filter: too large for the table engine (%1)").arg(e.text()));
    }
    d->checkBrowse();
    d->filterExpr = expr;
    d->filterText = text;
    d->filterSql = sql;
    d->filterParams = std::move(params);
    d->filterUsed = std::move(used);
    d->filtered = true;
    d->viewChanged(true);
    d->assertInvariants();
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
    d->assertInvariants();
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
    d->assertInvariants();
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
    d->assertInvariants();
}

void Table::removeLink()
{
    d->requireOpen();
    if (!d->hasLink || !d->linkOn) return;
    d->checkBrowse();
    d->linkOn = false;
    d->viewChanged(true);
    d->assertInvariants();
}

void Table::restoreLink()
{
    d->requireOpen();
    if (!d->hasLink || d->linkOn) return;
    d->checkBrowse();
    d->linkOn = true;
    d->viewChanged(true);
    d->assertInvariants();
}

bool Table::linkActive() const
{
    return d->hasLink && d->linkOn;
}

// --- values and editing -----------------------------------------------------------

Value Table::get(int field) const
{
    d->checkField(field);
    const Value& v = d->value(field);
    if (detail::isUnreadable(fields()[std::size_t(field)], v))
        throw EngineError(detail::unreadableMessage(fields(), d->conn->schema.primary,
                                                    d->state == Impl::State::Browse ? d->row : d->buf, field, d->cur));
    return v;
}

QString Table::unreadableText(int field) const
{
    d->checkField(field);
    const Value& v = d->value(field);
    return detail::isUnreadable(fields()[std::size_t(field)], v) ? std::get<QString>(v) : QString();
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
    d->assertInvariants();
}

void Table::insert()
{
    d->requireOpen();
    d->checkBrowse();
    d->buf.assign(fields().size(), Value{});
    d->orig = d->buf;
    d->modified = false;
    d->state = Impl::State::Insert;
    d->assertInvariants();
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
    d->assertInvariants();
}

void Table::set(QStringView name, const Value& v)
{
    set(fieldIndexOrThrow(name), v);
}

void Table::post()
{
    d->requireOpen();
    d->post();
    d->assertInvariants();
}

void Table::cancel()
{
    d->cancel();
    d->assertInvariants();
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
    c.write(Connection::Whole::No, [&] {
        StmtUse u(c.remove);
        u->bindInt(1, gone);
        u->step();
    });
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
    d->assertInvariants();
}

bool Table::editing() const
{
    return d->state != Impl::State::Browse;
}

bool Table::inserting() const
{
    return d->state == Impl::State::Insert;
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

} // namespace belvanto
