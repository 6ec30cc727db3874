#pragma once
// Thin RAII layer over the SQLite C API for the table engine. Every failure
// becomes an EngineError; constraint failures get the engine's own texts
// ("Key violation", "Field 'X' must have a value").
#include "store/Table.h"
#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace belvanto::sqlite {

// "name" with embedded quotes doubled.
QString quoteIdent(const QString& name);

// Throws EngineError describing the connection's last error, prefixed with
// what was being done. Never returns.
[[noreturn]] void fail(sqlite3* db, int rc, const QString& doing);

// Runs one or more statements without results.
void exec(sqlite3* db, const QString& sql);

// A prepared statement. Reset (and bindings cleared) by StmtUse after every
// use, so that a cached statement never keeps a read transaction open.
class Stmt {
public:
    Stmt() = default;
    Stmt(sqlite3* db, const QString& sql);
    ~Stmt();
    Stmt(Stmt&& o) noexcept;
    Stmt& operator=(Stmt&& o) noexcept;
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    bool valid() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }
    sqlite3* db() const { return db_; }

    void bindNull(int i);
    void bindInt(int i, qint64 v);
    void bindDouble(int i, double v);
    void bindText(int i, const QString& v);
    // Binds a value already normalised for its column: monostate, QString,
    // qint32, double or QDate (bound as ISO text).
    void bind(int i, const Value& v);
    // As bind(), but a text's UTF-8 bytes stay in scratch, which must keep
    // them until the statement is reset: SQLite reads them without a copy.
    void bindKept(int i, const Value& v, QByteArray& scratch);
    // Binds params[0..] to ?1.. starting at index first.
    void bindAll(const std::vector<Value>& params, int first = 1);

    bool step();   // true: a row is available; false: done. Throws on error.
    void reset();

    int columnType(int c) const;
    qint64 columnInt(int c) const;
    double columnDouble(int c) const;
    QString columnText(int c) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement when it goes out of scope, also on exceptions.
class StmtUse {
public:
    explicit StmtUse(Stmt& s) : s_(s) {}
    ~StmtUse() { s_.reset(); }
    StmtUse(const StmtUse&) = delete;
    StmtUse& operator=(const StmtUse&) = delete;
    Stmt* operator->() { return &s_; }
    Stmt& operator*() { return s_; }
private:
    Stmt& s_;
};

} // namespace belvanto::sqlite
