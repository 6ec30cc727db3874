#pragma once
// The table engine. Every stored table of a project lives in one SQLite file
// "<directory>/<name>.db" holding one inner table named "data" (kInnerTable),
// so that outside readers (the sqlite3 shell, Python) can read it directly.
//
// Choices fixed once for every table:
//  - declared column types: VARCHAR(n) for strings, INTEGER (32-bit range
//    checked on write), DOUBLE, DATE (ISO text "yyyy-MM-dd");
//  - the empty string is stored as NULL and read back as empty; empty sorts
//    lowest, in index order and in filters;
//  - text compares by code point (SQLite's built-in BINARY collation on
//    UTF-8); no custom collation, so every reader can use the indexes;
//  - journal_mode=DELETE and synchronous=FULL: every post is on disk, in the
//    .db file alone, when it returns; a BulkScope groups a command's posts
//    into one transaction;
//  - the ordering index sorts by its fields, NULL first, then by the primary
//    key fields as tie-break;
//  - a table that this process has open is never replaced or removed: that
//    throws EngineError("Table is busy: <path>").
//
// Failures throw EngineError with a readable text; the command boundary shows
// it as an error box and the program keeps running.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <variant>
#include <vector>

namespace belvanto {

inline constexpr const char* kInnerTable = "data";

struct EngineError : std::runtime_error {
    explicit EngineError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

enum class FieldType { String, Integer, Float, Date };

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;          // characters, strings only
    bool required = false; // NOT NULL
};

struct IndexDef {
    QString name;          // "" for the primary index
    QStringList fields;
};

// monostate is the empty (null) value. An empty QString is normalised to
// monostate on write and never returned by get().
using Value = std::variant<std::monostate, QString, qint32, double, QDate>;

bool valueIsEmpty(const Value& v);
QString valueToString(const Value& v); // "" for empty; numbers locale-free; dates ISO

// The value of an integer field as the records in memory hold it: nullopt for
// an empty value (or one of another type), and back.
inline std::optional<qint32> intOf(const Value& v)
{
    if (const auto* i = std::get_if<qint32>(&v)) return *i;
    return std::nullopt;
}
inline qint32 intOrZero(const Value& v) { return intOf(v).value_or(0); }
// Integers widen, so that coordinates stored either way read alike.
inline std::optional<double> doubleOf(const Value& v)
{
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* i = std::get_if<qint32>(&v)) return double(*i);
    return std::nullopt;
}
inline Value toValue(const std::optional<qint32>& v) { return v ? Value(*v) : Value(); }

enum class CompareOp { Eq, Ne, Lt, Gt, Le, Ge };

// Filter expression tree. Code that builds a filter may build the tree
// directly; user text goes through parseFilter().
struct FilterExpr {
    enum class Kind { Compare, And, Or };
    Kind kind = Kind::Compare;
    QString field;           // Compare: field name, any letter case
    CompareOp op = CompareOp::Eq;
    Value value;             // Compare: text, number or NULL (monostate)
    std::vector<FilterExpr> children; // And / Or

    static FilterExpr compare(QString field, CompareOp op, Value value);
    static FilterExpr both(FilterExpr a, FilterExpr b);   // a and b
    static FilterExpr either(FilterExpr a, FilterExpr b); // a or b
};

// Parses "Period <= '' and (Unitclass = 'context' or X > 3)". Throws
// EngineError with a message naming the fault and its position.
FilterExpr parseFilter(const QString& text);

// Limits of a filter: parentheses in its text, and groups of and/or
// conditions inside one another once chains of one operator are merged
// (what the SQL the filter becomes can hold). Deeper filters are refused
// with a "Filter: " message.
inline constexpr int kFilterMaxParentheses = 100;
inline constexpr int kFilterMaxNesting = 32;

struct Bookmark {
    qint64 rowid = 0;
    bool valid = false;
    std::vector<Value> key;   // primary key values: a reused record id is not the same record
};

class Table {
public:
    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // --- files ---------------------------------------------------------
    static QString pathOf(const QString& dir, const QString& name); // dir/name.db
    // Replaces an existing table; throws "busy" if this process has it open.
    static void create(const QString& dir, const QString& name, const std::vector<FieldDef>& fields,
                       const IndexDef& primary, const std::vector<IndexDef>& secondary = {});
    static void createFile(const QString& path, const std::vector<FieldDef>& fields,
                           const IndexDef& primary, const std::vector<IndexDef>& secondary = {});
    static void remove(const QString& dir, const QString& name);   // throws busy if open
    static void removeFile(const QString& path);
    static bool exists(const QString& dir, const QString& name);
    static bool isOpenAnywhere(const QString& path);   // in this process

    void open(const QString& dir, const QString& name, bool exclusive = false);
    void openFile(const QString& path, bool exclusive = false);
    void close();
    bool isOpen() const;
    bool isExclusive() const;
    QString path() const;
    void empty();   // deletes every record (ignores filter and link)
    // Throws "Table must be opened to pack" / "Table must be opened exclusively to pack".
    void pack();

