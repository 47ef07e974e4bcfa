#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "extract/shift_search.h"
#include "res/resource.h"

TEST(FindShift, PrefersInPlaceThenTheLowestShiftAndStaysInsideTheData)
{
    // Data with a period of 4 bytes matches a 4-byte window at every fourth shift.
    std::vector<uint8_t> periodic(64);
    for (size_t i = 0; i < periodic.size(); ++i)
        periodic[i] = static_cast<uint8_t>(i % 4);
    const uint8_t inPlace[4] = {0, 1, 2, 3};
    EXPECT_EQ(FindShift(inPlace, periodic.data(), periodic.size(), 32, 4), 0);
    const uint8_t later[4] = {1, 2, 3, 0};
    // -3 and +1 both match; the search runs from -W upwards.
    EXPECT_EQ(FindShift(later, periodic.data(), periodic.size(), 32, 4), -3);
    // At the start of the data the negative shifts would compare bytes in front of it.
    EXPECT_EQ(FindShift(later, periodic.data(), periodic.size(), 0, 4), 1);
    EXPECT_EQ(FindShift(later, periodic.data(), 5, 0, 4), 1);
    EXPECT_EQ(FindShift(later, periodic.data(), 4, 0, 4), res::SYNC_FAILED);

    std::vector<uint8_t> counting(256);
    std::iota(counting.begin(), counting.end(), 0);
    const uint8_t missing[3] = {9, 9, 9};
    EXPECT_EQ(FindShift(missing, counting.data(), counting.size(), 100, 3), res::SYNC_FAILED);
    EXPECT_EQ(FindShift(missing, counting.data(), counting.size(), 100, 0), 0);
    const uint8_t early[3] = {97, 98, 99};
    EXPECT_EQ(FindShift(early, counting.data(), counting.size(), 100, 3), -3);
    EXPECT_EQ(FindShift(early, counting.data(), counting.size(), 100, 2), res::SYNC_FAILED);
    // At the end, shifts whose window runs past the data are not tried.
    const uint8_t late[3] = {250, 251, 252};
    EXPECT_EQ(FindShift(late, counting.data(), counting.size(), 248, 3), 2);
    EXPECT_EQ(FindShift(late, counting.data(), 252, 248, 3), res::SYNC_FAILED);
}
