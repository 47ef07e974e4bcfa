#include "platform/huge_pages.h"

#include <sys/mman.h>

namespace platform {

bool AdviseHugePages(void* block, uint64_t size)
{
    if (!block || size < 4 * HUGE_PAGE_SIZE)
        return false;
    const auto first = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t alignedStart = AlignUp(first, HUGE_PAGE_SIZE);
    const std::uintptr_t alignedEnd = (first + size) & ~(std::uintptr_t(HUGE_PAGE_SIZE) - 1);
    return alignedEnd > alignedStart &&
        madvise(reinterpret_cast<void*>(alignedStart), alignedEnd - alignedStart, MADV_HUGEPAGE) == 0;
}

} // namespace platform
