// Large blocks that are about to be filled once, such as the result buffer of a read. The
// kernel is asked to back them with huge pages and to make their pages present in one call:
// filling 700 MB of fresh memory otherwise costs two hundred thousand page faults, each dear in a
// virtual machine and under load. The block stays what it was (memory of new[]).
#pragma once

#include <cstddef>

namespace platform {

// Advises huge pages for the whole 2 MiB pages inside [block, block + bytes), faults each of
// them in with one write (the block's contents are undefined anyway), then makes every page of
// the block present. Blocks under 8 MiB are left alone. False when the system has not
// the memory to back the block (it is then better refused than half filled); true when it has,
// or when it cannot tell (a kernel without MADV_POPULATE_WRITE).
bool PrepareLargeBlock(void* block, size_t bytes);

} // namespace platform
