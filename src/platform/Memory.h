#pragma once

#include <cstddef>

// Large blocks for the loaded lines. Where the system offers it they are aligned to huge
// pages and marked for them: filling a block then faults in four pages instead of two
// thousand. Throws std::bad_alloc when there is no memory.
namespace PlatformMemory {

char* AllocateBlock(std::size_t bytes);
void FreeBlock(char* block) noexcept;

} // namespace PlatformMemory
