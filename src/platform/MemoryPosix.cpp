#include "platform/Memory.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <unordered_map>

namespace PlatformMemory {

namespace {
constexpr std::size_t HugePage = std::size_t(2) << 20;

// Huge pages pay while they are few. A log's first hundred megabytes of records fit in
// them and are read at random all through the pass; past that, each new 2 MB page must be
// found whole and fresh, and on a virtual machine that hands free memory back to its host
// the first touch of one costs the host's faults for all of it: a gigabyte log then spent
// longer faulting its tree in than building it.
constexpr std::size_t HugeBudget = std::size_t(128) << 20;

// The aligned blocks mapped here, with their sizes and whether they count against the
// budget: a few hundred at most on a gigabyte log.
struct MappedBlocks {
    struct Block {
        std::size_t Bytes;
        bool Huge;
    };
    std::mutex Lock;
    std::unordered_map<char*, Block> Blocks;
    std::size_t Held = 0;
    std::size_t HugeHeld = 0;
};
MappedBlocks& Mapped() {
    // Never destroyed: blocks held by static objects may come back after exit begins.
    static MappedBlocks* const blocks = new MappedBlocks;
    return *blocks;
}

// Maps bytes (a multiple of HugePage) at a HugePage boundary. The heap's aligned blocks
// of this size are mappings of twice as much, half of it never used: the allocator's own
// count of what it holds then reads double.
char* MapAligned(std::size_t bytes) {
    const std::size_t span = bytes + HugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    char* const start = static_cast<char*>(raw);
    const std::uintptr_t misalign = reinterpret_cast<std::uintptr_t>(start) & (HugePage - 1);
    char* const block = misalign == 0 ? start : start + (HugePage - misalign);
    if (block != start) munmap(start, std::size_t(block - start));
    if (char* const end = block + bytes; end != start + span)
        munmap(end, std::size_t(start + span - end));
    return block;
}
} // namespace

char* AllocateBlock(std::size_t bytes, Access access) {
    if (bytes < HugePage || access == Access::InOrder) {
        void* small = std::malloc(bytes > 0 ? bytes : 1);
        if (!small) throw std::bad_alloc();
        return static_cast<char*>(small);
    }
    if (bytes > std::size_t(-1) - 2 * HugePage) throw std::bad_alloc();
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    char* const block = MapAligned(rounded);
    MappedBlocks& mapped = Mapped();
    const std::lock_guard lock(mapped.Lock);
    const bool huge = mapped.HugeHeld + rounded <= HugeBudget;
    try {
        mapped.Blocks.emplace(block, MappedBlocks::Block{rounded, huge});
    } catch (...) {
        munmap(block, rounded);
        throw;
    }
    mapped.Held += rounded;
    if (huge) {
        mapped.HugeHeld += rounded;
#ifdef MADV_HUGEPAGE
        madvise(block, rounded, MADV_HUGEPAGE);
#endif
    }
    return block;
}

void FreeBlock(char* block) noexcept {
    if (!block) return;
    {
        MappedBlocks& mapped = Mapped();
        const std::lock_guard lock(mapped.Lock);
        if (const auto it = mapped.Blocks.find(block); it != mapped.Blocks.end()) {
            const MappedBlocks::Block held = it->second;
            mapped.Blocks.erase(it);
            mapped.Held -= held.Bytes;
            if (held.Huge) mapped.HugeHeld -= held.Bytes;
            munmap(block, held.Bytes);
            return;
        }
    }
    std::free(block);
}

std::size_t MappedBytes() noexcept {
    MappedBlocks& mapped = Mapped();
    const std::lock_guard lock(mapped.Lock);
    return mapped.Held;
}

} // namespace PlatformMemory
