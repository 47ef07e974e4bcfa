#include "platform/block_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/large_memory.h"

using namespace platform;

namespace {

constexpr size_t MIB = size_t(1) << 20;

const size_t PAGE = static_cast<size_t>(sysconf(_SC_PAGESIZE));

uint8_t* PageOf(const uint8_t* at)
{
    return reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(at) & ~(uintptr_t(PAGE) - 1));
}

// Whether the page holding at is mapped at all (mincore fails with ENOMEM where nothing is).
bool Mapped(const uint8_t* at)
{
    unsigned char resident = 0;
    return mincore(PageOf(at), PAGE, &resident) == 0 || errno != ENOMEM;
}

// How many pages of [from, from + bytes) are not present in memory.
size_t MissingPages(const uint8_t* from, size_t bytes)
{
    uint8_t* const first = PageOf(from);
    const size_t pages = (static_cast<size_t>(from + bytes - first) + PAGE - 1) / PAGE;
    std::vector<unsigned char> resident(pages);
    if (mincore(first, pages * PAGE, resident.data()) != 0)
        return pages;
    size_t missing = 0;
    for (unsigned char page : resident)
        missing += (page & 1) == 0;
    return missing;
}

} // namespace

// A large block released is what the next large block is made of, cut down to the size asked
// for, so that its pages need not be faulted in again and nothing beyond it stays held. Blocks
// that do not fit, small blocks and impossible sizes are served (or refused) as ever.
TEST(BlockMemory, TheLastLargeBlockReleasedIsTakenAgainCutToSize)
{
    uint8_t* const first = AllocateDataBlock(64 * MIB);
    ASSERT_NE(first, nullptr);
    std::memset(first, 0x5a, 64 * MIB);
    ReleaseDataBlock(first);

    uint8_t* const second = AllocateDataBlock(10 * MIB);
    ASSERT_EQ(second, first);
    std::memset(second, 0xa5, 10 * MIB); // all of it is there to be written
    EXPECT_TRUE(Mapped(second + 10 * MIB - 1));
    EXPECT_FALSE(Mapped(first + 32 * MIB)); // the rest was given back
    EXPECT_FALSE(Mapped(first + 64 * MIB - 1));
    ReleaseDataBlock(second);

    // Larger than the kept block: a new one, all of it usable.
    uint8_t* const third = AllocateDataBlock(100 * MIB + 7);
    ASSERT_NE(third, nullptr);
    std::memset(third, 0x11, 100 * MIB + 7);
    EXPECT_EQ(third[100 * MIB + 6], 0x11);
    ReleaseDataBlock(third);

    // Small blocks come from the heap and keep their bytes.
    uint8_t* const small = AllocateDataBlock(100);
    ASSERT_NE(small, nullptr);
    std::memset(small, 0x22, 100);
    uint8_t* const empty = AllocateDataBlock(0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(small[99], 0x22);
    ReleaseDataBlock(small);
    ReleaseDataBlock(empty);
    ReleaseDataBlock(nullptr);

    // Sizes no system has are refused, not wrapped round to a small block.
    EXPECT_EQ(AllocateDataBlock(SIZE_MAX), nullptr);
    EXPECT_EQ(AllocateDataBlock(SIZE_MAX - 4096), nullptr);
    EXPECT_EQ(AllocateDataBlock(size_t(1) << 60), nullptr);
}

// A kept block that nothing takes within its lifetime is given back to the system, so that an idle
// program does not go on holding the memory of its last document.
TEST(BlockMemory, AKeptBlockNotTakenAgainIsGivenBack)
{
    struct RestoreLifetime {
        ~RestoreLifetime() { SetKeptBlockLifetime(KEPT_BLOCK_LIFETIME); }
    } restore;
    SetKeptBlockLifetime(std::chrono::milliseconds(20));
    uint8_t* const block = AllocateDataBlock(16 * MIB);
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    ReleaseDataBlock(block);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Mapped(block) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(Mapped(block));

    // Taken again within its lifetime, it is not lost to the keeper's thread.
    SetKeptBlockLifetime(KEPT_BLOCK_LIFETIME);
    uint8_t* const kept = AllocateDataBlock(16 * MIB);
    ASSERT_NE(kept, nullptr);
    ReleaseDataBlock(kept);
    uint8_t* const again = AllocateDataBlock(16 * MIB);
    EXPECT_EQ(again, kept);
    std::memset(again, 0x33, 16 * MIB);
    ReleaseDataBlock(again);
}

// Threads that take and release large blocks side by side never get the same memory: each
// block keeps the bytes its own thread wrote while the others write theirs.
TEST(BlockMemory, ThreadsNeverShareABlock)
{
    constexpr int THREADS = 4;
    constexpr int ROUNDS = 12;
    std::vector<int> faults(THREADS, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t)
        threads.emplace_back([t, &faults] {
            const auto mark = static_cast<uint8_t>(0x10 + t);
            for (int round = 0; round < ROUNDS; ++round) {
                const size_t bytes = (8 + size_t((t * 5 + round * 3) % 17)) * MIB + size_t(round);
                uint8_t* block = AllocateDataBlock(bytes);
                if (!block) {
                    ++faults[t];
                    continue;
                }
                for (size_t at = 0; at < bytes; at += PAGE)
                    block[at] = mark;
                block[bytes - 1] = mark;
                std::this_thread::yield();
                for (size_t at = 0; at < bytes; at += PAGE)
                    faults[t] += block[at] != mark;
                faults[t] += block[bytes - 1] != mark;
                ReleaseDataBlock(block);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < THREADS; ++t)
        EXPECT_EQ(faults[t], 0) << "thread " << t;
}

// A large block is made present page by page, whatever part of it each helping thread took,
// from an address that is not on any page boundary to an end that is not either. Blocks too
// small to prepare, and no block, are accepted as they are.
TEST(LargeMemory, PreparingMakesEveryPageOfTheBlockPresent)
{
    const size_t mapped = 200 * MIB;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(raw, MAP_FAILED);
    auto* const block = static_cast<uint8_t*>(raw) + 3 * MIB + 123;
    const size_t bytes = 190 * MIB + 4567;
    ASSERT_GT(MissingPages(block, bytes), 0u);

    EXPECT_TRUE(PrepareLargeBlock(block, bytes));
    EXPECT_EQ(MissingPages(block, bytes), 0u);
    EXPECT_TRUE(PrepareLargeBlock(block, bytes)); // again, on present pages
    munmap(raw, mapped);

    EXPECT_TRUE(PrepareLargeBlock(nullptr, bytes));
    uint8_t little[64] = {};
    EXPECT_TRUE(PrepareLargeBlock(little, sizeof little));
}
