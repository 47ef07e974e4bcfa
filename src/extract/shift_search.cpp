#include "extract/shift_search.h"

#include <cstring>

#include "res/resource.h"

namespace {

bool MatchesAt(const uint8_t* block, const uint8_t* data, size_t dataLength, size_t anchor, int64_t shift,
               uint32_t window)
{
    const int64_t start = static_cast<int64_t>(anchor) + shift;
    if (start < 0 || static_cast<uint64_t>(start) + window > dataLength)
        return false;
    return std::memcmp(block, data + start, window) == 0;
}

} // namespace

int32_t FindShift(const uint8_t* block, const uint8_t* data, size_t dataLength, size_t anchor, uint32_t window)
{
    if (window == 0 || MatchesAt(block, data, dataLength, anchor, 0, window))
        return 0;
    const int64_t reach = window;
    for (int64_t shift = -reach; shift <= reach; ++shift) {
        if (MatchesAt(block, data, dataLength, anchor, shift, window))
            return static_cast<int32_t>(shift);
    }
    return res::SYNC_FAILED;
}
