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

qint32 TreeItemModel::NodeOf(const QModelIndex& index) noexcept {
    return index.isValid() ? qint32(index.internalId()) : TreeModel::NoNode;
}

qint32 TreeItemModel::OwnNode(const QModelIndex& index) const noexcept {
    Q_ASSERT_X(!index.isValid() || index.model() == this, "TreeItemModel",
               "index of another model");
    return NodeOf(index);
}

QModelIndex TreeItemModel::IndexOf(qint32 node) const noexcept {
    if (!m_Tree.Contains(node)) return {};
    return createIndex(m_Tree.Row(node, std::nothrow), 0, quintptr(node));
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex& parent) const noexcept {
    const qint32 p = OwnNode(parent);
    if (column != 0 || row < 0 || row >= m_Tree.ChildCount(p, std::nothrow)) return {};
    return createIndex(row, 0, quintptr(m_Tree.Child(p, row, std::nothrow)));
}

QModelIndex TreeItemModel::parent(const QModelIndex& child) const noexcept {
    const qint32 node = OwnNode(child);
    if (node == TreeModel::NoNode) return {};
    return IndexOf(m_Tree.Parent(node, std::nothrow));
}

int TreeItemModel::rowCount(const QModelIndex& parent) const noexcept {
    if (parent.isValid() && parent.column() != 0) return 0;
    return m_Tree.ChildCount(OwnNode(parent), std::nothrow);
}

int TreeItemModel::columnCount(const QModelIndex&) const noexcept { return 1; }

bool TreeItemModel::hasChildren(const QModelIndex& parent) const noexcept {
    return rowCount(parent) > 0;
}

QVariant TreeItemModel::data(const QModelIndex& index, int role) const noexcept {
    const qint32 node = OwnNode(index);
    if (node == TreeModel::NoNode) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_Tree.Text(node, std::nothrow).toString();
    case Qt::DecorationRole: {
        const qint32 image = m_Tree.Image(node, std::nothrow);
        if (image >= 1 && image <= ImageList1::Count) return m_Icons[size_t(image)];
        return {};
    }
    default:
        return {};
    }
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex& index) const noexcept {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_Tree.ChildCount(OwnNode(index), std::nothrow) == 0) f |= Qt::ItemNeverHasChildren;
    return f;
}
