#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/cdrom/cdrom_device.h"

using namespace platform;

namespace {

bool PageAligned(const void* block)
{
    return reinterpret_cast<uintptr_t>(block) % static_cast<uintptr_t>(sysconf(_SC_PAGESIZE)) == 0;
}

bool AllZero(const void* block, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(block);
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

void* Allocate(size_t size)
{
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

} // namespace

// A block handed out again after a release must look like fresh memory: whatever the previous
// read left in it is gone, and blocks in use at the same time never overlap.
TEST(TransferMemory, BlocksAreZeroFilledAndPageAlignedWhenReused)
{
    constexpr size_t BLOCK = 27 * 2352;
    void* first = Allocate(BLOCK);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(PageAligned(first));
    EXPECT_TRUE(AllZero(first, BLOCK));
    std::memset(first, 0xA5, BLOCK);
    ASSERT_TRUE(VirtualFree(first, 0, MEM_RELEASE));

    void* again = Allocate(BLOCK);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(PageAligned(again));
    EXPECT_TRUE(AllZero(again, BLOCK));
    std::memset(again, 0x5A, BLOCK);

    void* second = Allocate(BLOCK);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(AllZero(second, BLOCK));
    const auto* a = static_cast<uint8_t*>(again);
    const auto* b = static_cast<uint8_t*>(second);
    EXPECT_TRUE(a + BLOCK <= b || b + BLOCK <= a);
    ASSERT_TRUE(VirtualFree(second, 0, MEM_RELEASE));
    ASSERT_TRUE(VirtualFree(again, 0, MEM_RELEASE));

    // A smaller block after a larger one: all of it usable, zero-filled.
    void* smaller = Allocate(BLOCK - 2352);
    ASSERT_NE(smaller, nullptr);
    EXPECT_TRUE(AllZero(smaller, BLOCK - 2352));
    static_cast<uint8_t*>(smaller)[BLOCK - 2353] = 1;
    ASSERT_TRUE(VirtualFree(smaller, 0, MEM_RELEASE));

    // A block released on one thread and one taken on another are separate too.
    void* other = nullptr;
    std::thread([&] {
        void* mine = Allocate(BLOCK);
        std::memset(mine, 0xFF, BLOCK);
        VirtualFree(mine, 0, MEM_RELEASE);
        other = Allocate(BLOCK);
        if (other && !AllZero(other, BLOCK))
            other = nullptr;
        VirtualFree(other, 0, MEM_RELEASE);
    }).join();
    EXPECT_NE(other, nullptr);
    void* here = Allocate(BLOCK);
    ASSERT_NE(here, nullptr);
    EXPECT_TRUE(AllZero(here, BLOCK));
    ASSERT_TRUE(VirtualFree(here, 0, MEM_RELEASE));
}
