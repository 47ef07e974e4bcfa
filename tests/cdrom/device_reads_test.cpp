// ReadSectors and GetMediaChangeCount over the scripted drive: the requests they make and the
// results they give.
#include "cdrom/device_reads.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "support/scripted_drive.h"

namespace {

using Kind = ScriptedDrive::Request::Kind;

std::vector<uint8_t> Filled(size_t size) { return std::vector<uint8_t>(size, 0xCC); }

TEST(DeviceReads, RawReadAsksForTheCookedByteOffsetAndDeliversRawSectors)
{
    ScriptedDrive drive('D', 400);
    std::vector<uint8_t> buffer = Filled(27 * 2352 + 16);
    ASSERT_EQ(ReadSectors('D', 100, 27, buffer.data(), READ_MODE_RAW), 0);

    const auto requests = drive.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, Kind::Raw);
    EXPECT_EQ(requests[0].diskOffset, 204800u);
    EXPECT_EQ(requests[0].count, 27u);
    EXPECT_EQ(requests[0].trackMode, 2u);
    const std::vector<uint8_t> expected = drive.RawBytes(100, 27);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    // Nothing beyond count x 2352 is written.
    EXPECT_EQ(buffer[27 * 2352], 0xCC);
    EXPECT_EQ(buffer.back(), 0xCC);
    // One open and one transfer block per request.
    EXPECT_EQ(drive.Opens(), 1);
    EXPECT_EQ(drive.TransferBlocks(), 1);
}

TEST(DeviceReads, CookedReadReadsCountTimes2048BytesAtSectorTimes2048)
{
    ScriptedDrive drive('E', 100);
    std::vector<uint8_t> buffer = Filled(32 * 2048 + 1);
    ASSERT_EQ(ReadSectors('E', 16, 32, buffer.data(), READ_MODE_COOKED), 0);
    const auto requests = drive.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, Kind::Cooked);
    EXPECT_EQ(requests[0].diskOffset, 32768u);
    EXPECT_EQ(requests[0].count * 2048, 65536u);
    const std::vector<uint8_t> expected = drive.CookedBytes(16, 32);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    EXPECT_EQ(buffer.back(), 0xCC);
    // Every mode other than 1 is cooked.
    ASSERT_EQ(ReadSectors('E', 16, 1, buffer.data(), 7), 0);
    EXPECT_EQ(drive.Requests().back().kind, Kind::Cooked);
}

TEST(DeviceReads, FailuresGiveTheirCodeAndLeaveTheDestinationUntouched)
{
    ScriptedDrive drive('D', 200);
    const std::vector<uint8_t> untouched = Filled(10 * 2352);
    std::vector<uint8_t> buffer = untouched;

    // No drive behind the letter, and a drive that cannot be opened.
    EXPECT_EQ(ReadSectors('Q', 0, 10, buffer.data(), READ_MODE_RAW), 2);
    drive.FailOpen();
    EXPECT_EQ(ReadSectors('D', 0, 10, buffer.data(), READ_MODE_RAW), 2);
    drive.FailOpen(false);
    EXPECT_EQ(buffer, untouched);

    // No transfer memory: the first request, then requests above 5 sectors.
    drive.RefuseMemoryForFirst(1);
    EXPECT_EQ(ReadSectors('D', 0, 10, buffer.data(), READ_MODE_RAW), 5);
    EXPECT_EQ(ReadSectors('D', 0, 1, buffer.data(), READ_MODE_RAW), 0);
    drive.RefuseMemoryAbove(5);
    buffer = untouched;
    EXPECT_EQ(ReadSectors('D', 0, 6, buffer.data(), READ_MODE_COOKED), 5);
    EXPECT_EQ(ReadSectors('D', 0, 6, buffer.data(), READ_MODE_RAW), 5);
    EXPECT_EQ(buffer, untouched);
    drive.RefuseMemoryAbove(UINT32_MAX);

    // A refused read, in both modes, and a read past the end of the disc.
    drive.FailReadAt(120);
    EXPECT_EQ(ReadSectors('D', 115, 10, buffer.data(), READ_MODE_RAW), 18);
    EXPECT_EQ(ReadSectors('D', 120, 1, buffer.data(), READ_MODE_COOKED), 18);
    EXPECT_EQ(ReadSectors('D', 195, 10, buffer.data(), READ_MODE_RAW), 18);
    EXPECT_EQ(buffer, untouched);
    EXPECT_EQ(ReadSectors('D', 121, 10, buffer.data(), READ_MODE_RAW), 0);
}

TEST(DeviceReads, CountsTooLargeForThirtyTwoBitsAreRefusedNotWrapped)
{
    ScriptedDrive drive('D', 100);
    uint8_t byte = 0x5A;
    // 1826104 x 2352 and 2097152 x 2048 both wrap to almost nothing in 32 bits.
    EXPECT_EQ(ReadSectors('D', 0, 1826104, &byte, READ_MODE_RAW), 5);
    EXPECT_EQ(ReadSectors('D', 0, 2097152, &byte, READ_MODE_COOKED), 5);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_TRUE(drive.Requests().empty());
}

TEST(DeviceReads, JitteringDriveShiftsRawReadsByWholeSamplesFromTheNeighbours)
{
    ScriptedDrive drive('D', 100);
    drive.SetJitter(40, 3);
    std::vector<uint8_t> buffer(4 * 2352);
    const std::vector<uint8_t> around = drive.RawBytes(49, 6);
    bool sawShift = false;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(ReadSectors('D', 50, 4, buffer.data(), READ_MODE_RAW), 0);
        const int32_t shift = drive.Requests().back().shift;
        EXPECT_EQ(shift % 4, 0);
        EXPECT_LE(std::abs(shift), 40);
        sawShift |= shift != 0;
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), around.begin() + 2352 + shift));
    }
    EXPECT_TRUE(sawShift);
}

TEST(DeviceReads, MediaChangeCountComesFromTheMediaCheck)
{
    ScriptedDrive drive('D', 10);
    drive.SetMediaChangeCount(7);
    uint32_t count = 0;
    ASSERT_TRUE(GetMediaChangeCount('D', &count));
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(drive.Requests().back().kind, Kind::CheckVerify);

    drive.SetMediaChangeCount(9, false);
    count = 3;
    EXPECT_FALSE(GetMediaChangeCount('D', &count));
    EXPECT_FALSE(GetMediaChangeCount('X', &count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(drive.Opens(), 2);
}

} // namespace
