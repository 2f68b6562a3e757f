#include "platform/Memory.h"

#include <cstdlib>
#include <new>

// Windows gives large pages only to privileged processes; plain heap blocks it is.
namespace PlatformMemory {

char* AllocateBlock(std::size_t bytes, Access) {
    void* data = std::malloc(bytes > 0 ? bytes : 1);
    if (!data) throw std::bad_alloc();
    return static_cast<char*>(data);
}

void FreeBlock(char* block) noexcept { std::free(block); }

std::size_t MappedBytes() noexcept { return 0; }

} // namespace PlatformMemory
