#include "view/TreeModel.h"

#include "base/AsciiCase.h"
#include "records/modErrorHandling.h"

#include <QHashFunctions>

#include <algorithm>
#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Node storage grows in blocks, so a large tree is never copied to grow and carries no
// spare capacity beyond its last block.
constexpr qint32 BlockShift = 10;
constexpr qint32 BlockSize = 1 << BlockShift;

[[noreturn]] void RaiseTree(qint32 number, const QString& description) {
    RaiseRuntime(number, u"TreeModel"_s, description);
}

quint32 KeyHash(QStringView key) {
    const size_t h = qHash(key, 0);
    return quint32(h ^ (quint64(h) >> 32));
}

} // namespace

// 48 bytes a node: the texts live in a shared store instead of one allocation each.
struct TreeModel::Node {
    const char16_t* KeyData = nullptr;
    const char16_t* TextData = nullptr;
    qint32 KeyLength = 0;
    qint32 TextLength = 0;
    qint32 Parent = NoNode;
    qint32 Row = 0;
    // Children added one after another, unsorted, are the run FirstChild, FirstChild + 1,
    // ... and need no list; any other shape gets a ChildList.
    qint32 FirstChild = NoNode;
    qint32 ChildCount = 0;
    qint32 List = -1;
    qint16 Image = 0;
    bool IsSorted = false;
    bool IsExpanded = false;

    QStringView Key() const { return QStringView(KeyData, KeyLength); }
    QStringView Text() const { return QStringView(TextData, TextLength); }
};

struct TreeModel::ChildList {
    std::vector<qint32> Items;
    // Leading items already in display order, with their rows set; the rest wait for
    // the next read of a sorted parent.
    qint32 Settled = 0;
    // A child's text or the flag changed: the whole list is ordered again.
    bool Resort = false;
};

// Characters of keys and texts, in chunks that never move once written. A clear keeps
// the chunks for the next build, which then writes over them without new pages.
class TreeModel::TextStore {
public:
    QStringView Keep(QStringView text) {
        const qsizetype size = text.size();
        if (size == 0) return {};
        if (size > ChunkSize) {
            m_Large.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(size)));
            return Copy(text, m_Large.back().get());
        }
        if (m_Free < size) {
            if (++m_Current == m_Chunks.size())
                m_Chunks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(ChunkSize)));
            m_Next = m_Chunks[m_Current].get();
            m_Free = ChunkSize;
        }
        const QStringView kept = Copy(text, m_Next);
        m_Next += size;
        m_Free -= size;
        return kept;
    }

    void Reset() {
        m_Large.clear();
        m_Current = size_t(-1);
        m_Next = nullptr;
        m_Free = 0;
    }

private:
    static QStringView Copy(QStringView text, char16_t* out) {
        std::copy_n(text.utf16(), text.size(), out);
        return QStringView(out, text.size());
    }

    static constexpr qsizetype ChunkSize = qsizetype(1) << 16;
    std::vector<std::unique_ptr<char16_t[]>> m_Chunks;
    std::vector<std::unique_ptr<char16_t[]>> m_Large;
    size_t m_Current = size_t(-1);
    char16_t* m_Next = nullptr;
    qsizetype m_Free = 0;
};

TreeModel::TreeModel() : m_Texts(std::make_unique<TextStore>()) {
    m_Blocks.push_back(std::make_unique<Node[]>(BlockSize));
}

TreeModel::~TreeModel() = default;

void TreeModel::Clear() {
    // Node blocks, text chunks and key slots stay allocated: a rebuild of the same log
    // needs them all again, and reusing them spares a page fault for each new page.
    const bool rootSorted = At(NoNode).IsSorted;
    At(NoNode) = Node{};
    At(NoNode).IsSorted = rootSorted;
    m_Lists.clear();
    m_Texts->Reset();
    m_Keys.Reset();
    m_Count = 0;
    m_Selected = NoNode;
}

TreeModel::Node& TreeModel::At(qint32 node) {
    return m_Blocks[size_t(node >> BlockShift)][size_t(node & (BlockSize - 1))];
}

const TreeModel::Node& TreeModel::At(qint32 node) const {
    return m_Blocks[size_t(node >> BlockShift)][size_t(node & (BlockSize - 1))];
}

auto TreeModel::HasKey(QStringView key) const {
    return [this, key](quint32 node) { return At(qint32(node)).Key() == key; };
}

const TreeModel::Node& TreeModel::Checked(qint32 node) const {
    if (node < 1 || node > m_Count) RaiseTree(35600, u"Index out of bounds"_s);
    return At(node);
}

TreeModel::Node& TreeModel::Checked(qint32 node) {
    return const_cast<Node&>(std::as_const(*this).Checked(node));
}