    // --- structure -----------------------------------------------------
    const std::vector<FieldDef>& fields() const;
    int fieldIndex(QStringView name) const;       // any letter case; -1 if none
    int fieldIndexOrThrow(QStringView name) const;
    IndexDef primaryIndex() const;
    bool hasIndex(const QString& name) const;     // a secondary index, any letter case
    void addIndex(const IndexDef& index);
    void dropIndex(const QString& name);          // no error when absent
    void setActiveIndex(const QString& name);     // "" = primary
    QString activeIndex() const;
    // Orders by the given fields (then the primary key) without a stored index.
    void setOrderFields(const QStringList& fields);

    // --- cursor --------------------------------------------------------
    // eof() turns true only by next() on the last record (the cursor stays
    // on it) or on an empty view; bof() likewise by prior() on the first.
    // Moving while editing posts a modified record first (cancels an
    // unmodified one). After post() the cursor stays on the record wherever
    // the order puts it; after del() it stands on the following record.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const;   // true after moving past the last record, or on an empty view
    bool bof() const;
    int count() const;  // records visible through filter and link
    int recNo() const;  // 1-based position in the current order; 0 when none
    bool hasRecord() const;
    // Exact match on "Field1;Field2"; respects filter and link; moves there.
    bool locate(const QString& fields, const std::vector<Value>& values);
    bool locate(const QStringList& fields, const std::vector<Value>& values);
    Bookmark bookmark() const;
    void gotoBookmark(const Bookmark& b);   // throws if the record is gone
    bool bookmarkValid(const Bookmark& b) const;
    void refresh();     // re-reads the view after outside changes

    // --- filter and link -------------------------------------------------
    // A filter compares the empty value (NULL, or '' in a string field) as
    // lower than every other value and equal only to itself, for every field
    // type: "X < 3" includes empty X, "X > ''" means "X not empty".
    // Setting a non-empty filter switches filtering on; "" removes the
    // filter and switches it off. A malformed expression or an unknown field
    // throws EngineError("Filter: ...") and leaves the old filter in force.
    // Changing the filter or the link puts the cursor on the first record;
    // changing the order keeps the current record.
    void setFilter(const QString& text);    // parses; "" = no filter
    void setFilter(const FilterExpr& expr, const QString& text = QString());
    QString filterText() const;
    void setFiltered(bool on);
    bool filtered() const;
    // Master-detail: only records whose fields equal the values are visible.
    // The owner updates the values when the master moves.
    void setLink(const QStringList& detailFields, const std::vector<Value>& masterValues);
    void clearLink();
    void removeLink();   // switches the link off, keeping it
    void restoreLink();  // switches it on again
    bool linkActive() const;

    // --- values and editing ---------------------------------------------
    // A stored value that cannot be read as its field's type (a text in a
    // float field, written by another program) throws an EngineError naming
    // the record's key and the field; the other fields of that record and
    // the other records read as usual.
    Value get(int field) const;
    Value get(QStringView name) const;
    // The stored text of such an unreadable value of the current record; a
    // null QString when the field reads as usual.
    QString unreadableText(int field) const;
    QString str(int field) const;
    QString str(QStringView name) const;
    bool isEmpty(int field) const;
    bool isEmpty(QStringView name) const;
    std::optional<qint32> intValue(QStringView name) const;
    std::optional<double> floatValue(QStringView name) const;

    void edit();    // on an empty view: insert()
    void insert();  // new empty record in the edit buffer
    void append();  // same as insert
    // Strings longer than the field's size are cut to the size.
    void set(int field, const Value& v);
    void set(QStringView name, const Value& v);
    void post();    // throws on key violation; the record stays in edit state
    void cancel();
    void del();     // cursor then stands on the following record
    bool editing() const;
    bool inserting() const;

    // --- batch ------------------------------------------------------------
    // Appends every record of src that passes src's filter and link; columns
    // by name; fields missing on either side are skipped. Returns the count.
    int appendFrom(const Table& src);
    int appendOrUpdateFrom(const Table& src);
    // Copying into dBase and text tables with given columns will join these
    // when the exchange formats are built.
    // Direct SQL for keyed look-ups of the domain stores; parameters bound,
    // an empty value as NULL. Sees every record: filter and link do not apply.
    // Column names of the inner table are the field names.
    // An unreadable value throws as get() does; with Unreadable::KeepText
    // it comes back as its stored text (a QString in a field that is not a
    // string field), for lists that show what they can.
    struct Row { qint64 rowid; std::vector<Value> values; };
    enum class Unreadable { Throw, KeepText };
    std::vector<Row> query(const QString& whereSql, const std::vector<Value>& params,
                           const QString& orderSql = QString(), Unreadable unreadable = Unreadable::Throw) const;
    // The same rows one at a time, without holding them all: for passes over
    // a whole table. visit may move from the row; it must not run the same
    // query again or write the table.
    void scan(const QString& whereSql, const std::vector<Value>& params, const QString& orderSql,
              const std::function<void(Row&)>& visit, Unreadable unreadable = Unreadable::Throw) const;
    // Whether a value of a row read with KeepText is such a stored text, and
    // the message get() gives for it.
    bool unreadable(const Row& row, int field) const;
    QString unreadableMessage(const Row& row, int field) const;
    // Record to the row (by rowid); cursor then stands there if visible.
    bool gotoRowid(qint64 rowid);
    qint64 rowid() const;

