// The placement search of jitter correction: where a block that was read with overlap belongs
// in the data already stored.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns the shift d in bytes at which the first `window` bytes of block equal the `window`
// bytes at data + anchor + d: d = 0 first, then -window, -window + 1, ..., +window, the first
// match wins. SYNC_FAILED when none matches. A shift whose comparison would reach outside the
// data area [data, data + dataLength) is not tried. With window 0 the answer is 0.
int32_t FindShift(const uint8_t* block, const uint8_t* data, size_t dataLength, size_t anchor, uint32_t window);