const TreeModel::Node* TreeModel::Known(qint32 node) const noexcept {
    Q_ASSERT_X(Contains(node), "TreeModel", "index names no node");
    return Contains(node) ? &At(node) : nullptr;
}

const TreeModel::Node* TreeModel::KnownParent(qint32 parent) const noexcept {
    return parent == NoNode ? &At(NoNode) : Known(parent);
}

qint32 TreeModel::Add(qint32 parent, QStringView key, QStringView text) {
    if (parent < NoNode || parent > m_Count) RaiseTree(35601, u"Element not found"_s);
    qsizetype place = -1;
    const quint32 hash = key.isEmpty() ? 0 : KeyHash(key);
    if (!key.isEmpty() && (place = m_Keys.Claim(hash, HasKey(key))) < 0)
        RaiseTree(35602, u"Key is not unique in collection"_s);
    if (m_Count == std::numeric_limits<qint32>::max())
        RaiseTree(ErrorNumbers::Overflow, u"Overflow"_s);

    const qint32 node = m_Count + 1;
    if (size_t(node >> BlockShift) == m_Blocks.size())
        m_Blocks.push_back(std::make_unique<Node[]>(BlockSize));
    Node& n = At(node);
    n = Node{};
    const QStringView keptKey = m_Texts->Keep(key);
    const QStringView keptText = m_Texts->Keep(text);
    n.KeyData = keptKey.utf16();
    n.KeyLength = qint32(keptKey.size());
    n.TextData = keptText.utf16();
    n.TextLength = qint32(keptText.size());
    m_Count = node;
    if (place >= 0) m_Keys.File(place, hash, quint32(node));
    LinkChild(parent, node);
    return node;
}

TreeModel::ChildList& TreeModel::ListOf(Node& parent) {
    if (parent.List < 0) {
        ChildList list;
        list.Items.reserve(size_t(parent.ChildCount) + 1);
        for (qint32 i = 0; i < parent.ChildCount; ++i)
            list.Items.push_back(parent.FirstChild + i);
        list.Settled = parent.ChildCount;
        parent.List = qint32(m_Lists.size());
        m_Lists.push_back(std::move(list));
    }
    return m_Lists[size_t(parent.List)];
}

void TreeModel::LinkChild(qint32 parent, qint32 child) {
    Node& p = At(parent);
    Node& c = At(child);
    c.Parent = parent;
    if (p.List < 0 && !p.IsSorted && (p.ChildCount == 0 || p.FirstChild + p.ChildCount == child)) {
        if (p.ChildCount == 0) p.FirstChild = child;
        c.Row = p.ChildCount++;
        return;
    }
    ChildList& list = ListOf(p);
    list.Items.push_back(child);
    ++p.ChildCount;
    if (!p.IsSorted) {
        c.Row = p.ChildCount - 1;
        list.Settled = p.ChildCount;
    }
}

