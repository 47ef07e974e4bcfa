// The physical-drive path: the commands it gives a drive through libcdio, checked against a drive
// that answers as the MultiMedia Commands define them, and the same path reached through the
// device interface; beside it, what a disc image answers to the same requests.
#include "platform/cdrom/mmc_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "cdrom/cdrom_drive.h"
#include "support/disc_builder.h"
#include "support/scoped_environment.h"
#include "support/simulated_drive.h"
#include "support/temp_dir.h"

using platform::cdrom::MmcDrive;
using platform::cdrom::MmcResult;

namespace {

constexpr uint32_t RAW = 2352;
constexpr uint32_t WITH_C2 = 2352 + 296;

bool PointerSet(const uint8_t* pointers, uint32_t byte) { return (pointers[byte / 8] & (0x80 >> (byte % 8))) != 0; }

} // namespace

TEST(MmcDrive, ReadCdAsksForCddaUserDataAtSignedAddressesWithOrWithoutC2)
{
    SimulatedDrive drive('D', 100);
    drive.SetC2Reporting(true);
    drive.SetOverread(true, false);
    drive.SetDamage({1});
    MmcDrive mmc(drive.Calls());

    std::vector<uint8_t> out(3 * WITH_C2, 0xA5);
    ASSERT_EQ(mmc.ReadCdda(-2, 3, true, out.data()), MmcResult::Ok);
    const SimulatedDrive::Command read = drive.Commands().back();
    const uint8_t expected[12] = {0xBE, 0x04, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x03, 0x14, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(read.cdb, expected, 12), 0);
    EXPECT_EQ(read.length, 3 * WITH_C2);
    // Two sectors of lead-in silence, then sector 0; every sector followed by its pointers.
    const std::vector<uint8_t> disc = drive.DiscBytes(-2, 3);
    for (uint32_t k = 0; k < 3; ++k)
        EXPECT_EQ(std::memcmp(out.data() + k * WITH_C2, disc.data() + k * RAW, RAW), 0) << k;
    EXPECT_EQ(out[WITH_C2 - 2], 0); // block error byte of a clean sector

    // Sector 1 is damaged in bytes 1000..1099: exactly those carry a pointer bit, and the block
    // error byte says so.
    std::vector<uint8_t> damaged(WITH_C2);
    ASSERT_EQ(mmc.ReadCdda(1, 1, true, damaged.data()), MmcResult::Ok);
    const uint8_t* pointers = damaged.data() + RAW;
    EXPECT_FALSE(PointerSet(pointers, 999));
    EXPECT_TRUE(PointerSet(pointers, 1000));
    EXPECT_TRUE(PointerSet(pointers, 1099));
    EXPECT_FALSE(PointerSet(pointers, 1100));
    EXPECT_NE(damaged[RAW + 294], 0);

    // Without C2: byte 9 asks for the user data alone, 2352 bytes a sector.
    std::vector<uint8_t> plain(2 * RAW);
    ASSERT_EQ(mmc.ReadCdda(98, 2, false, plain.data()), MmcResult::Ok);
    EXPECT_EQ(drive.Commands().back().cdb[9], 0x10);
    EXPECT_EQ(drive.Commands().back().length, 2 * RAW);
    EXPECT_EQ(plain, drive.DiscBytes(98, 2));
}

TEST(MmcDrive, RefusalsAndMediumErrorsComeBackByTheirSenseKey)
{
    SimulatedDrive drive('D', 100);
    drive.SetUnreadable({50});
    MmcDrive mmc(drive.Calls());
    std::vector<uint8_t> out(2 * WITH_C2);
    EXPECT_EQ(mmc.ReadCdda(-1, 1, false, out.data()), MmcResult::Refused); // no lead-in reads
    EXPECT_EQ(mmc.ReadCdda(99, 2, false, out.data()), MmcResult::Refused); // nor lead-out
    EXPECT_EQ(mmc.ReadCdda(10, 1, true, out.data()), MmcResult::Refused);  // no C2 pointers
    EXPECT_EQ(mmc.ReadCdda(49, 2, false, out.data()), MmcResult::MediumError);
    EXPECT_FALSE(mmc.ReportsC2Pointers());

    // A drive that reads into the lead-out gives its silence.
    drive.SetOverread(false, true);
    std::vector<uint8_t> end(2 * RAW, 0xA5);
    EXPECT_EQ(mmc.ReadCdda(99, 2, false, end.data()), MmcResult::Ok);
    EXPECT_EQ(end, drive.DiscBytes(99, 2));
    EXPECT_EQ(std::count(end.begin() + RAW, end.end(), 0), RAW);
}

