#include "view/TreeModel.h"

#include "base/AsciiCase.h"
#include "platform/Memory.h"
#include "records/modErrorHandling.h"

#include <QHashFunctions>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Node storage grows in blocks, so a large tree is never copied to grow and carries no
// spare capacity beyond its last block.
constexpr qint32 BlockShift = 10;
constexpr qint32 BlockSize = 1 << BlockShift;
// How far after its parent a node may keep its key as a front, and how many fronts there
// may be: a lookup tries each front that starts the key and looks that far.
constexpr qint32 FrontReach = 32;
constexpr quint32 MaxFronts = 64;
// Pool offsets below this name no text: 0 is the empty text, 1 to MaxFronts the fronts.
constexpr quint32 FirstRef = MaxFronts + 1;
// A node's picture byte that sends the reader to the pictures kept aside.
constexpr quint8 LargeImage = 0xFF;

[[noreturn]] void RaiseTree(qint32 number, const QString& description) {
    RaiseRuntime(number, u"TreeModel"_s, description);
}

quint32 KeyHash(QStringView key) {
    const size_t h = qHash(key, 0);
    return quint32(h ^ (quint64(h) >> 32));
}

// Whether a kept text is text. Kept texts are nearly all Latin-1, and held against the
// UTF-16 of a new one a unit at a time, without stopping early, the loop runs wide.
bool SameText(QAnyStringView kept, QStringView text) noexcept {
    if (kept.size() != text.size()) return false;
    return kept.visit([text](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            const char* bytes = view.data();
            const char16_t* units = text.utf16();
            char16_t differ = 0;
            for (qsizetype i = 0; i < text.size(); ++i)
                differ |= char16_t(uchar(bytes[i]) ^ units[i]);
            return differ == 0;
        } else {
            return QAnyStringView(view) == QAnyStringView(text);
        }
    });
}

// Whether a kept text is text, for texts in either form.
bool SameText(QAnyStringView kept, QAnyStringView text) noexcept {
    if (kept.size() != text.size()) return false;
    return text.visit([kept](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>) {
            return kept.visit([view](auto keptView) {
                if constexpr (std::is_same_v<decltype(keptView), QLatin1StringView>)
                    return std::memcmp(keptView.data(), view.data(), size_t(view.size())) == 0;
                else
                    return QAnyStringView(keptView) == QAnyStringView(view);
            });
        } else if constexpr (std::is_same_v<decltype(view), QStringView>) {
            return SameText(kept, view);
        } else {
            return kept == QAnyStringView(view);
        }
    });
}

quint32 Folded(size_t h) { return quint32(h ^ (quint64(h) >> 32)); }

quint32 TextHash(QStringView units) {
    char narrow[256];
    if (units.size() <= qsizetype(sizeof narrow)) {
        char16_t any = 0;
        for (qsizetype i = 0; i < units.size(); ++i) {
            any |= units[i].unicode();
            narrow[i] = char(units[i].unicode());
        }
        if (any <= 0xFF) return Folded(qHashBits(narrow, size_t(units.size()), 0));
    } else if (const QByteArray latin1 = units.toLatin1(); QLatin1StringView(latin1) == units) {
        return Folded(qHashBits(latin1.data(), size_t(latin1.size()), 0));
    }
    return Folded(qHashBits(units.utf16(), 2 * size_t(units.size()), 0));
}

// A text's hash over its Latin-1 bytes where every character fits, else over its UTF-16:
// the same characters hash alike in either form.
quint32 TextHash(QAnyStringView text) {
    return text.visit([](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView>)
            return Folded(qHashBits(view.data(), size_t(view.size()), 0));
        else if constexpr (std::is_same_v<decltype(view), QStringView>)
            return TextHash(view);
        else
            return TextHash(QStringView(QString::fromUtf8(view.data(), view.size())));
    });
}

} // namespace

// 16 bytes a node, and a byte for its picture beside it: keys and texts live in a shared pool,
// named by 32-bit offsets. Most nodes of a build are leaves that follow their parent's other
// children, and all the rest is kept in a branch of their own by those that need it.
struct TreeModel::Node {
    // A key that ends with its parent's key (as "URL Entry: 7" under "Entry: 7") keeps only
    // its front: 1 to MaxFronts name m_Fronts, which the pool never hands out.
    quint32 Key = 0;
    quint32 Text = 0;
    qint32 Parent = NoNode;
    quint32 Branch : 31 = 0; // in m_Branches; 0 for none
    quint32 IsExpanded : 1 = 0;

