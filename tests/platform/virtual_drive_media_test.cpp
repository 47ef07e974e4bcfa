// The media change count of a disc image drive, asked as the device status dialog asks it:
// it goes up when the drive is given another image, when its image is rewritten on disk, and
// when its door is opened and closed through the CD audio driver; while the door is open the
// drive has no medium.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cdrom/address.h"
#include "cdrom/device_reads.h"
#include "platform/mci/mci.h"
#include "support/disc_builder.h"
#include "support/scripted_drive_table.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

using Kind = DriveEntry::Kind;

uint32_t ChangeCount(char letter)
{
    uint32_t count = 0xDEAD;
    EXPECT_TRUE(GetMediaChangeCount(letter, &count)) << letter;
    return count;
}

MCIERROR SetDoor(MCIDEVICEID device, uint32_t flag)
{
    return mciSendCommandA(device, MCI_SET, flag | MCI_WAIT, nullptr);
}

class VirtualDriveMedia : public testing::Test {
protected:
    void SetUp() override
    {
        std::string reason;
        ASSERT_TRUE(BuildDisc(AudioDiscPlan({150}), mkdisc::Layout::SingleBin, m_folder.path().string(), "first",
                              &m_first, &reason))
            << reason;
        ASSERT_TRUE(BuildDisc(AudioDiscPlan({90, 60}), mkdisc::Layout::SingleBin, m_folder.path().string(), "second",
                              &m_second, &reason))
            << reason;
    }

    // Opens the CD audio device of a drive the way the program does.
    MCIDEVICEID OpenCdAudio(const char* element)
    {
        MCI_OPEN_PARMS open{};
        open.lpstrDeviceType = MciDeviceTypeId(MCI_DEVTYPE_CD_AUDIO);
        open.lpstrElementName = element;
        EXPECT_EQ(mciSendCommandA(0, MCI_OPEN,
                                  MCI_WAIT | MCI_OPEN_SHAREABLE | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE_ID | MCI_OPEN_TYPE,
                                  &open),
                  0u);
        return open.wDeviceID;
    }

    TempDir m_folder;
    BuiltDisc m_first;
    BuiltDisc m_second;
};

} // namespace

TEST_F(VirtualDriveMedia, AnotherImageOrTheImageRewrittenIsAMediaChange)
{
    ScriptedDriveTable drives(
        {{'C', Kind::FixedDisk, "/"}, {'E', Kind::DiscImage, m_first.sheet}, {'F', Kind::DiscImage, m_second.sheet}});
    const uint32_t start = ChangeCount('E');
    const uint32_t other = ChangeCount('F');
    EXPECT_EQ(ChangeCount('E'), start); // asking again changes nothing

    // The drives file puts the second image into E:, then the first one back.
    drives.Set(
        {{'C', Kind::FixedDisk, "/"}, {'E', Kind::DiscImage, m_second.sheet}, {'F', Kind::DiscImage, m_second.sheet}});
    EXPECT_EQ(ChangeCount('E'), start + 1);
    drives.Set(
        {{'C', Kind::FixedDisk, "/"}, {'E', Kind::DiscImage, m_first.sheet}, {'F', Kind::DiscImage, m_second.sheet}});
    EXPECT_EQ(ChangeCount('E'), start + 2);
    EXPECT_EQ(ChangeCount('F'), other); // each drive counts its own

    // The image file replaced on disk by a new copy of itself (a new file under the same name).
    const std::string copy = m_first.sheet + ".new";
    std::filesystem::copy_file(m_first.sheet, copy);
    std::filesystem::rename(copy, m_first.sheet);
    EXPECT_EQ(ChangeCount('E'), start + 3);
    EXPECT_EQ(ChangeCount('E'), start + 3);

    // A letter with no drive has no count.
    uint32_t count = 77;
    EXPECT_FALSE(GetMediaChangeCount('Q', &count));
    EXPECT_EQ(count, 77u);
}

TEST_F(VirtualDriveMedia, OpeningAndClosingTheDoorIsAMediaChangeAndAnOpenDoorMeansNoMedium)
{
    ScriptedDriveTable drives({{'C', Kind::FixedDisk, "/"}, {'G', Kind::DiscImage, m_first.sheet}});
    const uint32_t start = ChangeCount('G');
    const MCIDEVICEID device = OpenCdAudio("G:");
    ASSERT_NE(device, 0u);

    // Closing a closed door changes nothing.
    ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_CLOSED), 0u);
    EXPECT_EQ(ChangeCount('G'), start);

    ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_OPEN), 0u);
    uint32_t count = 55, sectors = 66;
    std::vector<uint8_t> buffer(RAW_SECTOR_SIZE, 0xA5);
    EXPECT_FALSE(GetMediaChangeCount('G', &count));
    EXPECT_EQ(count, 55u);
    EXPECT_EQ(ReadSectors('G', 0, 1, buffer.data(), READ_MODE_RAW), DRIVE_ERROR_READ_FAULT);
    EXPECT_FALSE(GetVolumeSectorCount('G', &sectors));

    ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_CLOSED), 0u);
    EXPECT_EQ(ChangeCount('G'), start + 1);
    EXPECT_EQ(ReadSectors('G', 0, 1, buffer.data(), READ_MODE_RAW), DRIVE_OK);
    EXPECT_TRUE(buffer == m_first.Expected(0, 1));

    // Twice more: open and closed, open and closed.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_OPEN), 0u);
        ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_CLOSED), 0u);
    }
    EXPECT_EQ(ChangeCount('G'), start + 3);

    // The door of an image that is no longer in the drive: the new image is in, its door closed.
    ASSERT_EQ(SetDoor(device, MCI_SET_DOOR_OPEN), 0u);
    drives.Set({{'C', Kind::FixedDisk, "/"}, {'G', Kind::DiscImage, m_second.sheet}});
    EXPECT_EQ(ChangeCount('G'), start + 4);
    EXPECT_EQ(mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
}
