// Global memory blocks in the Win32 shape: the blocks the clipboard takes and gives. A block is
// allocated with a size, locked to reach its bytes and unlocked again; GlobalSize tells its size
// or, for a handle that is no memory block (a bitmap handle on the clipboard, say), 0 with the
// last error ERROR_INVALID_PARAMETER (87). Blocks live on the heap; which handles are blocks is
// known, so a handle of any other kind is recognised without being read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using HANDLE = void*;
using HGLOBAL = HANDLE;

inline constexpr uint32_t GMEM_FIXED = 0x0000;
inline constexpr uint32_t GMEM_MOVEABLE = 0x0002;
inline constexpr uint32_t GMEM_ZEROINIT = 0x0040;
inline constexpr uint32_t GMEM_DDESHARE = 0x2000;
inline constexpr uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// A block of bytes (any flags; GMEM_ZEROINIT fills it with zeros). Null and the last error
// ERROR_NOT_ENOUGH_MEMORY when there is no memory for it. A block of 0 bytes is a valid handle
// whose size is 0.
HGLOBAL GlobalAlloc(uint32_t flags, size_t bytes);
// The block's first byte, its lock count raised; null (last error ERROR_INVALID_HANDLE) for a
// handle that is no block.
void* GlobalLock(HGLOBAL block);
// Lowers the lock count; true while the block stays locked.
bool GlobalUnlock(HGLOBAL block);
// The block's size in bytes; 0 with the last error ERROR_INVALID_PARAMETER for a handle that is
// no block, 0 with ERROR_SUCCESS for a block of 0 bytes.
size_t GlobalSize(HGLOBAL block);
// Releases the block: null on success, the handle itself (last error ERROR_INVALID_HANDLE) when
// it is no block.
HGLOBAL GlobalFree(HGLOBAL block);
// True when the handle is a live block of this process.
bool IsGlobalBlock(HANDLE handle);

// Failures on demand, for tests of the callers' failure paths: consulted before GlobalAlloc and
// GlobalLock do their work; true makes the call fail as it would without memory or with a
// block that cannot be locked. The program installs none.
class GlobalMemoryFaults {
public:
    virtual ~GlobalMemoryFaults() = default;
    virtual bool AllocFails(size_t bytes) = 0;
    virtual bool LockFails(HGLOBAL block) = 0;
};
// nullptr removes the faults. The caller keeps ownership.
void SetGlobalMemoryFaults(GlobalMemoryFaults* faults);

} // namespace platform
