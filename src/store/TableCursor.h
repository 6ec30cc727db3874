#pragma once
// The cursor of a Table object. Not for use outside src/store.
//
// A cursor walks a snapshot of record ids (the view: filter and link applied,
// in the active order). The snapshot is rebuilt lazily: writes only mark it
// dirty and the next navigation that needs positions re-reads it. Edits that
// change no field of order, filter or link keep it; a delete kills one slot.
//
// The state of a cursor is held in the variables of Table::Impl below. Not
// every combination of their values is allowed. These rules hold whenever
// no member function of Table is running, and assertInvariants() checks
// every one of them that can be checked in constant time in debug builds:
//
// (1) No current record: if hasCur is false, then cur == 0, pos == -1,
//     posKnown and floating are false, and eof and bof are both true.
//     Conversely, eof and bof are both true only when hasCur is false. The
//     view need not be empty: records that came into it since it was last
//     read show up at the next sync(), which puts the cursor before the
//     first of them.
//
// (2) If dirty is false, the live slots of snap are the records of the view
//     in the active order, as this process last wrote them. Every write that
//     can add a record to the view, remove one or move one within it sets
//     dirty, except del(), which kills the record's slot instead, and
//     empty(), which empties the snapshot; an edit of fields outside
//     relevant keeps the snapshot clean.
//
// (3) If posKnown, then dirty is false, hasCur is true and pos is a live
//     slot of snap holding cur. When pos is not known it is found again by
//     record id (knownPos()); after sync(), hasCur implies posKnown unless
//     a record is being edited (rule 7).
//
// (4) If floating, then hasCur is true and eof and bof are false: cur left
//     the view and the cursor sits just before the record that took its
//     place, so that next() lands on cur itself and prior() on the record
//     before it.
//
// (5) eof and bof tell how the last move ended, not where cur stands: eof is
//     set by next() (or del()) on the last record and bof by prior() on the
//     first; every move onto a record clears both; a post that moves the
//     record keeps them.
//
// (6) If dirty and hasCur and lastRankOf == cur, then lastRank is the rank
//     (1-based) that cur had among the live slots of the last clean
//     snapshot that held it, 0 if none did; however the cursor came to cur
//     (a walk, locate, a bookmark). placeVanished() puts a cursor whose
//     record left the view at that rank.
//
// (7) The edit buffer: if state is Browse, buf and orig are empty and
//     modified is false; otherwise buf and orig hold one value per field,
//     orig as the record was read (Edit) or all empty (Insert). If state is
//     Edit, hasCur is true and cur is the record being edited: while a
//     record is edited, sync() re-reads a dirty snapshot but never moves
//     the cursor, and the post of a record that another Table object
//     deleted meanwhile fails.
//
// (8) The record cache: if rowValid, row holds one value per field, the
//     values of record rowId as this process last wrote them, or all empty
//     with rowFound false if there was no such record when it was read.
//     The read-ahead records in ahead are other records of the view; rowId
//     is never among them.
//
// (9) walking is +1 after next() or first(), -1 after prior() or last(),
//     and 0 after a jump (locate, bookmark, record id, pack); other
//     operations keep it. Only a walk reads ahead.
#include "store/TableConnection.h"
#include "store/TableSnapshot.h"
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

namespace belvanto {

struct Table::Impl : detail::ViewListener {
    enum class State { Browse, Edit, Insert };

    detail::Connection* conn = nullptr;
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
    detail::RowSnapshot snap;
    bool dirty = true;
    bool hasCur = false;
    qint64 cur = 0;
    int pos = -1;
    bool posKnown = false;
    int lastRank = 0;       // rank of lastRankOf when the snapshot was last clean
    qint64 lastRankOf = 0;
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
    sqlite::Stmt snapStmt;
    QString snapSql;
    sqlite::Stmt locateStmt;
    QString locateSql;
    sqlite::Stmt visibleStmt;
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

#ifdef NDEBUG
    void assertInvariants() const {}
#else
    void assertInvariants() const;
#endif

    // --- view SQL --------------------------------------------------------
    // Condition of filter and link; "" when neither applies.
    QString conditions(std::vector<Value>& params) const;
    QString orderBy() const;
    sqlite::Stmt& cached(sqlite::Stmt& stmt, QString& cachedSql, const QString& sql);
    void recomputeRelevant();

    // --- snapshot and position ---------------------------------------------
    void markDirty();
    void rebuild();
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

    void placeVanished();
    // Brings the snapshot up to date and the cursor onto a visible record.
    void sync()
    {
        if (dirty) rebuild();
        // Rule (7): the record being edited stays current until it is posted.
        if (state == State::Edit) return;
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
    void goToEnd(bool lastOne);
    void standOn(qint64 id);   // onto a record known to be visible
    bool visible(qint64 id);   // through filter and link?

    // --- current record ------------------------------------------------------
    bool fetchRow();
    bool readAhead();
    void forgetRows();
    bool rowExists(qint64 id);
    std::vector<Value> primaryKeyOfCurrent();

    const Value& value(int f)
    {
        static const Value empty;
        if (state != State::Browse) return buf[std::size_t(f)];
        if (!hasCur) return empty;
        fetchRow();
        return row[std::size_t(f)];
    }

    // --- editing -------------------------------------------------------------
    // Moving while editing posts a modified record, cancels an unmodified one.
    void checkBrowse()
    {
        if (state == State::Browse) return;
        if (modified) post();
        else cancel();
    }
    void cancel();
    void post();
    void postEdit();
    void postInsert();

    // --- notifications and view changes -------------------------------------
    void notifyChange();
    void notifyDisplay();
    void viewChanged(bool goFirst);
    void foreignChange(detail::Change kind, qint64 rowid, const std::vector<bool>* changed) override;
    void indexDropped(const QString& name) override;
    void resetState();
};

} // namespace belvanto
