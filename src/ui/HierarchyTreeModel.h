#pragma once
// The group hierarchy's tree for a QTreeView: groups, contexts and periods
// with their pictures, in the tree's own order (the view must not sort).
#include "checks/GroupHierarchy.h"
#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <vector>

namespace belvanto {

class HierarchyTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The node index of an item, for code that needs more than its text.
    static constexpr int NodeRole = Qt::UserRole + 1;

    explicit HierarchyTreeModel(QObject* parent = nullptr);

    void setTree(HierarchyTree tree);
    void clear() { setTree({}); }
    const HierarchyTree& tree() const { return tree_; }
    // -1 for an invalid index.
    int nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(int node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const std::vector<int>& childrenOf(const QModelIndex& parent) const;
    HierarchyTree tree_;
    std::vector<int> row_;   // per node: its place among its siblings
    std::array<QIcon, 3> icons_;
};

} // namespace belvanto
