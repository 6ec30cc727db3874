// One of our own tables as an import source: a SQLite file holding one data
// table, as the table engine writes every table of a project (for instance
// another project's "<name>_unit.db"). The file is opened read-only and
// immutable, so that reading it neither writes a journal nor takes a lock
// that could hold up the program that owns it.
#include "exchange/TableSources.h"

#include "exchange/RecordError.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace belvanto {

namespace {

QString quoted(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The column's type from its declared type, as our engine declares them
// (VARCHAR(n), TEXT, INTEGER, DOUBLE, DATE) and as other writers spell them.
SourceColumn columnOf(const QString& name, const QString& declared)
{
    SourceColumn column;
    column.name = name;
    const QString t = declared.trimmed().toUpper();
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB"))) {
        const qsizetype open = t.indexOf(QLatin1Char('('));
        const qsizetype close = t.indexOf(QLatin1Char(')'), open + 1);
        bool sized = false;
        const int size = open >= 0 && close > open ? t.mid(open + 1, close - open - 1).trimmed().toInt(&sized) : 0;
        // Text without a size has no limit: a memo.
        column.type = sized && size > 0 ? SourceType::String : SourceType::Memo;
        column.size = sized && size > 0 ? size : 0;
    } else if (t == QLatin1String("DATE")) {
        column.type = SourceType::Date;
    } else if (t.contains(QLatin1String("INT"))) {
        column.type = SourceType::Integer;
    } else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA"))
               || t.contains(QLatin1String("DOUB"))) {
        column.type = SourceType::Float;
    } else {
        column.type = SourceType::Unknown;
    }
    return column;
}

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class SqliteTableSource final : public ImportSource {
public:
    explicit SqliteTableSource(const QString& path) : path_(path) { open(); }

    QString filePath() const override { return path_; }
    const std::vector<SourceColumn>& columns() const override { return columns_; }
    int position() const override { return position_; }
    QString positionWord() const override { return QStringLiteral("record"); }

    void rewind() override
    {
        sqlite3_reset(records_.get());
        position_ = 0;
    }

    bool next(std::vector<Value>& record) override
    {
        const int rc = sqlite3_step(records_.get());
        if (rc == SQLITE_DONE) return false;
        ++position_;
        if (rc != SQLITE_ROW) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(db_.get()));
            sqlite3_reset(records_.get());
            throw error(why);
        }
        record.assign(columns_.size(), Value());
        for (size_t c = 0; c < columns_.size(); ++c) record[c] = value(int(c));
        return true;
    }

