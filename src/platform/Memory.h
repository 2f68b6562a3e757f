#pragma once

#include "base/BlockSource.h"

#include <cstddef>

// Large blocks for the loaded lines and the records' texts. Throws std::bad_alloc when there
// is no memory.
namespace PlatformMemory {

// How a block is read. Blocks read at random (the records' texts, which every lookup
// reaches into) are aligned to huge pages and, up to a budget held at a time, marked for
// them where the system offers it: filling one then faults in one page per 2 MB, and
// lookups miss the TLB less. Blocks written and read once in order (the loaded lines) take
// ordinary pages: for those the kernel's search for free 2 MB runs costs more than the
// faults it saves, several times over on a gigabyte log.
enum class Access { Random, InOrder };

char* AllocateBlock(std::size_t bytes, Access access = Access::Random);
void FreeBlock(char* block) noexcept;

// The bytes of blocks held that the system maps outside the heap, which the heap's own
// count of what it holds does not see; 0 where every block comes from the heap.
std::size_t MappedBytes() noexcept;

// The same blocks, read at random, as a source for collections' large arrays.
inline BlockSource RandomBlocks() {
    return {[](std::size_t bytes) { return AllocateBlock(bytes); }, FreeBlock};
}

} // namespace PlatformMemory
