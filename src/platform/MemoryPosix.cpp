#include "platform/Memory.h"

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

// The blocks on huge pages, with their sizes: a few dozen at most, the budget's worth.
struct HugeBlocks {
    std::mutex Lock;
    std::unordered_map<char*, std::size_t> Sizes;
    std::size_t Held = 0;
};
HugeBlocks& Huge() {
    // Never destroyed: blocks held by static objects may come back after exit begins.
    static HugeBlocks* const blocks = new HugeBlocks;
    return *blocks;
}

void MarkHugeIfRoom(char* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    HugeBlocks& huge = Huge();
    const std::lock_guard lock(huge.Lock);
    if (huge.Held + bytes > HugeBudget) return;
    huge.Sizes.emplace(block, bytes); // may throw bad_alloc; the block is then freed
    huge.Held += bytes;
    madvise(block, bytes, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}
} // namespace

char* AllocateBlock(std::size_t bytes, Access access) {
    if (bytes < HugePage || access == Access::InOrder) {
        void* small = std::malloc(bytes > 0 ? bytes : 1);
        if (!small) throw std::bad_alloc();
        return static_cast<char*>(small);
    }
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    void* data = std::aligned_alloc(HugePage, rounded);
    if (!data) throw std::bad_alloc();
    try {
        MarkHugeIfRoom(static_cast<char*>(data), rounded);
    } catch (...) {
        std::free(data);
        throw;
    }
    return static_cast<char*>(data);
}

void FreeBlock(char* block) noexcept {
    if (!block) return;
    {
        HugeBlocks& huge = Huge();
        const std::lock_guard lock(huge.Lock);
        if (const auto it = huge.Sizes.find(block); it != huge.Sizes.end()) {
            huge.Held -= it->second;
            huge.Sizes.erase(it);
        }
    }
    std::free(block);
}

} // namespace PlatformMemory
