#pragma once

#include <bit>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

// An array that grows at its end in chunks that never move. The first two chunks hold 64
// elements each and every later one as many as all before it, so there is never more than
// as much room again as is used, as in a vector; but growing copies nothing, and each page
// is touched once, when it is first filled. A million records' slots in a vector were
// copied and faulted in about three times over. Reading an element costs one load more.
template <class T> class ChunkedArray {
public:
    ChunkedArray() = default;
    ChunkedArray(ChunkedArray&& other) noexcept { TakeFrom(other); }
    ChunkedArray& operator=(ChunkedArray&& other) noexcept {
        if (this != &other) {
            Release();
            TakeFrom(other);
        }
        return *this;
    }
    ChunkedArray(const ChunkedArray&) = delete;
    ChunkedArray& operator=(const ChunkedArray&) = delete;
    ~ChunkedArray() { Release(); }

    std::size_t size() const { return m_Size; }
    T& operator[](std::size_t i) { return Place(i); }
    const T& operator[](std::size_t i) const { return Place(i); }

    // Room for more elements ahead of time, so that appending them cannot fail half-way.
    // Throws std::bad_alloc.
    void MakeRoom(std::size_t more = 1) {
        // Here, not on the class: an owner may hold an array of a type it defines later.
        static_assert(alignof(T) <= alignof(std::max_align_t));
        while (m_Room - m_Size < more) {
            const std::size_t size = ChunkSize(m_ChunkCount);
            void* chunk = std::malloc(size * sizeof(T));
            if (!chunk) throw std::bad_alloc();
            m_Chunks[m_ChunkCount++] = static_cast<T*>(chunk);
            m_Room += size;
        }
    }
    void push_back(T value) {
        MakeRoom();
        ::new (static_cast<void*>(&Place(m_Size))) T(std::move(value));
        ++m_Size;
    }
    // Drops the elements from size on; the room stays, as a vector's would.
    void Truncate(std::size_t size) {
        while (m_Size > size)
            Place(--m_Size).~T();
    }
    // Drops every element and gives the room back.
    void Release() noexcept {
        Truncate(0);
        for (int k = 0; k < m_ChunkCount; ++k)
            std::free(m_Chunks[k]);
        m_ChunkCount = 0;
        m_Room = 0;
    }

private:
    static constexpr int FirstBits = 6;
    static std::size_t ChunkSize(int k) {
        return std::size_t(1) << (k == 0 ? FirstBits : FirstBits + k - 1);
    }
    // Chunk k (from 1) starts at 2^(FirstBits + k - 1); chunk 0 at 0.
    T& Place(std::size_t i) const {
        const int k = int(std::bit_width(i >> FirstBits));
        const std::size_t start =
            (std::size_t(1) << (k + FirstBits - 1)) & ~((std::size_t(1) << FirstBits) - 1);
        return m_Chunks[k][i - start];
    }
    void TakeFrom(ChunkedArray& other) noexcept {
        for (int k = 0; k < other.m_ChunkCount; ++k)
            m_Chunks[k] = other.m_Chunks[k];
        m_ChunkCount = std::exchange(other.m_ChunkCount, 0);
        m_Size = std::exchange(other.m_Size, 0);
        m_Room = std::exchange(other.m_Room, 0);
    }

    T* m_Chunks[64 - FirstBits + 1] = {};
    int m_ChunkCount = 0;
    std::size_t m_Size = 0;
    std::size_t m_Room = 0;
};
