#pragma once

#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

// Hash and equality for collection keys, which compare without regard to letter case.
struct CaseInsensitiveHash {
    size_t operator()(const QString& key) const noexcept;
};
struct CaseInsensitiveEqual {
    bool operator()(const QString& a, const QString& b) const noexcept {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }
};

// An ordered collection of owned items, each optionally filed under a key, addressed by
// 1-based position or by key. Removal leaves a hole that is closed lazily the next time
// a position is asked for, so removing from the middle never costs O(n) per call while
// the analysis pass only adds and looks up by key.
template <class T>
class KeyedCollection {
public:
    // Appends under key (an empty key files the item without one). The key must be free.
    T* Append(std::unique_ptr<T> item, const QString& key) {
        T* raw = item.get();
        if (!key.isEmpty())
            m_Index.emplace(key, m_Slots.size());
        m_Slots.push_back(Slot{std::move(item), key});
        ++m_Count;
        return raw;
    }

    bool ContainsKey(const QString& key) const {
        return !key.isEmpty() && m_Index.find(key) != m_Index.end();
    }

    T* Find(const QString& key) const {
        if (key.isEmpty())
            return nullptr;
        const auto it = m_Index.find(key);
        return it == m_Index.end() ? nullptr : m_Slots[it->second].Item.get();
    }

    // Item at a 1-based position, or null when out of range.
    T* At(qint64 position) const {
        if (position < 1 || position > m_Count)
            return nullptr;
        Compact();
        return m_Slots[size_t(position - 1)].Item.get();
    }

    qint32 Count() const { return qint32(m_Count); }

    // Takes the item under key out and appends it again at the end without a key.
    bool MoveToEndUnkeyed(const QString& key) {
        if (key.isEmpty())
            return false;
        const auto it = m_Index.find(key);
        if (it == m_Index.end())
            return false;
        Slot& slot = m_Slots[it->second];
        std::unique_ptr<T> item = std::move(slot.Item);
        slot.Key.clear();
        m_Index.erase(it);
        ++m_Holes;
        m_Slots.push_back(Slot{std::move(item), QString()});
        return true;
    }

    bool RemoveKey(const QString& key) {
        if (key.isEmpty())
            return false;
        const auto it = m_Index.find(key);
        if (it == m_Index.end())
            return false;
        ClearSlot(it->second);
        m_Index.erase(it);
        return true;
    }

    bool RemoveAt(qint64 position) {
        if (position < 1 || position > m_Count)
            return false;
        Compact();
        const size_t slot = size_t(position - 1);
        if (!m_Slots[slot].Key.isEmpty())
            m_Index.erase(m_Slots[slot].Key);
        ClearSlot(slot);
        return true;
    }

    void Clear() {
        m_Slots.clear();
        m_Index.clear();
        m_Count = 0;
        m_Holes = 0;
    }

    // Visits the items in collection order.
    template <class Visit>
    void ForEach(Visit&& visit) const {
        for (const Slot& slot : m_Slots)
            if (slot.Item)
                visit(*slot.Item);
    }

private:
    struct Slot {
        std::unique_ptr<T> Item;
        QString Key;
    };

    void ClearSlot(size_t slot) {
        m_Slots[slot].Item.reset();
        m_Slots[slot].Key.clear();
        --m_Count;
        ++m_Holes;
    }

    void Compact() const {
        if (m_Holes == 0)
            return;
        size_t out = 0;
        for (size_t in = 0; in < m_Slots.size(); ++in) {
            if (!m_Slots[in].Item)
                continue;
            if (out != in)
                m_Slots[out] = std::move(m_Slots[in]);
            if (!m_Slots[out].Key.isEmpty())
                m_Index[m_Slots[out].Key] = out;
            ++out;
        }
        m_Slots.resize(out);
        m_Holes = 0;
    }

    mutable std::vector<Slot> m_Slots;
    mutable std::unordered_map<QString, size_t, CaseInsensitiveHash, CaseInsensitiveEqual> m_Index;
    qint64 m_Count = 0;
    mutable qint64 m_Holes = 0;
};
