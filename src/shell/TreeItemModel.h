#pragma once

#include "view/TreeModel.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>

// tvwFiles' item model: a thin, read-only adapter over the plain tree. Nothing is copied;
// every answer is read from the plain tree when the view asks, so rows that are never on
// screen cost nothing. Each index carries its node number, which makes parent() and
// index() constant-time.
class TreeItemModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TreeItemModel(const TreeModel& tree, QObject* parent = nullptr);

    // Bracket every change of the plain tree's nodes.
    void BeginRebuild();
    void EndRebuild();

    QModelIndex IndexOf(qint32 node) const;
    static qint32 NodeOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const TreeModel& m_Tree;
    std::array<QIcon, 11> m_Icons; // by image index; 0 stays empty
    bool m_Rebuilding = false;
};
