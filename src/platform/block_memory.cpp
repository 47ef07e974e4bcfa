#include "platform/block_memory.h"

#include <new>

namespace platform {

uint8_t* AllocateDataBlock(std::size_t bytes) { return new (std::nothrow) uint8_t[bytes]; }

void ReleaseDataBlock(uint8_t* block) { delete[] block; }

} // namespace platform
