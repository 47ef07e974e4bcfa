// Memory for the document's data block: one block of any size, allocated without throwing and
// released by the same layer. A large block is a mapping of its own on huge page bounds, and the
// last one released is kept for a while, its memory left for the kernel to take back when it
// needs it, so that the next large block can be made of pages that are still present.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace platform {

// nullptr when the memory cannot be had. The contents are undefined.
uint8_t* AllocateDataBlock(std::size_t bytes);
// Releases a block of AllocateDataBlock; nullptr is ignored.
void ReleaseDataBlock(uint8_t* block);

// How long a released large block is kept for the next one: long enough for the blocks of reads
// that follow each other (the tracks of a rip, a read after a read, on a busy machine too),
// short enough that an idle program gives its memory back within a minute.
inline constexpr std::chrono::milliseconds KEPT_BLOCK_LIFETIME{60000};
// Another lifetime, open for tests.
void SetKeptBlockLifetime(std::chrono::milliseconds lifetime);

} // namespace platform
