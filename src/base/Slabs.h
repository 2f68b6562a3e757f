#pragma once

#include "base/BlockSource.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// Pieces of one size carved one after another from blocks of a BlockSource, and given back
// all at once: many small arrays that live as long as their owner sit on the source's
// large blocks (huge pages, where the platform offers them) rather than each on its own.
class Slabs {
public:
    Slabs(std::size_t pieceBytes, BlockSource source)
        : m_Piece((pieceBytes + Align - 1) / Align * Align), m_Source(source) {}
    ~Slabs() {
        for (char* block : m_Blocks)
            m_Source.Free(block);
    }
    Slabs(const Slabs&) = delete;
    Slabs& operator=(const Slabs&) = delete;

    // Room for a new piece, its bytes unset.
    char* Take() {
        if (m_Left < m_Piece) {
            // Blocks double up to a large one, so that a small tree stays small.
            const std::size_t bytes = std::max(m_BlockBytes, m_Piece);
            m_BlockBytes = std::min(m_BlockBytes * 2, LargeBytes);
            m_Blocks.reserve(m_Blocks.size() + 1);
            m_Next = m_Source.Allocate(bytes);
            m_Blocks.push_back(m_Next);
            m_Left = bytes;
        }
        char* piece = m_Next;
        m_Next += m_Piece;
        m_Left -= m_Piece;
        return piece;
    }

private:
    static constexpr std::size_t Align = alignof(std::max_align_t);
    static constexpr std::size_t LargeBytes = BlockAllocator<char>::LargeBytes;

    const std::size_t m_Piece;
    BlockSource m_Source;
    std::vector<char*> m_Blocks;
    char* m_Next = nullptr;
    std::size_t m_Left = 0;
    std::size_t m_BlockBytes = LargeBytes / 32;
};
