#pragma once

#include "base/BlockSource.h"
#include "base/ChunkedArray.h"
#include "records/KeyIndex.h"
#include "records/TextArena.h"
#include "records/modErrorHandling.h"

#include <QString>

#include <algorithm>
#include <memory>
#include <vector>

// Makes room for more elements ahead of time, growing by half again as much at least, so
// that what follows cannot fail half-way for want of memory.
template <class Vector> void MakeRoomFor(Vector& vector, size_t more = 1) {
    if (vector.capacity() - vector.size() >= more) return;
    vector.reserve(std::max(vector.size() + more, vector.capacity() + vector.capacity() / 2 + 8));
}

// Items kept in blocks that never move, so that a pointer to one stays good while it is in
// the collection; a removed item's place is taken by the next one added. A collection of a
// million records makes a few hundred allocations rather than a million. Blocks grow to
// one large block each, which comes from the collection's source.
template <class T> class ItemPool {
public:
    explicit ItemPool(BlockSource source = BlockSource::Heap()) : m_Source(source) {}

    T* Take(T&& value) {
        T* item = nullptr;
        if (!m_Free.empty()) {
            item = m_Free.back();
            m_Free.pop_back();
        } else {
            if (m_Used == m_BlockSize) {
                const size_t size = m_Blocks.empty() ? 16 : std::min(m_BlockSize * 2, LargeItems);
                MakeRoomFor(m_Blocks);
                m_Blocks.push_back(NewBlock(size));
                m_BlockSize = size;
                m_Used = 0;
            }
            item = &m_Blocks.back()[m_Used++];
        }
        *item = std::move(value);
        return item;
    }
    void Give(T* item) {
        *item = T();
        m_Free.push_back(item);
    }
    void Clear() {
        m_Blocks.clear();
        m_Free.clear();
        m_BlockSize = m_Used = 0;
    }

private:
    static constexpr size_t LargeItems = BlockAllocator<T>::LargeBytes / sizeof(T);
    struct Release {
        BlockSource Source;
        size_t Size;
        size_t Made = 0; // items made so far
        void operator()(T* block) const noexcept {
            std::destroy_n(block, Made);
            if (Size == LargeItems)
                Source.Free(reinterpret_cast<char*>(block));
            else
                std::allocator<T>().deallocate(block, Size);
        }
    };
    using Block = std::unique_ptr<T[], Release>;

    Block NewBlock(size_t size) {
        // A large block is taken whole, so that it fills its huge page.
        T* raw = size == LargeItems
                     ? reinterpret_cast<T*>(m_Source.Allocate(BlockAllocator<T>::LargeBytes))
                     : std::allocator<T>().allocate(size);
        Block block(raw, Release{m_Source, size});
        std::uninitialized_value_construct_n(raw, size);
        block.get_deleter().Made = size;
        return block;
    }

    BlockSource m_Source;
    std::vector<Block> m_Blocks;
    std::vector<T*> m_Free;
    size_t m_BlockSize = 0;
    size_t m_Used = 0;
};

// How a collection keeps its keys: as strings of its own.
struct StringKeys {
    using Key = QString;
    static bool IsEmpty(const QString& key) { return key.isEmpty(); }
    bool Matches(const QString& key, const HashedKey& wanted) const {
        return wanted.Matches(QStringView(key));
    }
};

// Or as texts in an arena that the owner keeps.
struct PackedKeys {
    using Key = PackedText;
    const TextArena* Arena = nullptr;
    static bool IsEmpty(PackedText key) { return key.IsEmpty(); }
    bool Matches(PackedText key, const HashedKey& wanted) const {
        return Arena->IsLatin1(key) ? wanted.Matches(Arena->Latin1(key))
                                    : wanted.Matches(Arena->Wide(key));
    }
};

