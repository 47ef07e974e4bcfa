#include "cdrom/address.h"
#include "support/scripted_drive_table.h"

#include <gtest/gtest.h>

using Kind = platform::DriveEntry::Kind;

TEST(Address, MsfToSectorWrapsBeforeTheProgramArea)
{
    EXPECT_EQ(MsfToSector(0, 2, 0), 0u);
    EXPECT_EQ(MsfToSector(0, 0, 0), 4294967146u);
    EXPECT_EQ(MsfToSector(77, 48, 49), 349999u);
    EXPECT_EQ(MsfToSector(0, 10, 0), 600u);
    EXPECT_EQ(MsfToSector(0, 20, 0), 1350u);
}

TEST(Address, SectorToMsfInvertsMsfToSectorBelowMinute256)
{
    uint8_t m = 1, s = 1, f = 1;
    SectorToMsf(0, &m, &s, &f);
    EXPECT_EQ((std::array<int, 3>{m, s, f}), (std::array<int, 3>{0, 2, 0}));
    SectorToMsf(350000, &m, &s, &f);
    EXPECT_EQ((std::array<int, 3>{m, s, f}), (std::array<int, 3>{77, 48, 50}));
    for (LogicalSector sector = 0; sector < 1151850; sector += 997) {
        SectorToMsf(sector, &m, &s, &f);
        ASSERT_EQ(MsfToSector(m, s, f), sector);
        ASSERT_LT(s, 60);
        ASSERT_LT(f, 75);
    }
    // Minute 256 no longer fits a byte: the stored minute wraps and the rest follows from it.
    SectorToMsf(1151850, &m, &s, &f);
    EXPECT_EQ(m, 0);
}

TEST(Address, FindFirstCdromDriveScansFromAToZ)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("FE"));
    EXPECT_EQ(FindFirstCdromDrive(), 'E');
    drives.Set(ScriptedDriveTable::WithCdroms("Z"));
    EXPECT_EQ(FindFirstCdromDrive(), 'Z');
    drives.Set(ScriptedDriveTable::WithCdroms(""));
    EXPECT_EQ(FindFirstCdromDrive(), 0);
    drives.Set({{'A', Kind::FixedDisk, "/"}, {'B', Kind::PhysicalCdrom, "/dev/sr0"}});
    EXPECT_EQ(FindFirstCdromDrive(), 'B');
}

TEST(Address, VolumeSectorCountOfAMissingDriveLeavesTheCountAlone)
{
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D"));
    uint32_t count = 1234;
    EXPECT_FALSE(GetVolumeSectorCount('Q', &count));
    EXPECT_EQ(count, 1234u);
    // The fixed disk is measured through the file system and gives a plausible size.
    ASSERT_TRUE(GetVolumeSectorCount('C', &count));
    EXPECT_GT(count, 0u);
}