TEST(MmcDrive, InquiryAndCapabilitiesPage)
{
    SimulatedDrive drive('D', 100);
    drive.SetIdentity("PLEXTOR", "DVDR   PX-716A", "1.11");
    drive.SetC2Reporting(true);
    MmcDrive mmc(drive.Calls());
    platform::DriveIdentity identity;
    ASSERT_TRUE(mmc.Inquiry(&identity));
    EXPECT_EQ(identity.vendor, "PLEXTOR");
    EXPECT_EQ(identity.product, "DVDR   PX-716A");
    EXPECT_EQ(identity.revision, "1.11");
    EXPECT_EQ(drive.Commands().back().cdb[0], MmcDrive::INQUIRY);
    EXPECT_EQ(drive.Commands().back().cdb[4], 36);

    EXPECT_TRUE(mmc.ReportsC2Pointers());
    EXPECT_TRUE(mmc.ReportsC2Pointers());
    size_t modeSenses = 0;
    for (const SimulatedDrive::Command& c : drive.Commands())
        if (c.cdb[0] == MmcDrive::MODE_SENSE_10) {
            ++modeSenses;
            EXPECT_EQ(c.cdb[2], MmcDrive::CAPABILITIES_PAGE);
        }
    EXPECT_EQ(modeSenses, 1u); // the answer is kept
}

TEST(CdromDrive, APhysicalDriveGivesC2ItsTableOfContentsAndItsName)
{
    SimulatedDrive drive('D', 300);
    drive.SetC2Reporting(true);
    drive.SetDamage({100});
    drive.SetOverread(true, true);
    CdromDrive cdrom;
    ASSERT_EQ(cdrom.Open('D'), DRIVE_OK);

    // 30 sectors with pointers: more than one request holds, split and put back together.
    std::vector<uint8_t> data(30 * RAW), pointers(30 * C2_POINTER_BYTES, 0xA5);
    ASSERT_EQ(cdrom.ReadRaw(90, 30, data.data(), pointers.data()), DRIVE_OK);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 10 * RAW), drive.DiscBytes(90, 10));
    for (uint32_t s = 0; s < 30; ++s) {
        const uint8_t* p = pointers.data() + s * C2_POINTER_BYTES;
        EXPECT_EQ(PointerSet(p, 1050), s == 10) << s;
    }
    std::vector<uint8_t> leadIn(2 * RAW, 0xA5);
    EXPECT_EQ(cdrom.ReadRaw(-2, 2, leadIn.data(), nullptr), DRIVE_OK);
    EXPECT_EQ(leadIn, std::vector<uint8_t>(2 * RAW, 0));

    uint32_t leadOut = 0;
    ASSERT_TRUE(cdrom.ReadLeadOut(&leadOut));
    EXPECT_EQ(leadOut, 300u);
    std::string model;
    ASSERT_TRUE(cdrom.QueryModel(&model));
    EXPECT_EQ(model, "RIPWELL TEST DRIVE");

    // A drive without C2 pointers says so; its plain reads go on.
    drive.SetC2Reporting(false);
    CdromDrive plain;
    ASSERT_EQ(plain.Open('D'), DRIVE_OK);
    EXPECT_EQ(plain.ReadRaw(0, 1, data.data(), pointers.data()), DRIVE_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(plain.ReadRaw(0, 1, data.data(), nullptr), DRIVE_OK);
    EXPECT_EQ(CdromDrive().Open('X'), DRIVE_ERROR_INVALID_DRIVE);
}

TEST(CdromDrive, ADiscImageHasNoPointersNoOverreadAndNoName)
{
    TempDir folder;
    BuiltDisc disc;
    std::string reason;
    ASSERT_TRUE(
        BuildDisc(AudioDiscPlan({200, 100}), mkdisc::Layout::SingleBin, folder.path().string(), "disc", &disc, &reason))
        << reason;
    ScopedEnvironment drives("RIPWELL_DRIVES", ("E=" + disc.sheet).c_str());
    CdromDrive cdrom;
    ASSERT_EQ(cdrom.Open('E'), DRIVE_OK);
    std::vector<uint8_t> data(3 * RAW), pointers(3 * C2_POINTER_BYTES);
    EXPECT_EQ(cdrom.ReadRaw(0, 3, data.data(), pointers.data()), DRIVE_ERROR_NOT_SUPPORTED);
    ASSERT_EQ(cdrom.ReadRaw(297, 3, data.data(), nullptr), DRIVE_OK);
    EXPECT_EQ(data, disc.Expected(297, 3));
    EXPECT_EQ(cdrom.ReadRaw(-1, 1, data.data(), nullptr), DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(cdrom.ReadRaw(299, 2, data.data(), nullptr), DRIVE_ERROR_READ_FAULT);
    uint32_t leadOut = 0;
    ASSERT_TRUE(cdrom.ReadLeadOut(&leadOut));
    EXPECT_EQ(leadOut, 300u);
    std::string model = "unchanged";
    EXPECT_FALSE(cdrom.QueryModel(&model));
    EXPECT_EQ(model, "unchanged");
}
