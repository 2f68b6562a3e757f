#pragma once

#include "records/KeyIndex.h"
#include "records/modErrorHandling.h"

#include <QString>

#include <memory>
#include <vector>

// An ordered collection of owned items, each optionally filed under a key, addressed by
// 1-based position or by key (without regard to case). Removal leaves a hole that is closed
// lazily the next time a position is asked for, so removing from the middle never costs
// O(n) per call while the analysis pass only adds and looks up by key.
template <class T> class KeyedCollection {
public:
    // Appends under key (an empty key files the item without one). The key must be free.
    T* Append(std::unique_ptr<T> item, const QString& key, const HashedKey& hashed) {
        T* raw = item.get();
        if (!key.isEmpty()) m_Index.Insert(hashed.Hash, quint32(m_Slots.size()));
        m_Slots.push_back(Slot{std::move(item), key});
        ++m_Count;
        return raw;
    }

    bool ContainsKey(const HashedKey& key) const { return FindSlot(key) != KeyIndex::None; }

    T* Find(const HashedKey& key) const {
        const quint32 slot = FindSlot(key);
        return slot == KeyIndex::None ? nullptr : m_Slots[slot].Item.get();
    }

    // Item at a 1-based position, or null when out of range.
    T* At(qint64 position) const {
        if (position < 1 || position > m_Count) return nullptr;
        Compact();
        return m_Slots[size_t(position - 1)].Item.get();
    }

    qint32 Count() const { return qint32(m_Count); }

    // Takes the item under key out and appends it again at the end without a key.
    bool MoveToEndUnkeyed(const HashedKey& key) {
        const quint32 slot = FindSlot(key);
        if (slot == KeyIndex::None) return false;
        Unfile(key);
        std::unique_ptr<T> item = std::move(m_Slots[slot].Item);
        m_Slots[slot].Key.clear();
        ++m_Holes;
        m_Slots.push_back(Slot{std::move(item), QString()});
        return true;
    }

    bool RemoveKey(const HashedKey& key) {
        const quint32 slot = FindSlot(key);
        if (slot == KeyIndex::None) return false;
        Unfile(key);
        ClearSlot(slot);
        return true;
    }

    bool RemoveAt(qint64 position) {
        if (position < 1 || position > m_Count) return false;
        Compact();
        const size_t slot = size_t(position - 1);
        if (!m_Slots[slot].Key.isEmpty()) Unfile(HashedKey(m_Slots[slot].Key));
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
        m_Slots.clear();
        m_Index.Clear();
        m_Count = 0;
        m_Holes = 0;
    }

    // Visits the items in collection order.
    template <class Visit> void ForEach(Visit&& visit) const {
        for (const Slot& slot : m_Slots)
            if (slot.Item) visit(*slot.Item);
    }

private:
    struct Slot {
        std::unique_ptr<T> Item;
        QString Key;
    };

    // Whether the item in a slot is filed under key, letter case aside.
    auto Holds(QStringView key) const {
        return [this, key](quint32 slot) { return CaseInsensitiveEqual(m_Slots[slot].Key, key); };
    }

    quint32 FindSlot(const HashedKey& key) const {
        return key.Key.isEmpty() ? KeyIndex::None : m_Index.Find(key.Hash, Holds(key.Key));
    }

    void Unfile(const HashedKey& key) { m_Index.Erase(key.Hash, Holds(key.Key)); }

    void ClearSlot(size_t slot) {
        m_Slots[slot].Item.reset();
        m_Slots[slot].Key.clear();
        --m_Count;
        ++m_Holes;
    }

    void Compact() const {
        if (m_Holes == 0) return;
        size_t out = 0;
        for (size_t in = 0; in < m_Slots.size(); ++in) {
            if (!m_Slots[in].Item) continue;
            if (out != in) {
                if (!m_Slots[in].Key.isEmpty()) {
                    const HashedKey key(m_Slots[in].Key);
                    m_Index.Remap(key.Hash, quint32(out), Holds(key.Key));
                }
                m_Slots[out] = std::move(m_Slots[in]);
            }
            ++out;
        }
        m_Slots.resize(out);
        m_Holes = 0;
    }

    mutable std::vector<Slot> m_Slots;
    mutable KeyIndex m_Index;
    qint64 m_Count = 0;
    mutable qint64 m_Holes = 0;
};
