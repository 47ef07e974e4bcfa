// Large blocks that are filled once, such as the result buffer of a read: the kernel is asked to
// back them with huge pages, so that filling 700 MB of fresh memory costs a few hundred page
// faults instead of two hundred thousand. The block stays what it was (memory of new[]).
#pragma once

#include <cstddef>

namespace platform {

// Advises huge pages for the whole 2 MiB pages inside [block, block + bytes); blocks under
// 8 MiB are left alone.
void AdviseHugePages(void* block, size_t bytes);

} // namespace platform
