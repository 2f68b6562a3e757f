#pragma once

#include "base/ChunkedArray.h"
#include "base/OpenIndex.h"
#include "base/Slabs.h"

#include <QAnyStringView>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <vector>

// The results tree without any widget: a forest of nodes, each with a key unique in the
// tree, a text, an image index and a sorted flag for its children.
//
// A node is named by its index in the node list: 1 for the first node added since the
// last Clear, up to Count(). Index 0 (NoNode) stands for "none", and as a parent for the
// root level. Rows are 0-based positions among a parent's displayed children, so an item
// model can hand out parent() and index() in constant time.
//
// A sorted parent's children are kept in ascending order of their text, compared code by
// code after folding both texts to one case; equal texts keep the order they came in.
// The order is settled when it is read, so adding many children to a sorted parent costs
// O(n log n) overall, not O(n^2).
class TreeModel {
public:
    static constexpr qint32 NoNode = 0;

    TreeModel();
    ~TreeModel();
    TreeModel(const TreeModel&) = delete;
    TreeModel& operator=(const TreeModel&) = delete;

    // Removes every node and the selection. The root level's sorted flag stays, and so
    // does the storage, for the next build to reuse.
    void Clear();

    // Adds a node as the last child of parent (NoNode: a root); a sorted parent puts it in
    // its place. An empty key files the node without one. A key already in the tree raises
    // "Key is not unique in collection" (35602).
    qint32 Add(qint32 parent, QStringView key, QStringView text = {}) {
        return Add(parent, key, QAnyStringView(text), HashOf(text));
    }
    // The same with the text's hash, HashOf(text), worked out ahead, and the key's,
    // HashOfKey(key), where it is: a build may put its nodes together on a thread of its
    // own, and hand the texts in as Latin-1 where they fit.
    qint32 Add(qint32 parent, QStringView key, QAnyStringView text, quint32 textHash,
               std::optional<quint32> keyHash = std::nullopt);
    // A front's number, made now if it is new: AddUnder adds a node whose key is the front
    // followed by its parent's key without the key being put together. -1 when the tree
    // keeps no more fronts, or front is empty; such keys go to Add. Numbers last until the
    // next Clear.
    qint32 FrontNumber(QStringView front);
    // Add(parent, front's text + Key(parent), text, textHash), and the same in every way.
    // A front that FrontNumber did not give raises "Index out of bounds" (35600). Without
    // a hash the text is kept as new, not looked for among the recent ones: for a text that
    // seldom comes twice, such as a time of day, the look costs more than it saves.
    qint32 AddUnder(qint32 parent, qint32 front, QAnyStringView text,
                    std::optional<quint32> textHash);
    // A text's hash, the same for the same characters in either form.
    static quint32 HashOf(QAnyStringView text);
    // A key's hash, as the key index files it.
    static quint32 HashOfKey(QStringView key);
    // For a build that knows its next nodes: starts fetching what adding one will read,
    // some nodes ahead, and changes nothing. First the text's set in the table of recent
    // texts and, for a key kept whole (keyHash: HashOf the key), its cell in the key index;
    // then, a few nodes later, the kept text that set names.
    void Foresee(quint32 textHash, const quint32* keyHash) const;
    void ForeseeText(quint32 textHash) const;

    // The node filed under key, compared exactly; NoNode when there is none.
    qint32 Find(QStringView key) const;

    qint32 Count() const { return m_Count; }

    // These raise "Index out of bounds" (35600) for an index that names no node.
    // A key is put together when asked for; a text is read where it is kept, as Latin-1
    // when every character fits, UTF-16 otherwise, and stays valid until the next Clear.
    QString Key(qint32 node) const;
    QAnyStringView Text(qint32 node) const;
    void SetText(qint32 node, QAnyStringView text);
    qint32 Image(qint32 node) const;
    void SetImage(qint32 node, qint32 image);
    bool Sorted(qint32 node) const;
    // Setting the flag orders the children already there; clearing it keeps their order.
    void SetSorted(qint32 node, bool sorted);
    bool RootSorted() const;
    void SetRootSorted(bool sorted);

    qint32 Parent(qint32 node) const;
    // Depth of a node: 0 for a root.
    qint32 Depth(qint32 node) const;
    // Children of parent (NoNode: the roots) in display order.
    qint32 ChildCount(qint32 parent) const;
    qint32 Child(qint32 parent, qint32 row) const;
    qint32 Row(qint32 node) const;

    // The same answers for a reader that must not throw, such as an item model answering a
    // view from inside Qt's event loop, which exceptions must never cross. The caller knows
    // the node to be in the tree (a parent may also be NoNode, and a row is in range): any
    // other index is a programming error. It asserts, and a release build answers as for a
    // node with no text, picture, parent or children. Ordering a sorted parent's children
    // on the first read may still fail to allocate; that ends the program.
    bool Contains(qint32 node) const noexcept { return node >= 1 && node <= m_Count; }
    QAnyStringView Text(qint32 node, std::nothrow_t) const noexcept;
    qint32 Image(qint32 node, std::nothrow_t) const noexcept;
    qint32 Parent(qint32 node, std::nothrow_t) const noexcept;
    qint32 ChildCount(qint32 parent, std::nothrow_t) const noexcept;
    qint32 Child(qint32 parent, qint32 row, std::nothrow_t) const noexcept;
    qint32 Row(qint32 node, std::nothrow_t) const noexcept;

    bool Expanded(qint32 node) const;
    void SetExpanded(qint32 node, bool expanded);
    // Expands every ancestor of node, so that it shows once its parent level does.
    void EnsureVisible(qint32 node);

    qint32 Selected() const { return m_Selected; }
    // NoNode clears the selection.
    void Select(qint32 node);

