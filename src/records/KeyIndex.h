#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// Keys compare without regard to letter case.
size_t CaseInsensitiveHash(QStringView key) noexcept;
bool CaseInsensitiveEqual(QStringView a, QStringView b) noexcept;

// A key with its hash, so that one key used for several lookups is hashed once.
struct HashedKey {
    HashedKey(QStringView key) : Key(key), Hash(CaseInsensitiveHash(key)) {}
    HashedKey(const QString& key) : HashedKey(QStringView(key)) {}
    HashedKey(QStringView key, size_t hash) : Key(key), Hash(hash) {}
    QStringView Key;
    size_t Hash;
};

// An open-addressing index from case-insensitive keys to slot numbers. The keys themselves
// live with their items; the index keeps each key's hash and slot, so a lookup by a view
// costs one hash and usually one comparison, and allocates nothing.
class KeyIndex {
public:
    static constexpr quint32 None = 0xFFFFFFFF;

    // keyOfSlot(slot) must give the key stored for that slot.
    template <class KeyOf> quint32 Find(const HashedKey& hashed, KeyOf&& keyOfSlot) const {
        if (m_Live == 0) return None;
        const QStringView key = hashed.Key;
        const size_t hash = hashed.Hash;
        for (size_t i = hash & m_Mask;; i = (i + 1) & m_Mask) {
            const Cell& cell = m_Cells[i];
            if (cell.Slot == Empty) return None;
            if (cell.Slot != Deleted && cell.Hash == hash &&
                CaseInsensitiveEqual(keyOfSlot(cell.Slot), key))
                return cell.Slot;
        }
    }

    void Insert(const HashedKey& key, quint32 slot);

    // Removes the cell of the key at that slot, if present.
    template <class KeyOf> bool Erase(const HashedKey& hashed, KeyOf&& keyOfSlot) {
        if (m_Live == 0) return false;
        const QStringView key = hashed.Key;
        const size_t hash = hashed.Hash;
        for (size_t i = hash & m_Mask;; i = (i + 1) & m_Mask) {
            Cell& cell = m_Cells[i];
            if (cell.Slot == Empty) return false;
            if (cell.Slot != Deleted && cell.Hash == hash &&
                CaseInsensitiveEqual(keyOfSlot(cell.Slot), key)) {
                cell.Slot = Deleted;
                --m_Live;
                ++m_Deleted;
                return true;
            }
        }
    }

    // Points the key's cell at another slot (after the items were compacted).
    template <class KeyOf> void Remap(const HashedKey& hashed, quint32 newSlot, KeyOf&& keyOfSlot) {
        const QStringView key = hashed.Key;
        const size_t hash = hashed.Hash;
        for (size_t i = hash & m_Mask;; i = (i + 1) & m_Mask) {
            Cell& cell = m_Cells[i];
            if (cell.Slot == Empty) return;
            if (cell.Slot != Deleted && cell.Hash == hash &&
                CaseInsensitiveEqual(keyOfSlot(cell.Slot), key)) {
                cell.Slot = newSlot;
                return;
            }
        }
    }

    void Clear();
    size_t Size() const { return m_Live; }

private:
    static constexpr quint32 Empty = 0xFFFFFFFF;
    static constexpr quint32 Deleted = 0xFFFFFFFE;
    struct Cell {
        size_t Hash;
        quint32 Slot;
    };
    void Grow();

    std::vector<Cell> m_Cells;
    size_t m_Mask = 0;
    size_t m_Live = 0;
    size_t m_Deleted = 0;
};
