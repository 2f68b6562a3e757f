#include "shell/TreeItemModel.h"

#include "shell/ImageList1.h"

TreeItemModel::TreeItemModel(const TreeModel& tree, QObject* parent)
    : QAbstractItemModel(parent), m_Tree(tree) {
    for (int i = 1; i <= ImageList1::Count; ++i)
        m_Icons[size_t(i)] = ImageList1::Icon(i);
}

void TreeItemModel::BeginRebuild() {
    if (m_Rebuilding) return;
    m_Rebuilding = true;
    beginResetModel();
}

void TreeItemModel::EndRebuild() {
    if (!m_Rebuilding) return;
    m_Rebuilding = false;
    endResetModel();
}

qint32 TreeItemModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? qint32(index.internalId()) : TreeModel::NoNode;
}

QModelIndex TreeItemModel::IndexOf(qint32 node) const {
    if (node < 1 || node > m_Tree.Count()) return {};
    return createIndex(m_Tree.Row(node), 0, quintptr(node));
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    const qint32 p = NodeOf(parent);
    if (column != 0 || row < 0 || row >= m_Tree.ChildCount(p)) return {};
    return createIndex(row, 0, quintptr(m_Tree.Child(p, row)));
}

QModelIndex TreeItemModel::parent(const QModelIndex& child) const {
    const qint32 node = NodeOf(child);
    if (node == TreeModel::NoNode) return {};
    return IndexOf(m_Tree.Parent(node));
}

int TreeItemModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return m_Tree.ChildCount(NodeOf(parent));
}

int TreeItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TreeItemModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TreeItemModel::data(const QModelIndex& index, int role) const {
    const qint32 node = NodeOf(index);
    if (node == TreeModel::NoNode) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_Tree.Text(node).toString();
    case Qt::DecorationRole: {
        const qint32 image = m_Tree.Image(node);
        if (image >= 1 && image <= ImageList1::Count) return m_Icons[size_t(image)];
        return {};
    }
    default:
        return {};
    }
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_Tree.ChildCount(NodeOf(index)) == 0) f |= Qt::ItemNeverHasChildren;
    return f;
}
