// Global memory blocks: sizes, zero filling, and handles that are no blocks.
#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/last_error.h"

using namespace platform;

namespace {

std::string BytesOf(HANDLE block)
{
    const size_t size = GlobalSize(block);
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes)
        return "<no block>";
    std::string copy(bytes, size);
    GlobalUnlock(block);
    return copy;
}

} // namespace

TEST(GlobalMemory, HandlesThatAreNoBlocksAreToldApartWithoutBeingRead)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 3);
    EXPECT_EQ(GlobalSize(block), 3u);
    EXPECT_EQ(BytesOf(block), std::string(3, '\0'));
    const auto notABlock = reinterpret_cast<HANDLE>(uintptr_t{0x12345679});
    for (HANDLE handle : {notABlock, HANDLE{nullptr}}) {
        EXPECT_EQ(GlobalSize(handle), 0u);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(GlobalLock(handle), nullptr);
    }
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(GlobalFree(empty), nullptr);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalFree(block), block);  // freed already
    EXPECT_EQ(GlobalSize(block), 0u);
}
