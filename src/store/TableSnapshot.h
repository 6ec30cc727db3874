#pragma once
// The ordered list of record ids a cursor walks. Deleting a record only marks
// its slot dead, so positions stay stable and a loop of deletes costs
// O(log n) each; ranks and the k-th live slot come from a Fenwick tree that
// exists only once something was deleted. Look-up of a record id by position
// uses a hash built on first need.
#include <QtGlobal>
#include <unordered_map>
#include <vector>

namespace belvanto::detail {

class RowSnapshot {
public:
    void assign(std::vector<qint64> rowids);
    void clear() { assign({}); }

    int slots() const { return int(ids_.size()); }
    int liveCount() const { return live_; }
    qint64 rowidAt(int pos) const { return ids_[std::size_t(pos)]; }
    bool isLive(int pos) const { return pos >= 0 && pos < slots() && (dead_.empty() || !dead_[std::size_t(pos)]); }

    int find(qint64 rowid) const;     // live slot of a record id, -1 if none (hash)
    int scanFind(qint64 rowid) const; // the same without building the hash
    int rank(int pos) const;          // live slots in [0, pos]
    int nth(int k) const;             // slot of the k-th live record (1-based), -1 if none
    int nextLive(int pos) const;      // -1 if none; pos may be -1
    int priorLive(int pos) const;     // -1 if none; pos may be slots()
    int firstLive() const { return nth(1); }
    int lastLive() const { return nth(live_); }

    void kill(int pos);
    // When more than half of the slots are dead, drops them and returns the
    // new slot of pos (pos must be live or -1); otherwise returns pos.
    int compact(int pos);

private:
    void add(int pos, int delta);
    int prefix(int pos) const;        // live slots in [0, pos]

    std::vector<qint64> ids_;
    std::vector<char> dead_;          // empty while nothing is dead
    std::vector<int> tree_;           // Fenwick tree of live flags, 1-based
    int live_ = 0;
    mutable std::unordered_map<qint64, int> index_;
    mutable bool indexed_ = false;
};

} // namespace belvanto::detail
