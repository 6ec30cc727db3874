#include "store/SqliteDb.h"
#include <QDir>
#include <QFile>
#include <sqlite3.h>

namespace belvanto::sqlite {

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void fail(sqlite3* db, int rc, const QString& doing)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    switch (ext) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        throw EngineError(QStringLiteral("Key violation"));
    case SQLITE_CONSTRAINT_NOTNULL: {
        // "NOT NULL constraint failed: data.Field"
        QString field = msg.section(QLatin1Char('.'), -1);
        throw EngineError(QStringLiteral("Field '%1' must have a value").arg(field));
    }
    default:
        break;
    }
    QString text = msg;
    switch (ext & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL: {
        // A fault of the file, not of the statement: the user needs to know
        // which of the project's files it is.
        const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
        if (file && *file)
            text = QStringLiteral("Table %1: %2").arg(QDir::toNativeSeparators(QFile::decodeName(file)), msg);
        break;
    }
    default:
        break;
    }
    if (doing.isEmpty()) throw EngineError(text);
    throw EngineError(doing + QStringLiteral(": ") + text);
}

void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        sqlite3_free(err);
        fail(db, rc, QString());
    }
}

Stmt::Stmt(sqlite3* db, const QString& sql) : db_(db)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        fail(db, rc, QString());
    }
}

Stmt::~Stmt()
{
    sqlite3_finalize(stmt_);
}

Stmt::Stmt(Stmt&& o) noexcept : db_(o.db_), stmt_(o.stmt_)
{
    o.stmt_ = nullptr;
}

Stmt& Stmt::operator=(Stmt&& o) noexcept
{
    if (this != &o) {
        sqlite3_finalize(stmt_);
        db_ = o.db_;
        stmt_ = o.stmt_;
        o.stmt_ = nullptr;
    }
    return *this;
}

void Stmt::bindNull(int i)
{
    sqlite3_bind_null(stmt_, i);
}

void Stmt::bindInt(int i, qint64 v)
{
    sqlite3_bind_int64(stmt_, i, v);
}

void Stmt::bindDouble(int i, double v)
{
    sqlite3_bind_double(stmt_, i, v);
}

namespace {

// Copies an ASCII text into out (room for its size) and says so; false,
// with out partly written, for any other text.
bool copyAscii(const QString& v, char* out)
{
    const QChar* in = v.constData();
    for (qsizetype k = 0; k < v.size(); ++k) {
        if (in[k].unicode() >= 0x80) return false;
        out[k] = char(in[k].unicode());
    }
    return true;
}

} // namespace

void Stmt::bindText(int i, const QString& v)
{
    // Short ASCII texts, most keys and codes, go through the stack: no
    // allocation of our own per bound value (SQLite copies the bytes anyway).
    constexpr qsizetype kShort = 64;
    char buffer[kShort];
    if (v.size() <= kShort && copyAscii(v, buffer)) {
        sqlite3_bind_text64(stmt_, i, buffer, sqlite3_uint64(v.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text64(stmt_, i, u.constData(), sqlite3_uint64(u.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Stmt::bindKept(int i, const Value& v, QByteArray& scratch)
{
    const auto* s = std::get_if<QString>(&v);
    if (!s) {
        bind(i, v);
        return;
    }
    scratch.resize(s->size());
    if (!copyAscii(*s, scratch.data())) scratch = s->toUtf8();
    sqlite3_bind_text64(stmt_, i, scratch.constData(), sqlite3_uint64(scratch.size()), SQLITE_STATIC, SQLITE_UTF8);
}

void Stmt::bind(int i, const Value& v)
{
    if (auto s = std::get_if<QString>(&v))
        bindText(i, *s);
    else if (auto n = std::get_if<qint32>(&v))
        bindInt(i, *n);
    else if (auto f = std::get_if<double>(&v))
        bindDouble(i, *f);
    else if (auto d = std::get_if<QDate>(&v))
        bindText(i, d->toString(Qt::ISODate));
    else
        bindNull(i);
}

void Stmt::bindAll(const std::vector<Value>& params, int first)
{
    for (std::size_t k = 0; k < params.size(); ++k) bind(first + int(k), params[k]);
}

bool Stmt::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // Keep the error text before reset() replaces it.
    try {
        fail(db_, rc, QString());
    } catch (...) {
        sqlite3_reset(stmt_);
        throw;
    }
}

void Stmt::reset()
{
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Stmt::columnType(int c) const
{
    return sqlite3_column_type(stmt_, c);
}

qint64 Stmt::columnInt(int c) const
{
    return sqlite3_column_int64(stmt_, c);
}

double Stmt::columnDouble(int c) const
{
    return sqlite3_column_double(stmt_, c);
}

QString Stmt::columnText(int c) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
    const int n = sqlite3_column_bytes(stmt_, c);
    return p ? QString::fromUtf8(p, n) : QString();
}

} // namespace belvanto::sqlite