    bool KeyIsFront() const { return Key != 0 && Key <= MaxFronts; }
};

// A node's children and sorted flag, and its row where its parent keeps a list. The flags
// take the top bits that indexes and counts leave free.
struct TreeModel::Branch {
    // Set only where the parent keeps a list: in a run it is the node's distance from the
    // run's first node.
    quint32 Row = 0;
    // Children added one after another, unsorted, are the run Children, Children + 1, ...
    // and need no list; any other shape gets a ChildList, and this is its index (HasList).
    quint32 Children : 31 = NoNode;
    quint32 HasList : 1 = 0;
    quint32 ChildCount : 31 = 0;
    quint32 IsSorted : 1 = 0;
};

struct TreeModel::Block {
    Node Nodes[BlockSize];
    quint8 Images[BlockSize];
};

struct TreeModel::ChildList {
    std::vector<qint32> Items;
    // Leading items already in display order, with their rows set; the rest wait for
    // the next read of a sorted parent.
    qint32 Settled = 0;
    // A child's text or the flag changed: the whole list is ordered again.
    bool Resort = false;
};

// Keys and texts, each after a short length header: Latin-1 bytes when every character
// fits (nearly always), UTF-16 otherwise. A text is named by its offset; 0 is the empty
// text. Chunks never move, and a reset keeps them for the next build to write over.
//
// Node texts repeat a lot (a URL, a path or a file name under every download of it), so a
// table of recent texts lets a repeat take the copy already kept. The table forgets,
// which costs only a second copy.
class TreeModel::TextPool {
public:
    quint32 Keep(QAnyStringView text, quint32 hash) {
        if (text.isEmpty()) return 0;
        if (m_Recent.empty()) m_Recent.assign(RecentSize, Recent{0, 0});
        // Two ways a set, the last used first: a text that comes back often outlives the
        // texts seen once that pass through its set.
        Recent* set = SetOf(hash);
        for (int way = 0; way < 2; ++way) {
            if (set[way].Ref != 0 && set[way].Hash == hash && SameText(Read(set[way].Ref), text)) {
                if (way == 1) std::swap(set[0], set[1]);
                return set[0].Ref;
            }
        }
        const quint32 ref = Store(text);
        set[1] = set[0];
        set[0] = Recent{hash, ref};
        return ref;
    }

    void PrefetchSet(quint32 hash) const {
        if (!m_Recent.empty()) __builtin_prefetch(SetOf(hash));
    }
    void PrefetchKept(quint32 hash) const {
        if (m_Recent.empty()) return;
        const Recent* set = SetOf(hash);
        for (int way = 0; way < 2; ++way)
            if (set[way].Ref != 0 && set[way].Hash == hash) __builtin_prefetch(At(set[way].Ref));
    }

    // A copy of its own, for texts known not to repeat.
    quint32 Store(QAnyStringView text) {
        return text.visit([this](auto view) {
            if constexpr (std::is_same_v<decltype(view), QLatin1StringView>)
                return Store(view.size(), true, [view](char* data) {
                    std::memcpy(data, view.data(), size_t(view.size()));
                });
            else if constexpr (std::is_same_v<decltype(view), QStringView>)
                return Store(view);
            else
                return Store(QStringView(QString::fromUtf8(view.data(), view.size())));
        });
    }
    quint32 Store(QStringView text) {
        const char16_t* units = text.utf16();
        char16_t any = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            any |= units[i];
        const bool latin1 = any <= 0xFF;
        return Store(text.size(), latin1, [&](char* data) {
            if (latin1) {
                for (qsizetype i = 0; i < text.size(); ++i)
                    data[i] = char(units[i]);
            } else {
                std::memcpy(data, units, 2 * size_t(text.size()));
            }
        });
    }

    QAnyStringView Read(quint32 ref) const noexcept {
        Q_ASSERT(ref == 0 || ref >= FirstRef);
        if (ref == 0) return {};
        const uchar* at = reinterpret_cast<const uchar*>(At(ref));
        quint32 header = 0;
        for (int shift = 0;; shift += 7) {
            const uchar byte = *at++;
            header |= quint32(byte & 0x7F) << shift;
            if (!(byte & 0x80)) break;
        }
        const qsizetype size = qsizetype(header >> 1);
        if (header & 1) {
            if (quintptr(at) & 1) ++at;
            return QStringView(reinterpret_cast<const char16_t*>(at), size);
        }
        return QLatin1StringView(reinterpret_cast<const char*>(at), size);
    }

