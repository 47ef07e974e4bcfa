// Large blocks of fresh memory backed by huge pages. The first touch of fresh memory faults it
// in one 4 KiB page at a time, which for blocks of hundreds of megabytes costs many times the
// copy that fills them; asked for huge pages, the kernel faults in 2 MiB at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::size_t HUGE_PAGE_SIZE = std::size_t(2) << 20;

// value rounded up to a multiple of unit, a power of two (a page, a huge page).
constexpr std::uintptr_t AlignUp(std::uintptr_t value, std::uintptr_t unit) { return (value + unit - 1) & ~(unit - 1); }

// Advises huge pages for the whole 2 MiB pages inside [block, block + size), for blocks of at
// least four of them (a smaller one is left as it is). The block stays the caller's, allocated
// and released as before; the advice is only a wish the kernel may ignore. True when the advice
// was taken for at least one huge page.
bool AdviseHugePages(void* block, uint64_t size);

} // namespace platform
