// Memory for the document's data block: one block of any size, allocated without throwing and
// released by the same layer. A large block is a mapping of its own on huge page bounds, and the
// last one released is kept, its memory left for the kernel to take back when it needs it, so
// that the next large block can be made of pages that are still present.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// nullptr when the memory cannot be had. The contents are undefined.
uint8_t* AllocateDataBlock(std::size_t bytes);
// Releases a block of AllocateDataBlock; nullptr is ignored.
void ReleaseDataBlock(uint8_t* block);

} // namespace platform