// An ordered collection of items, each optionally filed under a key, addressed by 1-based
// position or by key (without regard to case). Removal leaves a hole that is closed lazily
// the next time a position is asked for, so removing from the middle never costs O(n) per
// call while the analysis pass only adds and looks up by key. Each slot keeps its key's
// hash, worked out once by whoever filed it.
template <class T, class Keys = StringKeys> class KeyedCollection {
public:
    using Key = typename Keys::Key;

    explicit KeyedCollection(Keys keys = Keys(), BlockSource source = BlockSource::Heap())
        : m_Keys(keys), m_Items(source), m_Index(source) {}

    // Appends under key (an empty key files the item without one). The key must be free.
    T* Append(T item, const Key& key, const HashedKey& hashed) {
        // Once most slots are holes, closing them costs less than growing past them: the
        // slots of a collection that keeps few items for long (the open downloads) stay few.
        if (m_Holes > m_Count && m_Holes >= 64) Compact();
        m_Slots.MakeRoom();
        T* raw = m_Items.Take(std::move(item));
        const bool filed = !Keys::IsEmpty(key);
        if (filed) {
            try {
                m_Index.Insert(hashed.Hash(), quint32(m_Slots.size()));
            } catch (...) {
                m_Items.Give(raw);
                throw;
            }
        }
        m_Slots.push_back(Slot{raw, filed ? key : Key(), filed ? hashed.Hash() : 0});
        ++m_Count;
        return raw;
    }

    bool ContainsKey(const HashedKey& key) const { return FindSlot(key) != KeyIndex::None; }

    T* Find(const HashedKey& key) const {
        const quint32 slot = FindSlot(key);
        return slot == KeyIndex::None ? nullptr : m_Slots[slot].Item;
    }

    // Item at a 1-based position, or null when out of range.
    T* At(qint64 position) const {
        if (position < 1 || position > m_Count) return nullptr;
        Compact();
        return m_Slots[size_t(position - 1)].Item;
    }

    qint32 Count() const { return qint32(m_Count); }
    // Closes the gaps removals left, which a read by position would otherwise do: after
    // this, reads by position change nothing, and other threads may make them.
    void Settle() const { Compact(); }

    // Takes the item under key out and appends it again at the end without a key; returns
    // that item, or null when no item holds the key.
    T* MoveToEndUnkeyed(const HashedKey& key) {
        const quint32 slot = FindSlot(key);
        if (slot == KeyIndex::None) return nullptr;
        m_Slots.MakeRoom();
        Unfile(slot);
        T* item = m_Slots[slot].Item;
        m_Slots[slot] = Slot{};
        ++m_Holes;
        m_Slots.push_back(Slot{item, Key(), 0});
        return item;
    }

    bool RemoveKey(const HashedKey& key) {
        const quint32 slot = FindSlot(key);
        if (slot == KeyIndex::None) return false;
        Unfile(slot);
        ClearSlot(slot);
        return true;
    }

    bool RemoveAt(qint64 position) {
        if (position < 1 || position > m_Count) return false;
        Compact();
        const size_t slot = size_t(position - 1);
        if (!Keys::IsEmpty(m_Slots[slot].Filed)) Unfile(quint32(slot));
        ClearSlot(slot);
        return true;
    }

    // Removal as the collection classes offer it: a miss raises with the caller's source.
    void RemoveOrRaise(qint64 position, const QString& source) {
        if (!RemoveAt(position))
            RaiseRuntime(ErrorNumbers::SubscriptOutOfRange, source,
                         QStringLiteral("Subscript out of range"));
    }
    void RemoveOrRaise(const HashedKey& key, const QString& source) {
        if (!RemoveKey(key))
            RaiseRuntime(ErrorNumbers::InvalidArgument, source,
                         QStringLiteral("Invalid procedure call or argument"));
    }

    void Clear() {
        m_Slots.Release();
        m_Items.Clear();
        m_Index.Clear();
        m_Count = 0;
        m_Holes = 0;
    }

    // Visits the items in collection order.
    template <class Visit> void ForEach(Visit&& visit) const {
        for (size_t i = 0; i < m_Slots.size(); ++i)
            if (const Slot& slot = m_Slots[i]; slot.Item) visit(*slot.Item);
    }

private:
    struct Slot {
        T* Item = nullptr;
        Key Filed{};
        size_t Hash = 0;
    };

    // Whether the item in a slot is filed under key, letter case aside.
    auto Holds(const HashedKey& key) const {
        return [this, &key](quint32 slot) { return m_Keys.Matches(m_Slots[slot].Filed, key); };
    }
    // Whether the slot is the one asked for: a filed key is in one slot only.
    static auto IsSlot(quint32 wanted) {
        return [wanted](quint32 slot) { return slot == wanted; };
    }

    quint32 FindSlot(const HashedKey& key) const {
        return key.IsEmpty() ? KeyIndex::None : m_Index.Find(key.Hash(), Holds(key));
    }

    void Unfile(quint32 slot) { m_Index.Erase(m_Slots[slot].Hash, IsSlot(slot)); }

    void ClearSlot(size_t slot) {
        m_Items.Give(m_Slots[slot].Item);
        m_Slots[slot] = Slot{};
        --m_Count;
        ++m_Holes;
    }

    void Compact() const {
        if (m_Holes == 0) return;
        size_t out = 0;
        for (size_t in = 0; in < m_Slots.size(); ++in) {
            if (!m_Slots[in].Item) continue;
            if (out != in) {
                if (!Keys::IsEmpty(m_Slots[in].Filed))
                    m_Index.Remap(m_Slots[in].Hash, quint32(out), IsSlot(quint32(in)));
                m_Slots[out] = std::move(m_Slots[in]);
                m_Slots[in] = Slot{};
            }
            ++out;
        }
        m_Slots.Truncate(out);
        m_Holes = 0;
    }

    Keys m_Keys;
    // The slots stay on the heap: on huge pages they cost a gigabyte log more than they
    // saved, where the index and the items' blocks save (measured on two cores).
    mutable ChunkedArray<Slot> m_Slots;
    ItemPool<T> m_Items;
    mutable KeyIndex m_Index;
    qint64 m_Count = 0;
    mutable qint64 m_Holes = 0;
};
