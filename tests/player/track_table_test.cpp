#include "player/track_table.h"

#include <gtest/gtest.h>

namespace {

uint32_t Packed(uint8_t minute, uint8_t second, uint8_t frame) { return minute | (second << 8) | (frame << 16); }

} // namespace

TEST(TrackTable, EndIsStartPlusLengthLessOneFrameWithCarryAndBorrow)
{
    TrackRecord first;
    FillTrackRecord(first, Packed(0, 2, 0), Packed(4, 10, 0), true);
    // Frame borrow and second borrow: 00:02:00 + 04:10:00 - 1 frame.
    EXPECT_EQ(first.endMinute, 4);
    EXPECT_EQ(first.endSecond, 11);
    EXPECT_EQ(first.endFrame, 74);
    EXPECT_EQ(first.startSector, 0u);
    EXPECT_EQ(first.endSector, 18749u);
    EXPECT_EQ(first.sectorCount, 18750u);
    EXPECT_EQ(first.nonAudio, 0);

    TrackRecord carry;
    FillTrackRecord(carry, Packed(5, 20, 10), Packed(3, 39, 70), true);
    EXPECT_EQ(carry.endMinute, 9);
    EXPECT_EQ(carry.endSecond, 0);
    EXPECT_EQ(carry.endFrame, 4);
    EXPECT_EQ(carry.sectorCount, carry.endSector - carry.startSector + 1);

    // Borrow of a second that runs into the minute: 01:00:00 + 00:00:00 gives 00:59:74.
    TrackRecord borrow;
    FillTrackRecord(borrow, Packed(1, 0, 0), Packed(0, 0, 0), true);
    EXPECT_EQ(borrow.endMinute, 0);
    EXPECT_EQ(borrow.endSecond, 59);
    EXPECT_EQ(borrow.endFrame, 74);

    TrackRecord data;
    FillTrackRecord(data, Packed(0, 2, 0), Packed(0, 13, 25), false);
    EXPECT_EQ(data.nonAudio, 1);
    EXPECT_EQ(data.sectorCount, 1000u);
    EXPECT_EQ(data.endSector, 999u);
}

TEST(TrackTable, ResetGivesEmptyRecords)
{
    TrackTable tracks;
    FillTrackRecord(tracks[98], Packed(10, 0, 0), Packed(1, 0, 0), true);
    ResetTrackTable(tracks);
    for (const TrackRecord& record : tracks) {
        EXPECT_EQ(record.startSector, 0u);
        EXPECT_EQ(record.endSector, 0u);
        EXPECT_EQ(record.sectorCount, 0u);
        EXPECT_EQ(record.endFrame, 0);
        EXPECT_EQ(record.nonAudio, 1);
    }
}

TEST(TrackTable, DisplayTimeRoundsFramesAboveThirtySevenUp)
{
    EXPECT_EQ(DisplayTime(0, 3, 37), "0:03");
    EXPECT_EQ(DisplayTime(0, 3, 38), "0:04");
    EXPECT_EQ(DisplayTime(0, 59, 40), "1:00");
    EXPECT_EQ(DisplayTime(4, 10, 0), "4:10");
    EXPECT_EQ(DisplayTime(99, 59, 74), "100:00");
}
