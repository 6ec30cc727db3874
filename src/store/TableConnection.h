#pragma once
// Connections of the table engine. Not for use outside src/store.
//
// One connection per file is shared by every Table object open on it (a
// process-wide registry keyed by canonical path), so a bulk transaction
// covers all of them and each sees the others' writes.
//
// Every write reaches the file through Connection::write(): it opens the
// bulk scope's transaction on the file at the first write inside a scope,
// gives a write of several statements its own transaction (or a savepoint
// inside the bulk one), and after a failure undoes what the write began and
// tells every view on the file when the failure took the bulk transaction
// with it. The only writes outside it are VACUUM (pack), which cannot run in
// a transaction, and the bulk scope's own COMMIT.
#include "store/SqliteDb.h"
#include "store/Table.h"
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace belvanto::detail {

extern const QString kData;   // kInnerTable as a QString

[[noreturn]] void busy(const QString& path);
// The same file under every spelling of its path, also before it exists.
QString canonicalPath(const QString& path);

QString columnList(const std::vector<FieldDef>& fields, const std::vector<int>& cols);
std::vector<int> allColumns(const std::vector<FieldDef>& fields);
QString placeholders(std::size_t n);   // "?, ?, ..."
// Columns of the named fields; throws "Field 'X' not found".
std::vector<int> resolveFields(const std::vector<FieldDef>& fields, const QStringList& names);
QStringList splitFieldList(const QString& list);   // "A;B" -> A, B

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

// Open bulk scopes (nesting depth) and the connections whose bulk
// transaction is open.
extern int g_bulkDepth;
extern std::vector<Connection*> g_bulkConnections;

struct Connection {
    QString path;
    sqlite3* db = nullptr;
    int users = 0;
    bool exclusive = false;
    bool inBulk = false;          // a bulk scope's transaction is open
    Schema schema;
    std::vector<ViewListener*> tables;
    sqlite::Stmt fetch;           // all columns by rowid
    sqlite::Stmt fetchAhead;      // rowid and all columns of kReadAhead rowids
    sqlite::Stmt insert;          // all columns
    sqlite::Stmt remove;          // by rowid
    sqlite::Stmt byKey;           // rowid by primary key (IS), for empty key parts
    std::map<QByteArray, sqlite::Stmt> updates;   // by changed columns
    // query(), by its where and order texts: the hot keyed look-ups of the
    // relationship rules must not rebuild the column list on every call.
    std::map<std::pair<QString, QString>, sqlite::Stmt> queries;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Opens the file: connection, schema and the statements every view uses.
    static std::unique_ptr<Connection> open(const QString& canonical, bool exclusive);

    enum class Whole { No, Yes };
    // Runs the statements of one write. With Whole::Yes they happen whole
    // or not at all: in a transaction of their own, or in a savepoint of the
    // bulk scope's transaction.
    template <class Statements>
    void write(Whole whole, Statements&& statements)
    {
        const bool own = whole == Whole::Yes;
        const bool savepoint = beginWrite(own);
        try {
            statements();
            if (own) endWrite(savepoint);
        } catch (...) {
            writeFailed(own, savepoint);
            throw;
        }
    }

    // Commits the bulk transaction; returns the error text, empty on success.
    QString commitBulk();

    // Tells the other views on the file about a write of view by.
    void written(ViewListener* by, Change kind, qint64 rowid = 0, const std::vector<bool>* changed = nullptr);

    sqlite::Stmt& updateFor(const std::vector<int>& cols);

    // The record holding these primary key values (IS: empty parts match
    // empty), other than rowid except; 0 if none.
    qint64 findKey(const std::vector<Value>& key, qint64 except);

    // The engine's two checks of a record before it is written, shared by
    // post and the batch appends:
    //  - every required field has a value (throws "Field 'X' must have a value");
    //  - SQLite lets rows with empty (NULL) key parts repeat a key, the
    //    engine does not: the record other than except that already holds
    //    the key of values when a part of it is empty, 0 if none.
    void checkRequired(const std::vector<Value>& values) const;
    qint64 emptyKeyHolder(const std::vector<Value>& values, qint64 except);

private:
    // Inside a bulk scope the first write opens the scope's transaction on
    // this file; own opens the write's transaction or savepoint. Returns
    // whether that is a savepoint.
    bool beginWrite(bool own);
    void endWrite(bool savepoint);
    void writeFailed(bool own, bool savepoint);
    void leaveBulk();
    void rolledBack();   // the bulk transaction is gone: every view re-reads
};

// Never destroyed: a Table in static storage may close after other statics.
std::map<QString, std::unique_ptr<Connection>>& registry();

sqlite3* openDb(const QString& path, int flags);
void validateDefinition(const std::vector<FieldDef>& fields, const IndexDef& primary,
                        const std::vector<IndexDef>& secondary);
QString createIndexSql(const std::vector<FieldDef>& fields, const IndexDef& idx);

} // namespace belvanto::detail