private:
    ImportError error(const QString& why) const { return RecordError(path_, position_, why); }

    ImportError sqliteError() const
    {
        return error(QStringLiteral("not a readable table (%1)").arg(QString::fromUtf8(sqlite3_errmsg(db_.get()))));
    }

    // Null when the statement does not compile.
    Statement tryPrepare(const QString& sql) const
    {
        sqlite3_stmt* s = nullptr;
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(db_.get(), text.constData(), int(text.size()), &s, nullptr);
        Statement statement(s);
        return rc == SQLITE_OK ? std::move(statement) : Statement();
    }

    Statement prepare(const QString& sql) const
    {
        Statement s = tryPrepare(sql);
        if (!s) throw sqliteError();
        return s;
    }

    // Every row of a statement as texts; throws for a damaged file.
    std::vector<QStringList> rows(const QString& sql, int columns) const
    {
        const Statement s = prepare(sql);
        std::vector<QStringList> out;
        int rc;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < columns; ++c)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), c)));
            out.push_back(row);
        }
        if (rc != SQLITE_DONE) throw sqliteError();
        return out;
    }

    void open()
    {
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path_).absoluteFilePath());
        uri.setQuery(QStringLiteral("immutable=1"));
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(uri.toEncoded().constData(), &db,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        db_.reset(db);
        if (rc != SQLITE_OK) throw error(QStringLiteral("the file cannot be opened"));

        const auto tables = rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                                "name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
                                 1);
        if (tables.empty()) throw error(QStringLiteral("the file holds no table"));
        if (tables.size() > 1)
            throw error(QStringLiteral("the file holds %1 tables, a table file only one").arg(tables.size()));
        const QString table = tables.front().front();

        // name, declared type, position in the primary key (0: none)
        std::vector<std::pair<int, QString>> key;
        for (const QStringList& info : rows(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(%1)")
                                                .arg(quotedLiteral(table)),
                                            3)) {
            columns_.push_back(columnOf(info[0], info[1]));
            if (info[2].toInt() > 0) key.emplace_back(info[2].toInt(), quoted(info[0]));
        }
        if (columns_.empty()) throw error(QStringLiteral("the table has no columns"));
        std::sort(key.begin(), key.end());
        QStringList order;
        for (const auto& k : key) order << k.second;
        QStringList names;
        for (const SourceColumn& c : columns_) names << quoted(c.name);
        // Records without a key, or with equal keys, in the order they were
        // written; a table without row ids orders by its key alone.
        const QString select = QStringLiteral("SELECT ") + names.join(QLatin1String(", ")) + QStringLiteral(" FROM ")
                               + quoted(table) + QStringLiteral(" ORDER BY ");
        records_ = tryPrepare(select + (order + QStringList{QStringLiteral("rowid")}).join(QLatin1String(", ")));
        if (!records_ && !order.isEmpty()) records_ = tryPrepare(select + order.join(QLatin1String(", ")));
        if (!records_) throw sqliteError();
    }

    static QString quotedLiteral(const QString& text)
    {
        QString q = text;
        q.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + q + QLatin1Char('\'');
    }

    QString text(int c) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(records_.get(), c));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(records_.get(), c)) : QString();
    }

    Value value(int c) const
    {
        const SourceColumn& column = columns_[size_t(c)];
        const int storage = sqlite3_column_type(records_.get(), c);
        if (storage == SQLITE_NULL) return {};
        const auto invalid = [&](const char* what) {
            return error(QStringLiteral("column %1 holds \"%2\", which is not %3")
                             .arg(column.name, text(c), QLatin1String(what)));
        };
        switch (column.type) {
        case SourceType::String:
        case SourceType::Memo:
        case SourceType::Unknown: {
            const QString t = text(c);
            return t.isEmpty() ? Value() : Value(t);
        }
        case SourceType::Integer: {
            double d = 0;
            if (storage == SQLITE_INTEGER) {
                const qint64 n = sqlite3_column_int64(records_.get(), c);
                if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                    throw invalid("a 32-bit integer");
                return qint32(n);
            }
            if (storage == SQLITE_FLOAT) {
                d = sqlite3_column_double(records_.get(), c);
            } else {
                const QString t = text(c).trimmed();
                if (t.isEmpty()) return {};
                bool ok = false;
                d = t.toDouble(&ok);
                if (!ok) throw invalid("an integer");
            }
            if (!std::isfinite(d) || d != std::trunc(d) || d < std::numeric_limits<qint32>::min()
                || d > std::numeric_limits<qint32>::max())
                throw invalid("an integer");
            return qint32(d);
        }
        case SourceType::Float: {
            if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) return sqlite3_column_double(records_.get(), c);
            const QString t = text(c).trimmed();
            if (t.isEmpty()) return {};
            bool ok = false;
            const double d = t.toDouble(&ok);
            if (!ok || !std::isfinite(d)) throw invalid("a number");
            return d;
        }
        case SourceType::Date: {
            const QString t = text(c).trimmed();
            if (t.isEmpty()) return {};
            const QDate date = QDate::fromString(t, Qt::ISODate);
            if (storage != SQLITE_TEXT || !date.isValid()) throw invalid("a date");
            return date;
        }
        }
        return {};
    }

    QString path_;
    std::unique_ptr<sqlite3, DbCloser> db_;
    Statement records_;
    std::vector<SourceColumn> columns_;
    int position_ = 0;
};

} // namespace

std::unique_ptr<ImportSource> OpenSqliteTableSource(const QString& path)
{
    return std::make_unique<SqliteTableSource>(path);
}

} // namespace belvanto
