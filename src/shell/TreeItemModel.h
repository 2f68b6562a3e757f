#pragma once

#include "view/TreeModel.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>

// tvwFiles' item model: a thin, read-only adapter over the plain tree. Nothing is copied;
// every answer is read from the plain tree when the view asks, so rows that are never on
// screen cost nothing. Each index carries its node number, which makes parent() and
// index() constant-time.
//
// The view asks from inside Qt's event loop, which an exception must never cross, so no
// answer throws: rows, columns and parents out of range get an empty answer, as the
// item model contract asks, and the plain tree is read only through its non-throwing
// accessors. An index that names no node of the tree (kept past a rebuild, or from
// another model) is a programming error: it asserts, and a release build answers as for
// an empty row.
class TreeItemModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TreeItemModel(const TreeModel& tree, QObject* parent = nullptr);

    // Bracket every change of the plain tree's nodes.
    void BeginRebuild();
    void EndRebuild();

    // An invalid index for a node not in the tree.
    QModelIndex IndexOf(qint32 node) const noexcept;
    static qint32 NodeOf(const QModelIndex& index) noexcept;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const noexcept override;
    QModelIndex parent(const QModelIndex& child) const noexcept override;
    int rowCount(const QModelIndex& parent = {}) const noexcept override;
    int columnCount(const QModelIndex& parent = {}) const noexcept override;
    bool hasChildren(const QModelIndex& parent = {}) const noexcept override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const noexcept override;
    Qt::ItemFlags flags(const QModelIndex& index) const noexcept override;

private:
    // The node one of this model's own indexes names; NoNode for the root.
    qint32 OwnNode(const QModelIndex& index) const noexcept;

    const TreeModel& m_Tree;
    std::array<QIcon, 11> m_Icons; // by image index; 0 stays empty
    bool m_Rebuilding = false;
};
