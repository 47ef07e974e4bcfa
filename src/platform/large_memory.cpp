#include "platform/large_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14
#endif

namespace platform {

bool PrepareLargeBlock(void* block, size_t bytes)
{
    constexpr uintptr_t HUGE_PAGE = 2u << 20;
    if (!block || bytes < 4 * HUGE_PAGE)
        return true;
    const auto first = reinterpret_cast<uintptr_t>(block);
    const uintptr_t hugeStart = (first + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t hugeEnd = (first + bytes) & ~(HUGE_PAGE - 1);
    if (hugeEnd > hugeStart && madvise(reinterpret_cast<void*>(hugeStart), hugeEnd - hugeStart, MADV_HUGEPAGE) == 0) {
        // One write in each huge page has the kernel fault it in whole. Left to MADV_POPULATE_WRITE
        // alone, the same block takes twenty times as long on this kind of machine (measured: 2.6 s
        // against 0.12 s for 783 MB after a large file read), because population goes page by page.
        for (uintptr_t page = hugeStart; page < hugeEnd; page += HUGE_PAGE)
            *reinterpret_cast<volatile uint8_t*>(page) = 0;
    }
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (first + page - 1) & ~(page - 1);
    const uintptr_t end = (first + bytes) & ~(page - 1);
    if (end <= start)
        return true;
    while (madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) != 0) {
        if (errno == EINTR)
            continue;
        return errno != ENOMEM;
    }
    return true;
}

} // namespace platform
