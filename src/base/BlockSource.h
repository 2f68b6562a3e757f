#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

// Where a collection's large arrays come from: the heap, unless its owner hands in another
// source (the analysis hands in the platform's large blocks, which sit on huge pages where
// the system offers them: filling a large array then faults in one page per 2 MB, and
// lookups that land anywhere in it miss the TLB less).
struct BlockSource {
    char* (*Allocate)(std::size_t bytes); // throws std::bad_alloc
    void (*Free)(char* block) noexcept;

    static BlockSource Heap() {
        return {[](std::size_t bytes) {
                    void* block = std::malloc(bytes > 0 ? bytes : 1);
                    if (!block) throw std::bad_alloc();
                    return static_cast<char*>(block);
                },
                [](char* block) noexcept { std::free(block); }};
    }
    bool operator==(const BlockSource& other) const {
        return Allocate == other.Allocate && Free == other.Free;
    }
};

// An allocator for std::vector and the like that takes arrays of at least LargeBytes from
// a BlockSource and smaller ones from the heap, so that small collections stay small.
template <class T> class BlockAllocator {
public:
    using value_type = T;
    static constexpr std::size_t LargeBytes = std::size_t(2) << 20;

    BlockAllocator() noexcept : m_Source(BlockSource::Heap()) {}
    explicit BlockAllocator(BlockSource source) noexcept : m_Source(source) {}
    template <class U>
    BlockAllocator(const BlockAllocator<U>& other) noexcept : m_Source(other.Source()) {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        if (n * sizeof(T) < LargeBytes) return std::allocator<T>().allocate(n);
        return reinterpret_cast<T*>(m_Source.Allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < LargeBytes)
            std::allocator<T>().deallocate(p, n);
        else
            m_Source.Free(reinterpret_cast<char*>(p));
    }

    BlockSource Source() const noexcept { return m_Source; }
    template <class U> bool operator==(const BlockAllocator<U>& other) const noexcept {
        return m_Source == other.Source();
    }

    // A collection moved or assigned takes its source along.
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;

private:
    BlockSource m_Source;
};
