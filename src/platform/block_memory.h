// Memory for the document's data block: one block of any size, allocated without throwing and
// released by the same layer, so that a large block may come from memory the kernel can back
// with large pages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// nullptr when the memory cannot be had. The contents are undefined.
uint8_t* AllocateDataBlock(std::size_t bytes);
// Releases a block of AllocateDataBlock; nullptr is ignored.
void ReleaseDataBlock(uint8_t* block);

} // namespace platform