    // --- display suspension ---------------------------------------------
    // While suspended, change observers are not called; display observers
    // are called when the count returns to zero (the lists re-read all).
    void suspendDisplay();
    void resumeDisplay();
    void resetDisplay();     // forces the counter to zero and notifies
    bool displaySuspended() const;
    int addDisplayObserver(std::function<void()> onResume);
    void removeDisplayObserver(int id);

    // Observers of any change of the view (post, delete, filter, order).
    int addChangeObserver(std::function<void()> onChange);
    void removeChangeObserver(int id);

private:
    friend class TableWriter;
    struct Impl;
    int appendRecords(const Table& src, bool upsert);
    std::unique_ptr<Impl> d;
};

// A string field of a row from query(), "" for an empty one.
inline QString textAt(const Table::Row& row, int column) { return valueToString(row.values[std::size_t(column)]); }

// Groups every post of a command, on every table, into one transaction per
// file, committed when the outermost scope ends. Nests.
// A process killed inside the scope leaves none of the scope's records; a
// scope left by an exception commits what was posted, as write-through would
// have. A failing commit throws from the destructor unless an exception is
// already on its way.
class BulkScope {
public:
    BulkScope();
    ~BulkScope() noexcept(false);
    BulkScope(const BulkScope&) = delete;
    BulkScope& operator=(const BulkScope&) = delete;
    static bool active();
private:
    int exceptionsAtStart_;
};

// Whole-table writes at SQLite's own speed: one prepared statement per kind
// of write, the values bound straight from the record, none of the cursor's
// and views' work per record. The writes join one transaction (the writer's
// own BulkScope, nested in the caller's). Values are converted and cut as
// Table::set does, required fields and keys are checked as post() does, and
// a failing write throws the same texts. Every view on the file, the
// table's own included, re-reads once when the writer ends; until then the
// table's cursor must not be used.
class TableWriter {
public:
    explicit TableWriter(Table& table);
    ~TableWriter() noexcept(false);
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // The record to insert, or the fields to update: set() the values, then
    // insert() or update(). Both start the next record empty.
    void set(int field, const Value& v);
    qint64 insert();            // the new record's rowid
    // As insert(), for a caller that needs no rowid: the records go to
    // SQLite several to a statement, which spares most of its cost per
    // statement. A refused record throws from append(), a later write or
    // flush() (and from the end of the writer), the ones before it
    // written; the rowids are given in the order of appending.
    void append();
    void flush();               // sends what was appended
    // Writes only the fields set; throws "Record/key deleted" when the
    // record is gone.
    void update(qint64 rowid);
    void remove(qint64 rowid);  // a record already gone is no error
    int written() const;        // records inserted, updated or removed

    // With on, writers made from then on write record by record through the
    // table's cursor (insert, edit, post, del), as the engine did before
    // the writer: the reference that the tests hold the writer's files to.
    static void setThroughCursor(bool on);

private:
    struct Impl;
    BulkScope scope_;           // ends after the views are told
    std::unique_ptr<Impl> d;
};

// RAII guards.
class FilterOff {
public:
    explicit FilterOff(Table& t) : t_(t), was_(t.filtered()) { if (was_) t_.setFiltered(false); }
    ~FilterOff() { if (was_) t_.setFiltered(true); }
private:
    Table& t_; bool was_;
};

class LinkOff {
public:
    explicit LinkOff(Table& t) : t_(t), was_(t.linkActive()) { if (was_) t_.removeLink(); }
    ~LinkOff() { if (was_) t_.restoreLink(); }
private:
    Table& t_; bool was_;
};

// Filter and link off together: every record, as a pass over the whole
// table needs it.
class WholeTable {
public:
    explicit WholeTable(Table& t) : filter_(t), link_(t) {}
private:
    FilterOff filter_;
    LinkOff link_;
};

class DisplaySuspended {
public:
    explicit DisplaySuspended(Table& t) : t_(t) { t_.suspendDisplay(); }
    ~DisplaySuspended() { t_.resumeDisplay(); }
private:
    Table& t_;
};

class BookmarkRestore {
public:
    explicit BookmarkRestore(Table& t) : t_(t), b_(t.bookmark()) {}
    ~BookmarkRestore() { if (b_.valid && t_.bookmarkValid(b_)) t_.gotoBookmark(b_); }
private:
    Table& t_; Bookmark b_;
};

} // namespace belvanto
