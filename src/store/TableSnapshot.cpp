#include "store/TableSnapshot.h"

namespace belvanto::detail {

void RowSnapshot::assign(std::vector<qint64> rowids)
{
    ids_ = std::move(rowids);
    dead_.clear();
    tree_.clear();
    live_ = int(ids_.size());
    index_.clear();
    indexed_ = false;
}

int RowSnapshot::find(qint64 rowid) const
{
    if (!indexed_) {
        index_.clear();
        index_.reserve(ids_.size());
        for (int p = 0; p < slots(); ++p)
            if (isLive(p)) index_.emplace(ids_[std::size_t(p)], p);
        indexed_ = true;
    }
    auto it = index_.find(rowid);
    return it == index_.end() ? -1 : it->second;
}

int RowSnapshot::scanFind(qint64 rowid) const
{
    if (indexed_) return find(rowid);
    for (int p = 0; p < slots(); ++p)
        if (ids_[std::size_t(p)] == rowid && isLive(p)) return p;
    return -1;
}

void RowSnapshot::add(int pos, int delta)
{
    for (std::size_t i = std::size_t(pos) + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
}

int RowSnapshot::prefix(int pos) const
{
    int sum = 0;
    for (std::size_t i = std::size_t(pos) + 1; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
}

int RowSnapshot::rank(int pos) const
{
    if (pos < 0) return 0;
    if (pos >= slots()) return live_;
    return dead_.empty() ? pos + 1 : prefix(pos);
}

int RowSnapshot::nth(int k) const
{
    if (k < 1 || k > live_) return -1;
    if (dead_.empty()) return k - 1;
    // Binary lifting down the Fenwick tree.
    std::size_t at = 0;
    std::size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
        if (at + step < tree_.size() && tree_[at + step] < k) {
            at += step;
            k -= tree_[at];
        }
    }
    return int(at);   // slot at+1 in 1-based terms
}

int RowSnapshot::nextLive(int pos) const
{
    return nth(rank(pos) + 1);
}

int RowSnapshot::priorLive(int pos) const
{
    const int k = rank(pos - 1);
    return k > 0 ? nth(k) : -1;
}

void RowSnapshot::kill(int pos)
{
    if (!isLive(pos)) return;
    if (dead_.empty()) {
        dead_.assign(ids_.size(), 0);
        tree_.assign(ids_.size() + 1, 0);
        // Linear-time Fenwick build over all-live slots.
        for (std::size_t i = 1; i < tree_.size(); ++i) {
            tree_[i] += 1;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent < tree_.size()) tree_[parent] += tree_[i];
        }
    }
    dead_[std::size_t(pos)] = 1;
    add(pos, -1);
    --live_;
    if (indexed_) index_.erase(ids_[std::size_t(pos)]);
}

int RowSnapshot::compact(int pos)
{
    if (dead_.empty() || live_ * 2 >= slots()) return pos;
    std::vector<qint64> ids;
    ids.reserve(std::size_t(live_));
    int newPos = -1;
    for (int p = 0; p < slots(); ++p) {
        if (!isLive(p)) continue;
        if (p == pos) newPos = int(ids.size());
        ids.push_back(ids_[std::size_t(p)]);
    }
    assign(std::move(ids));
    return newPos;
}

} // namespace belvanto::detail
