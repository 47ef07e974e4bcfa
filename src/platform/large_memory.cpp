#include "platform/large_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

void AdviseHugePages(void* block, size_t bytes)
{
    constexpr uintptr_t HUGE_PAGE = 2u << 20;
    if (!block || bytes < 4 * HUGE_PAGE)
        return;
    const auto first = reinterpret_cast<uintptr_t>(block);
    const uintptr_t start = (first + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t end = (first + bytes) & ~(HUGE_PAGE - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace platform
