#pragma once

#include "base/BlockSource.h"

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <vector>

// An open-addressing index from keys to slot numbers, for items that keep their keys
// themselves. A cell holds only a key's hash and its item's slot; each call is handed
// matches(slot), which tells whether the item in that slot has the key sought. A lookup
// costs one hash, usually one key comparison, and no allocation.
//
// HashT is the width a cell keeps: 32 bits make 8-byte cells for a large index.
template <class HashT> class OpenIndex {
public:
    static constexpr quint32 None = 0xFFFFFFFF;

    explicit OpenIndex(BlockSource source = BlockSource::Heap())
        : m_Cells(BlockAllocator<Cell>(source)) {}

    // The slot filed under the key, or None.
    template <class Matches> quint32 Find(HashT hash, Matches&& matches) const {
        const qsizetype at = Locate(hash, matches);
        return at < 0 ? None : m_Cells[size_t(at)].Slot;
    }

    // Files a key the caller knows to be absent.
    void Insert(HashT hash, quint32 slot) {
        MakeRoom();
        size_t i = hash & m_Mask;
        while (m_Cells[i].Slot != Empty && m_Cells[i].Slot != Deleted)
            i = (i + 1) & m_Mask;
        File(qsizetype(i), hash, slot);
    }

    // The free cell the key would take, room made for it, or -1 when the key is filed
    // already: one probe both tests the key and finds its place. The place holds until the
    // index next changes; File takes it.
    template <class Matches> qsizetype Claim(HashT hash, Matches&& matches) {
        MakeRoom();
        qsizetype free = -1;
        for (size_t i = hash & m_Mask;; i = (i + 1) & m_Mask) {
            const Cell& cell = m_Cells[i];
            if (cell.Slot == Empty) return free >= 0 ? free : qsizetype(i);
            if (cell.Slot == Deleted) {
                if (free < 0) free = qsizetype(i);
            } else if (cell.Hash == hash && matches(cell.Slot)) {
                return -1;
            }
        }
    }

    void File(qsizetype place, HashT hash, quint32 slot) {
        Cell& cell = m_Cells[size_t(place)];
        if (cell.Slot == Deleted) --m_Deleted;
        cell = Cell{hash, slot};
        ++m_Live;
    }

    // Removes the key's cell, if it is there.
    template <class Matches> bool Erase(HashT hash, Matches&& matches) {
        const qsizetype at = Locate(hash, matches);
        if (at < 0) return false;
        m_Cells[size_t(at)].Slot = Deleted;
        --m_Live;
        ++m_Deleted;
        return true;
    }

    // Points the key's cell at another slot, as when the items were moved up.
    template <class Matches> bool Remap(HashT hash, quint32 newSlot, Matches&& matches) {
        const qsizetype at = Locate(hash, matches);
        if (at < 0) return false;
        m_Cells[size_t(at)].Slot = newSlot;
        return true;
    }

    size_t Size() const { return m_Live; }

    // Starts fetching the cell where a lookup of hash begins; it changes nothing.
    void Prefetch(HashT hash) const {
        if (!m_Cells.empty()) __builtin_prefetch(&m_Cells[hash & m_Mask]);
    }

    // Empties the index and gives its memory back.
    void Clear() {
        m_Cells = Cells(m_Cells.get_allocator());
        m_Mask = 0;
        m_Live = 0;
        m_Deleted = 0;
    }

    // Empties the index but keeps its cells, for a refill of about the same size.
    void Reset() {
        std::fill(m_Cells.begin(), m_Cells.end(), Cell{0, Empty});
        m_Live = 0;
        m_Deleted = 0;
    }

private:
    static constexpr quint32 Empty = 0xFFFFFFFF;
    static constexpr quint32 Deleted = 0xFFFFFFFE;
    struct Cell {
        HashT Hash;
        quint32 Slot;
    };

    template <class Matches> qsizetype Locate(HashT hash, Matches& matches) const {
        if (m_Live == 0) return -1;
        for (size_t i = hash & m_Mask;; i = (i + 1) & m_Mask) {
            const Cell& cell = m_Cells[i];
            if (cell.Slot == Empty) return -1;
            if (cell.Slot != Deleted && cell.Hash == hash && matches(cell.Slot))
                return qsizetype(i);
        }
    }

    // At most three quarters of the cells are taken, removed ones included, so every probe
    // ends at an empty cell.
    void MakeRoom() {
        if ((m_Live + m_Deleted + 1) * 4 >= m_Cells.size() * 3) Grow();
    }

    void Grow() {
        Cells old = std::move(m_Cells);
        m_Cells = Cells(old.get_allocator());
        size_t size = 16;
        while (size * 3 <= (m_Live + 1) * 4 * 2)
            size *= 2;
        m_Cells.assign(size, Cell{0, Empty});
        m_Mask = size - 1;
        m_Deleted = 0;
        for (const Cell& cell : old) {
            if (cell.Slot == Empty || cell.Slot == Deleted) continue;
            size_t i = cell.Hash & m_Mask;
            while (m_Cells[i].Slot != Empty)
                i = (i + 1) & m_Mask;
            m_Cells[i] = cell;
        }
    }

    using Cells = std::vector<Cell, BlockAllocator<Cell>>;
    Cells m_Cells;
    size_t m_Mask = 0;
    size_t m_Live = 0;
    size_t m_Deleted = 0;
};
