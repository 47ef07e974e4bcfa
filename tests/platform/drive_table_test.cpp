#include "platform/drives.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using platform::DriveEntry;
using Kind = DriveEntry::Kind;

namespace {

std::string Letters(const std::vector<DriveEntry>& drives)
{
    std::string letters;
    for (const DriveEntry& d : drives)
        letters += d.letter;
    return letters;
}

const DriveEntry* Drive(const std::vector<DriveEntry>& drives, char letter)
{
    for (const DriveEntry& d : drives)
        if (d.letter == letter)
            return &d;
    return nullptr;
}

} // namespace

TEST(DriveTable, PhysicalDrivesFirstThenVirtualDrivesFromTheFile)
{
    platform::DriveSources sources;
    sources.physicalDevices = {"/dev/sr0", "/dev/sr1"};
    sources.drivesFileFolder = "/home/u/.config/ripwell";
    sources.drivesFileText = "# my discs\n\n"
                             "G: /discs/a b.cue\n"
                             "e: /discs/taken.cue\n"  // E: belongs to /dev/sr1
                             "C: /discs/system.cue\n" // the fixed disk
                             "garbage\n"
                             "H: relative.cue\r\n"
                             "G: /discs/again.cue\n" // second claim on G:
                             "I:\n";                 // no image
    sources.demoDisc = "/demo/demo.cue";
    const auto drives = platform::BuildDriveTable(sources);
    EXPECT_EQ(Letters(drives), "CDEGH");
    EXPECT_EQ(Drive(drives, 'D')->source, "/dev/sr0");
    EXPECT_EQ(Drive(drives, 'E')->kind, Kind::PhysicalCdrom);
    EXPECT_EQ(Drive(drives, 'G')->source, "/discs/a b.cue");
    EXPECT_EQ(Drive(drives, 'H')->source, "/home/u/.config/ripwell/relative.cue");
    EXPECT_EQ(Drive(drives, 'C')->kind, Kind::FixedDisk);
}

TEST(DriveTable, EnvironmentReplacesTheFileAndDemoDiscFillsAnEmptyMachine)
{
    platform::DriveSources sources;
    sources.drivesFileText = "F: /discs/file.cue\n";
    sources.environment = "E=/discs/env.cue; f:=/discs/f.cue;;bad;Z=";
    sources.demoDisc = "/demo/demo.cue";
    auto drives = platform::BuildDriveTable(sources);
    EXPECT_EQ(Letters(drives), "CEF");
    EXPECT_EQ(Drive(drives, 'F')->source, "/discs/f.cue");

    sources.environment = ""; // set but empty: no virtual drives at all, so the demo disc
    drives = platform::BuildDriveTable(sources);
    EXPECT_EQ(Letters(drives), "CD");
    EXPECT_EQ(Drive(drives, 'D')->source, "/demo/demo.cue");

    sources.demoDisc.clear();
    EXPECT_EQ(Letters(platform::BuildDriveTable(sources)), "C");
}

TEST(DriveTable, PhysicalDrivesBeyondZAreLeftOut)
{
    platform::DriveSources sources;
    for (int i = 0; i < 25; ++i)
        sources.physicalDevices.push_back("/dev/sr" + std::to_string(i));
    sources.environment = "";
    const auto drives = platform::BuildDriveTable(sources);
    EXPECT_EQ(drives.size(), 24u); // C: and D: to Z:
    EXPECT_EQ(drives.back().letter, 'Z');
}

TEST(DriveTable, RealTableAnswersTheWin32Queries)
{
    TempDir dir;
    const std::string image = dir.file("disc.cue");
    std::ofstream(image) << "FILE \"disc.bin\" BINARY\n";
    const ScopedEnvironment drives("RIPWELL_DRIVES", ("E=" + image).c_str());
    EXPECT_EQ(platform::GetLogicalDrives() & 0x1C, 0x14u); // C: and E:, no D:
    EXPECT_EQ(platform::GetDriveTypeA("C:\\"), platform::DRIVE_FIXED);
    EXPECT_EQ(platform::GetDriveTypeA("e:\\"), platform::DRIVE_CDROM);
    EXPECT_EQ(platform::GetDriveTypeA("D:\\"), platform::DRIVE_NO_ROOT_DIR);
    ASSERT_TRUE(platform::FindDrive('E'));
    EXPECT_EQ(platform::FindDrive('E')->source, image);
    uint32_t spc = 0, bps = 0, free = 0, total = 0;
    EXPECT_TRUE(platform::GetDiskFreeSpaceA("C:\\", &spc, &bps, &free, &total));
    EXPECT_GT(total, 0u);
    EXPECT_FALSE(platform::GetDiskFreeSpaceA("Q:\\", &spc, &bps, &free, &total));
}

TEST(DriveTable, DemoDiscPathHonoursTheEnvironment)
{
    {
        const ScopedEnvironment demo("RIPWELL_DEMO_DISC", "/somewhere/demo.cue");
        EXPECT_EQ(platform::DemoDiscPath(), "/somewhere/demo.cue");
    }
    const ScopedEnvironment none("RIPWELL_DEMO_DISC", "");
    EXPECT_EQ(platform::DemoDiscPath(), "");
}