    void Reset() {
        m_Slots.clear();
        m_Large.clear();
        m_Used = 0;
        m_Next = 0;
        m_Limit = 0;
        std::fill(m_Recent.begin(), m_Recent.end(), Recent{0, 0});
    }

private:
    // Room for size characters, Latin-1 or UTF-16, after the header; fill writes them.
    template <class Fill> quint32 Store(qsizetype size, bool latin1, Fill&& fill) {
        if (size == 0) return 0;
        if (size > std::numeric_limits<qint32>::max()) throw std::bad_alloc();
        uchar header[5];
        qsizetype headerSize = 0;
        for (quint32 value = quint32(size) << 1 | (latin1 ? 0 : 1);; value >>= 7) {
            header[headerSize++] = uchar((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
            if (value <= 0x7F) break;
        }
        // UTF-16 may need one byte more to start on an even address.
        const size_t bytes = size_t(headerSize) + (latin1 ? size_t(size) : 2 * size_t(size) + 1);
        quint32 ref = 0;
        char* out = Allocate(bytes, ref);
        std::memcpy(out, header, size_t(headerSize));
        char* data = out + headerSize;
        if (!latin1 && (quintptr(data) & 1)) ++data;
        fill(data);
        return ref;
    }

    static constexpr int ChunkBits = 17;
    static constexpr size_t ChunkBytes = size_t(1) << ChunkBits;
    // Larger texts get chunks of their own, over as many offsets as they need.
    static constexpr size_t LargeText = ChunkBytes / 4;
    static constexpr size_t Addressable = size_t(1) << 32;
    static constexpr size_t RecentSize = size_t(1) << 16;

    struct Recent {
        quint32 Hash;
        quint32 Ref;
    };

    Recent* SetOf(quint32 hash) { return &m_Recent[(hash & (RecentSize / 2 - 1)) * 2]; }
    const Recent* SetOf(quint32 hash) const { return &m_Recent[(hash & (RecentSize / 2 - 1)) * 2]; }

    const char* At(quint32 ref) const {
        return m_Slots[ref >> ChunkBits] + (ref & (ChunkBytes - 1));
    }

    char* Allocate(size_t bytes, quint32& ref) {
        // The first chunk is an ordinary one, so that the offsets below FirstRef name no text.
        if (m_Slots.empty() || (bytes <= LargeText && m_Next + bytes > m_Limit)) {
            const size_t start = m_Slots.size() * ChunkBytes;
            if (start + ChunkBytes > Addressable) throw std::bad_alloc();
            m_Slots.reserve(m_Slots.size() + 1);
            if (m_Used == m_Chunks.size()) {
                m_Chunks.reserve(m_Chunks.size() + 1);
                m_Chunks.push_back(m_ChunkRoom.Take());
            }
            m_Slots.push_back(m_Chunks[m_Used++]);
            m_Next = start == 0 ? FirstRef : start;
            m_Limit = start + ChunkBytes;
        }
        if (bytes > LargeText) {
            const size_t spans = (bytes + ChunkBytes - 1) / ChunkBytes;
            const size_t start = m_Slots.size() * ChunkBytes;
            if (start + spans * ChunkBytes > Addressable) throw std::bad_alloc();
            m_Slots.reserve(m_Slots.size() + spans);
            m_Large.reserve(m_Large.size() + 1);
            m_Large.push_back(std::make_unique_for_overwrite<char[]>(bytes));
            char* chunk = m_Large.back().get();
            for (size_t i = 0; i < spans; ++i)
                m_Slots.push_back(chunk + i * ChunkBytes);
            ref = quint32(start);
            return chunk;
        }
        ref = quint32(m_Next);
        m_Next += bytes;
        return const_cast<char*>(At(ref));
    }

    std::vector<const char*> m_Slots; // where each ChunkBytes of offsets starts
    // Chunks sit on the platform's large blocks, as the nodes do.
    Slabs m_ChunkRoom{ChunkBytes, PlatformMemory::RandomBlocks()};
    std::vector<char*> m_Chunks;
    size_t m_Used = 0; // chunks of m_Chunks in use since the last reset
    std::vector<std::unique_ptr<char[]>> m_Large;
    size_t m_Next = 0;  // offset of the free room in the current chunk
    size_t m_Limit = 0; // and where that chunk ends
    std::vector<Recent> m_Recent;
};

TreeModel::TreeModel()
    : m_BlockRoom(std::make_unique<Slabs>(sizeof(Block), PlatformMemory::RandomBlocks())),
      m_Texts(std::make_unique<TextPool>()), m_Keys(PlatformMemory::RandomBlocks()) {
    AddBlock();
    m_Branches.push_back(Branch{});
}

void TreeModel::AddBlock() {
    static_assert(std::is_trivially_destructible_v<Block>);
    static_assert(sizeof(Node) == 16);
    m_Blocks.reserve(m_Blocks.size() + 1);
    m_Blocks.push_back(new (m_BlockRoom->Take()) Block());
}

TreeModel::~TreeModel() = default;

void TreeModel::Clear() {
    // Node blocks, text chunks and key slots stay allocated: a rebuild of the same log
    // needs them all again, and reusing them spares a page fault for each new page.
    const bool rootSorted = m_Branches[0].IsSorted;
    At(NoNode) = Node{};
    m_Branches.Truncate(0);
    m_Branches.push_back(Branch{}); // the room stays, so this cannot fail
    m_Branches[0].IsSorted = rootSorted;
    m_Lists.clear();
    m_Texts->Reset();
    m_Keys.Reset();
    m_Fronts.clear();
    m_FrontStartsWholeKey.clear();
    m_FrontRelated.clear();
    m_FrontsByHead.fill(0);
    m_FrontsParent = -1;
    m_FrontsTaken = 0;
    m_LinkParent = -1;
    m_LinkBranch = nullptr;
    m_LargeImages.clear();
    m_Count = 0;
    m_Selected = NoNode;
}

TreeModel::Node& TreeModel::At(qint32 node) {
    return m_Blocks[size_t(node >> BlockShift)]->Nodes[node & (BlockSize - 1)];
}

const TreeModel::Node& TreeModel::At(qint32 node) const {
    return m_Blocks[size_t(node >> BlockShift)]->Nodes[node & (BlockSize - 1)];
}

// Blocks are owned through unique_ptr, so this reaches a picture from a const reader too.
quint8& TreeModel::ImageByte(qint32 node) const {
    return m_Blocks[size_t(node >> BlockShift)]->Images[node & (BlockSize - 1)];
}

qint32 TreeModel::ImageOf(qint32 node) const noexcept {
    const quint8 image = ImageByte(node);
    if (image != LargeImage) return image;
    const auto large = m_LargeImages.find(node);
    return large != m_LargeImages.end() ? large->second : 0;
}

QAnyStringView TreeModel::Read(quint32 ref) const noexcept { return m_Texts->Read(ref); }

auto TreeModel::HasKey(QStringView key) const {
    return [this, key](quint32 node) { return SameText(Read(At(qint32(node)).Key), key); };
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

const TreeModel::Branch& TreeModel::BranchOf(qint32 node) const {
    static constexpr Branch Leaf{};
    if (node == NoNode) return m_Branches[0];
    const quint32 branch = At(node).Branch;
    return branch != 0 ? m_Branches[branch] : Leaf;
}

TreeModel::Branch& TreeModel::MakeBranch(qint32 node) {
    if (node == NoNode) return m_Branches[0];
    Node& n = At(node);
    if (n.Branch == 0) {
        m_Branches.push_back(Branch{}); // first: it may fail
        n.Branch = quint32(m_Branches.size() - 1);
    }
    return m_Branches[n.Branch];
}

const TreeModel::Branch* TreeModel::KnownBranch(qint32 parent) const noexcept {
    if (parent != NoNode && !Known(parent)) return nullptr;
    return &BranchOf(parent);
}

quint32 TreeModel::HashOf(QAnyStringView text) { return TextHash(text); }

quint32 TreeModel::HashOfKey(QStringView key) { return KeyHash(key); }

void TreeModel::Foresee(quint32 textHash, const quint32* keyHash) const {
    m_Texts->PrefetchSet(textHash);
    if (keyHash) m_Keys.Prefetch(*keyHash);
}

void TreeModel::ForeseeText(quint32 textHash) const { m_Texts->PrefetchKept(textHash); }

qint32 TreeModel::Add(qint32 parent, QStringView key, QAnyStringView text, quint32 textHash,
                      std::optional<quint32> keyHash) {
    Q_ASSERT(textHash == TextHash(text));
    Q_ASSERT(!keyHash || *keyHash == KeyHash(key));
    if (parent < NoNode || parent > m_Count) RaiseTree(35601, u"Element not found"_s);
    // A front is found again by a short look behind the parent, so only a parent close
    // before its child, with a key kept whole, lends it the end of its key.
    qsizetype frontSize = -1;
    if (!key.isEmpty() && parent != NoNode && qint64(m_Count) + 1 - parent <= FrontReach) {
        // A parent's front names a front, not a text: only a key kept whole is read.
        if (const Node& p = At(parent); p.Key > MaxFronts) {
            const QAnyStringView parentKey = Read(p.Key);
            if (key.size() > parentKey.size() && SameText(parentKey, key.last(parentKey.size())))
                frontSize = key.size() - parentKey.size();
        }
    }
    const qint32 known = frontSize < 0 ? -1 : KnownFront(key.first(frontSize));
    const bool wholeMayHoldIt = known < 0 || m_FrontStartsWholeKey[size_t(known)];
    qsizetype place = -1;
    quint32 hash = 0;
    if (!key.isEmpty()) {
        if (wholeMayHoldIt) {
            hash = keyHash ? *keyHash : KeyHash(key);
            place = m_Keys.Claim(hash, HasKey(key));
        }
        if ((wholeMayHoldIt && place < 0) ||
            FindByFront(key, known < 0 ? NoNode : parent, known) != NoNode)
            RaiseTree(35602, u"Key is not unique in collection"_s);
    }
    MakeRoomForNode();
    const qint32 front = known >= 0 ? known : frontSize < 0 ? -1 : FrontOf(key.first(frontSize));
    if (front >= 0) return Commit(parent, quint32(front) + 1, text, textHash);
    // Keys are unique, so looking for a repeat would be wasted.
    const qint32 node = Commit(parent, m_Texts->Store(key), text, textHash);
    if (place >= 0) {
        m_Keys.File(place, hash, quint32(node));
        for (quint64 heads = FrontsStarting(key); heads != 0; heads &= heads - 1)
            if (const size_t i = size_t(std::countr_zero(heads)); key.startsWith(m_Fronts[i]))
                m_FrontStartsWholeKey[i] = true;
    }
    return node;
}

qint32 TreeModel::FrontNumber(QStringView front) {
    if (front.isEmpty()) return -1;
    return FrontOf(front);
}

qint32 TreeModel::AddUnder(qint32 parent, qint32 front, QAnyStringView text,
                           std::optional<quint32> textHash) {
    Q_ASSERT(!textHash || *textHash == TextHash(text));
    if (parent < NoNode || parent > m_Count) RaiseTree(35601, u"Element not found"_s);
    if (front < 0 || front >= qint32(m_Fronts.size())) RaiseTree(35600, u"Index out of bounds"_s);
    // The short way holds where Add would keep the key as this front and need look no
    // further than the parent's other children for it: otherwise the key is put together.
    if (parent == NoNode || At(parent).Key <= MaxFronts ||
        qint64(m_Count) + 1 - parent > FrontReach || m_FrontStartsWholeKey[size_t(front)] ||
        m_FrontRelated[size_t(front)] != 0) {
        QString key = m_Fronts[size_t(front)];
        if (parent != NoNode) key.append(Key(parent));
        return Add(parent, key, text, textHash ? *textHash : TextHash(text));
    }
    if (FrontTaken(parent, size_t(front))) RaiseTree(35602, u"Key is not unique in collection"_s);
    MakeRoomForNode();
    return Commit(parent, quint32(front) + 1, text, textHash);
}

void TreeModel::MakeRoomForNode() {
    if (m_Count == std::numeric_limits<qint32>::max())
        RaiseTree(ErrorNumbers::Overflow, u"Overflow"_s);
    // The parent's branch and the node's own, if linking needs them.
    m_Branches.MakeRoom(2);
    if (size_t((m_Count + 1) >> BlockShift) == m_Blocks.size()) AddBlock();
}

qint32 TreeModel::Commit(qint32 parent, quint32 key, QAnyStringView text,
                         std::optional<quint32> textHash) {
    const qint32 node = m_Count + 1;
    Node n;
    n.Key = key;
    n.Text = textHash ? m_Texts->Keep(text, *textHash) : m_Texts->Store(text);
    At(node) = n;
    ImageByte(node) = 0;
    // Linking may still need memory; the node counts only once it is its parent's child,
    // so a failure there leaves the tree as it was.
    LinkChild(parent, node);
    m_Count = node;
    if (n.KeyIsFront() && parent == m_FrontsParent) m_FrontsTaken |= quint64(1) << (key - 1);
    return node;
}

qint32 TreeModel::KnownFront(QStringView front) const {
    // Fronts are never empty, and their first unit and size tell most apart.
    for (size_t i = 0; i < m_Fronts.size(); ++i)
        if (const QString& known = m_Fronts[i];
            known.size() == front.size() && known.front() == front.front() &&
            std::equal(front.begin(), front.end(), known.constData()))
            return qint32(i);
    return -1;
}

bool TreeModel::FrontTaken(qint32 parent, size_t front) const {
    if (parent != m_FrontsParent) {
        quint64 taken = 0;
        const qint32 last = qint32(std::min(qint64(m_Count), qint64(parent) + FrontReach));
        for (qint32 node = parent + 1; node <= last; ++node)
            if (const Node& n = At(node); n.Parent == parent && n.KeyIsFront())
                taken |= quint64(1) << (n.Key - 1);
        m_FrontsParent = parent;
        m_FrontsTaken = taken;
    }
    return (m_FrontsTaken >> front) & 1;
}

qint32 TreeModel::FrontOf(QStringView front) {
    if (const qint32 known = KnownFront(front); known >= 0) return known;
    if (m_Fronts.size() == MaxFronts) return -1;
    // Whole keys kept so far that start with it: a new front comes rarely, and a build
    // makes its fronts in its first few nodes.
    bool startsWholeKey = false;
    for (qint32 node = 1; node <= m_Count && !startsWholeKey; ++node)
        if (const quint32 ref = At(node).Key; ref > MaxFronts)
            startsWholeKey = Read(ref).visit([front](auto key) {
                // The pool keeps Latin-1 and UTF-16, never UTF-8; were it to, the index
                // would be looked in, which is never wrong.
                if constexpr (std::is_same_v<decltype(key), QBasicUtf8StringView<false>>)
                    return true;
                else
                    return key.startsWith(front);
            });
    // What may fail comes first, so that a failure leaves the fronts as they were.
    m_Fronts.reserve(MaxFronts);
    m_FrontStartsWholeKey.reserve(MaxFronts);
    m_FrontRelated.reserve(MaxFronts);
    QString text = front.toString();
    const size_t made = m_Fronts.size();
    quint64 related = 0;
    for (size_t i = 0; i < made; ++i) {
        if (m_Fronts[i].startsWith(front) || front.startsWith(m_Fronts[i])) {
            related |= quint64(1) << i;
            m_FrontRelated[i] |= quint64(1) << made;
        }
    }
    m_Fronts.push_back(std::move(text));
    m_FrontStartsWholeKey.push_back(startsWholeKey);
    m_FrontRelated.push_back(related);
    m_FrontsByHead[front.front().unicode() % m_FrontsByHead.size()] |= quint64(1) << made;
    return qint32(made);
}

// A key kept as a front is its front followed by its parent's whole key, and its node
// stands at most FrontReach nodes after that parent.
qint32 TreeModel::FindByFront(QStringView key, qint32 knownParent, qint32 knownFront) const {
    if (knownParent == NoNode || knownFront < 0) {
        for (quint64 heads = FrontsStarting(key); heads != 0; heads &= heads - 1)
            if (const qint32 node = FindUnderFront(key, size_t(std::countr_zero(heads)));
                node != NoNode)
                return node;
        return NoNode;
    }
    if (FrontTaken(knownParent, size_t(knownFront)))
        return FindChildByFront(knownParent, size_t(knownFront));
    // Another front can start the key only if one of the two starts the other.
    for (quint64 others = m_FrontRelated[size_t(knownFront)]; others != 0; others &= others - 1)
        if (const qint32 node = FindUnderFront(key, size_t(std::countr_zero(others)));
            node != NoNode)
            return node;
    return NoNode;
}

qint32 TreeModel::FindUnderFront(QStringView key, size_t front) const {
    const QString& text = m_Fronts[front];
    if (key.size() <= text.size() || text.front() != key.front() || !key.startsWith(text))
        return NoNode;
    const QStringView rest = key.sliced(text.size());
    const quint32 parent = m_Keys.Find(KeyHash(rest), HasKey(rest));
    return parent == m_Keys.None ? NoNode : FindChildByFront(qint32(parent), front);
}

qint32 TreeModel::FindChildByFront(qint32 parent, size_t front) const {
    const qint32 last = qint32(std::min(qint64(m_Count), qint64(parent) + FrontReach));
    for (qint32 node = parent + 1; node <= last; ++node)
        if (const Node& n = At(node); n.Key == quint32(front) + 1 && n.Parent == parent)
            return node;
    return NoNode;
}

TreeModel::ChildList& TreeModel::ListOf(Branch& parent) {
    if (!parent.HasList) {
        ChildList list;
        list.Items.reserve(size_t(parent.ChildCount) + 1);
        m_Lists.reserve(m_Lists.size() + 1);
        // A listed child keeps its row in its branch.
        m_Branches.MakeRoom(size_t(parent.ChildCount) + 1);
        for (qint32 i = 0; i < parent.ChildCount; ++i) {
            list.Items.push_back(parent.Children + i);
            MakeBranch(parent.Children + i).Row = quint32(i);
        }
        list.Settled = parent.ChildCount;
        m_Lists.push_back(std::move(list));
        parent.Children = qint32(m_Lists.size() - 1);
        parent.HasList = true;
    }
    return m_Lists[size_t(parent.Children)];
}

void TreeModel::LinkChild(qint32 parent, qint32 child) {
    At(child).Parent = parent;
    // Branches never move, so p stays valid as more are made, and the last parent's is
    // kept for its next child.
    if (parent != m_LinkParent) {
        m_LinkBranch = &MakeBranch(parent);
        m_LinkParent = parent;
    }
    Branch& p = *m_LinkBranch;
    if (!p.HasList && !p.IsSorted && (p.ChildCount == 0 || p.Children + p.ChildCount == child)) {
        if (p.ChildCount == 0) p.Children = child;
        ++p.ChildCount;
        return;
    }
    ChildList& list = ListOf(p);
    list.Items.push_back(child);
    Branch& c = MakeBranch(child);
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

// Latin-1 folded by table: the same units as the general fold below gives them.
const std::array<char16_t, 256>& Latin1Folded() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> folded{};
        for (char16_t c = 0; c < 256; ++c)
            folded[c] = c < 0x80 ? AsciiLower(c) : char16_t(QChar::toCaseFolded(char32_t(c)));
        return folded;
    }();
    return table;
}

void AppendFolded(std::vector<char16_t>& out, QStringView text);

// The pool holds Latin-1 and UTF-16 alone.
void AppendFolded(std::vector<char16_t>& out, QAnyStringView any) {
    any.visit([&out](auto text) {
        if constexpr (std::is_same_v<decltype(text), QLatin1StringView>) {
            const std::array<char16_t, 256>& folded = Latin1Folded();
            for (const char c : text)
                out.push_back(folded[uchar(c)]);
        } else if constexpr (std::is_same_v<decltype(text), QStringView>) {
            AppendFolded(out, text);
        } else {
            const QString wide = QString::fromUtf8(text.data(), text.size());
            AppendFolded(out, QStringView(wide));
        }
    });
}

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

void TreeModel::Settle(const Branch& parent) const {
    if (!parent.HasList) return;
    ChildList& list = m_Lists[size_t(parent.Children)];
    const qint32 size = qint32(list.Items.size());
    if (!list.Resort && list.Settled == size) return;

    std::vector<char16_t> folded;
    std::vector<SortKey> keys;
    keys.reserve(size_t(size));
    for (const qint32 node : list.Items) {
        const qint32 offset = qint32(folded.size());
        AppendFolded(folded, Read(At(node).Text));
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

    // Every listed child has a branch, and branches can be written from a const read.
    for (qint32 row = 0; row < size; ++row) {
        const qint32 node = keys[size_t(row)].Node;
        list.Items[size_t(row)] = node;
        m_Branches[At(node).Branch].Row = quint32(row);
    }
    list.Settled = size;
    list.Resort = false;
}

qint32 TreeModel::Find(QStringView key) const {
    if (key.isEmpty()) return NoNode;
    const quint32 node = m_Keys.Find(KeyHash(key), HasKey(key));
    return node == m_Keys.None ? FindByFront(key, NoNode, -1) : qint32(node);
}

QString TreeModel::Key(qint32 node) const {
    const Node& n = Checked(node);
    if (!n.KeyIsFront()) return Read(n.Key).toString();
    QString key = m_Fronts[n.Key - 1];
    AppendText(key, Read(At(n.Parent).Key));
    return key;
}

QAnyStringView TreeModel::Text(qint32 node) const { return Read(Checked(node).Text); }

void TreeModel::SetText(qint32 node, QAnyStringView text) {
    Node& n = Checked(node);
    n.Text = m_Texts->Keep(text, TextHash(text));
    // The parent has a branch: it has this child.
    if (Branch& parent = MakeBranch(n.Parent); parent.IsSorted) ListOf(parent).Resort = true;
}

qint32 TreeModel::Image(qint32 node) const {
    Checked(node);
    return ImageOf(node);
}

void TreeModel::SetImage(qint32 node, qint32 image) {
    Checked(node);
    if (image < 0 || image > std::numeric_limits<qint16>::max())
        RaiseTree(35600, u"Index out of bounds"_s);
    if (image < LargeImage) {
        ImageByte(node) = quint8(image);
        if (!m_LargeImages.empty()) m_LargeImages.erase(node);
    } else {
        m_LargeImages[node] = qint16(image);
        ImageByte(node) = LargeImage;
    }
}

bool TreeModel::Sorted(qint32 node) const {
    Checked(node);
    return BranchOf(node).IsSorted;
}

void TreeModel::SetSorted(qint32 node, bool sorted) {
    if (node != NoNode) Checked(node);
    if (!sorted && !BranchOf(node).IsSorted) return;
    Branch& n = MakeBranch(node);
    if (sorted) {
        if (n.ChildCount > 0) ListOf(n).Resort = true;
    } else {
        Settle(n);
    }
    n.IsSorted = sorted;
}

bool TreeModel::RootSorted() const { return m_Branches[0].IsSorted; }

void TreeModel::SetRootSorted(bool sorted) { SetSorted(NoNode, sorted); }

qint32 TreeModel::Parent(qint32 node) const { return Checked(node).Parent; }

qint32 TreeModel::Depth(qint32 node) const {
    qint32 depth = 0;
    for (qint32 p = Checked(node).Parent; p != NoNode; p = At(p).Parent)
        ++depth;
    return depth;
}

qint32 TreeModel::ChildCount(qint32 parent) const {
    if (parent != NoNode) Checked(parent);
    return BranchOf(parent).ChildCount;
}

qint32 TreeModel::Child(qint32 parent, qint32 row) const {
    if (parent != NoNode) Checked(parent);
    const Branch& p = BranchOf(parent);
    if (row < 0 || row >= p.ChildCount) RaiseTree(35600, u"Index out of bounds"_s);
    return ChildAt(p, row);
}

qint32 TreeModel::ChildAt(const Branch& parent, qint32 row) const {
    if (!parent.HasList) return parent.Children + row;
    Settle(parent);
    return m_Lists[size_t(parent.Children)].Items[size_t(row)];
}

qint32 TreeModel::Row(qint32 node) const {
    Checked(node);
    return RowOf(node);
}

qint32 TreeModel::RowOf(qint32 node) const {
    const Branch& parent = BranchOf(At(node).Parent);
    if (!parent.HasList) return node - qint32(parent.Children);
    Settle(parent);
    return qint32(BranchOf(node).Row);
}

QAnyStringView TreeModel::Text(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? Read(n->Text) : QAnyStringView();
}

qint32 TreeModel::Image(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? ImageOf(node) : 0;
}

qint32 TreeModel::Parent(qint32 node, std::nothrow_t) const noexcept {
    const Node* n = Known(node);
    return n ? n->Parent : NoNode;
}

qint32 TreeModel::ChildCount(qint32 parent, std::nothrow_t) const noexcept {
    const Branch* p = KnownBranch(parent);
    return p ? p->ChildCount : 0;
}

qint32 TreeModel::Child(qint32 parent, qint32 row, std::nothrow_t) const noexcept {
    const Branch* p = KnownBranch(parent);
    if (!p) return NoNode;
    Q_ASSERT_X(row >= 0 && row < p->ChildCount, "TreeModel", "row out of range");
    if (row < 0 || row >= p->ChildCount) return NoNode;
    return ChildAt(*p, row);
}

qint32 TreeModel::Row(qint32 node, std::nothrow_t) const noexcept {
    return Known(node) ? RowOf(node) : 0;
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
