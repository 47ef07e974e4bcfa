#include "platform/global_memory.h"

#include "platform/huge_pages.h"
#include "platform/last_error.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace platform {
namespace {

struct GlobalBlock {
    size_t size = 0;
    uint32_t lockCount = 0;
    uint8_t* bytes = nullptr;
};

std::mutex g_mutex;
GlobalMemoryFaults* g_faults = nullptr;

// Every live block, so that a handle of another kind is told apart without reading it.
std::unordered_set<const void*>& LiveBlocks()
{
    static auto* blocks = new std::unordered_set<const void*>;
    return *blocks;
}

GlobalBlock* BlockOf(HGLOBAL handle)
{
    if (!handle || LiveBlocks().count(handle) == 0)
        return nullptr;
    return static_cast<GlobalBlock*>(handle);
}

} // namespace

void SetGlobalMemoryFaults(GlobalMemoryFaults* faults)
{
    std::lock_guard lock(g_mutex);
    g_faults = faults;
}

HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes)
{
    GlobalMemoryFaults* faults = nullptr;
    {
        std::lock_guard lock(g_mutex);
        faults = g_faults;
    }
    if (faults && faults->AllocFails(bytes)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = new (std::nothrow) GlobalBlock;
    // malloc leaves the pages untouched until they are written: a large block costs nothing
    // before its bytes are copied in, and then as little as huge pages make it.
    void* bytesOfBlock = std::malloc(bytes ? bytes : 1);
    AdviseHugePages(bytesOfBlock, bytes);
    if (!block || !bytesOfBlock) {
        delete block;
        std::free(bytesOfBlock);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    block->size = bytes;
    block->bytes = static_cast<uint8_t*>(bytesOfBlock);
    if (flags & GMEM_ZEROINIT)
        std::memset(block->bytes, 0, bytes);
    bool registered = false;
    {
        std::lock_guard lock(g_mutex);
        try {
            registered = LiveBlocks().insert(block).second;
        } catch (const std::bad_alloc&) {
            registered = false;
        }
    }
    if (!registered) {
        std::free(block->bytes);
        delete block;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return block;
}

void* GlobalLock(HGLOBAL handle)
{
    std::unique_lock lock(g_mutex);
    GlobalBlock* block = BlockOf(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (g_faults) {
        GlobalMemoryFaults* faults = g_faults;
        lock.unlock();
        if (faults->LockFails(handle)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        lock.lock();
        block = BlockOf(handle);
        if (!block) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    ++block->lockCount;
    SetLastError(ERROR_SUCCESS);
    return block->bytes;
}

bool GlobalUnlock(HGLOBAL handle)
{
    std::lock_guard lock(g_mutex);
    GlobalBlock* block = BlockOf(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (block->lockCount > 0)
        --block->lockCount;
    SetLastError(ERROR_SUCCESS);
    return block->lockCount > 0;
}

size_t GlobalSize(HGLOBAL handle)
{
    std::lock_guard lock(g_mutex);
    GlobalBlock* block = BlockOf(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    return block->size;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    GlobalBlock* block = nullptr;
    {
        std::lock_guard lock(g_mutex);
        block = BlockOf(handle);
        if (!block) {
            SetLastError(ERROR_INVALID_HANDLE);
            return handle;
        }
        LiveBlocks().erase(block);
    }
    std::free(block->bytes);
    delete block;
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}

bool IsGlobalBlock(HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    return BlockOf(handle) != nullptr;
}

} // namespace platform
