// The transfer memory behind VirtualAlloc: page-aligned and zero-filled every time, also when a
// released block is handed out again.
#include "platform/cdrom/cdrom_device.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

bool AllZero(const uint8_t* bytes, size_t size)
{
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

TEST(PageBlocks, EveryBlockIsAlignedAndZeroEvenWhenReused)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t size = 27 * 2352;
    std::vector<void*> seen;
    for (int round = 0; round < 6; ++round) {
        auto* block = static_cast<uint8_t*>(platform::VirtualAlloc(
            nullptr, size, platform::MEM_RESERVE | platform::MEM_COMMIT, platform::PAGE_READWRITE));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % page, 0u);
        // The whole rounded-up page run is there and clean.
        const size_t rounded = (size + page - 1) / page * page;
        EXPECT_TRUE(AllZero(block, rounded)) << "round " << round;
        std::memset(block, 0xEE, rounded);
        seen.push_back(block);
        EXPECT_TRUE(platform::VirtualFree(block, 0, platform::MEM_RELEASE));
    }
    // Several blocks at once are distinct, and blocks of other sizes are clean too.
    std::vector<uint8_t*> held;
    for (size_t bytes : {size, size, size_t{1}, size_t{32 * 2048}, size_t{5} << 20}) {
        auto* block = static_cast<uint8_t*>(platform::AllocatePageBlock(bytes));
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(AllZero(block, bytes));
        std::memset(block, 0x77, bytes);
        for (uint8_t* other : held)
            EXPECT_NE(block, other);
        held.push_back(block);
    }
    for (uint8_t* block : held)
        platform::ReleasePageBlock(block);
    // A block released on one thread is not handed to another one dirty.
    bool cleanOnOtherThread = false;
    std::thread([&] {
        auto* mine = static_cast<uint8_t*>(platform::AllocatePageBlock(size));
        std::memset(mine, 0xFF, size);
        platform::ReleasePageBlock(mine);
        auto* again = static_cast<uint8_t*>(platform::AllocatePageBlock(size));
        cleanOnOtherThread = again && AllZero(again, size);
        platform::ReleasePageBlock(again);
    }).join();
    EXPECT_TRUE(cleanOnOtherThread);
    auto* here = static_cast<uint8_t*>(platform::AllocatePageBlock(size));
    ASSERT_NE(here, nullptr);
    EXPECT_TRUE(AllZero(here, size));
    platform::ReleasePageBlock(here);

    EXPECT_EQ(platform::AllocatePageBlock(0), nullptr);
    EXPECT_EQ(platform::VirtualAlloc(nullptr, 0, platform::MEM_COMMIT, platform::PAGE_READWRITE), nullptr);
}

} // namespace
