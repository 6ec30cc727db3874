#include "ui/HierarchyTreeModel.h"
#include "ui/Icons.h"

namespace belvanto {

HierarchyTreeModel::HierarchyTreeModel(QObject* parent) : QAbstractItemModel(parent)
{
    // Each kind's picture with its selected variant, as the view's
    // selected mode shows it.
    for (int kind = 0; kind < int(icons_.size()); ++kind) {
        QIcon icon = treeNodeIcon(2 * kind);
        const QIcon selected = treeNodeIcon(2 * kind + 1);
        for (const QSize& size : selected.availableSizes()) icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        icons_[std::size_t(kind)] = icon;
    }
}

void HierarchyTreeModel::setTree(HierarchyTree tree)
{
    beginResetModel();
    tree_ = std::move(tree);
    row_.assign(std::size_t(tree_.size()), 0);
    auto number = [this](const std::vector<int>& siblings) {
        for (std::size_t i = 0; i < siblings.size(); ++i) row_[std::size_t(siblings[i])] = int(i);
    };
    number(tree_.roots());
    for (int n = 0; n < tree_.size(); ++n) number(tree_.node(n).children);
    endResetModel();
}

int HierarchyTreeModel::nodeAt(const QModelIndex& index) const
{
    return index.isValid() ? int(index.internalId()) : -1;
}

QModelIndex HierarchyTreeModel::indexOf(int node) const
{
    if (node < 0 || node >= tree_.size()) return {};
    return createIndex(row_[std::size_t(node)], 0, quintptr(node));
}

const std::vector<int>& HierarchyTreeModel::childrenOf(const QModelIndex& parent) const
{
    return parent.isValid() ? tree_.node(nodeAt(parent)).children : tree_.roots();
}

QModelIndex HierarchyTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0) return {};
    const std::vector<int>& children = childrenOf(parent);
    if (row >= int(children.size())) return {};
    return createIndex(row, 0, quintptr(children[std::size_t(row)]));
}

QModelIndex HierarchyTreeModel::parent(const QModelIndex& child) const
{
    return child.isValid() ? indexOf(tree_.node(nodeAt(child)).parent) : QModelIndex();
}

int HierarchyTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) return 0;
    return int(childrenOf(parent).size());
}

int HierarchyTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant HierarchyTreeModel::data(const QModelIndex& index, int role) const
{
    const int n = nodeAt(index);
    if (n < 0) return {};
    const HierarchyNode& node = tree_.node(n);
    switch (role) {
    case Qt::DisplayRole: return node.text;
    case Qt::DecorationRole: return icons_[std::size_t(node.image / 2)];
    case NodeRole: return n;
    default: return {};
    }
}

} // namespace belvanto