    bool Visible() const { return m_Visible; }
    void SetVisible(bool visible) { m_Visible = visible; }

    // Every node in display order, depth first: visit(node, depth).
    template <class Visit> void ForEachDisplayed(Visit&& visit) const;

private:
    struct Node;
    struct Branch;
    struct ChildList;
    struct Block;
    class TextPool;

    Node& At(qint32 node);
    const Node& At(qint32 node) const;
    quint8& ImageByte(qint32 node) const;
    qint32 ImageOf(qint32 node) const noexcept;
    QAnyStringView Read(quint32 ref) const noexcept;
    // Whether a node is filed under key in the index, compared exactly.
    auto HasKey(QStringView key) const;
    // A node whose key is kept as a front; a caller that knows key to be front number
    // knownFront followed by a parent's key may name them, which spares looking the parent
    // up (-1 and NoNode: not known).
    qint32 FindByFront(QStringView key, qint32 knownParent, qint32 knownFront) const;
    // The node filed as front followed by the key of a node kept whole, or NoNode.
    qint32 FindUnderFront(QStringView key, size_t front) const;
    qint32 FindChildByFront(qint32 parent, size_t front) const;
    // The front's number, made now if it is new and there is room; -1 otherwise.
    qint32 FrontOf(QStringView front);
    // The number of a front already made, or -1.
    qint32 KnownFront(QStringView front) const;
    // Whether a child of parent within reach already has the front. The answer for one
    // parent is kept as a mask and brought up to date as its children come, so that a
    // build's detail lines each cost one look rather than a walk over their siblings.
    bool FrontTaken(qint32 parent, size_t front) const;
    const Node& Checked(qint32 node) const;
    Node& Checked(qint32 node);
    const Node* Known(qint32 node) const noexcept;
    // A node's branch, NoNode's the root level's; a node that never had one reads as a
    // leaf. MakeBranch gives it one; room for it is made ahead where a change must not
    // fail half-way.
    const Branch& BranchOf(qint32 node) const;
    Branch& MakeBranch(qint32 node);
    // The branch of parent, which may be NoNode, or null for an index that names no node.
    const Branch* KnownBranch(qint32 parent) const noexcept;
    ChildList& ListOf(Branch& parent);
    void Settle(const Branch& parent) const;
    qint32 ChildAt(const Branch& parent, qint32 row) const;
    qint32 RowOf(qint32 node) const;
    void LinkChild(qint32 parent, qint32 child);

    void AddBlock();
    // Throws what adding a node may throw, before the tree changes.
    void MakeRoomForNode();
    // Adds the node, for which MakeRoomForNode made room, with its key as kept. It counts
    // only once linked: a failure before leaves the tree as it was.
    qint32 Commit(qint32 parent, quint32 key, QAnyStringView text, std::optional<quint32> textHash);

    // Node blocks sit on the platform's large blocks: a big log's tree then faults in huge
    // pages rather than hundreds of thousands of small ones.
    std::unique_ptr<Slabs> m_BlockRoom;
    std::vector<Block*> m_Blocks;
    // Branches of the nodes that have children or a row of their own, a few in every node
    // of a build: the rest, leaves in a run, need neither. 0 is the root level's.
    mutable ChunkedArray<Branch> m_Branches;
    mutable std::vector<ChildList> m_Lists;
    std::unique_ptr<TextPool> m_Texts;
    // Keys kept whole, to their nodes; 32-bit hashes keep a cell at 8 bytes. A key kept as
    // a front is found through its parent's key instead, and costs no cell.
    OpenIndex<quint32> m_Keys;
    // Fronts of keys that end with their parent's key, each kept once for all of them.
    std::vector<QString> m_Fronts;
    // Per front, whether some key kept whole starts with it. While none does, no whole key
    // can equal a key of that front, and adding one need not look in the index: a build
    // adds millions of those, and each look there is a read from memory far from the last.
    std::vector<bool> m_FrontStartsWholeKey;
    // Per front, the other fronts that start it or that it starts: a key of one front can
    // be of another only then.
    std::vector<quint64> m_FrontRelated;
    // The fronts by their first unit, in a few sets: a key looks only at those that might
    // start it.
    std::array<quint64, 64> m_FrontsByHead{};
    quint64 FrontsStarting(QStringView key) const {
        return key.isEmpty() ? 0 : m_FrontsByHead[key.front().unicode() % m_FrontsByHead.size()];
    }
    mutable qint32 m_FrontsParent = -1;
    mutable quint64 m_FrontsTaken = 0;
    qint32 m_LinkParent = -1;
    Branch* m_LinkBranch = nullptr;
    // Pictures too large for a node's byte; the program's own are all small.
    std::unordered_map<qint32, qint16> m_LargeImages;
    qint32 m_Count = 0;
    qint32 m_Selected = NoNode;
    bool m_Visible = true;
};

// Appends a node text as it is kept, without a copy in between.
inline QString& AppendText(QString& out, QAnyStringView text) {
    text.visit([&out](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView> ||
                      std::is_same_v<decltype(view), QStringView>)
            out.append(view);
        else
            out.append(QString::fromUtf8(view.data(), view.size()));
    });
    return out;
}

template <class Visit> void TreeModel::ForEachDisplayed(Visit&& visit) const {
    // An explicit stack: the model itself puts no bound on depth.
    struct Frame {
        qint32 Parent;
        qint32 Row;
    };
    std::vector<Frame> stack{{NoNode, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.Row >= ChildCount(top.Parent)) {
            stack.pop_back();
            continue;
        }
        const qint32 node = Child(top.Parent, top.Row++);
        const qint32 depth = qint32(stack.size()) - 1;
        visit(node, depth);
        if (ChildCount(node) > 0) stack.push_back({node, 0});
    }
}