namespace {

// A text folded to one case once, so that sorting compares plain code units; the first
// four units, packed, settle most comparisons without touching the characters.
struct SortKey {
    quint64 Head;
    qint32 Node;
    qint32 Offset;
    qint32 Length;
};

void AppendFolded(std::vector<char16_t>& out, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.push_back(AsciiLower(c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            const char32_t folded =
                QChar::toCaseFolded(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            out.push_back(QChar::highSurrogate(folded));
            out.push_back(QChar::lowSurrogate(folded));
            ++i;
        } else {
            out.push_back(char16_t(QChar::toCaseFolded(char32_t(c))));
        }
    }
}

} // namespace

void TreeModel::Settle(const Node& parent) const {
    if (parent.List < 0) return;
    ChildList& list = m_Lists[size_t(parent.List)];
    const qint32 size = qint32(list.Items.size());
    if (!list.Resort && list.Settled == size) return;

    std::vector<char16_t> folded;
    std::vector<SortKey> keys;
    keys.reserve(size_t(size));
    for (const qint32 node : list.Items) {
        const qint32 offset = qint32(folded.size());
        AppendFolded(folded, At(node).Text());
        const qint32 length = qint32(folded.size()) - offset;
        quint64 head = 0;
        for (qint32 k = 0; k < 4; ++k)
            head = (head << 16) | (k < length ? folded[size_t(offset + k)] : 0);
        keys.push_back(SortKey{head, node, offset, length});
    }
    // Equal texts stand in the order they were added: the node index breaks the tie,
    // which keeps the result independent of when the order happened to be settled.
    const auto less = [&folded](const SortKey& a, const SortKey& b) {
        if (a.Head != b.Head) return a.Head < b.Head;
        const int byText = QStringView(folded.data() + a.Offset, a.Length)
                               .compare(QStringView(folded.data() + b.Offset, b.Length));
        return byText != 0 ? byText < 0 : a.Node < b.Node;
    };
    const auto middle = keys.begin() + (list.Resort ? 0 : list.Settled);
    std::sort(middle, keys.end(), less);
    if (middle != keys.begin()) std::inplace_merge(keys.begin(), middle, keys.end(), less);

    // Blocks are owned through unique_ptr, so the rows can be written from a const read.
    for (qint32 row = 0; row < size; ++row) {
        const qint32 node = keys[size_t(row)].Node;
        list.Items[size_t(row)] = node;
        m_Blocks[size_t(node >> BlockShift)][size_t(node & (BlockSize - 1))].Row = row;
    }
    list.Settled = size;
    list.Resort = false;
}

qint32 TreeModel::Find(QStringView key) const {
    if (key.isEmpty()) return NoNode;
    const quint32 node = m_Keys.Find(KeyHash(key), HasKey(key));
    return node == m_Keys.None ? NoNode : qint32(node);
}

QStringView TreeModel::Key(qint32 node) const { return Checked(node).Key(); }

QStringView TreeModel::Text(qint32 node) const { return Checked(node).Text(); }

void TreeModel::SetText(qint32 node, QStringView text) {
    Node& n = Checked(node);
    const QStringView kept = m_Texts->Keep(text);
    n.TextData = kept.utf16();
    n.TextLength = qint32(kept.size());
    Node& parent = At(n.Parent);
    if (parent.IsSorted) ListOf(parent).Resort = true;
}

qint32 TreeModel::Image(qint32 node) const { return Checked(node).Image; }

void TreeModel::SetImage(qint32 node, qint32 image) {
    Node& n = Checked(node);
    if (image < 0 || image > std::numeric_limits<qint16>::max())
        RaiseTree(35600, u"Index out of bounds"_s);
    n.Image = qint16(image);
}

bool TreeModel::Sorted(qint32 node) const { return Checked(node).IsSorted; }

void TreeModel::SetSorted(qint32 node, bool sorted) {
    Node& n = node == NoNode ? At(NoNode) : Checked(node);
    if (sorted) {
        if (n.ChildCount > 0) ListOf(n).Resort = true;
    } else {
        Settle(n);
    }
    n.IsSorted = sorted;
}

bool TreeModel::RootSorted() const { return At(NoNode).IsSorted; }

void TreeModel::SetRootSorted(bool sorted) { SetSorted(NoNode, sorted); }

qint32 TreeModel::Parent(qint32 node) const { return Checked(node).Parent; }

qint32 TreeModel::Depth(qint32 node) const {
    qint32 depth = 0;
    for (qint32 p = Checked(node).Parent; p != NoNode; p = At(p).Parent)
        ++depth;
    return depth;
}

qint32 TreeModel::ChildCount(qint32 parent) const {
    return parent == NoNode ? At(NoNode).ChildCount : Checked(parent).ChildCount;
}

qint32 TreeModel::Child(qint32 parent, qint32 row) const {
    const Node& p = parent == NoNode ? At(NoNode) : Checked(parent);
    if (row < 0 || row >= p.ChildCount) RaiseTree(35600, u"Index out of bounds"_s);
    return ChildAt(p, row);
}

qint32 TreeModel::ChildAt(const Node& parent, qint32 row) const {
    if (parent.List < 0) return parent.FirstChild + row;
    Settle(parent);
    return m_Lists[size_t(parent.List)].Items[size_t(row)];
}

qint32 TreeModel::Row(qint32 node) const { return RowOf(Checked(node)); }

qint32 TreeModel::RowOf(const Node& node) const {
    Settle(At(node.Parent));
    return node.Row;
}

QStringView TreeModel::Text(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? n->Text() : QStringView();
}

qint32 TreeModel::Image(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? n->Image : 0;
}

qint32 TreeModel::Parent(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? n->Parent : NoNode;
}

qint32 TreeModel::ChildCount(qint32 parent, std::nothrow_t) const noexcept {
    const Node* p = KnownParent(parent);
    return p ? p->ChildCount : 0;
}

qint32 TreeModel::Child(qint32 parent, qint32 row, std::nothrow_t) const noexcept {
    const Node* p = KnownParent(parent);
    if (!p) return NoNode;
    Q_ASSERT_X(row >= 0 && row < p->ChildCount, "TreeModel", "row out of range");
    if (row < 0 || row >= p->ChildCount) return NoNode;
    return ChildAt(*p, row);
}

qint32 TreeModel::Row(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? RowOf(*n) : 0;
}

bool TreeModel::Expanded(qint32 node) const { return Checked(node).IsExpanded; }

void TreeModel::SetExpanded(qint32 node, bool expanded) { Checked(node).IsExpanded = expanded; }

void TreeModel::EnsureVisible(qint32 node) {
    for (qint32 p = Checked(node).Parent; p != NoNode; p = At(p).Parent)
        At(p).IsExpanded = true;
}

void TreeModel::Select(qint32 node) {
    if (node != NoNode) Checked(node);
    m_Selected = node;
}
