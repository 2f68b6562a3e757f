#include "platform/Memory.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace PlatformMemory {

namespace {
constexpr std::size_t HugePage = std::size_t(2) << 20;
}

char* AllocateBlock(std::size_t bytes, Access access) {
    if (bytes < HugePage || access == Access::InOrder) {
        void* small = std::malloc(bytes > 0 ? bytes : 1);
        if (!small) throw std::bad_alloc();
        return static_cast<char*>(small);
    }
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    void* data = std::aligned_alloc(HugePage, rounded);
    if (!data) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(data, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<char*>(data);
}

void FreeBlock(char* block) noexcept { std::free(block); }

} // namespace PlatformMemory
